// The mesh an instance draws: corner de-duplication against the plain quadratic
// rule, group ranges, refusals (bad indices, 16-bit limits), and the check that
// decides whether an instance may share the template's mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "TestModels.h"
#include "models/ModelMainMesh.h"

namespace {

using testmodels::ModelSpec;
using testmodels::Triangle;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

MODELVERTEX Record(float x, float nx, float s, int8_t joint = 0) {
    MODELVERTEX v;
    v.position = MakePoint(x, 1.0f, 2.0f);
    v.normal = MakePoint(nx, 0.0f, 1.0f);
    v.texCoord = Make2DPoint(s, 0.5f);
    v.jointIndex = joint;
    return v;
}

bool SameBytes(const MODELVERTEX& a, const MODELVERTEX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Adds the corners to a table and to the rule as first written (search every
// record, append when none matches); both must give the same indices and the
// same records, bit for bit. Returns the indices.
std::vector<uint16_t> ExpectSameAsQuadratic(const std::vector<MODELVERTEX>& corners) {
    VERTEXTABLE table;
    std::vector<MODELVERTEX> reference;
    std::vector<uint16_t> indices;
    for (const MODELVERTEX& v : corners) {
        std::size_t i = 0;
        while (i < reference.size() && !SameVertex(reference[i], v)) ++i;
        if (i == reference.size()) reference.push_back(v);
        indices.push_back(table.Add(v));
        EXPECT_EQ(indices.back(), i);
    }
    EXPECT_EQ(table.Count(), reference.size());
    for (std::size_t i = 0; i < reference.size() && i < table.Count(); ++i)
        EXPECT_TRUE(SameBytes(table.Records()[i], reference[i])) << "record " << i;
    return indices;
}

TEST(VertexTable, MergesExactlyWhatTheQuadraticRuleMerges) {
    struct Case {
        const char* name;
        std::vector<MODELVERTEX> corners;
        std::vector<uint16_t> expected;
    };
    const Case cases[] = {
        {"same corner merged", {Record(1, 0, 0.5f), Record(1, 0, 0.5f)}, {0, 0}},
        {"other normal kept apart", {Record(1, 0, 0.5f), Record(1, 1, 0.5f)}, {0, 1}},
        {"other s kept apart", {Record(1, 0, 0.5f), Record(1, 0, 0.25f)}, {0, 1}},
        {"other joint kept apart", {Record(1, 0, 0, 0), Record(1, 0, 0, -1)}, {0, 1}},
        {"-0 equals +0, first bits kept", {Record(-0.0f, 0.0f, 0), Record(0.0f, -0.0f, -0.0f)}, {0, 0}},
        {"NaN never equal", {Record(kNaN, 0, 0), Record(kNaN, 0, 0), Record(1, 0, 0), Record(1, 0, 0)}, {0, 1, 2, 2}},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpectSameAsQuadratic(c.corners), c.expected) << c.name;

    // Random corners from a small pool of values (both zeros, NaN), so that they
    // collide often; enough of them to make the table grow several times.
    const float pool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 1e-30f, 3.25f, kNaN};
    std::mt19937 random(1234);
    for (int poolSize : {7, 8}) {
        auto pick = [&](int n) { return pool[random() % n]; };
        std::vector<MODELVERTEX> corners;
        for (int i = 0; i < 6000; ++i) {
            MODELVERTEX v;
            v.position = MakePoint(pick(poolSize), pick(poolSize), pick(4));
            v.normal = MakePoint(pick(4), pick(poolSize), 0.0f);
            v.texCoord = Make2DPoint(pick(poolSize), pick(4));
            v.jointIndex = static_cast<int8_t>(static_cast<int>(random() % 3) - 1);
            corners.push_back(v);
        }
        SCOPED_TRACE(poolSize);
        ExpectSameAsQuadratic(corners);
    }
}

TEST(VertexTable, FullTableRefusesNewRecordsButFindsOldOnes) {
    VERTEXTABLE table;
    for (std::size_t i = 0; i < kMaxMeshVertices; ++i) table.Add(Record(static_cast<float>(i), 0, 0));
    EXPECT_EQ(table.Add(Record(-1.0f, 0, 0)), kNoVertex);
    EXPECT_EQ(table.Add(Record(65534.0f, 0, 0)), 65534);
    EXPECT_EQ(table.Count(), kMaxMeshVertices);
}

// Three groups over eight vertices: triangles 0 and 5 are the same corners,
// triangle 3 repeats triangle 2 with another normal, triangle 4 shares two
// corners with triangle 2.
ModelSpec ThreeGroups() {
    ModelSpec spec;
    for (int i = 0; i < 8; ++i) spec.vertices.push_back(testmodels::Vertex(float(i), 0, 0));
    const float up[3] = {0, 1, 0}, side[3] = {1, 0, 0};
    spec.triangles = {Triangle(0, 1, 2, up, 0, 0.125f), Triangle(2, 1, 3, up, 0, 0.125f),
                      Triangle(4, 5, 6, up, 0, 0.125f), Triangle(4, 5, 6, side, 0, 0.125f),
                      Triangle(5, 6, 7, up, 0, 0.125f), Triangle(0, 1, 2, up, 0, 0.125f)};
    spec.groups = {{{0, 1}, 0}, {{2}, -1}, {{3, 4, 5}, 1}};
    spec.materialModes = {0, 0x80};
    return spec;
}

TEST(ModelMesh, GroupsGetConsecutiveRangesOfOneIndexList) {
    std::unique_ptr<MS3D> model = testmodels::MakeModel(ThreeGroups());
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*model, 0, &mesh));
    ASSERT_EQ(mesh.groups.size(), 3u);
    const int expected[3][3] = {{0, 2, 0}, {6, 1, -1}, {9, 3, 1}};  // first index, triangles, material
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(mesh.groups[g].firstIndex, uint32_t(expected[g][0])) << g;
        EXPECT_EQ(mesh.groups[g].triangleCount, expected[g][1]) << g;
        EXPECT_EQ(mesh.groups[g].materialIndex, expected[g][2]) << g;
    }
    const std::vector<uint16_t> indices = {0, 1, 2, 2, 1, 3, 4, 5, 6, 7, 8, 9, 5, 6, 10, 0, 1, 2};
    EXPECT_EQ(mesh.indices, indices);
    EXPECT_EQ(mesh.vertices.Records()[3].texCoord.y, 0.875f) << "t is stored as 1 - t";
}

TEST(ModelMesh, RefusesBadIndicesAndMeshesBeyondSixteenBits) {
    struct Case {
        const char* name;
        std::function<void(ModelSpec&)> spoil;
    };
    const Case cases[] = {
        {"vertex index past the end", [](ModelSpec& m) { m.triangles[1].vertexIndices[2] = 8; }},
        {"triangle index past the end", [](ModelSpec& m) { m.groups[2].triangles[0] = 6; }},
        {"material index past the end", [](ModelSpec& m) { m.groups[0].material = 2; }},
        {"joint index past the skeleton", [](ModelSpec& m) { m.vertices[3].jointIndex = 2; }},
        {"joint index below -1", [](ModelSpec& m) { m.vertices[3].jointIndex = -2; }},
        {"65,536 triangles in all", [](ModelSpec& m) {
             m.groups[0].triangles.assign(40000, 0);
             m.groups[1].triangles.assign(25533, 1);
         }},
        {"65,536 distinct vertices", [](ModelSpec& m) {
             // 21,845 more triangles of three new corners each: 65,546 records.
             const float up[3] = {0, 1, 0};
             for (int i = 0; i < 21845; ++i) {
                 m.groups[1].triangles.push_back(static_cast<uint16_t>(m.triangles.size()));
                 m.triangles.push_back(Triangle(0, 1, 2, up, float(i), 0));
             }
         }},
    };
    for (const Case& c : cases) {
        ModelSpec spec = ThreeGroups();
        c.spoil(spec);
        std::unique_ptr<MS3D> model = testmodels::MakeModel(spec);
        MODELMESH mesh;
        EXPECT_FALSE(BuildModelMesh(*model, 2, &mesh)) << c.name;
        EXPECT_EQ(mesh.vertices.Count() + mesh.indices.size(), 0u) << c.name;
    }
    // At the limits themselves the mesh is built.
    ModelSpec spec = ThreeGroups();
    spec.groups[0].triangles.assign(65531, 0);  // 65,535 triangles in all
    std::unique_ptr<MS3D> model = testmodels::MakeModel(spec);
    MODELMESH mesh;
    EXPECT_TRUE(BuildModelMesh(*model, 2, &mesh));
}

TEST(ModelMesh, SharedMeshIsAcceptedOnlyWhenABuildWouldGiveTheSame) {
    ModelSpec spec = ThreeGroups();
    spec.vertices[0].position[1] = -0.0f;  // seen first in triangle 0, again in triangle 5
    std::unique_ptr<MS3D> source = testmodels::MakeModel(spec);
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*source, 1, &mesh));
    struct Case {
        const char* name;
        std::function<void(ModelSpec&)> change;
        bool matches;
    };
    const Case cases[] = {
        {"the same model", [](ModelSpec&) {}, true},
        {"a normal changed", [](ModelSpec& m) { m.triangles[4].normals[1][0] = 0.5f; }, false},
        {"two records become equal", [](ModelSpec& m) { std::swap(m.triangles[3].normals[0][0], m.triangles[3].normals[0][1]); }, false},
        {"a group's material changed", [](ModelSpec& m) { m.groups[1].material = 0; }, false},
        {"a triangle moved to the next group", [](ModelSpec& m) { m.groups[0].triangles = {0}; m.groups[1].triangles = {1, 2}; }, false},
        {"the sign of a zero changed", [](ModelSpec& m) { m.vertices[0].position[1] = 0.0f; }, false},
        {"a joint index changed", [](ModelSpec& m) { m.vertices[7].jointIndex = 0; }, false},
    };
    for (const Case& c : cases) {
        ModelSpec changed = spec;
        c.change(changed);
        std::unique_ptr<MS3D> model = testmodels::MakeModel(changed);
        EXPECT_EQ(MeshMatchesModel(mesh, *model, 1), c.matches) << c.name;
    }
}

}  // namespace

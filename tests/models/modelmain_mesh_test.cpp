// The mesh an instance draws: corner de-duplication against the plain quadratic
// rule, group ranges, the 16-bit limits and bad indices, and the check that
// decides whether an instance may share the template's mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "TestModels.h"
#include "models/ModelMainMesh.h"

namespace {

using testmodels::GroupSpec;
using testmodels::ModelSpec;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

MODELVERTEX Record(float x, float nx, float s, float t, int8_t joint = 0) {
    MODELVERTEX v;
    v.position = MakePoint(x, 1.0f, 2.0f);
    v.normal = MakePoint(nx, 0.0f, 1.0f);
    v.texCoord = Make2DPoint(s, t);
    v.jointIndex = joint;
    return v;
}

// The rule as first written: search every record, append when none matches.
struct QuadraticBuffer {
    std::vector<MODELVERTEX> records;
    uint16_t Add(const MODELVERTEX& v) {
        for (std::size_t i = 0; i < records.size(); ++i)
            if (SameVertex(records[i], v)) return static_cast<uint16_t>(i);
        records.push_back(v);
        return static_cast<uint16_t>(records.size() - 1);
    }
};

bool SameBytes(const MODELVERTEX& a, const MODELVERTEX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Adds every corner to both and expects the same indices and the same records, bit for bit.
void ExpectSameAsQuadratic(const std::vector<MODELVERTEX>& corners) {
    VERTEXTABLE table;
    QuadraticBuffer reference;
    for (std::size_t i = 0; i < corners.size(); ++i)
        ASSERT_EQ(table.Add(corners[i]), reference.Add(corners[i])) << "corner " << i;
    ASSERT_EQ(table.Count(), reference.records.size());
    for (std::size_t i = 0; i < reference.records.size(); ++i)
        EXPECT_TRUE(SameBytes(table.Records()[i], reference.records[i])) << "record " << i;
}

TEST(VertexTable, MergesExactlyWhatTheQuadraticRuleMerges) {
    struct Case {
        const char* name;
        std::vector<MODELVERTEX> corners;
        std::vector<uint16_t> expected;
    };
    const std::vector<Case> cases = {
        {"same corner merged", {Record(1, 0, 0.5f, 0.5f), Record(1, 0, 0.5f, 0.5f)}, {0, 0}},
        {"other normal kept apart", {Record(1, 0, 0.5f, 0.5f), Record(1, 1, 0.5f, 0.5f)}, {0, 1}},
        {"other s kept apart", {Record(1, 0, 0.5f, 0.5f), Record(1, 0, 0.25f, 0.5f)}, {0, 1}},
        {"other joint kept apart", {Record(1, 0, 0, 0, 0), Record(1, 0, 0, 0, -1)}, {0, 1}},
        {"-0 equals +0", {Record(0.0f, -0.0f, 0, 0), Record(-0.0f, 0.0f, -0.0f, 0)}, {0, 0}},
        {"NaN never equal", {Record(kNaN, 0, 0, 0), Record(kNaN, 0, 0, 0), Record(1, 0, 0, 0)}, {0, 1, 2}},
        {"NaN texcoord then a plain one", {Record(1, 0, kNaN, 0), Record(1, 0, 0, 0), Record(1, 0, 0, 0)}, {0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VERTEXTABLE table;
        std::vector<uint16_t> got;
        for (const MODELVERTEX& v : c.corners) got.push_back(table.Add(v));
        EXPECT_EQ(got, c.expected);
        ExpectSameAsQuadratic(c.corners);
    }
    // The record keeps the bits of its first corner: -0 stays -0.
    VERTEXTABLE table;
    table.Add(Record(-0.0f, 0, 0, 0));
    table.Add(Record(0.0f, 0, 0, 0));
    EXPECT_TRUE(std::signbit(table.Records()[0].position.x));
}

TEST(VertexTable, RandomMeshesMatchTheQuadraticRule) {
    // Values from a small pool, so corners collide often; the pool includes both
    // zeros and NaN. Enough corners to make the table rehash several times.
    const float pool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, kNaN, 1e-30f, 3.25f};
    std::mt19937 random(1234);
    auto pick = [&](int limit) { return pool[random() % limit]; };
    for (int trial = 0; trial < 4; ++trial) {
        SCOPED_TRACE(trial);
        const int poolSize = trial == 0 ? 5 : 8;  // trial 0 without NaN
        std::vector<MODELVERTEX> corners;
        for (int i = 0; i < 6000; ++i) {
            MODELVERTEX v;
            v.position = MakePoint(pick(poolSize), pick(poolSize), pick(4));
            v.normal = MakePoint(pick(4), pick(poolSize), 0.0f);
            v.texCoord = Make2DPoint(pick(poolSize), pick(4));
            v.jointIndex = static_cast<int8_t>(static_cast<int>(random() % 3) - 1);
            corners.push_back(v);
        }
        ExpectSameAsQuadratic(corners);
    }
}

TEST(VertexTable, RefusesTheRecordBeyondTheSixteenBitLimit) {
    VERTEXTABLE table;
    for (std::size_t i = 0; i < kMaxMeshVertices; ++i)
        ASSERT_EQ(table.Add(Record(static_cast<float>(i), 0, 0, 0)), i);
    EXPECT_EQ(table.Add(Record(-1.0f, 0, 0, 0)), kNoVertex);
    EXPECT_EQ(table.Count(), kMaxMeshVertices);
    EXPECT_EQ(table.Add(Record(65534.0f, 0, 0, 0)), 65534);  // existing records are still found
    EXPECT_EQ(table.Add(Record(0.0f, 0, 0, 0)), 0);
}

// Three groups of two, one and three triangles over six distinct triangles,
// some sharing corners.
ModelSpec ThreeGroups() {
    ModelSpec spec;
    for (int i = 0; i < 8; ++i) spec.vertices.push_back(testmodels::Vertex(float(i), 0, 0, -1));
    const float up[3] = {0, 1, 0}, side[3] = {1, 0, 0};
    // Each vertex has one texture coordinate wherever it is used.
    auto tri = [&](uint16_t a, uint16_t b, uint16_t c, const float* normal) {
        const float s[3] = {a / 8.0f, b / 8.0f, c / 8.0f};
        const float t[3] = {a / 16.0f, b / 16.0f, c / 16.0f};
        return testmodels::Triangle(a, b, c, normal, s, t);
    };
    spec.triangles = {tri(0, 1, 2, up), tri(2, 1, 3, up), tri(4, 5, 6, up),
                      tri(4, 5, 6, side), tri(5, 6, 7, up), tri(0, 1, 2, up)};
    spec.groups = {GroupSpec{{0, 1}, 0}, GroupSpec{{2}, -1}, GroupSpec{{3, 4, 5}, 1}};
    spec.materialModes = {0, 0x80};
    return spec;
}

TEST(ModelMesh, GroupsGetConsecutiveRangesOfTheIndexList) {
    std::unique_ptr<MS3D> model = testmodels::MakeModel(ThreeGroups());
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*model, 0, &mesh));
    ASSERT_EQ(mesh.groups.size(), 3u);
    const uint32_t first[] = {0, 6, 9};
    const uint16_t counts[] = {2, 1, 3};
    const int8_t materials[] = {0, -1, 1};
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(mesh.groups[g].firstIndex, first[g]) << g;
        EXPECT_EQ(mesh.groups[g].triangleCount, counts[g]) << g;
        EXPECT_EQ(mesh.groups[g].materialIndex, materials[g]) << g;
    }
    // Every index names the record of its corner; texture t is stored as 1 - t.
    ASSERT_EQ(mesh.indices.size(), 18u);
    std::size_t p = 0;
    for (int g = 0; g < model->numGroups; ++g) {
        for (int i = 0; i < model->groups[g].triangleCount; ++i) {
            const MS3D_TRIANGLE& tri = model->triangles[model->groups[g].triangleIndices[i]];
            for (int c = 0; c < 3; ++c, ++p) {
                const MODELVERTEX& record = mesh.vertices.Records()[mesh.indices[p]];
                EXPECT_EQ(record.position.x, model->vertices[tri.vertexIndices[c]].position[0]);
                EXPECT_EQ(record.normal.x, tri.normals[c][0]);
                EXPECT_EQ(record.texCoord.y, 1.0f - tri.t[c]);
            }
        }
    }
    // Triangles 0 and 5 are the same corners: they share records. Triangle 3
    // repeats triangle 2 with another normal: new records.
    EXPECT_EQ(std::vector<uint16_t>(mesh.indices.begin(), mesh.indices.begin() + 3),
              std::vector<uint16_t>(mesh.indices.begin() + 15, mesh.indices.end()));
    EXPECT_EQ(mesh.vertices.Count(), 11u);  // 4 + 3 + 3 + 1
}

TEST(ModelMesh, RefusesBadIndicesAndMeshesBeyondSixteenBits) {
    struct Case {
        const char* name;
        void (*spoil)(ModelSpec&);
        int jointCount;
    };
    const Case cases[] = {
        {"vertex index past the end", [](ModelSpec& m) { m.triangles[1].vertexIndices[2] = 8; }, 0},
        {"triangle index past the end", [](ModelSpec& m) { m.groups[2].triangles[0] = 6; }, 0},
        {"material index past the end", [](ModelSpec& m) { m.groups[0].material = 2; }, 0},
        {"material index below -1", [](ModelSpec& m) { m.groups[0].material = -2; }, 0},
        {"joint index past the skeleton", [](ModelSpec& m) { m.vertices[3].jointIndex = 2; }, 2},
        {"joint index below -1", [](ModelSpec& m) { m.vertices[3].jointIndex = -2; }, 2},
        {"more than 65,535 triangles in all",
         [](ModelSpec& m) {
             m.groups[0].triangles.assign(40000, 0);
             m.groups[1].triangles.assign(25536, 1);
         },
         0},
    };
    {
        std::unique_ptr<MS3D> good = testmodels::MakeModel(ThreeGroups());
        MODELMESH mesh;
        EXPECT_TRUE(BuildModelMesh(*good, 2, &mesh));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelSpec spec = ThreeGroups();
        c.spoil(spec);
        std::unique_ptr<MS3D> model = testmodels::MakeModel(spec);
        MODELMESH mesh;
        EXPECT_FALSE(BuildModelMesh(*model, c.jointCount, &mesh));
        EXPECT_EQ(mesh.vertices.Count(), 0u);
        EXPECT_TRUE(mesh.indices.empty());
    }
}

TEST(ModelMesh, RefusesMoreThan65535DistinctVertices) {
    // One position, but every corner its own texture coordinate. 21,845 triangles
    // make exactly 65,535 records; one more triangle is too many.
    for (int triangles : {21845, 21846}) {
        ModelSpec spec;
        spec.vertices.push_back(testmodels::Vertex(0, 0, 0));
        const float up[3] = {0, 1, 0}, t[3] = {0, 0, 0};
        GroupSpec group;
        for (int i = 0; i < triangles; ++i) {
            const float s[3] = {3.0f * i, 3.0f * i + 1, 3.0f * i + 2};
            spec.triangles.push_back(testmodels::Triangle(0, 0, 0, up, s, t));
            group.triangles.push_back(static_cast<uint16_t>(i));
        }
        spec.groups.push_back(group);
        std::unique_ptr<MS3D> model = testmodels::MakeModel(spec);
        MODELMESH mesh;
        EXPECT_EQ(BuildModelMesh(*model, 0, &mesh), triangles == 21845) << triangles;
    }
}

TEST(ModelMesh, SharedMeshIsAcceptedOnlyWhenABuildWouldGiveTheSame) {
    ModelSpec spec = ThreeGroups();
    spec.vertices[0].position[1] = -0.0f;  // first seen in triangle 0, again in triangle 5
    std::unique_ptr<MS3D> source = testmodels::MakeModel(spec);
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*source, 0, &mesh));

    struct Case {
        const char* name;
        void (*change)(ModelSpec&);
        bool matches;
    };
    const Case cases[] = {
        {"the same model", [](ModelSpec&) {}, true},
        {"a normal changed", [](ModelSpec& m) { m.triangles[4].normals[1][0] = 0.5f; }, false},
        {"two records become equal", [](ModelSpec& m) { m.triangles[3].normals[0][0] = 0; m.triangles[3].normals[0][1] = 1; }, false},
        {"a group's material changed", [](ModelSpec& m) { m.groups[1].material = 0; }, false},
        {"a triangle moved to another group", [](ModelSpec& m) { m.groups[0].triangles.pop_back(); m.groups[1].triangles.insert(m.groups[1].triangles.begin(), 1); }, false},
        {"the sign of a zero changed", [](ModelSpec& m) { m.vertices[0].position[1] = 0.0f; }, false},
        {"a joint index changed", [](ModelSpec& m) { m.vertices[7].jointIndex = 0; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelSpec changed = spec;
        c.change(changed);
        std::unique_ptr<MS3D> model = testmodels::MakeModel(changed);
        EXPECT_EQ(MeshMatchesModel(mesh, *model, 1), c.matches);
        // Whenever the check says yes, a fresh build really is identical.
        MODELMESH fresh;
        if (c.matches && BuildModelMesh(*model, 1, &fresh)) {
            EXPECT_EQ(fresh.indices, mesh.indices);
            ASSERT_EQ(fresh.vertices.Count(), mesh.vertices.Count());
            for (std::size_t i = 0; i < fresh.vertices.Count(); ++i)
                EXPECT_TRUE(SameBytes(fresh.vertices.Records()[i], mesh.vertices.Records()[i]));
        }
    }
}

}  // namespace

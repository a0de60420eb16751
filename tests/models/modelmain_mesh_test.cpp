// The mesh an instance draws: corner de-duplication against the plain quadratic
// rule, group ranges, refusals (bad indices, 16-bit limits), and the check that
// decides whether an instance may share the template's mesh.
#include <cstring>
#include <limits>
#include <random>

#include "TestModels.h"
#include "models/ModelMainMesh.h"

namespace {

using namespace testmodels;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

MODELVERTEX Record(float x, float nx, float s, int8_t joint = 0) {
    MODELVERTEX v;
    v.position = MakePoint(x, 1.0f, 2.0f);
    v.normal = MakePoint(nx, 0.0f, 1.0f);
    v.texCoord = Make2DPoint(s, 0.5f);
    v.jointIndex = joint;
    return v;
}

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
        EXPECT_EQ(std::memcmp(&table.Records()[i], &reference[i], sizeof reference[i]), 0) << "record " << i;
    return indices;
}

TEST(VertexTable, MergesExactlyWhatTheQuadraticRuleMerges) {
    const struct { const char* name; std::vector<MODELVERTEX> corners; std::vector<uint16_t> expected; } cases[] = {
        {"same corner merged", {Record(1, 0, 0.5f), Record(1, 0, 0.5f)}, {0, 0}},
        {"other normal kept apart", {Record(1, 0, 0.5f), Record(1, 1, 0.5f)}, {0, 1}},
        {"other s kept apart", {Record(1, 0, 0.5f), Record(1, 0, 0.25f)}, {0, 1}},
        {"other joint kept apart", {Record(1, 0, 0, 0), Record(1, 0, 0, -1)}, {0, 1}},
        {"-0 equals +0, first bits kept", {Record(-0.0f, 0.0f, 0), Record(0.0f, -0.0f, -0.0f)}, {0, 0}},
        {"NaN never equal", {Record(kNaN, 0, 0), Record(kNaN, 0, 0), Record(1, 0, 0), Record(1, 0, 0)}, {0, 1, 2, 2}},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpectSameAsQuadratic(c.corners), c.expected) << c.name;

    // Random corners from a small pool of values (both zeros, NaN), so that they
    // collide often; enough of them to make the table grow several times.
    const float pool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 1e-30f, 3.25f, kNaN};
    std::mt19937 random(1234);
    for (int poolSize : {7, 8}) {
        auto pick = [&](int n) { return pool[random() % n]; };
        std::vector<MODELVERTEX> corners(6000);
        for (MODELVERTEX& v : corners) {
            v.position = MakePoint(pick(poolSize), pick(poolSize), pick(4));
            v.normal = MakePoint(pick(4), pick(poolSize), 0.0f);
            v.texCoord = Make2DPoint(pick(poolSize), pick(4));
            v.jointIndex = static_cast<int8_t>(int(random() % 3) - 1);
        }
        SCOPED_TRACE(poolSize);
        ExpectSameAsQuadratic(corners);
    }
}

TEST(VertexTable, FullTableRefusesNewRecordsButFindsOldOnes) {
    VERTEXTABLE table;
    for (std::size_t i = 0; i < kMaxMeshVertices; ++i) table.Add(Record(float(i), 0, 0));
    EXPECT_EQ(table.Add(Record(-1.0f, 0, 0)), kNoVertex);
    EXPECT_EQ(table.Add(Record(65534.0f, 0, 0)), 65534);
    EXPECT_EQ(table.Count(), kMaxMeshVertices);
}

// Three groups over eight vertices: triangles 0 and 5 are the same corners,
// triangle 3 repeats triangle 2 with another normal, triangle 4 shares two
// corners with triangle 2.
MS3DData ThreeGroups() {
    MS3DData d;
    for (int i = 0; i < 8; ++i) d.vertices.push_back(Vertex(float(i), 0, 0));
    const std::array<float, 3> up = {0, 1, 0}, side = {1, 0, 0};
    d.triangles = {Triangle(0, 1, 2, up, 0, 0.125f), Triangle(2, 1, 3, up, 0, 0.125f),
                   Triangle(4, 5, 6, up, 0, 0.125f), Triangle(4, 5, 6, side, 0, 0.125f),
                   Triangle(5, 6, 7, up, 0, 0.125f), Triangle(0, 1, 2, up, 0, 0.125f)};
    d.groups.resize(3);
    d.groups[0].triangleIndices = {0, 1};
    d.groups[0].materialIndex = 0;
    d.groups[1].triangleIndices = {2};
    d.groups[2].triangleIndices = {3, 4, 5};
    d.groups[2].materialIndex = 1;
    d.materials.resize(2);
    return d;
}

TEST(ModelMesh, GroupsGetConsecutiveRangesOfOneIndexList) {
    const std::unique_ptr<MS3D> model = Load(ThreeGroups());
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*model, 0, &mesh));
    ASSERT_EQ(mesh.groups.size(), 3u);
    const int expected[3][3] = {{0, 2, 0}, {6, 1, -1}, {9, 3, 1}};  // first index, triangles, material
    for (int g = 0; g < 3; ++g) {
        const MODELGROUP& group = mesh.groups[g];
        EXPECT_EQ(std::make_tuple(int(group.firstIndex), int(group.triangleCount), int(group.materialIndex)),
                  std::make_tuple(expected[g][0], expected[g][1], expected[g][2])) << g;
    }
    const std::vector<uint16_t> indices = {0, 1, 2, 2, 1, 3, 4, 5, 6, 7, 8, 9, 5, 6, 10, 0, 1, 2};
    EXPECT_EQ(mesh.indices, indices);
    EXPECT_EQ(mesh.vertices.Records()[3].texCoord.y, 0.875f) << "t is stored as 1 - t";
}

TEST(ModelMesh, RefusesBadIndicesAndMeshesBeyondSixteenBits) {
    const struct {
        const char* name;
        void (*grow)(MS3DData&);  // before reading, for what a file may hold
        void (*spoil)(MS3D&);     // after reading, for what the reader refuses
    } cases[] = {
        {"vertex index past the end", nullptr, [](MS3D& m) { m.triangles[1].vertexIndices[2] = 8; }},
        {"triangle index past the end", nullptr, [](MS3D& m) { m.groups[2].triangleIndices[0] = 6; }},
        {"material index past the end", nullptr, [](MS3D& m) { m.groups[0].materialIndex = 2; }},
        {"joint index past the skeleton", nullptr, [](MS3D& m) { m.vertices[3].jointIndex = 2; }},
        {"joint index below -1", nullptr, [](MS3D& m) { m.vertices[3].jointIndex = -2; }},
        {"65,536 triangles in all",
         [](MS3DData& d) {
             d.groups[0].triangleIndices.assign(40000, 0);
             d.groups[1].triangleIndices.assign(25533, 1);
         },
         nullptr},
        {"65,536 distinct vertices",  // 21,845 more triangles of three new corners: 65,546 records
         [](MS3DData& d) {
             for (int i = 0; i < 21845; ++i) {
                 d.groups[1].triangleIndices.push_back(uint16_t(d.triangles.size()));
                 d.triangles.push_back(Triangle(0, 1, 2, {0, 1, 0}, float(i), 0));
             }
         },
         nullptr},
    };
    for (const auto& c : cases) {
        MS3DData data = ThreeGroups();
        if (c.grow) c.grow(data);
        const std::unique_ptr<MS3D> model = Load(data);
        if (c.spoil) c.spoil(*model);
        MODELMESH mesh;
        EXPECT_FALSE(BuildModelMesh(*model, 2, &mesh)) << c.name;
        EXPECT_EQ(mesh.vertices.Count() + mesh.indices.size() + mesh.groups.size(), 0u) << c.name;
    }
    MS3DData data = ThreeGroups();  // at the limit itself the mesh is built
    data.groups[0].triangleIndices.assign(65531, 0);  // 65,535 triangles in all
    MODELMESH mesh;
    EXPECT_TRUE(BuildModelMesh(*Load(data), 2, &mesh));
}

TEST(ModelMesh, SharedMeshIsAcceptedOnlyWhenABuildWouldGiveTheSame) {
    MS3DData data = ThreeGroups();
    data.vertices[0].position[1] = -0.0f;  // seen first in triangle 0, again in triangle 5
    MODELMESH mesh;
    ASSERT_TRUE(BuildModelMesh(*Load(data), 1, &mesh));
    const struct {
        const char* name;
        void (*change)(MS3D&);
        bool matches;
        void (*changeMesh)(MODELMESH&) = nullptr;
    } cases[] = {
        {"the same model", [](MS3D&) {}, true},
        {"a record nobody uses added to the mesh", [](MS3D&) {}, false,
         [](MODELMESH& m) { m.vertices.Add(Record(42.0f, 0, 0)); }},
        {"a normal changed", [](MS3D& m) { m.triangles[4].normals[1][0] = 0.5f; }, false},
        {"two records become equal", [](MS3D& m) { std::swap(m.triangles[3].normals[0][0], m.triangles[3].normals[0][1]); }, false},
        {"a group's material changed", [](MS3D& m) { m.groups[1].materialIndex = 0; }, false},
        {"a triangle moved to the next group",
         [](MS3D& m) {
             m.groups[0].triangleCount = 1;
             m.groups[1].triangleCount = 2;
             m.groups[1].triangleIndices.reset(new uint16_t[2]{1, 2});
         },
         false},
        {"the sign of a zero changed", [](MS3D& m) { m.vertices[0].position[1] = 0.0f; }, false},
        {"a joint index changed", [](MS3D& m) { m.vertices[7].jointIndex = 0; }, false},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<MS3D> model = Load(data);
        c.change(*model);
        MODELMESH shared = mesh;
        if (c.changeMesh) c.changeMesh(shared);
        EXPECT_EQ(MeshMatchesModel(shared, *model, 1), c.matches) << c.name;
    }
}

}  // namespace

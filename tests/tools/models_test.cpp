// The generated models, read back with the saver's own loaders and posed with
// its own skeleton: the sky meets the fog and covers every direction, the
// ground is flat wherever camels walk, carries its landmarks, holds its water
// in its basin and has no cracks, and the camel walks on its feet without
// sliding. Below them, the tools they are made with: closed, outward-facing
// lofts, export limits, periodic noise, pictures that tile, and a colour key
// confined to the fringe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CamelAtlas.h"
#include "GLFixture.h"
#include "Generators.h"
#include "GroundScene.h"
#include "MeshBuilder.h"
#include "NoiseField.h"
#include "SkyDome.h"
#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

namespace {

// ---- The files, each generated the first time a test asks for it -------------------

const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/sandmere-models-XXXXXX";
        if (!::mkdtemp(pattern)) return std::string();
        std::string dir = pattern;
        // Outlives the static strings, which are destroyed before this runs.
        static const char* const removal = strdup(("rm -rf '" + dir + "'").c_str());
        std::atexit([] { std::system(removal); });
        return dir;
    }();
    return folder;
}

bool Generated(const std::string& name) {
    static std::map<std::string, bool> made;
    auto found = made.find(name);
    if (found != made.end()) return found->second;
    const std::string path = Folder() + "/" + name;
    bool ok = !Folder().empty() && (name == "s.kst"   ? GenerateSky(path)
                                    : name == "g.kst" ? GenerateGround(path)
                                                      : GenerateCamel(path));
    return made[name] = ok;
}

struct Loaded {
    std::unique_ptr<MS3D> model = std::make_unique<MS3D>();
    Texture* textures = nullptr;
    int textureCount = 0;
    bool ok = false;
    explicit Loaded(const char* name) {
        std::string path = Folder() + "/" + name;
        ok = Generated(name) && LoadModel(path.c_str(), model.get(), &textures, &textureCount);
    }
    ~Loaded() { delete[] textures; }
};

// ---- Walkways: the leader's route and the roaming zones ------------------------

struct Point2 {
    float x, z;
};
const Point2 kRoute[17] = {
    {266.304f, 536.696f},   {-60.152f, 480.924f},   {25.696f, 25.696f},     {150.234f, -330.69f},
    {-188.924f, -403.69f},  {-276.538f, -283.386f}, {-220.696f, 425.152f},  {-566.772f, 463.696f},
    {-566.772f, -369.234f}, {-648.386f, -498.152f}, {-644.152f, -626.924f}, {-416.538f, -584.0f},
    {429.386f, -416.538f},  {489.538f, -292.0f},    {502.386f, -81.614f},   {416.538f, 261.924f},
    {356.386f, 356.386f},
};
const float kZones[4][4] = {  // min x, min z, max x, max z
    {-416, -369, -232, 476},
    {-75, 30, 62, 378},
    {-401, -639, 206, -377},
    {-672, -389, -571, 426}};
constexpr float kMargin = 20.0f;

// ---- Heights of a triangle mesh seen from above ----------------------------------

// The highest surface over a point, found through buckets of triangles by
// their extent in x and z.
class Heights {
public:
    explicit Heights(const MS3D& m) {
        for (int t = 0; t < m.numTriangles; ++t) {
            Tri tri;
            for (int c = 0; c < 3; ++c) {
                const float* p = m.vertices[m.triangles[t].vertexIndices[c]].position;
                tri.p[c][0] = p[0], tri.p[c][1] = p[1], tri.p[c][2] = p[2];
            }
            tris_.push_back(tri);
        }
        for (std::size_t i = 0; i < tris_.size(); ++i) {
            const Tri& t = tris_[i];
            int x0 = Cell(std::min({t.p[0][0], t.p[1][0], t.p[2][0]})),
                x1 = Cell(std::max({t.p[0][0], t.p[1][0], t.p[2][0]}));
            int z0 = Cell(std::min({t.p[0][2], t.p[1][2], t.p[2][2]})),
                z1 = Cell(std::max({t.p[0][2], t.p[1][2], t.p[2][2]}));
            for (int z = z0; z <= z1; ++z)
                for (int x = x0; x <= x1; ++x) buckets_[z * kCells + x].push_back(i);
        }
    }
    // NaN when nothing covers the point.
    float At(float x, float z) const {
        float best = std::numeric_limits<float>::quiet_NaN();
        for (std::size_t i : buckets_[Cell(z) * kCells + Cell(x)]) {
            const Tri& t = tris_[i];
            float ax = t.p[0][0], az = t.p[0][2], bx = t.p[1][0], bz = t.p[1][2], cx = t.p[2][0], cz = t.p[2][2];
            float d = (bz - cz) * (ax - cx) + (cx - bx) * (az - cz);
            if (std::fabs(d) < 1e-9f) continue;
            float u = ((bz - cz) * (x - cx) + (cx - bx) * (z - cz)) / d;
            float v = ((cz - az) * (x - cx) + (ax - cx) * (z - cz)) / d;
            float w = 1.0f - u - v;
            const float e = -1e-5f;
            if (u < e || v < e || w < e) continue;
            float y = u * t.p[0][1] + v * t.p[1][1] + w * t.p[2][1];
            if (!(best >= y)) best = y;
        }
        return best;
    }

private:
    struct Tri {
        float p[3][3];
    };
    static constexpr int kCells = 400;
    static constexpr float kSpan = 4000.0f;
    static int Cell(float c) { return std::clamp(static_cast<int>((c + kSpan / 2) / kSpan * kCells), 0, kCells - 1); }
    std::vector<Tri> tris_;
    std::vector<std::vector<std::size_t>> buckets_ = std::vector<std::vector<std::size_t>>(kCells * kCells);
};

using ModelsTest = GLTest;

// ---- Sky ---------------------------------------------------------------------------

class SkyTest : public GLTest {
protected:
    // Draws the dome as the scene does (scale 30, unlit, unfogged, back faces
    // culled), from the centre, looking at a heading and pitch in degrees,
    // with a 90-degree square view, over a magenta background.
    void Look(Loaded& sky, float heading, float pitch) {
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.5, 0.5, -0.5, 0.5, 0.5, 3000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(-pitch, 1, 0, 0);
        glRotatef(-heading, 0, 1, 0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        for (int g = 0; g < 2; ++g) {
            glBindTexture(GL_TEXTURE_2D, sky.textures[g].textureName);
            sky.model->DrawGroup(g);
        }
    }
    // The row of the 256-pixel view at an elevation, looking level.
    static int Row(float degrees) {
        return static_cast<int>(128.0f + 128.0f * std::tan(degrees * 3.14159265f / 180.0f));
    }
};

TEST_F(SkyTest, HasTwoTexturedGroups) {
    Loaded sky("s.kst");
    ASSERT_TRUE(sky.ok);
    EXPECT_GE(sky.model->numGroups, 2);
    ASSERT_GE(sky.textureCount, 2);
    for (int i = 0; i < 2; ++i) EXPECT_NE(sky.textures[i].textureName, 0u) << "texture " << i;
}

TEST_F(SkyTest, HorizonIsTheFogGreyAndTheZenithBlue) {
    Loaded sky("s.kst");
    ASSERT_TRUE(sky.ok);
    sky.model->Scale(30.0f);
    for (float heading : {0.0f, 90.0f, 180.0f, 270.0f}) {
        Look(sky, heading, 0.0f);
        for (float below : {-1.5f, -10.0f, -25.0f}) {
            auto p = PixelAt(128, Row(below));
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], 179, 2) << "heading " << heading << " at " << below;
        }
        auto high = PixelAt(128, Row(38.0f));
        EXPECT_GT(high[2], high[0] + 30) << "heading " << heading;
        // The horizon band and the dome meet without a step.
        auto under = PixelAt(128, Row(7.4f)), over = PixelAt(128, Row(8.6f));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(under[c], over[c], 4) << "heading " << heading;
    }
}

TEST_F(SkyTest, CoversEveryDirectionAboveTheSkirt) {
    Loaded sky("s.kst");
    ASSERT_TRUE(sky.ok);
    sky.model->Scale(30.0f);
    struct View {
        float heading, pitch;
        int firstRow;  // rows below lie under the skirt, where the ground is
    } views[] = {{0, 0, Row(-25)}, {90, 0, Row(-25)}, {180, 0, Row(-25)}, {270, 0, Row(-25)}, {0, 90, 0}};
    for (const View& v : views) {
        Look(sky, v.heading, v.pitch);
        int holes = 0;
        for (int y = v.firstRow; y < kHeight; y += 3)
            for (int x = 0; x < kWidth; x += 3) {
                auto p = PixelAt(x, y);
                if (p[0] == 255 && p[1] == 0 && p[2] == 255) ++holes;
            }
        EXPECT_EQ(holes, 0) << "heading " << v.heading << " pitch " << v.pitch;
    }
}

// ---- Ground -------------------------------------------------------------------------

TEST_F(ModelsTest, GroundIsUnboundAndMarksLandmarksWithGeometry) {
    Loaded ground("g.kst");
    ASSERT_TRUE(ground.ok);
    MS3D& m = *ground.model;
    for (int v = 0; v < m.numVertices; ++v) ASSERT_EQ(m.vertices[v].jointIndex, -1) << "vertex " << v;
    ASSERT_GE(m.numJoints, 6);
    m.Scale(146.0f);
    m.InitialSetup();
    // Each landmark but joint 0 stands on a flat pad; something must rise
    // from the pad near its mark.
    for (int j = 1; j < m.numJoints; ++j) {
        VECTOR3D mark = MatrixPointMultiply(m.skeleton[j].absolute, MakePoint(0, 0, 0));
        EXPECT_GT(std::hypot(mark.x, mark.z), 50.0f) << "landmark " << j << " sits on the walkways' middle";
        bool rises = false;
        for (int v = 0; v < m.numVertices && !rises; ++v) {
            const float* p = m.vertices[v].position;
            rises = p[1] > 2.0f && std::hypot(p[0] - mark.x, p[2] - mark.z) < 90.0f;
        }
        EXPECT_TRUE(rises) << "landmark " << j << " has no geometry near it";
    }
}

TEST_F(ModelsTest, FloorIsFlatWhereCamelsWalkAndReachesTheSky) {
    Loaded ground("g.kst");
    ASSERT_TRUE(ground.ok);
    ground.model->Scale(146.0f);
    const Heights floor(*ground.model);
    int checked = 0;
    auto expectFlat = [&](float x, float z, const char* where) {
        float h = floor.At(x, z);
        ASSERT_FALSE(std::isnan(h)) << where << ": no floor at " << x << ", " << z;
        ASSERT_NEAR(h, 0.0f, 0.01f) << where << " at " << x << ", " << z;
        ++checked;
    };
    for (int i = 0; i < 17; ++i) {
        Point2 a = kRoute[i], b = kRoute[(i + 1) % 17];
        float len = std::hypot(b.x - a.x, b.z - a.z);
        float nx = -(b.z - a.z) / len, nz = (b.x - a.x) / len;
        for (float s = 0; s <= len; s += 2.0f)
            for (float off = -kMargin; off <= kMargin; off += 5.0f)
                expectFlat(a.x + (b.x - a.x) * s / len + nx * off, a.z + (b.z - a.z) * s / len + nz * off, "route");
        for (float a2 = 0; a2 < 6.2832f; a2 += 0.5f)  // round each route point
            expectFlat(a.x + kMargin * std::cos(a2), a.z + kMargin * std::sin(a2), "route point");
    }
    for (const auto& z : kZones)
        for (float x = z[0] - kMargin; x <= z[2] + kMargin; x += 4.0f)
            for (float zz = z[1] - kMargin; zz <= z[3] + kMargin; zz += 4.0f) expectFlat(x, zz, "zone");
    EXPECT_GT(checked, 40000);

    // No edge shows inside the sky dome: floor at 1,450 units in every direction.
    for (int deg = 0; deg < 360; deg += 3) {
        float a = deg * 3.14159265f / 180.0f;
        EXPECT_FALSE(std::isnan(floor.At(1450.0f * std::cos(a), 1450.0f * std::sin(a)))) << deg << " degrees";
    }
}

// ---- Camel --------------------------------------------------------------------------

class CamelTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        camelFile = std::make_unique<Loaded>("c.kst");  // its textures need the context SetUp made current
        ASSERT_TRUE(camelFile->ok);
        camelFile->model->Scale(0.1f);
        camelFile->model->InitialSetup();
    }
    // Poses the walk at a frame (2..26) with the model's own clock; returns
    // the posed vertex positions (world units, model space).
    std::vector<VECTOR3D> Pose(float frame) {
        MS3D& m = *camelFile->model;
        m.SetAnimation(2.0, 26.0, 1000.0, false, false);
        m.Animate((frame - 2.0f) / m.fps);
        m.UpdateSkeleton();
        m.UpdatePoints();
        std::vector<VECTOR3D> out;
        for (int v = 0; v < m.numVertices; ++v) {
            const float* p = m.vertices[v].position;
            out.push_back(MakePoint(p[0], p[1], p[2]));
        }
        m.RevertPoints();
        return out;
    }
    float Lowest(const std::vector<VECTOR3D>& pose, int joint) const {
        float low = 1e9f;
        for (std::size_t v = 0; v < pose.size(); ++v)
            if (joint < 0 || camelFile->model->vertices[v].jointIndex == joint) low = std::min(low, pose[v].y);
        return low;
    }
    std::unique_ptr<Loaded> camelFile;
};

TEST_F(CamelTest, HasCoatRunsAndEveryVertexBound) {
    MS3D& m = *camelFile->model;
    EXPECT_GE(camelFile->textureCount, 4 + m.numMaterials);
    EXPECT_GE(m.numMaterials, 1);
    for (int i = 0; i < camelFile->textureCount; ++i)
        EXPECT_NE(camelFile->textures[i].textureName, 0u) << "texture " << i;
    for (int v = 0; v < m.numVertices; ++v) {
        ASSERT_GE(m.vertices[v].jointIndex, 0) << "vertex " << v;
        ASSERT_LT(m.vertices[v].jointIndex, m.numJoints) << "vertex " << v;
    }
    for (int g = 0; g < m.numGroups; ++g) EXPECT_LT(m.groups[g].materialIndex, m.numMaterials);
}

TEST_F(CamelTest, StandsAboutTwoPointTwoTallWithARidersEyeOverTheHump) {
    MS3D& m = *camelFile->model;
    std::vector<VECTOR3D> rest = Pose(2.0f);
    float top = -1e9f;
    for (const VECTOR3D& p : rest) top = std::max(top, p.y);
    EXPECT_NEAR(top, 2.2f, 0.15f);
    VECTOR3D eye = MatrixPointMultiply(m.skeleton[0].absolute, MakePoint(0, 1.25f, 0));
    float hump = -1e9f;
    for (const VECTOR3D& p : rest)
        if (std::hypot(p.x - eye.x, p.z - eye.z) < 0.35f) hump = std::max(hump, p.y);
    EXPECT_GT(eye.y - hump, 0.05f);
    EXPECT_LT(eye.y - hump, 0.5f);
}

TEST_F(CamelTest, WalkKeysSpanTheClipAndTheCycleCloses) {
    MS3D& m = *camelFile->model;
    int keyed = 0;
    for (int j = 0; j < m.numJoints; ++j) {
        const MS3D_JOINT& joint = m.joints[j];
        if (joint.rotationKeyCount == 0) continue;
        ++keyed;
        EXPECT_LE(joint.rotationKeys[0].time, 2.0f / m.fps + 1e-4f) << "joint " << j;
        EXPECT_GE(joint.rotationKeys[joint.rotationKeyCount - 1].time, 26.0f / m.fps - 1e-4f) << "joint " << j;
    }
    EXPECT_GT(keyed, 8);
    std::vector<VECTOR3D> first = Pose(2.0f), last = Pose(26.0f), middle = Pose(14.0f);
    float change = 0.0f, moved = 0.0f;
    for (std::size_t v = 0; v < first.size(); ++v) {
        change = std::max(change, std::sqrt(static_cast<float>(DistanceBetweenVectors(first[v], last[v]))));
        moved = std::max(moved, std::sqrt(static_cast<float>(DistanceBetweenVectors(first[v], middle[v]))));
    }
    EXPECT_LT(change, 1e-3f);
    EXPECT_GT(moved, 0.3f);  // and the walk really moves in between
}

TEST_F(CamelTest, FeetStayOnTheGroundAndDoNotSlide) {
    MS3D& m = *camelFile->model;
    std::vector<int> feet;
    for (int j = 0; j < m.numJoints; ++j)
        if (std::strstr(m.joints[j].name, "foot")) feet.push_back(j);
    ASSERT_EQ(feet.size(), 4u);

    // The herd plays 500 ms of animation per second for each unit per second
    // of walking, so a planted foot must move backward (-z: the camel faces
    // +z) by 1/500 unit per millisecond of animation.
    const float step = 0.25f;  // frames
    const float stepMs = step * 1000.0f / m.fps;
    int planted = 0;
    for (float frame = 2.0f; frame + step <= 26.0f; frame += 0.5f) {
        std::vector<VECTOR3D> a = Pose(frame);
        std::vector<MATRIX> jointsA;
        for (int j : feet) jointsA.push_back(m.skeleton[j].absolute);
        std::vector<VECTOR3D> b = Pose(frame + step);
        float low = Lowest(a, -1);
        EXPECT_NEAR(low, 0.0f, 0.05f) << "frame " << frame;
        int down = 0;
        for (std::size_t k = 0; k < feet.size(); ++k) {
            if (Lowest(a, feet[k]) > 0.005f || Lowest(b, feet[k]) > 0.005f) continue;
            ++down;
            ++planted;
            float dz = static_cast<float>(m.skeleton[feet[k]].absolute.m[14] - jointsA[k].m[14]);
            float dx = static_cast<float>(m.skeleton[feet[k]].absolute.m[12] - jointsA[k].m[12]);
            EXPECT_NEAR(-dz / stepMs * 500.0f, 1.0f, 0.1f) << "foot " << k << " frame " << frame;
            EXPECT_LT(std::fabs(dx / stepMs * 500.0f), 0.1f) << "foot " << k << " frame " << frame;
        }
        EXPECT_GE(down, 1) << "no foot planted at frame " << frame;
    }
    EXPECT_GT(planted, 40);
}

// ---- Ground: water and cracks ----------------------------------------------------

int GroupNamed(const MS3D& m, const char* name) {
    for (int g = 0; g < m.numGroups; ++g)
        if (std::strncmp(m.groups[g].name, name, kMS3DNameSize) == 0) return g;
    return -1;
}

// A copy of one group as its own model, for heights of that group alone.
std::unique_ptr<MS3D> OnlyGroup(const MS3D& m, int group) {
    auto out = std::make_unique<MS3D>();
    out->numVertices = m.numVertices;
    out->vertices = new MS3D_VERTEX[m.numVertices];
    std::copy(m.vertices, m.vertices + m.numVertices, out->vertices);
    const MS3D_GROUP& g = m.groups[group];
    out->numTriangles = g.triangleCount;
    out->triangles = new MS3D_TRIANGLE[g.triangleCount];
    for (int t = 0; t < g.triangleCount; ++t) out->triangles[t] = m.triangles[g.triangleIndices[t]];
    return out;
}

TEST_F(ModelsTest, WaterLiesOnlyOverTheBasinAndTheFloorHasNoCracks) {
    Loaded ground("g.kst");
    ASSERT_TRUE(ground.ok);
    MS3D& m = *ground.model;
    m.Scale(146.0f);
    const int sand = GroupNamed(m, "sand"), water = GroupNamed(m, "water");
    ASSERT_GE(sand, 0);
    ASSERT_GE(water, 0);
    ASSERT_GT(m.groups[water].triangleCount, 10);

    // Water and sand never overlap: under every piece of water the floor is
    // below the water's surface (a 16-bit depth buffer cannot part them).
    const Heights floor(*OnlyGroup(m, sand));
    for (int i = 0; i < m.groups[water].triangleCount; ++i) {
        const MS3D_TRIANGLE& t = m.triangles[m.groups[water].triangleIndices[i]];
        float x = 0, y = 0, z = 0;
        for (int c = 0; c < 3; ++c) {
            const float* p = m.vertices[t.vertexIndices[c]].position;
            x += p[0] / 3, y += p[1] / 3, z += p[2] / 3;
        }
        float under = floor.At(x, z);
        ASSERT_FALSE(std::isnan(under));
        EXPECT_LT(under, y - 0.01f) << "water over sand at " << x << ", " << z;
    }

    // Every edge of the floor inside the sky's rim joins exactly two triangles:
    // no T-junction, no hole.
    std::vector<std::pair<uint32_t, uint32_t>> edges;
    const MS3D_GROUP& g = m.groups[sand];
    for (int i = 0; i < g.triangleCount; ++i) {
        const uint16_t* v = m.triangles[g.triangleIndices[i]].vertexIndices;
        for (int c = 0; c < 3; ++c) edges.push_back({std::min(v[c], v[(c + 1) % 3]), std::max(v[c], v[(c + 1) % 3])});
    }
    std::sort(edges.begin(), edges.end());
    int open = 0;
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t j = i;
        while (j < edges.size() && edges[j] == edges[i]) ++j;
        const float* a = m.vertices[edges[i].first].position;
        const float* b = m.vertices[edges[i].second].position;
        bool rim = std::hypot(a[0], a[2]) > 1500.0f && std::hypot(b[0], b[2]) > 1500.0f;
        if (j - i != 2 && !rim) ++open;
        i = j;
    }
    EXPECT_EQ(open, 0);
}

// ---- Mesh building ------------------------------------------------------------------

// A capped tube along +z: rings of 8, 3 of them, poles at both ends.
MeshBuilder Tube(bool inward) {
    MeshBuilder mesh;
    mesh.BeginGroup("tube", 0);
    Frame f = FrameAround(V3(0, 0, 1), V3(0, 1, 0));
    std::vector<LoftRing> rings;
    for (int i = 0; i < 3; ++i) rings.push_back(LoftRing{EllipseRing(V3(0, 0, i), f, 1.0f, 0.5f, 8), 2, i * 0.5f});
    LoftOptions o;
    o.capStart = o.capEnd = true;
    o.startPole = V3(0, 0, -1);
    o.endPole = V3(0, 0, 3);
    o.inward = inward;
    Loft(mesh, rings, o);
    return mesh;
}

TEST(MeshBuilderTest, LoftedTubeIsClosedAndFacesOutward) {
    for (bool inward : {false, true}) {
        MS3DData data;
        std::string error;
        ASSERT_TRUE(Tube(inward).Export(2.0f, &data, &error)) << error;
        EXPECT_EQ(data.vertices.size(), 3u * 8u + 2u);
        EXPECT_EQ(data.triangles.size(), 2u * 8u * 2u + 2u * 8u);
        std::vector<std::pair<int, int>> edges;
        for (const MS3DData::Triangle& t : data.triangles) {
            Vec3 p[3];
            for (int c = 0; c < 3; ++c) {
                const auto& q = data.vertices[t.vertexIndices[c]].position;
                p[c] = V3(q[0], q[1], q[2]);
                edges.push_back({std::min(t.vertexIndices[c], t.vertexIndices[(c + 1) % 3]),
                                 std::max(t.vertexIndices[c], t.vertexIndices[(c + 1) % 3])});
            }
            // The face and its smooth corner normals point away from the
            // tube's axis (toward it when built inward).
            Vec3 centre = (p[0] + p[1] + p[2]) * (1.0f / 3.0f);
            Vec3 away = centre - V3(0, 0, std::clamp(centre.z, 0.5f, 3.5f));
            float sign = inward ? -1.0f : 1.0f;
            EXPECT_GT(sign * Dot(Cross(p[1] - p[0], p[2] - p[0]), away), 0.0f);
            for (const auto& n : t.normals) {
                EXPECT_NEAR(Length(V3(n[0], n[1], n[2])), 1.0f, 1e-4f);
                EXPECT_GT(sign * Dot(V3(n[0], n[1], n[2]), away), 0.0f);
            }
        }
        std::sort(edges.begin(), edges.end());
        for (std::size_t i = 0; i < edges.size(); i += 2) {
            ASSERT_EQ(edges[i], edges[i + 1]) << "an edge not shared by exactly two faces";
            if (i + 2 < edges.size()) {
                ASSERT_NE(edges[i], edges[i + 2]);
            }
        }
    }
}

TEST(MeshBuilderTest, ExportScalesFlipsTAndBindsJoints) {
    MeshBuilder mesh;
    mesh.BeginGroup("a", 0);
    uint32_t a = mesh.AddVertex(V3(1, 2, 3), 5), b = mesh.AddVertex(V3(2, 2, 3), 5),
             c = mesh.AddVertex(V3(1, 3, 3), -1);
    mesh.AddTriangle({a, 0.25f, 0.0f}, {b, 0.5f, 0.25f}, {c, 0.75f, 1.0f});
    mesh.BeginGroup("b", 1);
    mesh.AddTriangle({a, 0, 0}, {c, 0, 0}, {b, 0, 0});
    mesh.SetCornerNormal(1, 2, V3(0, 0, 2));
    MS3DData data;
    std::string error;
    ASSERT_TRUE(mesh.Export(10.0f, &data, &error)) << error;
    EXPECT_FLOAT_EQ(data.vertices[0].position[0], 10.0f);
    EXPECT_FLOAT_EQ(data.vertices[0].position[2], 30.0f);
    EXPECT_EQ(data.vertices[0].jointIndex, 5);
    EXPECT_EQ(data.vertices[2].jointIndex, -1);
    // The saver draws t as 1 - t, so the file holds 1 - t.
    EXPECT_FLOAT_EQ(data.triangles[0].t[0], 1.0f);
    EXPECT_FLOAT_EQ(data.triangles[0].t[1], 0.75f);
    EXPECT_FLOAT_EQ(data.triangles[0].t[2], 0.0f);
    EXPECT_FLOAT_EQ(data.triangles[0].s[2], 0.75f);
    ASSERT_EQ(data.groups.size(), 2u);
    EXPECT_EQ(data.groups[1].materialIndex, 1);
    EXPECT_EQ(data.groups[1].triangleIndices, std::vector<uint16_t>{1});
    EXPECT_FLOAT_EQ(data.triangles[1].normals[2][2], 1.0f);  // set by hand, normalised
}

TEST(MeshBuilderTest, ExportRefusesWhatTheFormatCannotHold) {
    struct Case {
        const char* name;
        int vertices;
        int joint;
    } cases[] = {{"too many vertices", 65536, -1}, {"joint beyond a signed byte", 3, 128}, {"joint below -1", 3, -2}};
    for (const Case& c : cases) {
        MeshBuilder mesh;
        for (int i = 0; i < c.vertices; ++i) mesh.AddVertex(V3(0, 0, 0), c.joint);
        mesh.AddTriangle({0, 0, 0}, {1, 0, 0}, {2, 0, 0});
        MS3DData data;
        std::string error;
        EXPECT_FALSE(mesh.Export(1.0f, &data, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

// ---- Noise and pictures -----------------------------------------------------------------

TEST(NoiseTest, PeriodicNoiseWrapsExactlyAndStaysInRange) {
    for (float x : {0.0f, 0.37f, 2.5f, 6.9f}) {
        for (float y : {0.0f, 1.25f, 3.75f}) {
            EXPECT_NEAR(ValueNoise(x, y, 7, 3, 11u), ValueNoise(x + 7.0f, y - 3.0f, 7, 3, 11u), 1e-5f);
            float f = FractalNoise(x, y, 4, 0.5f, 5, 5, 3u);
            EXPECT_NEAR(f, FractalNoise(x + 5.0f, y + 10.0f, 4, 0.5f, 5, 5, 3u), 1e-5f);
            EXPECT_GE(f, 0.0f);
            EXPECT_LT(f, 1.0f);
        }
    }
    NoiseRandom a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        float u = a.Uniform(-2.0f, 3.0f);
        EXPECT_EQ(u, b.Uniform(-2.0f, 3.0f));
        EXPECT_GE(u, -2.0f);
        EXPECT_LT(u, 3.0f);
        differs |= u != c.Uniform(-2.0f, 3.0f);
    }
    EXPECT_TRUE(differs);
}

// Largest step between neighbouring pixels across the picture's wrap, and
// inside it, over a band of rows (or columns).
float Step(const Image& im, int x0, int y0, int x1, int y1) {
    float d = 0;
    for (int c = 0; c < 3; ++c) d = std::max(d, std::fabs(float(im.At(x0, y0)[c]) - float(im.At(x1, y1)[c])));
    return d;
}

void ExpectTiles(const Image& im, const char* name, bool vertically, int rowFrom = 0, int rowTo = -1) {
    if (rowTo < 0) rowTo = im.height;
    float wrap = 0, inside = 0;
    for (int y = rowFrom; y < rowTo; ++y) {
        wrap = std::max(wrap, Step(im, im.width - 1, y, 0, y));
        inside = std::max(inside, Step(im, im.width / 2 - 1, y, im.width / 2, y));
    }
    EXPECT_LE(wrap, inside + 2.0f) << name << ": seam across the left and right edges";
    if (!vertically) return;
    wrap = inside = 0;
    for (int x = 0; x < im.width; ++x) {
        wrap = std::max(wrap, Step(im, x, im.height - 1, x, 0));
        inside = std::max(inside, Step(im, x, im.height / 2 - 1, x, im.height / 2));
    }
    EXPECT_LE(wrap, inside + 2.0f) << name << ": seam across the top and bottom edges";
}

TEST(PicturesTest, RepeatingPicturesTileWithoutSeams) {
    ExpectTiles(ground::PaintSand(256), "sand", true);
    ExpectTiles(ground::PaintStone(256), "stone", true);
    ExpectTiles(ground::PaintRock(256), "rock", true);
    ExpectTiles(ground::PaintWater(128), "water", true);
    ExpectTiles(PaintHorizonBand(256, 64), "horizon band", false);
    // The coat's bands wrap round each part from one edge to the other.
    Image coat = camel::PaintCoat(camel::Coat::kTawny);
    for (camel::Band b : {camel::kFrontLegBand, camel::kHindLegBand})
        ExpectTiles(coat, "leg band", false, int(b.t0 * coat.height) + 1, int(b.t1 * coat.height) - 1);
}

TEST(PicturesTest, TheColourKeyMarksOnlyTheFringesGaps) {
    for (camel::Coat coat : {camel::Coat::kPaleSand, camel::Coat::kTawny, camel::Coat::kDarkBrown}) {
        Image tack = camel::PaintTack(coat);
        const uint8_t* key = tack.At(0, 0);
        const int fringeTop = int(camel::kFringeBand.t1 * tack.height);
        int keyed = 0, cords = 0;
        for (int y = 0; y < tack.height; ++y)
            for (int x = 0; x < tack.width; ++x) {
                const uint8_t* p = tack.At(x, y);
                bool isKey = p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
                if (y >= fringeTop) {
                    ASSERT_FALSE(isKey) << "key colour at " << x << ", " << y;
                }
                (isKey ? keyed : cords) += y < fringeTop;
            }
        EXPECT_GT(keyed, 1000);
        EXPECT_GT(cords, 1000);
    }
}

TEST(PicturesTest, DomeAndBandAgreeWhereTheyMeetAndTheBandEndsInFog) {
    const Image dome = PaintSkyDome(512), band = PaintHorizonBand(256, 64);
    const uint8_t grey = ToByte(kSkyFogGrey);
    for (int x = 0; x < band.width; x += 17) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(band.At(x, 0)[c], grey);
        // The band's top row and the dome's split circle, at the same azimuth.
        float az = 2.0f * kPi * (x + 0.5f) / band.width;
        int dx = int(256 + 512 * kSkyDomeTextureRadius * std::cos(az));
        int dy = int(256 + 512 * kSkyDomeTextureRadius * std::sin(az));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(band.At(x, band.height - 1)[c], dome.At(dx, dy)[c], 2) << x;
    }
}

}  // namespace

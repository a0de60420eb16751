// The generated models, read back with the saver's own loaders and posed with its
// own skeleton; then the tools they are made with: lofts, pictures, the colour key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
#include "SkyDome.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

namespace {

// ---- The files, each generated the first time a test asks for it -------------------

struct Loaded {
    std::unique_ptr<MS3D> model = std::make_unique<MS3D>();
    Texture* textures = nullptr;
    int textureCount = 0;
    bool ok = false;
    explicit Loaded(const std::string& name) {
        static const testfiles::TempDir folder;
        static std::map<std::string, bool> made;
        const std::string path = folder.File(name);
        if (!made.count(name))
            made[name] = name == "s.kst"   ? GenerateSky(path)
                         : name == "g.kst" ? GenerateGround(path)
                                           : GenerateCamel(path);
        ok = made[name] && LoadModel(path.c_str(), model.get(), &textures, &textureCount);
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

// The highest surface over a point (of one group, or of all), found through
// buckets of triangles by their extent in x and z.
class Heights {
public:
    explicit Heights(const MS3D& m, int group = -1) {
        const int count = group < 0 ? m.numTriangles : m.groups[group].triangleCount;
        for (int i = 0; i < count; ++i) {
            const MS3D_TRIANGLE& triangle = m.triangles[group < 0 ? i : m.groups[group].triangleIndices[i]];
            Tri t;
            for (int c = 0; c < 3; ++c) std::copy_n(m.vertices[triangle.vertexIndices[c]].position, 3, t.p[c]);
            const auto low = [&t](int k) { return Cell(std::min({t.p[0][k], t.p[1][k], t.p[2][k]})); };
            const auto high = [&t](int k) { return Cell(std::max({t.p[0][k], t.p[1][k], t.p[2][k]})); };
            for (int z = low(2); z <= high(2); ++z)
                for (int x = low(0); x <= high(0); ++x) buckets_[z * kCells + x].push_back(tris_.size());
            tris_.push_back(t);
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
            if (u < -1e-5f || v < -1e-5f || w < -1e-5f) continue;
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

// How many triangles share each edge; corner(i, c) is vertex c of triangle i.
template <typename Corner>
std::map<std::pair<int, int>, int> EdgeUses(int triangles, Corner corner) {
    std::map<std::pair<int, int>, int> uses;
    for (int i = 0; i < triangles; ++i)
        for (int c = 0; c < 3; ++c) {
            const int a = corner(i, c), b = corner(i, (c + 1) % 3);
            ++uses[{std::min(a, b), std::max(a, b)}];
        }
    return uses;
}

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

TEST_F(SkyTest, HasTwoTexturedGroupsThatMeetTheFogAndCoverEveryDirection) {
    Loaded sky("s.kst");
    ASSERT_TRUE(sky.ok);
    EXPECT_GE(sky.model->numGroups, 2);
    ASSERT_GE(sky.textureCount, 2);
    for (int i = 0; i < 2; ++i) EXPECT_NE(sky.textures[i].textureName, 0u) << "texture " << i;
    sky.model->Scale(30.0f);
    for (float heading : {0.0f, 90.0f, 180.0f, 270.0f, -1.0f}) {
        const bool up = heading < 0;  // the last view looks straight up
        SCOPED_TRACE(up ? "zenith" : "heading " + std::to_string(heading));
        Look(sky, up ? 0.0f : heading, up ? 90.0f : 0.0f);
        int holes = 0;  // rows below the skirt lie under the ground
        for (int y = up ? 0 : Row(-25); y < kHeight; y += 3)
            for (int x = 0; x < kWidth; x += 3) {
                auto p = PixelAt(x, y);
                holes += p[0] == 255 && p[1] == 0 && p[2] == 255;  // the magenta background
            }
        EXPECT_EQ(holes, 0);
        if (up) continue;
        for (float below : {-1.5f, -10.0f, -25.0f}) {
            auto p = PixelAt(128, Row(below));
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], 179, 2) << "at " << below;
        }
        auto high = PixelAt(128, Row(38.0f));
        EXPECT_GT(high[2], high[0] + 30);
        // The horizon band and the dome meet without a step.
        auto under = PixelAt(128, Row(7.4f)), over = PixelAt(128, Row(8.6f));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(under[c], over[c], 4);
    }
}

// ---- Ground -------------------------------------------------------------------------

// The ground at the scene's scale of 146.
class GroundTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ground = std::make_unique<Loaded>("g.kst");  // its textures need the context SetUp made current
        ASSERT_TRUE(ground->ok);
        MS3D& m = *ground->model;
        for (int v = 0; v < m.numVertices; ++v) ASSERT_EQ(m.vertices[v].jointIndex, -1) << "vertex " << v;
        m.Scale(146.0f);
    }
    std::unique_ptr<Loaded> ground;
};

TEST_F(GroundTest, MarksLandmarksWithGeometry) {
    MS3D& m = *ground->model;
    ASSERT_GE(m.numJoints, 6);
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

TEST_F(GroundTest, FloorIsFlatWhereCamelsWalkAndReachesTheSky) {
    MS3D& m = *ground->model;
    const Heights floor(m);
    int checked = 0;
    auto expectFlat = [&](float x, float z, const char* where) {
        if (HasFailure()) return;  // the first place that is not flat says enough
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

int GroupNamed(const MS3D& m, const char* name) {
    for (int g = 0; g < m.numGroups; ++g)
        if (std::strncmp(m.groups[g].name, name, kMS3DNameSize) == 0) return g;
    return -1;
}

TEST_F(GroundTest, WaterLiesOnlyOverTheBasinAndTheFloorHasNoCracks) {
    MS3D& m = *ground->model;
    const int sand = GroupNamed(m, "sand"), water = GroupNamed(m, "water");
    ASSERT_TRUE(sand >= 0 && water >= 0 && m.groups[water].triangleCount > 10);

    // Water and sand never overlap: under every piece of water the floor is
    // below the water's surface (a 16-bit depth buffer cannot part them).
    const Heights floor(m, sand);
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
    const MS3D_GROUP& g = m.groups[sand];
    int open = 0;
    for (const auto& [edge, uses] :
         EdgeUses(g.triangleCount, [&](int i, int c) { return m.triangles[g.triangleIndices[i]].vertexIndices[c]; })) {
        const float* a = m.vertices[edge.first].position;
        const float* b = m.vertices[edge.second].position;
        const bool rim = std::hypot(a[0], a[2]) > 1500.0f && std::hypot(b[0], b[2]) > 1500.0f;
        open += uses != 2 && !rim;
    }
    EXPECT_EQ(open, 0);
}

// The mesa stands on the horizon and the camera sees it from 300 units and
// more, where a world unit is about 3 pixels of a 1280 x 720 view. Round its
// cliffs the rock picture must not be squeezed much finer than that: without
// mipmaps its streaks then thin into rows of lines, one per repeat, like seams.
TEST_F(GroundTest, MesaCliffsAreNotTexturedMuchFinerThanTheyAreSeen) {
    MS3D& m = *ground->model;
    const int rock = GroupNamed(m, "rock");
    ASSERT_GE(rock, 0);
    const float texels = static_cast<float>(ground->textures[m.groups[rock].materialIndex].width);
    const ground::Landmark* mesa = nullptr;
    for (const ground::Landmark& l : ground::Landmarks()) mesa = l.name == "mesa" ? &l : mesa;
    ASSERT_NE(mesa, nullptr);
    std::vector<float> around;  // texels per world unit along level edges of the cliffs
    for (int k = 0; k < m.groups[rock].triangleCount; ++k) {
        const MS3D_TRIANGLE& t = m.triangles[m.groups[rock].triangleIndices[k]];
        for (int c = 0; c < 3; ++c) {
            const float* a = m.vertices[t.vertexIndices[c]].position;
            const float* b = m.vertices[t.vertexIndices[(c + 1) % 3]].position;
            const float level = std::hypot(b[0] - a[0], b[2] - a[2]);
            if (std::hypot(a[0] - mesa->x, a[2] - mesa->z) > 250.0f || a[1] < 20.0f) continue;
            if (level < 1.0f || std::fabs(b[1] - a[1]) > 0.1f * level) continue;
            around.push_back(std::fabs(t.s[(c + 1) % 3] - t.s[c]) * texels / level);
        }
    }
    ASSERT_GT(around.size(), 100u);
    std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
    EXPECT_LT(around[around.size() / 2], 6.0f) << "texels per world unit round the cliffs";
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
        for (const MS3DData::Triangle& t : data.triangles) {
            Vec3 p[3];
            for (int c = 0; c < 3; ++c) {
                const auto& q = data.vertices[t.vertexIndices[c]].position;
                p[c] = V3(q[0], q[1], q[2]);
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
        const auto corner = [&](int i, int c) { return data.triangles[i].vertexIndices[c]; };
        for (const auto& [edge, uses] : EdgeUses(static_cast<int>(data.triangles.size()), corner))
            EXPECT_EQ(uses, 2) << "edge " << edge.first << "-" << edge.second << (inward ? ", inward" : "");
    }
}

// ---- Pictures ---------------------------------------------------------------------------

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

// Luminance at (x, y), wrapping round the picture's edges.
float Luma(const Image& im, int x, int y) {
    const uint8_t* p = im.At((x % im.width + im.width) % im.width, (y % im.height + im.height) % im.height);
    return 0.3f * p[0] + 0.59f * p[1] + 0.11f * p[2];
}
float BoxMean(const Image& im, int x, int y, int r) {
    float sum = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) sum += Luma(im, x + dx, y + dy);
    return sum / static_cast<float>((2 * r + 1) * (2 * r + 1));
}

// Without mipmaps, detail a few texels across shimmers wherever a picture is
// seen small. The sand, which reaches the horizon, keeps its contrast in its
// ripples (7 to 31 texels) and next to none at the scale of a texel; the
// rock's varnish streaks are broad, not lines a few texels wide.
TEST(PicturesTest, SandAndRockKeepTheirDetailBroad) {
    const Image sand = ground::PaintSand(512);
    double texel = 0, ripple = 0;
    int n = 0;
    for (int y = 0; y < sand.height; y += 4)
        for (int x = 0; x < sand.width; x += 4, ++n) {
            texel += std::pow(Luma(sand, x, y) - BoxMean(sand, x, y, 1), 2.0);
            ripple += std::pow(BoxMean(sand, x, y, 3) - BoxMean(sand, x, y, 15), 2.0);
        }
    EXPECT_LT(std::sqrt(texel / n), 0.3) << "sand: contrast at a texel's scale";
    EXPECT_GT(std::sqrt(ripple / n), 2.2) << "sand: contrast at the ripples' scale";

    // The rock's streaks run down its columns: a column's mean against its
    // neighbours' within 4 texels shows any thinner than that.
    const Image rock = ground::PaintRock(256);
    std::vector<double> column(rock.width, 0.0);
    for (int x = 0; x < rock.width; ++x)
        for (int y = 0; y < rock.height; ++y) column[x] += Luma(rock, x, y) / rock.height;
    double thinnest = 0;
    for (int x = 0; x < rock.width; ++x) {
        double around = 0;
        for (int d = -4; d <= 4; ++d) around += column[(x + d + rock.width) % rock.width] / 9;
        thinnest = std::max(thinnest, std::fabs(column[x] - around));
    }
    EXPECT_LT(thinnest, 3.0) << "rock: a streak only a few texels wide";
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

}  // namespace

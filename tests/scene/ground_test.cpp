// The ground: landmarks from the joints' scaled rest transforms, the display
// lists, unusable grounds, and Cleanup; the pieces: the culled draw calls only
// what the view can hold and draws the generated ground exactly as the model
// draws whole.
#include "scene/BG.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "models/MilkshapeModel.h"
#include "scene/Frustum.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::Bytes;

MS3DData::Joint J(const char* name, const char* parent, std::array<float, 3> position, float turnY = 0) {
    MS3DData::Joint j;
    j.name = name, j.parentName = parent, j.position = position, j.rotation = {0, turnY, 0};
    return j;
}

// Two triangles facing +z, each a group with its own material: one over
// x -0.9..-0.1, the other over 0.1..0.9, both with y -0.4..0.4.
MS3DData TwoPatches(std::vector<MS3DData::Joint> joints) {
    MS3DData m;
    for (uint8_t g = 0; g < 2; ++g) {
        const float x0 = g == 0 ? -0.9f : 0.1f;
        m.vertices.insert(m.vertices.end(), {{{x0, -0.4f, 0}}, {{x0 + 0.8f, -0.4f, 0}}, {{x0 + 0.4f, 0.4f, 0}}});
        MS3DData::Triangle t;
        t.vertexIndices = {uint16_t(3 * g), uint16_t(3 * g + 1), uint16_t(3 * g + 2)};
        t.groupIndex = g;
        m.triangles.push_back(t);
        m.groups.push_back({"g", {g}, int8_t(g)});
        m.materials.push_back({});
    }
    m.joints = std::move(joints);
    return m;
}

// "g.kst": the model, then a red and a green texture.
Bytes Ground(const MS3DData& m) {
    const auto tga = [](uint8_t r, uint8_t g) { return EncodeTGA(testfiles::SolidImage(4, 4, {r, g, 0}), false); };
    return BuildContainer({{EncodeMS3D(m), 0}, {tga(255, 0), 1}, {tga(0, 255), 1}});
}

class GroundTest : public GLTest {
protected:
    void ExpectNothingBuilt() {
        EXPECT_TRUE(!ground.displayList && !ground.textures && !ground.landmarks && !ground.landmarkCount);
    }
    bool SetupWith(const Bytes& file) {
        dir.Write("g.kst", file);
        return ground.Setup(dir.Slashed().c_str());
    }
    testfiles::TempDir dir;
    ONEBG ground;
};

TEST_F(GroundTest, LandmarksAreTheJointsScaledRestPositionsInJointOrder) {
    // "base" is turned half round about y, so its descendants' offsets turn too.
    ASSERT_TRUE(SetupWith(Ground(TwoPatches({J("base", "", {1, 2, 3}, 3.14159265f), J("ridge", "base", {1, 0.5f, 0}),
                                             J("origin", "", {0, 0, 0}), J("rock", "ridge", {0, 0, 2})}))));
    ASSERT_EQ(ground.landmarkCount, 4);
    const float want[4][3] = {{146, 292, 438}, {0, 365, 438}, {0, 0, 0}, {0, 365, 146}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ground.landmarks[i].x, want[i][0], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].y, want[i][1], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].z, want[i][2], 1e-3f) << i;
    }
}

TEST_F(GroundTest, UnusableGroundsFailWithNothingBuilt) {
    const Bytes good = Ground(TwoPatches({J("a", "", {0, 0, 0}), J("b", "", {1, 0, 0})}));
    const struct { const char* name; Bytes file; bool longFolder; } cases[] = {
        {"one joint", Ground(TwoPatches({J("a", "", {0, 0, 0})})), false},
        {"truncated", Bytes(good.begin(), good.end() - 30), false},  // textures in hand, joints cut
        {"folder too long for 1024 bytes", good, true},
    };
    for (const auto& c : cases) {
        dir.Write("g.kst", c.file);
        const std::string folder = c.longFolder ? "/tmp/" + std::string(1020, '/') : dir.Slashed();
        EXPECT_FALSE(ground.Setup(folder.c_str())) << c.name;
        ExpectNothingBuilt();
    }
    EXPECT_FALSE(ground.Setup(nullptr));
}

TEST_F(GroundTest, ListDrawsEachGroupWithItsTextureAndCleanupReleasesOnlyItsOwn) {
    ASSERT_TRUE(SetupWith(Ground(TwoPatches({J("a", "", {0, 0, 0}), J("b", "", {0, 0, 5})}))));
    glMatrixMode(GL_PROJECTION);
    glOrtho(-256, 256, -256, 256, -10, 10);  // 2 units a pixel
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glTranslatef(0, 50, 0);
    ground.Draw();  // the list adds no transform of its own: the patches' centres land on y 153
    const std::array<uint8_t, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255}, black{0, 0, 0, 0};
    EXPECT_EQ(PixelAt(91, 153), red);     // left patch, scaled by 146: x -102..-44 at its middle
    EXPECT_EQ(PixelAt(164, 153), green);  // right patch
    EXPECT_EQ(PixelAt(128, 153), black);  // the gap between them
    EXPECT_EQ(PixelAt(91, 115), black);   // below the patches

    const GLuint list = ground.displayList;
    const GLuint texture = ground.textures[0].textureName;
    ASSERT_FALSE(ground.pieces.empty());
    const GLuint lastPiece = ground.pieces.back().list;
    ground.Cleanup();
    ExpectNothingBuilt();
    EXPECT_TRUE(ground.pieces.empty());
    EXPECT_FALSE(glIsList(list) || glIsList(lastPiece) || glIsTexture(texture));
    // Someone else's list under the old name is not the ground's to delete.
    glNewList(list, GL_COMPILE);
    glEndList();
    ground.Cleanup();
    EXPECT_TRUE(glIsList(list));
    glDeleteLists(list, 1);
}

// ---- Height -----------------------------------------------------------------------

// A model of upward-facing (counter-clockwise from above) triangles given in
// world units, one group, plus two joints.
struct PlanModel {
    MS3DData m;
    PlanModel() {
        m.groups.push_back({"g", {}, 0});
        m.materials = {{}};
        m.joints = {J("a", "", {0, 0, 0}), J("b", "", {1, 0, 0})};
    }
    void Add(std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c) {
        MS3DData::Triangle t;
        for (int k = 0; k < 3; ++k) {
            const std::array<float, 3>& p = k == 0 ? a : k == 1 ? b : c;
            t.vertexIndices[k] = static_cast<uint16_t>(m.vertices.size());
            m.vertices.push_back({{p[0] / ONEBG::kScale, p[1] / ONEBG::kScale, p[2] / ONEBG::kScale}});
        }
        m.groups[0].triangleIndices.push_back(static_cast<uint16_t>(m.triangles.size()));
        m.triangles.push_back(t);
    }
    // The square [x0, x1] x [z0, z1] as two up-facing triangles at height h(x, z).
    template <typename H>
    void Square(float x0, float z0, float x1, float z1, H h) {
        Add({x0, h(x0, z0), z0}, {x0, h(x0, z1), z1}, {x1, h(x1, z0), z0});
        Add({x1, h(x1, z0), z0}, {x0, h(x0, z1), z1}, {x1, h(x1, z1), z1});
    }
};

TEST_F(GroundTest, HeightIsTheHighestUpwardFacingTriangleUnderThePoint) {
    const float nan = std::nanf(""), inf = INFINITY;
    PlanModel p;
    const auto slope = [](float x, float) { return x / 2; };  // 0 .. 146 over x 0 .. 292
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 16; ++k) p.Square(18.25f * i, 18.25f * k, 18.25f * (i + 1), 18.25f * (k + 1), slope);
    p.Add({150, 200, 150}, {150, 200, 250}, {250, 200, 150});   // a rock's top over the slope
    p.Add({0, 500, 0}, {100, 500, 0}, {0, 500, 100});           // facing down: an underside
    p.Add({50, 0, 0}, {50, 1000, 100}, {50, 0, 100});           // a wall: no area in plan
    p.Add({0, 800, 0}, {nan, 800, 100}, {100, 800, 0});         // a corner that is not a number
    PlanModel wide = p;  // and a triangle under everything, far wider than a grid cell
    wide.Add({-1e5f, -10, -1e5f}, {-1e5f, -10, 3e5f}, {3e5f, -10, -1e5f});

    const struct { const char* name; float x, z, want, wantWide; } cases[] = {
        {"on the slope", 100, 5, 50, 50},
        {"on a diagonal two triangles share", 146, 146, 73, 73},
        {"on the slope's far corner", 292, 292, 146, 146},
        {"the rock's top, above the slope", 160, 200, 200, 200},
        {"under the underside, the wall and the broken triangle", 20, 30, 10, 10},
        {"on the wall's line", 50, 50, 25, 25},
        {"off the slope", 400, 50, ONEBG::kNoGround, -10},
        {"x not a number", nan, 50, ONEBG::kNoGround, ONEBG::kNoGround},
        {"z infinite", 50, inf, ONEBG::kNoGround, ONEBG::kNoGround},
    };
    for (const PlanModel* model : {&p, &wide}) {
        ASSERT_TRUE(SetupWith(Ground(model->m)));
        for (const auto& c : cases)
            EXPECT_NEAR(ground.HeightAt(c.x, c.z), model == &p ? c.want : c.wantWide, 1e-3f)
                << c.name << (model == &p ? "" : ", with a wide triangle");
    }
    ground.Cleanup();
    EXPECT_EQ(ground.HeightAt(100, 5), ONEBG::kNoGround);
}

// ---- Pieces ----------------------------------------------------------------------

// The saver's projection (45 degrees, near 0.5, far 3000) looking from eye at
// target; the frustum extracted from it.
FRUSTUM LookAt(int width, int height, VECTOR3D eye, VECTOR3D target) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, 0.5, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0, 1, 0);
    FRUSTUM frustum;
    frustum.ExtractFrustumFaster();
    return frustum;
}

// Recompiles every piece's list to light pixel (i % 256, i / 256) whatever the
// view, so that reading those pixels back tells which pieces a draw called.
void MarkPieces(const ONEBG& ground) {
    for (std::size_t i = 0; i < ground.pieces.size(); ++i) {
        glNewList(ground.pieces[i].list, GL_COMPILE);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glBegin(GL_POINTS);
        glVertex2f((static_cast<float>(i % 256) + 0.5f) / 128.0f - 1.0f, (static_cast<float>(i / 256) + 0.5f) / 128.0f - 1.0f);
        glEnd();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glEndList();
    }
}

// Which pieces the culled draw calls from a view, through marked lists.
std::vector<bool> CalledPieces(const ONEBG& ground, VECTOR3D eye, VECTOR3D target) {
    const FRUSTUM frustum = LookAt(256, 256, eye, target);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glColor4f(1, 1, 1, 1);
    ground.Draw(frustum);
    const int rows = static_cast<int>(ground.pieces.size() / 256 + 1);
    std::vector<uint8_t> red(256 * rows);
    glReadPixels(0, 0, 256, rows, GL_RED, GL_UNSIGNED_BYTE, red.data());
    std::vector<bool> called;
    for (std::size_t i = 0; i < ground.pieces.size(); ++i) called.push_back(red[i] == 255);
    return called;
}

// Four walls 600 units out, each facing the middle, 40 units wide and tall:
// east in group 0 (red), west in group 1, which has no material and so draws
// with the red group 0 left bound, north and south in group 2 (green).
MS3DData Compass() {
    MS3DData m;
    const float s = 1.0f / ONEBG::kScale;
    const float out[4][2] = {{600, 0}, {-600, 0}, {0, 600}, {0, -600}};  // E, W, N, S
    const uint8_t groupOf[4] = {0, 1, 2, 2};
    for (int w = 0; w < 4; ++w) {
        const float fx = out[w][0] / 600, fz = out[w][1] / 600;
        const float rx = -fz, rz = fx;  // to the viewer's right
        const uint16_t v = static_cast<uint16_t>(m.vertices.size());
        for (auto [side, up] : {std::pair{-1, 0}, {1, 0}, {1, 1}, {-1, 1}})
            m.vertices.push_back({{(out[w][0] + 20 * side * rx) * s, 40.0f * up * s, (out[w][1] + 20 * side * rz) * s}});
        for (auto corners : {std::array<uint16_t, 3>{0, 1, 2}, {0, 2, 3}}) {
            MS3DData::Triangle t;
            t.vertexIndices = {uint16_t(v + corners[0]), uint16_t(v + corners[1]), uint16_t(v + corners[2])};
            t.groupIndex = groupOf[w];
            m.triangles.push_back(t);
        }
    }
    m.groups.push_back({"east", {0, 1}, 0});
    m.groups.push_back({"west", {2, 3}, -1});
    m.groups.push_back({"north south", {4, 5, 6, 7}, 1});
    m.materials = {{}, {}};
    m.joints = {J("a", "", {0, 0, 0}), J("b", "", {1, 0, 0})};
    return m;
}

TEST_F(GroundTest, CulledDrawCallsOnlyThePieceInViewWithTheTextureTheWholeGroundGivesIt) {
    dir.Write("g.kst", Ground(Compass()));
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str(), 2));  // tiles of 600 units: one wall a piece
    ASSERT_EQ(ground.pieces.size(), 4u);
    GLuint blue = 0;  // what the caller has bound before the ground draws
    glGenTextures(1, &blue);
    glBindTexture(GL_TEXTURE_2D, blue);
    const uint8_t bluePixel[3] = {0, 0, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, bluePixel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    const VECTOR3D eye = MakePoint(0, 20, 0);
    const std::array<uint8_t, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255};
    const struct { const char* name; VECTOR3D target; int piece; std::array<uint8_t, 4> colour; } views[] = {
        {"east", MakePoint(100, 20, 0), 0, red},
        {"west, no material of its own", MakePoint(-100, 20, 0), 1, red},
        {"north", MakePoint(0, 20, 100), 2, green},
        {"south", MakePoint(0, 20, -100), 3, green},
    };
    for (const auto& v : views) {
        const FRUSTUM frustum = LookAt(256, 256, eye, v.target);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, blue);
        ground.Draw(frustum);
        EXPECT_EQ(PixelAt(128, 128), v.colour) << v.name;
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), ground.textures[1].textureName) << v.name << ": as the whole ground leaves it";
    }
    glDeleteTextures(1, &blue);

    MarkPieces(ground);
    for (const auto& v : views) {
        const std::vector<bool> called = CalledPieces(ground, eye, v.target);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(called[i], i == v.piece) << v.name << ", piece " << i;
    }
}

// The generated ground against the model drawn whole in one list, as the saver
// drew it before it had pieces.
class GeneratedGroundTest : public GLTest {
protected:
    static constexpr int kW = 512, kH = 288;

    void SetUp() override {
        GLTest::SetUp();
        const std::string folder = std::string(SANDMERE_TEST_RESOURCE_DIR) + "/";
        if (!std::filesystem::exists(folder + "g.kst")) GTEST_SKIP() << "no generated resources in " << folder;
        ASSERT_TRUE(ground.Setup(folder.c_str()));
        ASSERT_TRUE(LoadModel((folder + "g.kst").c_str(), &model, &referenceTextures, &referenceCount));
        model.Scale(ONEBG::kScale);
        model.InitialSetup();
        reference = glGenLists(1);
        glNewList(reference, GL_COMPILE);
        model.Render(referenceTextures);
        glEndList();
    }
    void TearDown() override {
        if (reference) glDeleteLists(reference, 1);
        delete[] referenceTextures;
        ground.Cleanup();
        GLTest::TearDown();
    }

    // The frame driver's state for the scene: light 0 at a sun, linear fog in
    // grey from 20 to 1,750, back faces culled, GL_LEQUAL depth, textures.
    static void SceneState() {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        const GLfloat sun[] = {700, 420, -900, 1}, grey[] = {0.7f, 0.7f, 0.7f, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, sun);
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogfv(GL_FOG_COLOR, grey);
        glFogf(GL_FOG_START, 20.0f);
        glFogf(GL_FOG_END, 1750.0f);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
    }
    // Every triangle adds 1 to each pixel it covers, in front or behind,
    // facing either way: the picture counts the triangles over each pixel.
    static void CountingState() {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor4f(1.0f / 255, 1.0f / 255, 1.0f / 255, 1.0f / 255);
    }

    template <typename Draw>
    std::vector<uint8_t> Picture(Draw draw) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        std::vector<uint8_t> rgba(static_cast<std::size_t>(kW) * kH * 4);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
    static int Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        int n = 0;
        for (std::size_t i = 0; i < a.size(); i += 4) n += !std::equal(&a[i], &a[i] + 4, &b[i]);
        return n;
    }

    ONEBG ground;
    MS3D model;
    Texture* referenceTextures = nullptr;
    int referenceCount = 0;
    GLuint reference = 0;
};

struct Shot {
    const char* name;
    VECTOR3D eye, target;
};
// Riding along the route, a tripod over the oasis, out to the mesa, high over
// the middle, and at the rim looking out past the ground's edge.
const Shot kShots[] = {
    {"ride", {25, 2.4f, 30}, {150, 1.5f, -330}},
    {"oasis", {150, 25, 150}, {262, 7, 40}},
    {"mesa", {-150, 20, 400}, {-380, 55, 1080}},
    {"high", {0, 400, 800}, {0, 0, 0}},
    {"rim", {-700, 120, -700}, {-1500, 60, -1500}},
};

TEST_F(GeneratedGroundTest, WholeAndCulledDrawsMatchTheModelDrawnWholePixelForPixel) {
    int triangles = 0;
    for (const GROUNDPIECE& p : ground.pieces) triangles += p.triangleCount;
    EXPECT_EQ(triangles, model.numTriangles);
    for (const Shot& shot : kShots) {
        const FRUSTUM frustum = LookAt(kW, kH, shot.eye, shot.target);
        SceneState();
        const std::vector<uint8_t> want = Picture([&] { glCallList(reference); });
        EXPECT_EQ(Differences(want, Picture([&] { ground.Draw(); })), 0) << shot.name << ", whole";
        EXPECT_EQ(Differences(want, Picture([&] { ground.Draw(frustum); })), 0) << shot.name << ", culled";

        // The same triangles over every pixel: none lost, none drawn twice.
        CountingState();
        const std::vector<uint8_t> count = Picture([&] { glCallList(reference); });
        EXPECT_EQ(Differences(count, Picture([&] { ground.Draw(); })), 0) << shot.name << ", counted whole";
        EXPECT_EQ(Differences(count, Picture([&] { ground.Draw(frustum); })), 0) << shot.name << ", counted culled";
        glDisable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

TEST_F(GeneratedGroundTest, CulledDrawLeavesOutThePiecesBehindTheEye) {
    MarkPieces(ground);
    for (const Shot& shot : kShots) {
        const std::vector<bool> called = CalledPieces(ground, shot.eye, shot.target);
        const VECTOR3D ahead = SubtractVectors(shot.target, shot.eye);
        const float length = std::sqrt(ahead.x * ahead.x + ahead.y * ahead.y + ahead.z * ahead.z);
        int behind = 0, count = 0;
        for (std::size_t i = 0; i < called.size(); ++i) {
            const GROUNDPIECE& p = ground.pieces[i];
            const VECTOR3D to = SubtractVectors(p.centre, shot.eye);
            const bool wholly = (to.x * ahead.x + to.y * ahead.y + to.z * ahead.z) / length < -p.radius;
            behind += wholly;
            count += called[i];
            EXPECT_FALSE(wholly && called[i]) << shot.name << ": piece " << i << " lies behind the eye";
        }
        EXPECT_GT(behind, 0) << shot.name;
        EXPECT_GT(count, 0) << shot.name;
        if (shot.eye.y < 100) {  // at camel height most of the ground is out of view
            EXPECT_LT(count, static_cast<int>(called.size()) / 2) << shot.name;
        }
    }
    const std::vector<bool> away = CalledPieces(ground, MakePoint(0, 50, 2500), MakePoint(0, 50, 4000));
    EXPECT_EQ(std::count(away.begin(), away.end(), true), 0) << "looking out from beyond the rim";
}

}  // namespace

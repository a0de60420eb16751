// The frame driver: resource paths, Setup's failures and the fixed GL state it
// leaves, the projection, Draw while there is no usable scene, and Cleanup.
#include "engine/SSMain.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "GLFixture.h"
#include "SceneTestFiles.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::TempDir;

// A texture table of `entries` and a ground with two landmarks: all Setup
// finds before it misses the camel model, so it fails with both loaded.
void WriteResources(const TempDir& dir, int entries = 10) {
    std::vector<LumpData> table;
    for (int i = 0; i < entries; ++i)
        table.push_back({EncodeTGA(testfiles::SolidImage(4, 4, {uint8_t(20 * i), 90, 200}), false), 1});
    dir.Write("kestrel.workshops", BuildContainer(table));
    MS3DData ground;
    ground.joints.resize(2);
    ground.joints[0].name = "a";
    ground.joints[1].name = "b";
    dir.Write("g.kst", BuildContainer({{EncodeMS3D(ground), 0}}));
}

std::vector<float> Get(GLenum what, int n = 1) {
    std::vector<float> v(static_cast<std::size_t>(n));
    glGetFloatv(what, v.data());
    return v;
}
std::vector<float> Light(GLenum what) {
    std::vector<float> v(4);
    glGetLightfv(GL_LIGHT0, what, v.data());
    return v;
}

class FrameDriverTest : public GLTest {
protected:
    TempDir dir;
    SETTINGS settings;
    SSMAIN driver;
};

TEST_F(FrameDriverTest, ResourcePathGetsExactlyOneSlashAndMustFit) {
    WriteResources(dir);
    // The longest folder, slash included, that leaves room for "kestrel.workshops".
    const std::size_t fits = SSMAIN::kPathSize - sizeof("kestrel.workshops");
    const auto slashes = [&](std::size_t length) { return dir.path() + std::string(length - dir.path().size(), '/'); };
    const struct { const char* name; std::string path; bool loads; } cases[] = {
        {"no trailing slash", dir.path(), true},
        {"trailing slash", dir.Slashed(), true},
        {"slash, exact fit", slashes(fits), true},
        {"slash, one byte too long", slashes(fits + 1), false},
        {"no slash, exact fit", slashes(fits - 2) + ".", true},  // ends "/.": the added slash fills it
        {"no slash, one byte too long", slashes(fits - 1) + ".", false},
        {"far too long", slashes(5000), false},
    };
    for (const auto& c : cases) {
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, c.path.c_str())) << c.name;  // no camels
        EXPECT_EQ(d.textures != nullptr, c.loads) << c.name;
        // The scene found "g.kst" in the same folder: it got the slash too.
        EXPECT_EQ(d.scene && d.scene->ground && d.scene->ground->landmarkCount == 2, c.loads) << c.name;
    }
}

TEST_F(FrameDriverTest, SetupWithoutAUsableTextureTableSetsNoSizeLightOrFog) {
    TempDir nine;
    WriteResources(nine, 9);
    for (const char* path : {dir.path().c_str(), nine.path().c_str(), "", static_cast<const char*>(nullptr)}) {
        glFogf(GL_FOG_END, 123.0f);  // values Setup would overwrite
        glCullFace(GL_FRONT);
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, path)) << (path ? path : "null");
        EXPECT_EQ(d.width, 0);
        EXPECT_EQ(Get(GL_FOG_END)[0], 123.0f);
        EXPECT_EQ(Get(GL_CULL_FACE_MODE)[0], GL_FRONT);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_LIGHT0));
    }
}

TEST_F(FrameDriverTest, SetupLeavesTheFixedStateAndCleanupReleasesItsWorkTwiceSafely) {
    WriteResources(dir);
    EXPECT_FALSE(driver.Setup(true, 800, 600, &settings, dir.path().c_str()));  // table and ground load
    EXPECT_TRUE(driver.preview && driver.width == 800 && driver.height == 600);
    using V = std::vector<float>;
    const struct { const char* name; V got; V want; } state[] = {
        {"blend function", {Get(GL_BLEND_SRC)[0], Get(GL_BLEND_DST)[0]}, {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}},
        {"ambient", Light(GL_AMBIENT), {0, 0, 0, 0}},
        {"diffuse", Light(GL_DIFFUSE), {1, 1, 1, 1}},
        {"specular", Light(GL_SPECULAR), {0.3f, 0.3f, 0.3f, 1}},
        {"position", Light(GL_POSITION), {5, 5, 5, 1}},
        {"cull face", Get(GL_CULL_FACE_MODE), {GL_BACK}},
        {"fog mode, hint, start, end", {Get(GL_FOG_MODE)[0], Get(GL_FOG_HINT)[0], Get(GL_FOG_START)[0],
                                        Get(GL_FOG_END)[0]}, {GL_LINEAR, GL_NICEST, 20, 1750}},
        {"fog colour", Get(GL_FOG_COLOR, 4), {0.7f, 0.7f, 0.7f, 1}},
        {"lighting, light 0 on", {float(glIsEnabled(GL_LIGHTING)), float(glIsEnabled(GL_LIGHT0))}, {1, 1}},
        {"blend, cull, fog off",
         {float(glIsEnabled(GL_BLEND)), float(glIsEnabled(GL_CULL_FACE)), float(glIsEnabled(GL_FOG))}, {0, 0, 0}},
    };
    for (const auto& s : state)
        for (std::size_t i = 0; i < s.want.size(); ++i) EXPECT_NEAR(s.got[i], s.want[i], 1e-6f) << s.name;

    ASSERT_TRUE(driver.textures && driver.scene && driver.scene->ground);
    const GLuint texture = driver.textures[9].textureName;
    const GLuint groundList = driver.scene->ground->displayList;
    for (int twice = 0; twice < 2; ++twice) {
        driver.Cleanup();
        EXPECT_TRUE(driver.textures == nullptr && driver.scene == nullptr);
        EXPECT_FALSE(glIsTexture(texture) || glIsList(groundList));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_LIGHT0));
    }
    SSMAIN never;
    never.Cleanup();
}

// An empty drawable (either side 0, as a minimised window gives) still gets a
// perspective, a square one.
TEST_F(FrameDriverTest, ProjectionFollowsTheZoom) {
    const struct { int w, h; float zoom; double degrees, aspect; } cases[] = {
        {800, 600, 2.0f, 90.0, 800.0 / 600.0}, {800, 600, 1.0f, 45.0, 800.0 / 600.0},
        {800, 0, 1.0f, 45.0, 1.0},             {0, 600, 1.0f, 45.0, 1.0},
        {0, 0, 2.0f, 90.0, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << " x " << c.h << ", zoom " << c.zoom);
        driver.SetSize(c.w, c.h);
        glTranslatef(1, 2, 3);
        driver.ReshapeAndZoom(c.zoom);
        GLdouble p[16], m[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        const double f = 1.0 / std::tan(c.degrees * 3.141592653589793 / 360.0);
        EXPECT_NEAR(p[5], f, 1e-5);
        EXPECT_NEAR(p[0], f / c.aspect, 1e-5);
        EXPECT_NEAR(p[10], -3000.5 / 2999.5, 1e-6);  // near 0.5, far 3000
        EXPECT_NEAR(p[14], -3000.0 / 2999.5, 1e-6);
        EXPECT_TRUE(m[12] == 0.0 && m[0] == 1.0);  // the modelview is the identity again
        EXPECT_EQ(Get(GL_VIEWPORT, 4), std::vector<float>({0, 0, float(c.w), float(c.h)}));
    }
}

TEST_F(FrameDriverTest, DrawWithoutAUsableSceneLeavesTheClearedFrame) {
    TempDir empty;
    WriteResources(dir);
    SSMAIN noTable, incomplete;
    noTable.Setup(false, kWidth, kHeight, &settings, empty.path().c_str());
    incomplete.Setup(false, kWidth, kHeight, &settings, dir.path().c_str());
    for (SSMAIN* d : {&driver, &noTable, &incomplete}) {  // never set up, no table, no camels
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const auto before = PixelAt(128, 128);
        for (int frame = 0; frame < 3; ++frame) {
            d->Update(50.0);  // far into the run: banner, message and intro all due
            d->Draw();
        }
        for (int y : {2, 128, 250})
            for (int x : {2, 128, 250}) EXPECT_EQ(PixelAt(x, y), before);
        EXPECT_EQ(d->bannerTimer, 120.0f);  // the layer did not run either
    }
}

// The whole saver on the generated resources, as the host runs it: a minute
// in frames of a quarter second, each cleared and drawn. The last one shows
// the desert: something lit, sky along the top, sand along the bottom.
TEST_F(FrameDriverTest, AfterAMinuteTheFrameShowsSkyAboveAndSandBelow) {
    constexpr int w = 192, h = 108;
    // The state the host sets on its first tick.
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    std::srand(1);
    ASSERT_TRUE(driver.Setup(false, w, h, &settings, scenefiles::Generated().c_str()));
    for (int frame = 0; frame < 240; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        driver.Update(0.25);
        driver.Draw();
    }
    glDisable(GL_COLOR_MATERIAL);
    // The herd walked: the leader left route point 0 a minute ago at 2.5 units a second.
    const ONECAMEL& leader = driver.scene->herd->camels[0];
    EXPECT_NEAR(std::sqrt(DistanceBetweenVectors(leader.position, ONECAMEL::TourRoute[0])), 150.0, 15.0);
    if (const char* out = std::getenv("SANDMERE_PICTURE_DIR")) SaveFrame((std::string(out) + "/minute.png").c_str(), w, h);
    // Mean colour of a band of rows.
    const auto band = [&](int y0, int y1) {
        double sum[3] = {};
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += PixelAt(x, y)[c];
        for (double& v : sum) v /= double(w) * (y1 - y0);
        return std::vector<double>(sum, sum + 3);
    };
    const std::vector<double> sky = band(h - 12, h), sand = band(0, 12);
    EXPECT_GT(sky[0] + sky[1] + sky[2], 3 * 90.0) << "the top is dark";
    EXPECT_GE(sky[2], sky[0]) << "the top is not sky: " << sky[0] << " " << sky[1] << " " << sky[2];
    EXPECT_GT(sand[0] + sand[1] + sand[2], 3 * 40.0) << "the bottom is dark";
    EXPECT_GT(sand[0], sand[2] + 15) << "the bottom is not sand: " << sand[0] << " " << sand[1] << " " << sand[2];
}

}  // namespace

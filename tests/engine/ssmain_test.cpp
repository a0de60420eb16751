// The frame driver: resource paths, Setup's failures and the fixed GL state it
// leaves, the projection, Draw while there is no usable scene, and Cleanup.
#include "engine/SSMain.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::TempDir;

// A path to dir exactly `length` bytes long, padded with "./" components; with
// a trailing slash it ends "./", without one "/.".
std::string PaddedPath(const std::string& dir, std::size_t length, bool slash) {
    const std::size_t slashed = slash ? length : length + 1;
    std::string path = dir + ((slashed - dir.size()) % 2 == 0 ? "//" : "/");
    while (path.size() < slashed) path += "./";
    if (!slash) path.pop_back();
    return path;
}

// A folder with a texture table of `entries` and a ground with two landmarks.
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

std::vector<float> GetLight(GLenum what) {
    std::vector<float> v(4);
    glGetLightfv(GL_LIGHT0, what, v.data());
    return v;
}
std::vector<float> GetFloats(GLenum what, int n = 1) {
    std::vector<float> v(static_cast<std::size_t>(n));
    glGetFloatv(what, v.data());
    return v;
}

class FrameDriverTest : public GLTest {
protected:
    void TearDown() override {
        driver.Cleanup();
        GLTest::TearDown();
    }
    SETTINGS settings;
    SSMAIN driver;
};

TEST_F(FrameDriverTest, ResourcePathGetsExactlyOneSlashAndMustFit) {
    TempDir dir;
    WriteResources(dir);
    const std::size_t fits = SSMAIN::kPathSize - 1 - sizeof("kestrel.workshops") + 1;  // folder with its '/'
    const struct { const char* name; std::string path; bool loads; } cases[] = {
        {"no trailing slash", dir.path(), true},
        {"trailing slash", dir.Slashed(), true},
        {"slash, exact fit", PaddedPath(dir.path(), fits, true), true},  // no room for a second '/'
        {"no slash, exact fit", PaddedPath(dir.path(), fits - 1, false), true},
        {"slash, one byte too long", PaddedPath(dir.path(), fits + 1, true), false},
        {"no slash, one byte too long", PaddedPath(dir.path(), fits, false), false},
        {"far too long", PaddedPath(dir.path(), 5000, true), false},
    };
    for (const auto& c : cases) {
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, c.path.c_str())) << c.name;  // no camera yet
        EXPECT_EQ(d.textures != nullptr, c.loads) << c.name;
        // The scene found "g.kst" in the same folder: it got the slash too.
        const bool groundLoaded = d.scene && d.scene->ground && d.scene->ground->landmarkCount == 2;
        EXPECT_EQ(groundLoaded, c.loads) << c.name;
        d.Cleanup();
    }
}

TEST_F(FrameDriverTest, SetupWithoutAUsableTextureTableSetsNoSizeLightOrFog) {
    TempDir missing, nine, garbage;
    WriteResources(nine, 9);
    garbage.Write("kestrel.workshops", testfiles::Bytes(64, 'k'));
    const struct { const char* name; const char* path; } cases[] = {
        {"missing file", missing.path().c_str()}, {"nine entries", nine.path().c_str()},
        {"not a container", garbage.path().c_str()}, {"empty path", ""}, {"null path", nullptr},
    };
    for (const auto& c : cases) {
        glFogf(GL_FOG_END, 123.0f);  // values Setup would overwrite
        glCullFace(GL_FRONT);
        glDisable(GL_LIGHTING);
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, c.path)) << c.name;
        EXPECT_EQ(d.width, 0) << c.name;
        EXPECT_EQ(GetFloats(GL_FOG_END)[0], 123.0f) << c.name;
        EXPECT_EQ(GetFloats(GL_CULL_FACE_MODE)[0], GL_FRONT) << c.name;
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << c.name;
        d.Cleanup();
    }
}

TEST_F(FrameDriverTest, SetupLeavesTheFixedStateAndReportsTheIncompleteScene) {
    TempDir dir;
    WriteResources(dir);
    glBlendFunc(GL_ONE, GL_ZERO);
    EXPECT_FALSE(driver.Setup(true, 800, 600, &settings, dir.path().c_str()));  // table and ground load
    EXPECT_TRUE(driver.preview);
    EXPECT_EQ(driver.width, 800);
    EXPECT_EQ(driver.height, 600);

    using V = std::vector<float>;
    const struct { const char* name; V got; V want; } state[] = {
        {"blend src", GetFloats(GL_BLEND_SRC), {GL_SRC_ALPHA}},
        {"blend dst", GetFloats(GL_BLEND_DST), {GL_ONE_MINUS_SRC_ALPHA}},
        {"ambient", GetLight(GL_AMBIENT), {0, 0, 0, 0}},
        {"diffuse", GetLight(GL_DIFFUSE), {1, 1, 1, 1}},
        {"specular", GetLight(GL_SPECULAR), {0.3f, 0.3f, 0.3f, 1}},
        {"position", GetLight(GL_POSITION), {5, 5, 5, 1}},
        {"cull face", GetFloats(GL_CULL_FACE_MODE), {GL_BACK}},
        {"fog mode", GetFloats(GL_FOG_MODE), {GL_LINEAR}},
        {"fog colour", GetFloats(GL_FOG_COLOR, 4), {0.7f, 0.7f, 0.7f, 1}},
        {"fog hint", GetFloats(GL_FOG_HINT), {GL_NICEST}},
        {"fog start", GetFloats(GL_FOG_START), {20}},
        {"fog end", GetFloats(GL_FOG_END), {1750}},
        {"lighting, light 0 on", {float(glIsEnabled(GL_LIGHTING)), float(glIsEnabled(GL_LIGHT0))}, {1, 1}},
        {"blend, cull, fog off",
         {float(glIsEnabled(GL_BLEND)), float(glIsEnabled(GL_CULL_FACE)), float(glIsEnabled(GL_FOG))}, {0, 0, 0}},
    };
    for (const auto& s : state)
        for (std::size_t i = 0; i < s.want.size(); ++i) EXPECT_NEAR(s.got[i], s.want[i], 1e-6f) << s.name;
}

TEST_F(FrameDriverTest, ProjectionFollowsTheZoom) {
    driver.SetSize(800, 600);
    for (const auto& c : {std::pair<float, double>{2.0f, 90.0}, {1.0f, 45.0}}) {
        glTranslatef(1, 2, 3);
        driver.ReshapeAndZoom(c.first);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == 800 && viewport[3] == 600);
        GLdouble p[16], m[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        const double f = 1.0 / std::tan(c.second * 3.141592653589793 / 360.0);
        EXPECT_NEAR(p[5], f, 1e-5) << c.second << " degrees";
        EXPECT_NEAR(p[0], f * 600.0 / 800.0, 1e-5) << c.second << " degrees";
        EXPECT_NEAR(p[10], -3000.5 / 2999.5, 1e-6);  // near 0.5, far 3000
        EXPECT_NEAR(p[14], -3000.0 / 2999.5, 1e-6);
        EXPECT_EQ(m[12], 0.0);  // the modelview is the identity again
        EXPECT_EQ(m[0], 1.0);
    }
}

TEST_F(FrameDriverTest, DrawWithoutAUsableSceneLeavesTheClearedFrame) {
    TempDir dir, empty;
    WriteResources(dir);
    SSMAIN fresh, noTable, incomplete;
    noTable.Setup(false, kWidth, kHeight, &settings, empty.path().c_str());
    incomplete.Setup(false, kWidth, kHeight, &settings, dir.path().c_str());
    for (SSMAIN* d : {&fresh, &noTable, &incomplete}) {
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const auto before = PixelAt(128, 128);
        for (int frame = 0; frame < 3; ++frame) {
            d->Update(50.0);  // far into the run: banner, message and intro all due
            d->Draw();
        }
        for (int y : {2, 128, 250})
            for (int x : {2, 128, 250}) EXPECT_EQ(PixelAt(x, y), before);
        EXPECT_FALSE(glIsEnabled(GL_FOG) || glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(d->bannerTimer, 120.0f);  // the layer did not run either
    }
    noTable.Cleanup();
    incomplete.Cleanup();
}

TEST_F(FrameDriverTest, CleanupReleasesSceneAndTableAndIsSafeTwice) {
    TempDir dir;
    WriteResources(dir);
    driver.Setup(false, 640, 480, &settings, dir.path().c_str());
    ASSERT_TRUE(driver.textures && driver.scene && driver.scene->ground);
    const GLuint texture = driver.textures[9].textureName;
    const GLuint groundList = driver.scene->ground->displayList;
    driver.Cleanup();
    EXPECT_EQ(driver.textures, nullptr);
    EXPECT_EQ(driver.scene, nullptr);
    EXPECT_EQ(driver.textureCount, 10);  // kept, as a record of what was loaded
    EXPECT_FALSE(glIsTexture(texture) || glIsList(groundList));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_LIGHT0));
    driver.Cleanup();
    SSMAIN never;
    never.Cleanup();
    never.Cleanup();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

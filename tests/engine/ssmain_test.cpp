// The frame driver: resource paths, Setup's failures and the fixed GL state it
// leaves, the projection, Draw while there is no usable scene, and Cleanup.
#include "engine/SSMain.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "../scene/test_containers.h"
#include "GLFixture.h"
#include "assets/Texture.h"

namespace {

using testfiles::GroundModel;
using testfiles::Joint;
using testfiles::ModelContainer;
using testfiles::TempDir;
using testfiles::TextureTable;

constexpr std::size_t kDataFileNameLength = sizeof("kestrel.workshops") - 1;

// A path to dir exactly `length` bytes long, padded with "./" components: with
// a trailing slash it ends "./", without one it ends "/.".
std::string PaddedPath(const std::string& dir, std::size_t length, bool slash) {
    const std::size_t slashed = slash ? length : length + 1;
    std::string path = dir + ((slashed - dir.size()) % 2 == 0 ? "//" : "/");
    while (path.size() < slashed) path += "./";
    if (!slash) path.pop_back();
    return path;
}

std::array<float, 4> GetLight(GLenum what) {
    std::array<float, 4> v{};
    glGetLightfv(GL_LIGHT0, what, v.data());
    return v;
}

GLint GetInt(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

float GetFloat(GLenum what) {
    GLfloat v = 0;
    glGetFloatv(what, &v);
    return v;
}

void ExpectVec4(const std::array<float, 4>& got, std::array<float, 4> want, const char* what) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-6f) << what << "[" << i << "]";
}

class FrameDriverTest : public GLTest {
protected:
    void TearDown() override {
        driver.Cleanup();
        GLTest::TearDown();
    }

    // A folder holding a full texture table and a ground with two landmarks.
    void WriteResources(const TempDir& dir, int tableEntries = 10) {
        ASSERT_TRUE(dir.Write("kestrel.workshops", TextureTable(tableEntries)));
        const std::vector<Joint> joints = {{"a", "", {0, 0, 0}, {0, 0, 0}}, {"b", "", {0, 0, 0}, {1, 0, 0}}};
        ASSERT_TRUE(dir.Write("g.kst", ModelContainer(GroundModel(joints, false), {})));
    }

    // Values Setup would overwrite, so a test can see that it did not.
    void SetSentinelState() {
        const GLfloat grey[] = {0.5f, 0.5f, 0.5f, 1.0f};
        glLightfv(GL_LIGHT0, GL_SPECULAR, grey);
        glFogi(GL_FOG_MODE, GL_EXP2);
        glFogf(GL_FOG_END, 123.0f);
        glCullFace(GL_FRONT);
    }
    void ExpectSentinelState() {
        ExpectVec4(GetLight(GL_SPECULAR), {0.5f, 0.5f, 0.5f, 1.0f}, "specular");
        EXPECT_EQ(GetInt(GL_FOG_MODE), GL_EXP2);
        EXPECT_EQ(GetFloat(GL_FOG_END), 123.0f);
        EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_FRONT);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    }

    SETTINGS settings;
    SSMAIN driver;
};

// ---- Resource paths --------------------------------------------------------------

TEST_F(FrameDriverTest, ResourcePathGetsExactlyOneSlash) {
    TempDir dir;
    WriteResources(dir);
    const std::size_t fits = SSMAIN::kPathSize - 1 - kDataFileNameLength;  // folder bytes, slash included
    ASSERT_EQ(PaddedPath(dir.path(), fits, true).size(), fits);
    ASSERT_EQ(PaddedPath(dir.path(), fits, true).back(), '/');
    ASSERT_EQ(PaddedPath(dir.path(), fits, false).size(), fits);
    ASSERT_EQ(PaddedPath(dir.path(), fits, false).back(), '.');
    struct Case { const char* name; std::string path; bool loads; };
    const Case cases[] = {
        {"no trailing slash", dir.path(), true},
        {"trailing slash", dir.Slashed(), true},
        // Exactly filling the buffer only works if no second slash is added.
        {"slash, exact fit", PaddedPath(dir.path(), fits, true), true},
        {"no slash, exact fit", PaddedPath(dir.path(), fits - 1, false), true},
        {"slash, one byte too long", PaddedPath(dir.path(), fits + 1, true), false},
        {"no slash, one byte too long", PaddedPath(dir.path(), fits, false), false},
        {"far too long", PaddedPath(dir.path(), 5000, true), false},
    };
    for (const Case& c : cases) {
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, c.path.c_str())) << c.name;  // no camera yet
        EXPECT_EQ(d.textures != nullptr, c.loads) << c.name;
        if (c.loads) {
            EXPECT_EQ(d.textureCount, 10) << c.name;
            // The scene found "g.kst" in the same folder, so it got the slash too.
            ASSERT_TRUE(d.scene && d.scene->ground) << c.name;
            EXPECT_EQ(d.scene->ground->landmarkCount, 2) << c.name;
        }
        d.Cleanup();
    }
}

// ---- Setup ----------------------------------------------------------------------

TEST_F(FrameDriverTest, SetupWithoutAUsableTextureTableFailsBeforeSizeLightAndFog) {
    TempDir missing;
    TempDir shortTable;
    WriteResources(shortTable, 9);
    TempDir garbage;
    ASSERT_TRUE(garbage.Write("kestrel.workshops", testfiles::Bytes(64, 'k')));
    struct Case { const char* name; const char* path; };
    const Case cases[] = {
        {"missing file", missing.path().c_str()},
        {"nine entries", shortTable.path().c_str()},
        {"not a container", garbage.path().c_str()},
        {"empty path", ""},
        {"null path", nullptr},
    };
    for (const Case& c : cases) {
        SetSentinelState();
        SSMAIN d;
        EXPECT_FALSE(d.Setup(false, 640, 480, &settings, c.path)) << c.name;
        EXPECT_EQ(d.width, 0) << c.name;
        EXPECT_EQ(d.height, 0) << c.name;
        ExpectSentinelState();
        d.Cleanup();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << c.name;
    }
}

TEST_F(FrameDriverTest, SetupLeavesTheFixedStateAndReportsTheIncompleteScene) {
    TempDir dir;
    WriteResources(dir);
    SetSentinelState();
    glBlendFunc(GL_ONE, GL_ZERO);

    // The table and the ground load, but the scene has no camera or herd yet.
    EXPECT_FALSE(driver.Setup(true, 800, 600, &settings, dir.path().c_str()));
    EXPECT_TRUE(driver.preview);
    EXPECT_EQ(driver.width, 800);
    EXPECT_EQ(driver.height, 600);

    EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    ExpectVec4(GetLight(GL_AMBIENT), {0, 0, 0, 0}, "ambient");
    ExpectVec4(GetLight(GL_DIFFUSE), {1, 1, 1, 1}, "diffuse");
    ExpectVec4(GetLight(GL_SPECULAR), {0.3f, 0.3f, 0.3f, 1}, "specular");
    ExpectVec4(GetLight(GL_POSITION), {5, 5, 5, 1}, "position");  // set under an identity modelview
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    EXPECT_EQ(GetInt(GL_FOG_MODE), GL_LINEAR);
    std::array<float, 4> fog{};
    glGetFloatv(GL_FOG_COLOR, fog.data());
    ExpectVec4(fog, {0.7f, 0.7f, 0.7f, 1.0f}, "fog colour");
    EXPECT_EQ(GetInt(GL_FOG_HINT), GL_NICEST);
    EXPECT_EQ(GetFloat(GL_FOG_START), 20.0f);
    EXPECT_EQ(GetFloat(GL_FOG_END), 1750.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(FrameDriverTest, ASecondSetupReleasesTheFirstTable) {
    TempDir dir;
    WriteResources(dir);
    driver.Setup(false, 640, 480, &settings, dir.path().c_str());
    ASSERT_NE(driver.textures, nullptr);
    std::vector<GLuint> first;
    for (int i = 0; i < driver.textureCount; ++i) first.push_back(driver.textures[i].textureName);

    driver.Setup(false, 640, 480, &settings, dir.path().c_str());
    ASSERT_NE(driver.textures, nullptr);
    std::vector<GLuint> second;
    for (int i = 0; i < driver.textureCount; ++i) second.push_back(driver.textures[i].textureName);
    // Every name of the first table is gone, unless GL handed it out again.
    for (GLuint name : first) {
        const bool reused = std::find(second.begin(), second.end(), name) != second.end();
        EXPECT_EQ(glIsTexture(name) == GL_TRUE, reused) << "texture " << name;
    }
}

// ---- Projection --------------------------------------------------------------------

TEST_F(FrameDriverTest, ProjectionFollowsTheZoom) {
    struct Case { float zoom; double fieldDegrees; };
    const Case cases[] = {{2.0f, 90.0}, {1.0f, 45.0}, {0.5f, 22.5}};
    driver.SetSize(800, 600);
    for (const Case& c : cases) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1, 2, 3);
        driver.ReshapeAndZoom(c.zoom);

        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], 0);
        EXPECT_EQ(viewport[1], 0);
        EXPECT_EQ(viewport[2], 800);
        EXPECT_EQ(viewport[3], 600);

        GLdouble p[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        const double f = 1.0 / std::tan(c.fieldDegrees * 3.141592653589793 / 360.0);
        EXPECT_NEAR(p[5], f, 1e-5) << "zoom " << c.zoom;
        EXPECT_NEAR(p[0], f / (800.0 / 600.0), 1e-5) << "zoom " << c.zoom;
        EXPECT_NEAR(p[10], -(3000.0 + 0.5) / (3000.0 - 0.5), 1e-6);
        EXPECT_NEAR(p[14], -2.0 * 3000.0 * 0.5 / (3000.0 - 0.5), 1e-6);
        EXPECT_EQ(p[11], -1.0);

        GLdouble m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0 : 0.0) << "modelview " << i;
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
}

// ---- Draw and Cleanup --------------------------------------------------------------

TEST_F(FrameDriverTest, DrawWithoutAUsableSceneLeavesTheClearedFrame) {
    TempDir dir;
    WriteResources(dir);
    TempDir empty;
    const auto expectUntouched = [&](SSMAIN& d, const char* name) {
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const auto before = PixelAt(128, 128);
        for (int frame = 0; frame < 3; ++frame) {
            d.Update(50.0);  // far into the run: banner, message and intro all due
            d.Draw();
        }
        for (int y : {2, 128, 250})
            for (int x : {2, 128, 250}) EXPECT_EQ(PixelAt(x, y), before) << name << " at " << x << "," << y;
        EXPECT_FALSE(glIsEnabled(GL_FOG)) << name;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << name;
        EXPECT_EQ(d.bannerTimer, 120.0f) << name;  // the overlay did not run either
        EXPECT_EQ(d.elapsedTime, 150.0) << name;
    };

    SSMAIN fresh;
    expectUntouched(fresh, "never set up");
    SSMAIN noTable;
    noTable.Setup(false, kWidth, kHeight, &settings, empty.path().c_str());
    expectUntouched(noTable, "no texture table");
    SSMAIN incomplete;
    incomplete.Setup(false, kWidth, kHeight, &settings, dir.path().c_str());
    expectUntouched(incomplete, "incomplete scene");
    incomplete.Cleanup();
    noTable.Cleanup();
}

TEST_F(FrameDriverTest, CleanupReleasesSceneAndTableAndIsSafeTwice) {
    TempDir dir;
    WriteResources(dir);
    driver.Setup(false, 640, 480, &settings, dir.path().c_str());
    ASSERT_NE(driver.textures, nullptr);
    ASSERT_TRUE(driver.scene && driver.scene->ground);
    const GLuint texture = driver.textures[9].textureName;
    const GLuint groundList = driver.scene->ground->displayList;
    ASSERT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(glIsList(groundList));

    driver.Cleanup();
    EXPECT_EQ(driver.textures, nullptr);
    EXPECT_EQ(driver.scene, nullptr);
    EXPECT_EQ(driver.textureCount, 10);  // kept, as a record of what was loaded
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsList(groundList));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));

    driver.Cleanup();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    SSMAIN never;
    never.Cleanup();
    never.Cleanup();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(FrameDriverClock, UpdateAddsUpTheFrames) {
    SSMAIN d;
    EXPECT_EQ(d.elapsedTime, 0.0);
    d.Update(0.5);
    d.Update(0.25);
    EXPECT_EQ(d.frameTime, 0.25);
    EXPECT_EQ(d.elapsedTime, 0.75);
}

}  // namespace

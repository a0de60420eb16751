// The scene: which parts a Setup leaves when one fails, and Cleanup releasing
// them (twice); the sky dome drawn unlit and unfogged with both back on after;
// the sun's placement; the generated scene drawn sky last gives the picture
// drawing it first gave.
#include "engine/MainClass.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "GLFixture.h"
#include "SceneTestFiles.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"

namespace {

using scenefiles::ModelFile;
using scenefiles::SmallModel;

class SceneTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        for (Texture& t : table) glGenTextures(1, &t.textureName);
        dir.Write("g.kst", ModelFile(SmallModel(1, 1, 2), 1));  // two landmarks
        dir.Write("c.kst", ModelFile(SmallModel(2, 2, 1), 6));
        dir.Write("s.kst", ModelFile(SmallModel(2, 2, 0), 2));
    }
    bool SetupScene() { return scene.Setup(&settings, table, dir.Slashed().c_str()); }
    testfiles::TempDir dir;
    Texture table[10];  // the frame driver's table: names only
    SETTINGS settings;
    MAINCLASS scene;
};

TEST_F(SceneTest, SetupStopsAtTheFirstMissingPartAndCleanupReleasesWhatWasMade) {
    const struct { const char* name; const char* file; scenefiles::Bytes bytes; bool ground, herd; } cases[] = {
        {"complete", nullptr, {}, true, true},
        {"no herd", "c.kst", {}, true, false},
        {"no ground", "g.kst", {}, false, false},
        {"a sky of one group", "s.kst", ModelFile(SmallModel(1, 1, 0), 2), true, true},
        {"a sky of one texture", "s.kst", ModelFile(SmallModel(2, 1, 0), 1), true, true},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.file) {
            std::remove(dir.File(c.file).c_str());
            if (!c.bytes.empty()) dir.Write(c.file, c.bytes);
        }
        const bool complete = c.file == nullptr;
        EXPECT_EQ(SetupScene(), complete) << c.name;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(scene.camera.flareTextures[i], table[6 + i].textureName) << c.name;
        EXPECT_EQ(scene.ground && scene.ground->landmarkCount == 2, c.ground) << c.name;
        EXPECT_EQ(scene.herd && scene.herd->camels, c.herd) << c.name;
        EXPECT_EQ(scene.skyList != 0, complete) << c.name;
        if (complete) {
            EXPECT_GE(scene.sunPosition.y, 200.0f);
        }

        const GLuint groundList = scene.ground ? scene.ground->displayList : 0;
        const GLuint skyList = scene.skyList;
        for (int twice = 0; twice < 2; ++twice) {
            scene.Cleanup();
            EXPECT_TRUE(!scene.ground && !scene.herd && !scene.skyTextures && scene.skyList == 0) << c.name;
            EXPECT_FALSE(groundList && glIsList(groundList)) << c.name;
            EXPECT_FALSE(skyList && glIsList(skyList)) << c.name;
            for (uint32_t name : scene.camera.flareTextures) EXPECT_EQ(name, 0u) << c.name;
        }
        for (Texture& t : table) t.textureName = 0;  // deleted with the flare, or never made textures
    }
}

TEST_F(SceneTest, TheSkyIsDrawnUnlitAndUnfoggedAndBothAreOnAgainAfter) {
    ASSERT_TRUE(SetupScene());
    // Lighting that would leave any lit surface black, fog that would grey it out.
    const GLfloat black[] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, black);
    glEnable(GL_LIGHTING);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_END, 41);
    glEnable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45, 1, 0.5, 3000);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, 30, 40, 0, 30, 0, 0, 1, 0);  // group 0: a triangle 60 units high at z = 0, scaled by 30
    glCallList(scene.skyList);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_FOG));
    const auto pixel = PixelAt(kWidth / 2, kHeight / 2);
    EXPECT_EQ(pixel[0], 0);    // sky texture 0 of ModelFile: (0, 200, 250)
    EXPECT_EQ(pixel[1], 200);
    EXPECT_EQ(pixel[2], 250);
    const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1}, diffuse[] = {0.8f, 0.8f, 0.8f, 1};  // GL's defaults
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
}

TEST_F(SceneTest, TheSunStandsAtLeast200UnitsHigh) {
    const double s49 = 1000 * std::sin(49 * 3.141592653589793 / 180), c49 = 1000 * std::cos(49 * 3.141592653589793 / 180);
    const double c9 = 1000 * std::cos(9 * 3.141592653589793 / 180);
    const struct { const char* name; int r1, r2, r3; double x, y, z; } cases[] = {
        {"no turn: 0 is lifted", 0, 0, 0, 0, 200, 1000},
        {"90 about x: down to -1000, mirrored up", 0, 0, 90, 0, 1000, 0},
        {"450 is 90", 0, 0, 450, 0, 1000, 0},
        {"90 about y", 0, 90, 0, 1000, 200, 0},
        {"x first, then z", 90, 0, 90, 1000, 200, 0},
        {"49 about x: -754.7 mirrored", 0, 0, 49, 0, s49, c49},
        {"9 about x: -156.4 lifted", 0, 0, 9, 0, 200, c9},
        {"351 about x: 156.4 lifted", 0, 0, 351, 0, 200, c9},
    };
    for (const auto& c : cases) {
        const VECTOR3D sun = MAINCLASS::SunFromDraws(c.r1, c.r2, c.r3);
        EXPECT_NEAR(sun.x, c.x, 0.01) << c.name;
        EXPECT_NEAR(sun.y, c.y, 0.01) << c.name;
        EXPECT_NEAR(sun.z, c.z, 0.01) << c.name;
    }
}

// On the generated resources, along a film: each frame the frame driver
// draws is compared with the same view drawn the other way round, sky first
// and the ground over it under GL_LEQUAL, then the camels and the flare.
TEST_F(SceneTest, TheSkyDrawnAfterTheGroundLeavesThePictureAsDrawingItFirst) {
    std::srand(2);
    settings.NUM_CAMELS = 10;
    settings.PLAYSOUND = false;
    SSMAIN driver;
    if (!driver.Setup(true, kWidth, kHeight, &settings, scenefiles::Generated().c_str()))
        GTEST_SKIP() << "no generated resources";
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    const auto read = [] {
        std::vector<uint8_t> rgb(kWidth * kHeight * 3);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    int compared = 0;
    for (int frame = 1; frame <= 10 * 60; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        driver.Update(0.1);
        driver.Draw();
        if (frame % 50 != 0) continue;
        GLint depthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        EXPECT_EQ(depthFunc, GL_LEQUAL) << "frame " << frame;
        const std::vector<uint8_t> drawn = read();
        MAINCLASS& s = *driver.scene;  // the view the driver left on the modelview, its state again
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_CULL_FACE);
        glEnable(GL_FOG);
        glPushMatrix();
        glCallList(s.skyList);
        s.ground->Draw(s.frustum);
        s.herd->Draw(&s);
        s.camera.RenderLensFlare(&s, s.sunPosition);
        glPopMatrix();
        glDisable(GL_CULL_FACE);
        glDisable(GL_FOG);
        const std::vector<uint8_t> skyFirst = read();
        int differing = 0;
        for (std::size_t i = 0; i < drawn.size(); i += 3) differing += !std::equal(&drawn[i], &drawn[i] + 3, &skyFirst[i]);
        EXPECT_EQ(differing, 0) << "frame " << frame;
        ++compared;
    }
    EXPECT_EQ(compared, 12);
}

}  // namespace

// The ground: landmarks from the joints' scaled rest transforms, the display
// list, unusable grounds, and Cleanup.
#include "scene/BG.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "../models/ms3d_test_files.h"
#include "GLFixture.h"
#include "assets/Texture.h"
#include "test_containers.h"

namespace {

using testfiles::Container;
using testfiles::SolidTGA;

ms3dtest::Joint J(const char* name, const char* parent, float x, float y, float z, float turnY = 0) {
    ms3dtest::Joint j;
    j.name = name;
    j.parent = parent;
    j.position[0] = x, j.position[1] = y, j.position[2] = z;
    j.rotation[1] = turnY;
    return j;
}

// "g.kst": the model, then a red and a green texture.
testfiles::Bytes Ground(const ms3dtest::Model& m) {
    return Container({{0, ms3dtest::Encode(m)}, {1, SolidTGA({255, 0, 0})}, {1, SolidTGA({0, 255, 0})}});
}

class GroundTest : public GLTest {
protected:
    void ExpectNothingBuilt() {
        EXPECT_EQ(ground.displayList, 0u);
        EXPECT_EQ(ground.textures, nullptr);
        EXPECT_EQ(ground.landmarks, nullptr);
        EXPECT_EQ(ground.landmarkCount, 0);
    }
    testfiles::TempDir dir;
    ONEBG ground;
};

TEST_F(GroundTest, LandmarksAreTheJointsScaledRestPositionsInJointOrder) {
    // "base" is turned half round about y, so its descendants' offsets turn too.
    ms3dtest::Model m;
    m.joints = {J("base", "", 1, 2, 3, 3.14159265f), J("ridge", "base", 1, 0.5f, 0), J("origin", "", 0, 0, 0),
                J("rock", "ridge", 0, 0, 2)};
    ASSERT_TRUE(dir.Write("g.kst", Ground(m)));
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));
    ASSERT_EQ(ground.landmarkCount, 4);
    const float want[4][3] = {{146, 292, 438}, {0, 365, 438}, {0, 0, 0}, {0, 365, 146}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ground.landmarks[i].x, want[i][0], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].y, want[i][1], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].z, want[i][2], 1e-3f) << i;
    }
}

TEST_F(GroundTest, UnusableGroundsFailWithNothingBuilt) {
    ms3dtest::Model one = ms3dtest::TwoSquares();
    one.joints = {J("a", "", 0, 0, 0)};
    ms3dtest::Model two = one;
    two.joints.push_back(J("b", "", 1, 0, 0));
    const std::string good = Ground(two);
    const struct { const char* name; std::string file; const char* folder; } cases[] = {
        {"one joint", Ground(one), nullptr},
        {"truncated", good.substr(0, good.size() - 30), nullptr},
        {"not a container", std::string(100, 'x'), nullptr},
        {"folder too long for 1024 bytes", good, "/tmp/"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.Write("g.kst", c.file));
        const std::string folder = c.folder ? c.folder + std::string(1020, '/') : dir.Slashed();
        EXPECT_FALSE(ground.Setup(folder.c_str())) << c.name;
        ExpectNothingBuilt();
    }
    EXPECT_FALSE(ground.Setup(nullptr));
}

TEST_F(GroundTest, ListDrawsEachGroupWithItsTextureAndNoTransformOfItsOwn) {
    ms3dtest::Model m = ms3dtest::TwoSquares();  // x -0.9..-0.1 and 0.1..0.9, y -0.4..0.4
    m.joints = {J("a", "", 0, 0, 0), J("b", "", 0, 0, 5)};
    ASSERT_TRUE(dir.Write("g.kst", Ground(m)));
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));

    glMatrixMode(GL_PROJECTION);
    glOrtho(-256, 256, -256, 256, -10, 10);  // 2 units a pixel
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    ground.Draw();
    glTranslatef(0, 150, 0);
    ground.Draw();
    const std::array<uint8_t, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255}, black{0, 0, 0, 0};
    EXPECT_EQ(PixelAt(91, 128), red);      // left square, scaled by 146: centre x -73
    EXPECT_EQ(PixelAt(164, 128), green);   // right square
    EXPECT_EQ(PixelAt(128, 128), black);   // the gap between them
    EXPECT_EQ(PixelAt(91, 203), red);      // the second draw, 150 units up
    EXPECT_EQ(PixelAt(91, 170), black);
}

TEST_F(GroundTest, CleanupReleasesEverythingAndASecondRunTouchesNothing) {
    ms3dtest::Model m = ms3dtest::TwoSquares();
    m.joints = {J("a", "", 0, 0, 0), J("b", "", 0, 0, 5)};
    ASSERT_TRUE(dir.Write("g.kst", Ground(m)));
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));
    const GLuint list = ground.displayList;
    const GLuint texture = ground.textures[0].textureName;
    ground.Cleanup();
    ExpectNothingBuilt();
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsTexture(texture));

    // Someone else's list under the old name is not the ground's to delete.
    glNewList(list, GL_COMPILE);
    glEndList();
    ground.Cleanup();
    EXPECT_TRUE(glIsList(list));
    glDeleteLists(list, 1);
}

}  // namespace

// The ground: loading "g.kst", the landmarks taken from the joints' rest
// transforms, the display list, and the refusal of unusable models.
#include "scene/BG.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "GLFixture.h"
#include "assets/Texture.h"
#include "test_containers.h"

namespace {

using testfiles::Bytes;
using testfiles::GroundModel;
using testfiles::Joint;
using testfiles::ModelContainer;
using testfiles::SolidTGA;
using testfiles::TempDir;

constexpr float kPi = 3.14159265358979f;

void ExpectNoneBuilt(const ONEBG& g) {
    EXPECT_EQ(g.displayList, 0u);
    EXPECT_EQ(g.textures, nullptr);
    EXPECT_EQ(g.landmarks, nullptr);
    EXPECT_EQ(g.landmarkCount, 0);
}

class GroundTest : public GLTest {
protected:
    TempDir dir;
};

TEST_F(GroundTest, LandmarksAreTheJointsScaledRestPositionsInJointOrder) {
    // "base" is turned half round about y, so its children's offsets turn with
    // it: (1, 0.5, 0) becomes (-1, 0.5, 0), and (1, 0.5, 2) becomes (-1, 0.5, -2).
    const std::vector<Joint> joints = {
        {"base", "", {0, kPi, 0}, {1, 2, 3}},
        {"ridge", "base", {0, 0, 0}, {1, 0.5f, 0}},
        {"origin", "", {0, 0, 0}, {0, 0, 0}},
        {"rock", "ridge", {0, 0, 0}, {0, 0, 2}},
    };
    ASSERT_TRUE(dir.Write("g.kst", ModelContainer(GroundModel(joints, false), {})));

    ONEBG ground;
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));
    ASSERT_EQ(ground.landmarkCount, 4);
    const float expected[4][3] = {
        {146, 292, 438},  // (1, 2, 3)
        {0, 365, 438},    // (1 - 1, 2 + 0.5, 3)
        {0, 0, 0},        // a root at the origin
        {0, 365, 146},    // (1 - 1, 2 + 0.5, 3 - 2)
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ground.landmarks[i].x, expected[i][0], 1e-3f) << "landmark " << i;
        EXPECT_NEAR(ground.landmarks[i].y, expected[i][1], 1e-3f) << "landmark " << i;
        EXPECT_NEAR(ground.landmarks[i].z, expected[i][2], 1e-3f) << "landmark " << i;
    }
    EXPECT_NE(ground.displayList, 0u);
}

TEST_F(GroundTest, UnusableGroundsFailWithNothingBuilt) {
    const Joint a{"a", "", {0, 0, 0}, {0, 0, 0}};
    struct Case { const char* name; Bytes file; };
    Bytes truncated = ModelContainer(GroundModel({a, a}, true), {SolidTGA(2, 2, {1, 2, 3})});
    truncated.resize(truncated.size() - 40);
    const Case cases[] = {
        {"no joints", ModelContainer(GroundModel({}, true), {SolidTGA(2, 2, {1, 2, 3})})},
        {"one joint", ModelContainer(GroundModel({a}, true), {SolidTGA(2, 2, {1, 2, 3})})},
        {"truncated", truncated},
        {"not a container", Bytes(100, 'x')},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.Write("g.kst", c.file));
        ONEBG ground;
        EXPECT_FALSE(ground.Setup(dir.Slashed().c_str())) << c.name;
        ExpectNoneBuilt(ground);
    }

    ONEBG missing;
    TempDir empty;
    EXPECT_FALSE(missing.Setup(empty.Slashed().c_str()));
    ExpectNoneBuilt(missing);
    EXPECT_FALSE(missing.Setup(nullptr));

    // A folder path that leaves no room for the file name in 1024 bytes.
    const std::string longPath = std::string(1020, 'a') + "/";
    EXPECT_FALSE(missing.Setup(longPath.c_str()));
    ExpectNoneBuilt(missing);
}

TEST_F(GroundTest, DisplayListDrawsTheTexturedMeshWithoutATransformOfItsOwn) {
    const std::vector<Joint> joints = {{"a", "", {0, 0, 0}, {0, 0, 0}}, {"b", "", {0, 0, 0}, {0, 0, 5}}};
    ASSERT_TRUE(dir.Write("g.kst", ModelContainer(GroundModel(joints, true), {SolidTGA(2, 2, {255, 0, 0})})));
    ONEBG ground;
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));

    // The square spans -146..146 after scaling; the view shows -256..256.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-256, 256, -256, 256, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);

    ground.Draw();
    EXPECT_EQ(PixelAt(128, 128)[0], 255);  // the centre
    EXPECT_EQ(PixelAt(128, 128)[1], 0);
    EXPECT_EQ(PixelAt(10, 10)[0], 0);      // beyond the square's corner

    // Moved by the caller's modelview only: a second draw shifted left covers
    // the far left and still leaves the far right alone.
    glTranslatef(-100, 0, 0);
    ground.Draw();
    EXPECT_EQ(PixelAt(20, 128)[0], 255);
    EXPECT_EQ(PixelAt(240, 128)[0], 0);
}

TEST_F(GroundTest, CleanupReleasesEverythingAndIsSafeTwice) {
    const std::vector<Joint> joints = {{"a", "", {0, 0, 0}, {0, 0, 0}}, {"b", "", {0, 0, 0}, {0, 0, 5}}};
    ASSERT_TRUE(dir.Write("g.kst", ModelContainer(GroundModel(joints, true), {SolidTGA(2, 2, {255, 0, 0})})));
    ONEBG ground;
    ASSERT_TRUE(ground.Setup(dir.Slashed().c_str()));
    const GLuint list = ground.displayList;
    const GLuint texture = ground.textures[0].textureName;
    ASSERT_TRUE(glIsList(list));
    ASSERT_TRUE(glIsTexture(texture));

    ground.Cleanup();
    ExpectNoneBuilt(ground);
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsTexture(texture));

    // Someone else's list under the old name (GL lets any free name be used) is
    // not the ground's to delete on a second Cleanup.
    glNewList(list, GL_COMPILE);
    glEndList();
    ground.Cleanup();
    EXPECT_TRUE(glIsList(list));
    glDeleteLists(list, 1);
}

}  // namespace

// The ground: landmarks from the joints' scaled rest transforms, the display
// list, unusable grounds, and Cleanup.
#include "scene/BG.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/Texture.h"
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
    ground.Cleanup();
    ExpectNothingBuilt();
    EXPECT_FALSE(glIsList(list) || glIsTexture(texture));
    // Someone else's list under the old name is not the ground's to delete.
    glNewList(list, GL_COMPILE);
    glEndList();
    ground.Cleanup();
    EXPECT_TRUE(glIsList(list));
    glDeleteLists(list, 1);
}

}  // namespace

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

MS3DData::Joint J(const char* name, const char* parent, float x, float y, float z, float turnY = 0) {
    MS3DData::Joint j;
    j.name = name;
    j.parentName = parent;
    j.position = {x, y, z};
    j.rotation = {0, turnY, 0};
    return j;
}

// Two squares facing +z (x -0.9..-0.1 and 0.1..0.9, y -0.4..0.4), each a
// group with its own material, and the given joints.
MS3DData TwoSquares(std::vector<MS3DData::Joint> joints) {
    MS3DData m;
    for (float x0 : {-0.9f, 0.1f}) {
        const auto base = static_cast<uint16_t>(m.vertices.size());
        for (auto xy : {std::pair<float, float>{0, -0.4f}, {0.8f, -0.4f}, {0.8f, 0.4f}, {0, 0.4f}})
            m.vertices.push_back({{x0 + xy.first, xy.second, 0}});
        const auto first = static_cast<uint16_t>(m.triangles.size());
        for (auto corners : {std::array<uint16_t, 3>{0, 1, 2}, {0, 2, 3}}) {
            MS3DData::Triangle t;
            for (int c = 0; c < 3; ++c) t.vertexIndices[c] = static_cast<uint16_t>(base + corners[c]);
            t.normals = {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}};
            t.groupIndex = static_cast<uint8_t>(m.groups.size());
            m.triangles.push_back(t);
        }
        m.groups.push_back({"g", {first, static_cast<uint16_t>(first + 1)}, static_cast<int8_t>(m.materials.size())});
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
        EXPECT_EQ(ground.displayList, 0u);
        EXPECT_EQ(ground.textures, nullptr);
        EXPECT_EQ(ground.landmarks, nullptr);
        EXPECT_EQ(ground.landmarkCount, 0);
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
    ASSERT_TRUE(SetupWith(Ground(TwoSquares({J("base", "", 1, 2, 3, 3.14159265f), J("ridge", "base", 1, 0.5f, 0),
                                             J("origin", "", 0, 0, 0), J("rock", "ridge", 0, 0, 2)}))));
    ASSERT_EQ(ground.landmarkCount, 4);
    const float want[4][3] = {{146, 292, 438}, {0, 365, 438}, {0, 0, 0}, {0, 365, 146}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(ground.landmarks[i].x, want[i][0], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].y, want[i][1], 1e-3f) << i;
        EXPECT_NEAR(ground.landmarks[i].z, want[i][2], 1e-3f) << i;
    }
}

TEST_F(GroundTest, UnusableGroundsFailWithNothingBuilt) {
    const Bytes good = Ground(TwoSquares({J("a", "", 0, 0, 0), J("b", "", 1, 0, 0)}));
    const struct { const char* name; Bytes file; bool longFolder; } cases[] = {
        {"one joint", Ground(TwoSquares({J("a", "", 0, 0, 0)})), false},
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
    ASSERT_TRUE(SetupWith(Ground(TwoSquares({J("a", "", 0, 0, 0), J("b", "", 0, 0, 5)}))));
    glMatrixMode(GL_PROJECTION);
    glOrtho(-256, 256, -256, 256, -10, 10);  // 2 units a pixel
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    ground.Draw();
    glTranslatef(0, 150, 0);
    ground.Draw();  // the list adds no transform of its own
    const std::array<uint8_t, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255}, black{0, 0, 0, 0};
    EXPECT_EQ(PixelAt(91, 128), red);     // left square, scaled by 146: centre x -73
    EXPECT_EQ(PixelAt(164, 128), green);  // right square
    EXPECT_EQ(PixelAt(128, 128), black);  // the gap between them
    EXPECT_EQ(PixelAt(91, 203), red);     // the second draw, 150 units up
    EXPECT_EQ(PixelAt(91, 170), black);

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

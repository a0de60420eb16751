// Immediate-mode drawing of an MS3D model, read back from a real GL context.
// The model is two squares in normalised device coordinates: group 0 on the
// left (material 0), group 1 on the right (material 1).
#include <GL/gl.h>

#include "GLFixture.h"
#include "assets/Texture.h"
#include "ms3d_test_files.h"

using namespace ms3dtest;

namespace {

using Rgb = std::array<uint8_t, 3>;
const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0},
    kBlue{0, 0, 255};

// A texture of one column of pixels, bottom row first, sampled nearest.
GLuint MakeTexture(std::initializer_list<Rgb> rows) {
    std::vector<uint8_t> pixels;
    for (const Rgb& row : rows) pixels.insert(pixels.end(), row.begin(), row.end());
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, static_cast<GLsizei>(rows.size()), 0, GL_RGB,
                 GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

class MS3DDraw : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(LoadBytes(model, Encode(file)));
        glColor3f(1.0f, 1.0f, 1.0f);
    }

    Rgb At(int x, int y) const {
        const auto p = PixelAt(x, y);
        return {p[0], p[1], p[2]};
    }
    Rgb Left() const { return At(64, 128); }
    Rgb Right() const { return At(192, 128); }
    Rgb Gap() const { return At(128, 128); }
    Rgb Above() const { return At(64, 240); }

    Model file = TwoSquares();
    MS3D model;
};

TEST_F(MS3DDraw, GroupsInRangeOnly) {
    Texture table[2];
    for (int group : {-1, 2, 1000}) {
        model.DrawGroup(group);
        model.DrawGroup(group, table);
    }
    EXPECT_EQ(Left(), kBlack);
    EXPECT_EQ(Right(), kBlack);
    model.DrawGroup(1);
    EXPECT_EQ(Left(), kBlack);
    EXPECT_EQ(Right(), kWhite);
    model.Render();
    EXPECT_EQ(Left(), kWhite);
    EXPECT_EQ(Gap(), kBlack);
    EXPECT_EQ(Above(), kBlack);
}

TEST_F(MS3DDraw, TextureTableBindsEachGroupsMaterial) {
    Texture table[2];
    table[0].textureName = MakeTexture({kRed});
    table[1].textureName = MakeTexture({kGreen});
    glEnable(GL_TEXTURE_2D);
    model.Render(table);
    EXPECT_EQ(Left(), kRed);
    EXPECT_EQ(Right(), kGreen);

    glClear(GL_COLOR_BUFFER_BIT);
    model.DrawGroup(0, table);
    EXPECT_EQ(Left(), kRed);
    EXPECT_EQ(Right(), kBlack);
}

// Without a table, or for a group without a material, nothing is bound and the
// texture already bound is used.
TEST_F(MS3DDraw, NoTableOrNoMaterialKeepsTheBoundTexture) {
    Texture table[2];
    table[0].textureName = MakeTexture({kRed});
    table[1].textureName = MakeTexture({kGreen});
    const GLuint blue = MakeTexture({kBlue});
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, blue);
    model.Render(nullptr);
    EXPECT_EQ(Left(), kBlue);
    EXPECT_EQ(Right(), kBlue);

    MS3D noMaterial;
    file.groups[1].material = -1;
    ASSERT_TRUE(LoadBytes(noMaterial, Encode(file)));
    glClear(GL_COLOR_BUFFER_BIT);
    noMaterial.Render(table);  // group 0 binds red; group 1 keeps it
    EXPECT_EQ(Left(), kRed);
    EXPECT_EQ(Right(), kRed);
    glDeleteTextures(1, &blue);
}

// Texture coordinates are drawn as (s, 1 - t): t = 0.9 samples near the bottom.
TEST_F(MS3DDraw, TextureCoordinateTIsFlipped) {
    for (MS3D_TRIANGLE& triangle : file.triangles)
        for (float& t : triangle.t) t = 0.9f;
    MS3D flipped;
    ASSERT_TRUE(LoadBytes(flipped, Encode(file)));
    const GLuint texture = MakeTexture({kRed, kGreen});  // bottom red, top green
    glEnable(GL_TEXTURE_2D);
    flipped.Render();
    EXPECT_EQ(Left(), kRed);
    glDeleteTextures(1, &texture);
}

// What is drawn is the mesh as it stands: posed after UpdatePoints.
TEST_F(MS3DDraw, DrawsThePosedMesh) {
    Model moving = TwoSquares();
    Joint joint;
    joint.name = "slide";
    joint.translationKeys = {{0.0f, 0, 0, 0}, {1.0f, 0.5f, 0, 0}};
    moving.joints = {joint};
    for (int v = 0; v < 4; ++v) moving.vertices[v].jointIndex = 0;  // the left square
    MS3D m;
    ASSERT_TRUE(LoadBytes(m, Encode(moving)));
    m.InitialSetup();
    m.SetAnimation(0.0, 25.0, 1000.0, false, false);
    m.Animate(1.0);  // slid right by half a unit: from the left onto the gap
    m.UpdateSkeleton();
    m.UpdatePoints();
    m.DrawGroup(0);
    EXPECT_EQ(Left(), kBlack);
    EXPECT_EQ(Gap(), kWhite);
    EXPECT_EQ(Right(), kBlack);
}

}  // namespace

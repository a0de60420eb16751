// Drawing instances on a real OpenGL context: every group's range of the index
// list drawn with its material's texture from the instance's own run of the
// table, placement, texture-coordinate generation for 0x80 materials only, out
// of range groups, the state Draw leaves, and textures surviving the instance.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "GLFixture.h"
#include "TestModels.h"
#include "assets/Texture.h"
#include "models/ModelMain.h"

namespace {

using Colour = std::array<uint8_t, 4>;
const Colour kBlack = {0, 0, 0, 0};
const Colour kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255};
const Colour kYellow = {255, 255, 0, 255}, kMagenta = {255, 0, 255, 255}, kCyan = {0, 255, 255, 255};

// Four flat quads in the z = 0 plane, one group each, seen through an
// orthographic view of -2 ... 2:
//   group 0, material 0: left square   x -1.8 ... -0.2, y -1 ... 1
//   group 1, material 1: right square  x  0.2 ...  1.8, y -1 ... 1
//   group 2, material 2 (mode 0x80): top strip    x -1 ... 1, y 1.3 ... 1.8
//   group 3, material 3: bottom strip x -1 ... 1, y -1.8 ... -1.3
// Every corner of groups 2 and 3 has texture coordinate (0.25, 0.5).
testmodels::ModelSpec FourQuads() {
    testmodels::ModelSpec spec;
    const float rects[4][4] = {{-1.8f, -1, -0.2f, 1}, {0.2f, -1, 1.8f, 1}, {-1, 1.3f, 1, 1.8f}, {-1, -1.8f, 1, -1.3f}};
    const float normal[3] = {0, 0, 1};
    for (int g = 0; g < 4; ++g) {
        const float* r = rects[g];
        const auto base = static_cast<uint16_t>(spec.vertices.size());
        spec.vertices.push_back(testmodels::Vertex(r[0], r[1], 0));
        spec.vertices.push_back(testmodels::Vertex(r[2], r[1], 0));
        spec.vertices.push_back(testmodels::Vertex(r[2], r[3], 0));
        spec.vertices.push_back(testmodels::Vertex(r[0], r[3], 0));
        const bool fixed = g >= 2;
        const float s1[3] = {0, 1, 1}, t1[3] = {1, 1, 0}, s2[3] = {0, 1, 0}, t2[3] = {1, 0, 0};
        const float st[3] = {0.25f, 0.25f, 0.25f}, tt[3] = {0.5f, 0.5f, 0.5f};
        testmodels::GroupSpec group;
        group.material = static_cast<int8_t>(g);
        group.triangles = {static_cast<uint16_t>(spec.triangles.size()),
                           static_cast<uint16_t>(spec.triangles.size() + 1)};
        spec.triangles.push_back(testmodels::Triangle(base, base + 1, base + 2, normal, fixed ? st : s1, fixed ? tt : t1));
        spec.triangles.push_back(testmodels::Triangle(base, base + 2, base + 3, normal, fixed ? st : s2, fixed ? tt : t2));
        spec.groups.push_back(group);
    }
    spec.materialModes = {0, 0, 0x80, 0};
    return spec;
}

GLuint MakeTexture(const Colour& left, const Colour& right) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const Colour texels[2] = {left, right};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    return name;
}

class ModelMainDraw : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-2, 2, -2, 2, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);  // textures are modulated by the current colour
        // Two runs of four textures. In each run the last two are split: the
        // left half (s < 0.5) and the right half have different colours.
        const Colour run[2][4][2] = {{{kRed, kRed}, {kGreen, kGreen}, {kBlue, kYellow}, {kBlue, kYellow}},
                                     {{kBlue, kBlue}, {kYellow, kYellow}, {kMagenta, kCyan}, {kMagenta, kCyan}}};
        for (int r = 0; r < 2; ++r)
            for (int i = 0; i < 4; ++i) textures[4 * r + i].textureName = MakeTexture(run[r][i][0], run[r][i][1]);
        model = testmodels::MakeModel(FourQuads());
        model->InitialSetup();
        ASSERT_TRUE(animTemplate.Setup(model.get()));
    }

    // The pixel at a point of the -2 ... 2 view.
    Colour At(float x, float y) const {
        return PixelAt(static_cast<int>((x + 2) / 4 * kWidth), static_cast<int>((y + 2) / 4 * kHeight));
    }

    std::unique_ptr<Texture[]> textures{new Texture[8]};
    std::unique_ptr<MS3D> model;
    ANIMATIONTEMPLATE animTemplate;
};

TEST_F(ModelMainDraw, EachGroupDrawsItsRangeWithItsTextureFromTheRun) {
    ONEMODEL first, second;
    ASSERT_TRUE(first.Setup(&animTemplate, model.get(), &textures[0]));
    ASSERT_TRUE(second.Setup(&animTemplate, model.get(), &textures[4]));
    EXPECT_EQ(second.materials[1].texture, textures[5].textureName);

    first.Draw();
    EXPECT_EQ(At(-1.0f, 0.0f), kRed);
    EXPECT_EQ(At(1.0f, 0.0f), kGreen);
    EXPECT_EQ(At(0.0f, 0.0f), kBlack) << "nothing between the squares";
    EXPECT_EQ(At(-0.5f, -1.5f), kBlue) << "the bottom strip's fixed coordinate is in the left half";

    // The second run, turned half a turn about z by its orientation: its left
    // square (texture 4, blue) now lies on the right.
    glClear(GL_COLOR_BUFFER_BIT);
    second.orientation = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 0, 180)));
    second.Draw();
    EXPECT_EQ(At(1.0f, 0.0f), kBlue);
    EXPECT_EQ(At(-1.0f, 0.0f), kYellow);

    // Draw restores the matrix and turns the client arrays off again.
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(ModelMainDraw, TextureGenerationOnlyForTheMaterialThatAsksForIt) {
    ONEMODEL instance;
    ASSERT_TRUE(instance.Setup(&animTemplate, model.get(), &textures[0]));
    instance.Draw();
    // Top strip (0x80): s is generated from eye x (eye-linear, plane x), so on
    // x in -0.5 ... 0 it lands in the right half of the texture, on 0 ... 0.5
    // in the left half. Its own coordinate (0.25) would be left everywhere.
    EXPECT_EQ(At(-0.25f, 1.5f), kYellow);
    EXPECT_EQ(At(0.25f, 1.5f), kBlue);
    // The bottom strip, drawn after it with the same texture, uses its own
    // coordinates: generation was switched off again.
    EXPECT_EQ(At(-0.25f, -1.5f), kBlue);
    EXPECT_EQ(At(0.25f, -1.5f), kBlue);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
}

TEST_F(ModelMainDraw, GroupsOutsideTheRangeDrawNothing) {
    ONEMODEL instance;
    ASSERT_TRUE(instance.Setup(&animTemplate, model.get(), &textures[0]));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(MODELVERTEX), &instance.vertexBuffer[0].position);
    instance.DrawGroup(-1);
    instance.DrawGroup(instance.numGroups);
    EXPECT_EQ(At(-1.0f, 0.0f), kBlack);
    EXPECT_EQ(At(1.0f, 0.0f), kBlack);
    instance.DrawGroup(0);  // the same arrays do draw a group in range
    EXPECT_NE(At(-1.0f, 0.0f), kBlack);
    glDisableClientState(GL_VERTEX_ARRAY);
}

TEST_F(ModelMainDraw, DestroyingAnInstanceLeavesTheSharedTexturesAlive) {
    auto doomed = std::make_unique<ONEMODEL>();
    ONEMODEL survivor;
    ASSERT_TRUE(doomed->Setup(&animTemplate, model.get(), &textures[0]));
    ASSERT_TRUE(survivor.Setup(&animTemplate, model.get(), &textures[0]));
    doomed.reset();
    EXPECT_TRUE(glIsTexture(textures[0].textureName));
    EXPECT_TRUE(glIsTexture(textures[1].textureName));
    survivor.Draw();
    EXPECT_EQ(At(-1.0f, 0.0f), kRed);
    EXPECT_EQ(At(1.0f, 0.0f), kGreen);
}

TEST_F(ModelMainDraw, DrawsThePosedMesh) {
    // A one-joint model whose joint turns a quarter turn about z at frame 0:
    // the left square swings below the origin.
    testmodels::ModelSpec spec = FourQuads();
    for (MS3D_VERTEX& v : spec.vertices) v.jointIndex = 0;
    testmodels::JointSpec joint;
    joint.name = "root";
    joint.rotationKeys = {{0.0f, 0.0f, 0.0f, 1.5707964f}, {1.0f, 0.0f, 0.0f, 1.5707964f}};
    spec.joints.push_back(joint);
    std::unique_ptr<MS3D> turned = testmodels::MakeModel(spec);
    turned->InitialSetup();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(turned.get()));
    ONEMODEL instance;
    ASSERT_TRUE(instance.Setup(&t, turned.get(), &textures[0]));
    instance.SetAnimation(0, 25, 1000, true, false);
    instance.Update(0.1);
    instance.Draw();
    EXPECT_EQ(At(0.0f, -1.0f), kRed);   // the left square, turned
    EXPECT_EQ(At(0.0f, 1.0f), kGreen);  // the right square, turned
    EXPECT_EQ(At(-1.0f, 0.0f), kBlack);
}

}  // namespace

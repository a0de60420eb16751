// Drawing instances on a real OpenGL context: each group's range drawn with its
// material's texture from the instance's own run, placement, texture-coordinate
// generation for 0x80 materials only, out-of-range groups, the state Draw
// leaves, the posed mesh, and textures outliving the instance.
#include <gtest/gtest.h>

#include <array>

#include "GLFixture.h"
#include "TestModels.h"
#include "assets/Texture.h"
#include "models/ModelMain.h"

namespace {

using Colour = std::array<uint8_t, 4>;
const Colour kBlack = {0, 0, 0, 0}, kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255};
const Colour kBlue = {0, 0, 255, 255}, kYellow = {255, 255, 0, 255};
const Colour kMagenta = {255, 0, 255, 255}, kCyan = {0, 255, 255, 255};

// Four quads at z = 0 in a -2 ... 2 orthographic view, one group and material
// each: 0 the left square (x -1.8 ... -0.2, y -1 ... 1), 1 the right square,
// 2 the top strip (x -1 ... 1, y 1.3 ... 1.8; mode 0x80), 3 the bottom strip.
// Every corner's texture coordinate is (0.25, 0.5).
testmodels::ModelSpec FourQuads() {
    testmodels::ModelSpec spec;
    const float rects[4][4] = {{-1.8f, -1, -0.2f, 1}, {0.2f, -1, 1.8f, 1}, {-1, 1.3f, 1, 1.8f}, {-1, -1.8f, 1, -1.3f}};
    const float normal[3] = {0, 0, 1};
    for (int g = 0; g < 4; ++g) {
        const float* r = rects[g];
        const int v = static_cast<int>(spec.vertices.size()), t = static_cast<int>(spec.triangles.size());
        for (int corner : {0, 1, 3, 2}) spec.vertices.push_back(testmodels::Vertex(r[corner & 1 ? 2 : 0], r[corner & 2 ? 3 : 1], 0));
        spec.triangles.push_back(testmodels::Triangle(v, v + 1, v + 2, normal, 0.25f, 0.5f));
        spec.triangles.push_back(testmodels::Triangle(v, v + 2, v + 3, normal, 0.25f, 0.5f));
        spec.groups.push_back({{uint16_t(t), uint16_t(t + 1)}, int8_t(g)});
    }
    spec.materialModes = {0, 0, 0x80, 0};
    return spec;
}

class ModelMainDraw : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-2, 2, -2, 2, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        // Two runs of four 2x1 textures, left texel (s < 0.5) and right texel.
        const Colour texels[8][2] = {{kRed, kRed}, {kGreen, kGreen}, {kBlue, kYellow}, {kBlue, kYellow},
                                     {kBlue, kBlue}, {kYellow, kYellow}, {kMagenta, kCyan}, {kMagenta, kCyan}};
        for (int i = 0; i < 8; ++i) {
            glGenTextures(1, &textures[i].textureName);
            glBindTexture(GL_TEXTURE_2D, textures[i].textureName);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
        model = testmodels::MakeModel(FourQuads());
        model->InitialSetup();
        ASSERT_TRUE(animTemplate.Setup(model.get()));
    }

    Colour At(float x, float y) const {  // the pixel at a point of the view
        return PixelAt(static_cast<int>((x + 2) / 4 * kWidth), static_cast<int>((y + 2) / 4 * kHeight));
    }

    Texture textures[8];
    std::unique_ptr<MS3D> model;
    ANIMATIONTEMPLATE animTemplate;
};

TEST_F(ModelMainDraw, EachGroupDrawsItsRangeWithItsTextureFromTheRun) {
    ONEMODEL first, second;
    ASSERT_TRUE(first.Setup(&animTemplate, model.get(), &textures[0]));
    ASSERT_TRUE(second.Setup(&animTemplate, model.get(), &textures[4]));
    first.Draw();
    EXPECT_EQ(At(-1.0f, 0.0f), kRed);
    EXPECT_EQ(At(1.0f, 0.0f), kGreen);
    EXPECT_EQ(At(0.0f, 0.0f), kBlack);
    EXPECT_EQ(At(0.5f, -1.5f), kBlue);

    // The second run, turned half a turn about z: its blue left square is now on the right.
    glClear(GL_COLOR_BUFFER_BIT);
    second.orientation = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 0, 180)));
    second.Draw();
    EXPECT_EQ(At(1.0f, 0.0f), kBlue);
    EXPECT_EQ(At(-1.0f, 0.0f), kYellow);
    EXPECT_EQ(At(0.5f, 1.5f), kMagenta) << "the bottom strip, turned to the top";

    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(ModelMainDraw, TextureGenerationOnlyForTheMaterialThatAsksForIt) {
    ONEMODEL instance;
    ASSERT_TRUE(instance.Setup(&animTemplate, model.get(), &textures[0]));
    instance.Draw();
    // Top strip (0x80): s comes from eye x (eye-linear), so at x = -0.25 it is
    // 0.75 after wrapping (right texel), at x = 0.25 it is 0.25 (left texel).
    EXPECT_EQ(At(-0.25f, 1.5f), kYellow);
    EXPECT_EQ(At(0.25f, 1.5f), kBlue);
    // The bottom strip, drawn next with the same texture, keeps its own s.
    EXPECT_EQ(At(-0.25f, -1.5f), kBlue);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
}

TEST_F(ModelMainDraw, GroupsOutsideTheRangeDrawNothing) {
    ONEMODEL instance;
    ASSERT_TRUE(instance.Setup(&animTemplate, model.get(), &textures[0]));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(MODELVERTEX), &instance.vertexBuffer[0].position);
    instance.DrawGroup(-1);
    instance.DrawGroup(instance.numGroups);
    EXPECT_EQ(At(-1.0f, 0.0f), kBlack);
    instance.DrawGroup(0);  // the same arrays do draw a group in range
    EXPECT_EQ(At(-1.0f, 0.0f), kRed);
    glDisableClientState(GL_VERTEX_ARRAY);
}

TEST_F(ModelMainDraw, DrawsThePosedMeshAndLeavesSharedTexturesAlive) {
    // Every vertex follows one joint turned a quarter turn about z: the left
    // square swings below the origin, the right one above.
    testmodels::ModelSpec spec = FourQuads();
    for (MS3D_VERTEX& v : spec.vertices) v.jointIndex = 0;
    spec.joints.resize(1);
    spec.joints[0].name = "root";
    spec.joints[0].rotationKeys = {{0.0f, {0, 0, 1.5707964f}}};
    std::unique_ptr<MS3D> turned = testmodels::MakeModel(spec);
    turned->InitialSetup();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(turned.get()));
    auto doomed = std::make_unique<ONEMODEL>();
    ONEMODEL instance;
    ASSERT_TRUE(doomed->Setup(&t, turned.get(), &textures[0]));
    ASSERT_TRUE(instance.Setup(&t, turned.get(), &textures[0]));
    doomed.reset();  // its materials named the same textures
    EXPECT_TRUE(glIsTexture(textures[0].textureName) && glIsTexture(textures[1].textureName));
    instance.SetAnimation(0, 25, 1000, true, false);
    instance.Update(0.1);
    instance.Draw();
    EXPECT_EQ(At(0.0f, -1.0f), kRed);
    EXPECT_EQ(At(0.0f, 1.0f), kGreen);
    EXPECT_EQ(At(-1.0f, 0.0f), kBlack);
}

}  // namespace

// Drawing on a real OpenGL context, read back pixel by pixel: a model in
// immediate mode (MS3D) and animated instances with vertex arrays (ONEMODEL).
//
// The model is four rectangles at z = 0 in a -2 ... 2 orthographic view, one
// group and material each: 0 the left square (x -1.8 ... -0.2, y -1 ... 1), 1 the
// right square, 2 the top strip (y 1.3 ... 1.8; mode 0x80), 3 the bottom strip.
// Every corner's texture coordinate is (0.25, 0.5).
#include <GL/gl.h>

#include "GLFixture.h"
#include "TestModels.h"
#include "assets/Texture.h"
#include "models/ModelMain.h"

namespace {

using namespace testmodels;
using Colour = std::array<uint8_t, 4>;
const Colour kBlack = {0, 0, 0, 0}, kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255};
const Colour kBlue = {0, 0, 255, 255}, kYellow = {255, 255, 0, 255};
const Colour kMagenta = {255, 0, 255, 255}, kCyan = {0, 255, 255, 255};

MS3DData FourRectangles() {
    return Rectangles({{-1.8f, -1, -0.2f, 1}, {0.2f, -1, 1.8f, 1}, {-1, 1.3f, 1, 1.8f}, {-1, -1.8f, 1, -1.3f}},
                      {0, 0, 0x80, 0});
}

// A texture sampled nearest, texels given bottom row first.
GLuint MakeTexture(int width, int height, const std::vector<Colour>& texels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

class Draw : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-2, 2, -2, 2, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        // Two runs of four 2x1 textures: left texel (s < 0.5), right texel.
        const Colour texels[8][2] = {{kRed, kRed}, {kGreen, kGreen}, {kBlue, kYellow}, {kBlue, kYellow},
                                     {kBlue, kBlue}, {kYellow, kYellow}, {kMagenta, kCyan}, {kMagenta, kCyan}};
        for (int i = 0; i < 8; ++i) textures[i].textureName = MakeTexture(2, 1, {texels[i][0], texels[i][1]});
        ASSERT_TRUE(animTemplate.Setup(model.get()));
    }

    Colour At(float x, float y) const {  // the pixel at a point of the view
        return PixelAt(int((x + 2) / 4 * kWidth), int((y + 2) / 4 * kHeight));
    }
    bool Join(ONEMODEL& instance, int run) { return instance.Setup(&animTemplate, model.get(), &textures[4 * run]); }

    Texture textures[8];
    std::unique_ptr<MS3D> model = Load(FourRectangles(), true);
    ANIMATIONTEMPLATE animTemplate;
};

TEST_F(Draw, ModelDrawsGroupsInRangeWithTheirMaterialsTextures) {
    for (int group : {-1, 4, 1000}) {
        model->DrawGroup(group);
        model->DrawGroup(group, textures);
    }
    EXPECT_EQ(At(-1, 0), kBlack);
    EXPECT_EQ(At(1, 0), kBlack);
    glBindTexture(GL_TEXTURE_2D, textures[5].textureName);
    model->DrawGroup(1, nullptr);  // no table: the texture already bound is used
    EXPECT_EQ(At(-1, 0), kBlack);
    EXPECT_EQ(At(1, 0), kYellow);
    model->Render(textures);
    EXPECT_EQ(At(-1, 0), kRed);
    EXPECT_EQ(At(1, 0), kGreen);
    EXPECT_EQ(At(0, 1.5f), kBlue) << "no texture generation in immediate mode";
    EXPECT_EQ(At(0, 0), kBlack);
    model->groups[1].materialIndex = -1;
    model->Render(textures);  // group 0 binds red; group 1, with no material, keeps it
    EXPECT_EQ(At(1, 0), kRed);
    // Texture coordinates are drawn as (s, 1 - t): t = 0.9 samples near the bottom.
    for (int i = 0; i < model->numTriangles; ++i)
        for (float& t : model->triangles[i].t) t = 0.9f;
    const GLuint bottomRedTopGreen = MakeTexture(1, 2, {kRed, kGreen});
    glClear(GL_COLOR_BUFFER_BIT);
    model->DrawGroup(1);
    EXPECT_EQ(At(1, 0), kRed);
    glDeleteTextures(1, &bottomRedTopGreen);
}

// Each instance binds its materials' textures from its own run; the 0x80
// material alone gets texture coordinates generated (switched off again after);
// Draw places the instance by position and orientation, then leaves the matrix
// and the client arrays as it found them; groups out of range draw nothing.
TEST_F(Draw, InstancesDrawTheirOwnRunsPlacedAndLeaveTheStateAsFound) {
    ONEMODEL first, second;
    ASSERT_TRUE(Join(first, 0));
    ASSERT_TRUE(Join(second, 1));
    first.Draw();
    const std::pair<std::array<float, 2>, Colour> firstRun[] = {
        {{-1, 0}, kRed}, {{1, 0}, kGreen}, {{0, 0}, kBlack}, {{0.5f, -1.5f}, kBlue},
        // Top strip (0x80): s from eye x (eye-linear), so 0.75 after wrapping at
        // x = -0.25 (right texel) and 0.25 at x = 0.25 (left texel).
        {{-0.25f, 1.5f}, kYellow}, {{0.25f, 1.5f}, kBlue},
        {{-0.25f, -1.5f}, kBlue},  // the bottom strip, drawn next, keeps its own s
    };
    for (const auto& [at, colour] : firstRun) EXPECT_EQ(At(at[0], at[1]), colour) << at[0] << ", " << at[1];
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));

    glClear(GL_COLOR_BUFFER_BIT);  // the second run, turned half a turn about z
    second.orientation = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 0, 180)));
    second.Draw();
    EXPECT_EQ(At(1, 0), kBlue);
    EXPECT_EQ(At(-1, 0), kYellow);
    EXPECT_EQ(At(0.5f, 1.5f), kMagenta) << "the bottom strip, turned to the top";
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    glClear(GL_COLOR_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(MODELVERTEX), &first.vertexBuffer[0].position);
    first.DrawGroup(-1);
    first.DrawGroup(first.numGroups);
    EXPECT_EQ(At(-1, 0), kBlack);
    first.DrawGroup(0);  // the same arrays do draw a group in range
    EXPECT_EQ(At(-1, 0), kRed);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Both ways of drawing show the posed mesh: every vertex follows one joint
// turned a quarter turn about z, so the left square swings below the origin
// and the right one above. An instance destroyed first leaves the textures it
// shared alive.
TEST_F(Draw, BothDrawThePosedMesh) {
    MS3DData data = FourRectangles();
    for (MS3DData::Vertex& v : data.vertices) v.jointIndex = 0;
    data.joints.resize(1);
    data.joints[0].name = "root";
    data.joints[0].rotationKeys = {{0.0f, {0, 0, float(M_PI / 2)}}};
    const std::unique_ptr<MS3D> turned = Load(data, true);
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(turned.get()));
    auto doomed = std::make_unique<ONEMODEL>();
    ONEMODEL instance;
    ASSERT_TRUE(doomed->Setup(&t, turned.get(), textures));
    ASSERT_TRUE(instance.Setup(&t, turned.get(), textures));
    doomed.reset();
    EXPECT_TRUE(glIsTexture(textures[0].textureName) && glIsTexture(textures[1].textureName));

    turned->SetAnimation(0, 25, 1000, true, false);
    turned->Animate(0.1);
    turned->UpdateSkeleton();
    turned->UpdatePoints();
    instance.SetAnimation(0, 25, 1000, true, false);
    instance.Update(0.1);
    for (bool immediate : {true, false}) {
        glClear(GL_COLOR_BUFFER_BIT);
        if (immediate) turned->Render(textures); else instance.Draw();
        SCOPED_TRACE(immediate ? "MS3D" : "ONEMODEL");
        EXPECT_EQ(At(0, -1), kRed);
        EXPECT_EQ(At(0, 1), kGreen);
        EXPECT_EQ(At(-1, 0), kBlack);
    }
}

}  // namespace

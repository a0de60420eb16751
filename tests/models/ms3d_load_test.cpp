// Reading MS3D models, alone and from lump 0 of a container with textures in the
// lumps after it: what is accepted, where the fields arrive, and that malformed
// input fails cleanly and leaves the model empty.
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "GLFixture.h"
#include "TestFiles.h"
#include "TestModels.h"
#include "assets/ResFile.h"
#include "assets/Texture.h"
#include "models/ModelMain.h"
#include "writers/TGAWriter.h"

namespace {

using namespace testmodels;

// Two rings of four vertices on two jointed, keyed joints: every section used.
MS3DData Sample() { return Limb(2, 3, 2); }

void ExpectEmpty(const MS3D& m) {
    EXPECT_TRUE(!m.vertices && !m.triangles && !m.groups && !m.materials && !m.joints);
    EXPECT_EQ(m.numVertices + m.numTriangles + m.numGroups + m.numMaterials + m.numJoints, 0);
}

// Where fields of an encoded model start, for spoiling them after encoding.
struct Layout {
    explicit Layout(const MS3DData& m)
        : triangles(16 + 15 * m.vertices.size()), groups(triangles + 2 + 70 * m.triangles.size()) {
        fps = groups + 2 + 2 + 361 * m.materials.size();
        for (const MS3DData::Group& g : m.groups) fps += 36 + 2 * g.triangleIndices.size();
        groupMaterial = groups + 2 + 35 + 2 * m.groups[0].triangleIndices.size();
    }
    std::size_t JointOf(int vertex) const { return 16 + 15 * vertex + 13; }
    std::size_t Corner(int triangle, int c) const { return triangles + 2 + 70 * triangle + 2 + 2 * c; }
    std::size_t GroupTriangle(int k) const { return groups + 2 + 35 + 2 * k; }  // of group 0
    std::size_t triangles, groups, fps, groupMaterial;
};

void Put(Bytes& bytes, std::size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

void PutFloat(Bytes& bytes, std::size_t at, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Put(bytes, at, bits, 4);
}

TEST(MS3DLoad, HeaderTakesVersionsThreeAndFourAlike) {
    const Bytes good = Encode(Sample());
    const std::unique_ptr<MS3D> four = Load(Sample());
    const struct {
        int32_t version;
        char identifierEnd;
        bool accepted;
    } cases[] = {{3, '0', true}, {4, '0', true}, {2, '0', false}, {5, '0', false}, {4, '1', false}};
    for (const auto& c : cases) {
        Bytes bytes = good;
        Put(bytes, 10, uint32_t(c.version), 4);
        bytes[9] = uint8_t(c.identifierEnd);
        MS3D m;
        ASSERT_EQ(Read(m, bytes), c.accepted) << c.version << c.identifierEnd;
        if (!c.accepted) {
            ExpectEmpty(m);
            continue;
        }
        EXPECT_EQ(MeshValues(m), MeshValues(*four));
        EXPECT_EQ(std::make_tuple(m.numJoints, m.totalTime), std::make_tuple(four->numJoints, four->totalTime));
    }
}

TEST(MS3DLoad, TrailingDataIsLeftInTheStreamAndZeroJointsStayInModelSpace) {
    const Bytes model = Encode(Rectangles({{-0.9f, -0.4f, -0.1f, 0.4f}, {0.1f, -0.4f, 0.9f, 0.4f}}, {0, 0}));
    std::istringstream in(std::string(model.begin(), model.end()) + "TAIL");
    MS3D m;
    ASSERT_TRUE(m.LoadFromFStream(&in));
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "TAIL");
    EXPECT_EQ(std::make_tuple(m.numGroups, m.numJoints), std::make_tuple(2, 0));
    m.InitialSetup();
    EXPECT_EQ(m.skeleton, nullptr);
    EXPECT_EQ(std::make_tuple(m.vertices[0].position[0], m.vertices[6].position[1]), std::make_tuple(-0.9f, 0.4f));
}

// Short files and out-of-range values fail and leave nothing behind; -1, the
// "none" index, and a tiny positive frame rate are fine.
TEST(MS3DLoad, MalformedImagesFailAndLeaveTheModelEmpty) {
    const MS3DData data = Sample();
    const Bytes good = Encode(data);
    for (std::size_t n = 0; n < good.size(); ++n) {
        MS3D m;
        ASSERT_FALSE(Read(m, Bytes(good.begin(), good.begin() + n))) << "cut at " << n;
        ExpectEmpty(m);
    }
    const Layout at(data);
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        std::size_t offset;
        uint32_t value;
        int width;  // bytes; 0 for a float value
        bool accepted;
    } cases[] = {
        {"corner past the vertices", at.Corner(5, 2), 8, 2, false},
        {"group entry past the triangles", at.GroupTriangle(4), 6, 2, false},
        {"material past the materials", at.groupMaterial, 1, 1, false},
        {"material below -1", at.groupMaterial, 0xFE, 1, false},
        {"no material", at.groupMaterial, 0xFF, 1, true},
        {"joint past the joints", at.JointOf(7), 2, 1, false},
        {"joint below -1", at.JointOf(7), 0x80, 1, false},
        {"no joint", at.JointOf(7), 0xFF, 1, true},
    };
    for (const auto& c : cases) {
        Bytes bytes = good;
        Put(bytes, c.offset, c.value, c.width);
        MS3D m;
        EXPECT_EQ(Read(m, bytes), c.accepted) << c.name;
        if (!c.accepted) ExpectEmpty(m);
    }
    for (float fps : {0.0f, -0.0f, -25.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(), 1e-30f}) {
        Bytes bytes = good;
        PutFloat(bytes, at.fps, fps);
        MS3D m;
        EXPECT_EQ(Read(m, bytes), fps == 1e-30f) << "fps " << fps;
        if (fps != 1e-30f) ExpectEmpty(m);
    }
}

// A joint posed from a number that is not finite, or becomes infinite once key
// times are in milliseconds and angles in degrees, would give NaN matrices to
// it and every joint below it, in the model and in every instance made from
// it. Such files are refused; absurd numbers that stay finite still load and
// pose to finite matrices.
TEST(MS3DLoad, JointNumbersThatWouldPoisonThePoseAreRefused) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        void (*spoil)(MS3DData&);
        bool accepted;
    } cases[] = {
        {"rotation key time NaN", [](MS3DData& d) { d.joints[0].rotationKeys[1].time = nan; }, false},
        {"translation key time infinite", [](MS3DData& d) { d.joints[0].translationKeys[2].time = inf; }, false},
        {"key at -1e38 s, -inf ms", [](MS3DData& d) { d.joints[1].rotationKeys[0].time = -1e38f; }, false},
        {"rotation key value NaN", [](MS3DData& d) { d.joints[1].rotationKeys[2].value[1] = nan; }, false},
        {"translation key value -inf", [](MS3DData& d) { d.joints[0].translationKeys[0].value[2] = -inf; }, false},
        {"rotation key of 1e37 radians, inf degrees",
         [](MS3DData& d) { d.joints[0].rotationKeys[0].value[0] = 1e37f; }, false},
        {"rest rotation NaN", [](MS3DData& d) { d.joints[1].rotation[0] = nan; }, false},
        {"rest rotation of -1e37 radians", [](MS3DData& d) { d.joints[0].rotation[2] = -1e37f; }, false},
        {"rest position infinite", [](MS3DData& d) { d.joints[1].position[1] = inf; }, false},
        {"key at -3e35 s, finite in ms", [](MS3DData& d) { d.joints[0].rotationKeys[0].time = -3e35f; }, true},
        {"rotation key of 5e36 radians", [](MS3DData& d) { d.joints[1].rotationKeys[1].value[2] = 5e36f; }, true},
        {"rest rotation of 5e36 radians", [](MS3DData& d) { d.joints[1].rotation[0] = 5e36f; }, true},
        {"translation key of 1e30", [](MS3DData& d) { d.joints[0].translationKeys[1].value[0] = 1e30f; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MS3DData data = Sample();
        c.spoil(data);
        MS3D m;
        ASSERT_EQ(Read(m, Encode(data)), c.accepted);
        if (!c.accepted) {
            ExpectEmpty(m);
            continue;
        }
        m.InitialSetup();
        ANIMATIONTEMPLATE animTemplate;
        ONEMODEL instance;
        ASSERT_TRUE(animTemplate.Setup(&m) && instance.Setup(&animTemplate, &m, nullptr));
        m.SetAnimation(0, 30, 1000, true, true);
        instance.SetAnimation(0, 30, 1000, true, true);
        for (int frame = 0; frame < 30; ++frame) {
            m.Animate(0.1);
            m.UpdateSkeleton();
            instance.Update(0.1);
        }
        for (int j = 0; j < m.numJoints; ++j)
            for (double e : m.skeleton[j].absolute.m) ASSERT_TRUE(std::isfinite(e)) << "joint " << j;
        for (int j = 0; j < instance.numJoints; ++j)
            for (double e : instance.joints[j].absolute.m) ASSERT_TRUE(std::isfinite(e)) << "instance joint " << j;
    }
}

TEST(MS3DLoad, FromAFile) {
    testfiles::TempDir dir;
    const std::string path = dir.Write("model.ms3d", Encode(Sample()));
    MS3D m;
    EXPECT_FALSE(m.Load((dir.Slashed() + "missing.ms3d").c_str()));
    EXPECT_FALSE(m.Load(nullptr));
    EXPECT_FALSE(m.LoadFromFStream(nullptr));
    ExpectEmpty(m);
    ASSERT_TRUE(m.Load(path.c_str()));
    EXPECT_EQ(m.numJoints, 2);
}

// The fields arrive in their places; Scale then multiplies positions and
// translations only.
TEST(MS3DLoad, FieldsArriveAndScaleTouchesPositionsAndTranslationsOnly) {
    MS3DData d = Sample();
    d.currentTime = 123.0f;
    const std::unique_ptr<MS3D> m = Load(d);
    EXPECT_EQ(std::make_tuple(m->fps, m->totalFrames, m->totalTime, m->currentTime),
              std::make_tuple(25.0f, 30, 1200.0f, 0.0f)) << "the file's current time is not used";
    EXPECT_EQ(std::make_tuple(std::string(m->joints[1].name), std::string(m->joints[1].parentName)),
              std::make_tuple("joint1", "joint0"));
    EXPECT_EQ(m->joints[1].translationKeys, nullptr);
    m->Scale(0.1f);
    const MS3D_JOINT& root = m->joints[0];
    const MS3D_TRIANGLE& t = m->triangles[3];
    EXPECT_EQ(std::make_tuple(m->vertices[5].position[1], m->joints[1].position[1], root.translationKeys[1].value[1]),
              std::make_tuple(0.5f * 0.1f, 0.5f * 0.1f, 0.25f * 0.1f));
    EXPECT_EQ(std::make_tuple(t.vertexIndices[1], t.normals[1][0], t.s[2], t.t[1], m->joints[1].rotation[2]),
              std::make_tuple(5, d.triangles[3].normals[1][0], 2 / 3.0f, 0.5f, 0.1f));
    EXPECT_EQ(std::make_tuple(root.rotationKeys[1].value[0], root.translationKeys[1].time), std::make_tuple(0.15f, 0.6f));
}

// LoadModel: textures fill slots by lump position; the table always covers
// every material, and once handed over it stays the caller's even on failure.
class MS3DLoadModel : public GLTest {
protected:
    void TearDown() override {
        delete[] textures;
        GLTest::TearDown();
    }
    bool Load(const std::vector<LumpData>& lumps) {
        return LoadModel(dir.Write("c.kst", BuildContainer(lumps)).c_str(), &model, &textures, &count);
    }
    static LumpData Tga(uint8_t r, uint8_t g) {
        return {EncodeTGA(testfiles::SolidImage(1, 1, {r, g, 0}), false), kLumpTGA, 0};
    }

    const Bytes squares = Encode(Rectangles({{-0.9f, -0.4f, -0.1f, 0.4f}, {0.1f, -0.4f, 0.9f, 0.4f}}, {0, 0}));
    testfiles::TempDir dir;
    MS3D model;
    Texture* textures = nullptr;
    int count = -1;
};

TEST_F(MS3DLoadModel, TexturesFillSlotsByLumpPosition) {
    ASSERT_TRUE(Load({{squares, 0, 0}, Tga(255, 0), {{'?'}, 7, 0}, Tga(0, 255)}));
    ASSERT_EQ(count, 3);
    EXPECT_NE(textures[0].textureName, 0u);
    EXPECT_EQ(textures[1].textureName, 0u) << "an unknown lump type leaves its slot empty";
    EXPECT_NE(textures[2].textureName, 0u);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    model.DrawGroup(0, textures);
    EXPECT_EQ(PixelAt(64, 128)[0], 255);
    EXPECT_EQ(PixelAt(64, 128)[1], 0);
}

TEST_F(MS3DLoadModel, OnlyTheModelStillGivesEveryMaterialASlot) {
    ASSERT_TRUE(Load({{squares, 0, 0}}));
    EXPECT_EQ(count, 0);
    ASSERT_NE(textures, nullptr);
    EXPECT_EQ(textures[0].textureName + textures[1].textureName, 0u);
    model.Render(textures);
}

TEST_F(MS3DLoadModel, BadTextureFailsButHandsOverTheTable) {
    EXPECT_FALSE(Load({{squares, 0, 0}, Tga(255, 0), {{'x'}, kLumpTGA, 0}}));
    EXPECT_EQ(count, 2);
    ASSERT_NE(textures, nullptr);
    EXPECT_NE(textures[0].textureName, 0u);
}

TEST_F(MS3DLoadModel, NoTableWithoutAModel) {
    Bytes version5 = squares;
    Put(version5, 10, 5, 4);
    EXPECT_FALSE(Load({{version5, 0, 0}, Tga(1, 2)}));
    EXPECT_FALSE(Load({}));
    EXPECT_FALSE(LoadModel(dir.File("missing.kst").c_str(), &model, &textures, &count));
    EXPECT_FALSE(LoadModel(dir.Write("c.kst", BuildContainer({{squares, 0, 0}})).c_str(), nullptr, &textures, &count));
    EXPECT_EQ(textures, nullptr);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(model.numGroups, 0);
}

}  // namespace

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
// it, every joint below it and every instance made from it. Such files are
// refused; absurd numbers that stay finite still load and pose to finite matrices.
TEST(MS3DLoad, JointNumbersThatWouldPoisonThePoseAreRefused) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct { const char* name; void (*spoil)(MS3DData&); bool accepted; } cases[] = {
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
        m.SetAnimation(0, 30, 1000, true, true);
        for (int frame = 0; frame < 30; ++frame) {
            m.Animate(0.1);
            m.UpdateSkeleton();
        }
        for (int j = 0; j < m.numJoints; ++j)
            for (double e : m.skeleton[j].absolute.m) ASSERT_TRUE(std::isfinite(e)) << "joint " << j;
    }
}

// From a file; the file's current time is not used; Scale multiplies positions
// and translations only (fields in general: tests/tools/writers_test).
TEST(MS3DLoad, FromAFileThenScaled) {
    testfiles::TempDir dir;
    MS3DData d = Sample();
    d.currentTime = 123.0f;
    MS3D m;
    EXPECT_FALSE(m.Load((dir.Slashed() + "missing.ms3d").c_str()) || m.Load(nullptr) || m.LoadFromFStream(nullptr));
    ExpectEmpty(m);
    ASSERT_TRUE(m.Load(dir.Write("model.ms3d", Encode(d)).c_str()));
    EXPECT_EQ(std::make_tuple(m.fps, m.totalFrames, m.totalTime, m.currentTime), std::make_tuple(25.0f, 30, 1200.0f, 0.0f));
    m.Scale(0.1f);
    const MS3D_JOINT& root = m.joints[0];
    const MS3D_TRIANGLE& t = m.triangles[3];
    EXPECT_EQ(std::make_tuple(m.vertices[5].position[1], m.joints[1].position[1], root.translationKeys[1].value[1]),
              std::make_tuple(0.5f * 0.1f, 0.5f * 0.1f, 0.25f * 0.1f));
    EXPECT_EQ(std::make_tuple(t.normals[1][0], t.s[2], t.t[1], m.joints[1].rotation[2], root.rotationKeys[1].value[0],
                              root.translationKeys[1].time),
              std::make_tuple(d.triangles[3].normals[1][0], 2 / 3.0f, 0.5f, 0.1f, 0.15f, 0.6f));
}

// LoadModel: textures fill slots by lump position (an unknown type leaves its
// slot empty); the table always covers every material, and once handed over it
// stays the caller's even when a texture fails. No model, no table.
using MS3DLoadModel = GLTest;

TEST_F(MS3DLoadModel, TexturesFillSlotsByLumpPosition) {
    const Bytes squares = Encode(Rectangles({{-0.9f, -0.4f, -0.1f, 0.4f}, {0.1f, -0.4f, 0.9f, 0.4f}}, {0, 0}));
    Bytes version5 = squares;
    Put(version5, 10, 5, 4);
    const LumpData model{squares, 0, 0}, red{EncodeTGA(testfiles::SolidImage(1, 1, {255, 0, 0}), false), kLumpTGA, 0};
    const struct {
        const char* name;
        std::vector<LumpData> lumps;
        bool ok;
        int count;                  // -1: no table
        std::vector<bool> textured;  // slot by slot
    } cases[] = {
        {"textures around an unknown lump", {model, red, {{'?'}, 7, 0}, red}, true, 3, {true, false, true}},
        {"only the model: a slot for every material", {model}, true, 0, {false, false}},
        {"a bad texture", {model, red, {{'x'}, kLumpTGA, 0}}, false, 2, {true, false}},
        {"a version 5 model", {{version5, 0, 0}, red}, false, -1, {}},
        {"no lumps", {}, false, -1, {}},
    };
    testfiles::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MS3D m;
        Texture* textures = nullptr;
        int count = -1;
        EXPECT_EQ(LoadModel(dir.Write("c.kst", BuildContainer(c.lumps)).c_str(), &m, &textures, &count), c.ok);
        EXPECT_EQ(count, c.count);
        ASSERT_EQ(textures != nullptr, c.count >= 0);
        for (std::size_t i = 0; i < c.textured.size(); ++i) EXPECT_EQ(textures[i].textureName != 0, c.textured[i]) << i;
        if (c.ok) {
            glEnable(GL_TEXTURE_2D);
            glColor3f(1, 1, 1);
            m.Render(textures);  // reads a slot for every material
            if (c.count) {
                EXPECT_EQ(PixelAt(64, 128)[1], 0) << "the left square in red, not white";
            }
            glClear(GL_COLOR_BUFFER_BIT);
        }
        EXPECT_TRUE(c.count >= 0 || m.numGroups == 0);
        delete[] textures;
    }
    MS3D m;
    Texture* textures = nullptr;
    int count = -1;
    EXPECT_FALSE(LoadModel(dir.File("missing.kst").c_str(), &m, &textures, &count));
    EXPECT_FALSE(LoadModel(dir.Write("c.kst", BuildContainer({model})).c_str(), nullptr, &textures, &count));
    EXPECT_TRUE(textures == nullptr && count == -1);
}

}  // namespace

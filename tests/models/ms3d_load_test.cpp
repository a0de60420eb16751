// Reading MS3D images: what is accepted, what every field becomes, and that a
// malformed image fails cleanly and leaves the model empty.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <tuple>

#include "ms3d_test_files.h"

using namespace ms3dtest;

namespace {

void ExpectEmpty(const MS3D& m) {
    EXPECT_EQ(m.vertices, nullptr);
    EXPECT_EQ(m.triangles, nullptr);
    EXPECT_EQ(m.groups, nullptr);
    EXPECT_EQ(m.materials, nullptr);
    EXPECT_EQ(m.joints, nullptr);
    EXPECT_EQ(m.numVertices + m.numTriangles + m.numGroups + m.numMaterials + m.numJoints, 0);
}

// Distinct values in neighbouring fields, so a field read out of order shows.
TEST(MS3DLoad, ReadsEveryFieldInFileOrder) {
    Model file = Skeleton();
    file.vertices[0].flags = 7;
    file.vertices[0].referenceCount = 3;
    MS3D_TRIANGLE& tri = file.triangles[1];
    tri.flags = 0x1234;
    tri.normals[2][0] = -0.5f;
    tri.s[1] = 0.25f;
    tri.t[2] = 0.75f;
    tri.smoothingGroup = 9;
    file.materials = {Material(0x80)};
    file.materials[0].transparency = 0.6f;
    file.groups[0].material = 0;
    file.fileCurrentTime = 123.0f;

    MS3D m;
    ASSERT_TRUE(LoadBytes(m, Encode(file)));
    ASSERT_EQ(m.numVertices, 4);
    const MS3D_VERTEX& v = m.vertices[0];
    EXPECT_EQ(std::make_tuple(v.flags, v.referenceCount, v.jointIndex), std::make_tuple(7, 3, 0));
    EXPECT_EQ(m.vertices[2].position[2], 2.0f);
    EXPECT_EQ(m.vertices[3].jointIndex, -1);
    ASSERT_EQ(m.numTriangles, 2);
    const MS3D_TRIANGLE& t = m.triangles[1];
    EXPECT_EQ(std::make_tuple(t.flags, t.vertexIndices[2], t.smoothingGroup), std::make_tuple(0x1234, 3, 9));
    EXPECT_EQ(std::make_tuple(t.normals[2][0], t.normals[2][2], t.s[1], t.t[2]),
              std::make_tuple(-0.5f, 1.0f, 0.25f, 0.75f));
    ASSERT_EQ(m.numGroups, 1);
    ASSERT_EQ(m.groups[0].triangleCount, 2);
    EXPECT_EQ(m.groups[0].triangleIndices[1], 1);
    EXPECT_EQ(m.groups[0].materialIndex, 0);
    ASSERT_EQ(m.numMaterials, 1);
    EXPECT_EQ(std::make_tuple(m.materials[0].ambient[0], m.materials[0].transparency, m.materials[0].mode),
              std::make_tuple(0.25f, 0.6f, 0x80));
    EXPECT_EQ(std::make_tuple(m.fps, m.totalFrames, m.totalTime), std::make_tuple(25.0f, 50, 2000.0f));
    EXPECT_EQ(m.currentTime, 0.0f) << "the file's current time is not used";
    ASSERT_EQ(m.numJoints, 3);
    EXPECT_STREQ(m.joints[1].name, "child");
    EXPECT_STREQ(m.joints[1].parentName, "root");
    EXPECT_EQ(m.joints[0].position[0], 1.0f);
    ASSERT_EQ(m.joints[0].rotationKeyCount, 2);
    ASSERT_EQ(m.joints[0].translationKeyCount, 2);
    EXPECT_EQ(m.joints[0].rotationKeys[1].value[2], 1.5707963267948966f);
    EXPECT_EQ(m.joints[0].translationKeys[1].value[0], 4.0f);
    EXPECT_EQ(m.joints[1].rotationKeys, nullptr);
    EXPECT_EQ(m.skeleton, nullptr);
}

TEST(MS3DLoad, HeaderAcceptsOnlyVersionsThreeAndFour) {
    struct Case {
        const char* identifier;
        int32_t version;
        bool accepted;
    };
    const Case cases[] = {
        {"MS3D000000", 3, true},  {"MS3D000000", 4, true},  {"MS3D000000", 2, false},
        {"MS3D000000", 5, false}, {"MS3D000000", -4, false}, {"MS3D000001", 4, false},
        {"ms3d000000", 4, false},
    };
    for (const Case& c : cases) {
        Model file = TwoSquares();
        std::memcpy(file.identifier, c.identifier, 10);
        file.version = c.version;
        MS3D m;
        EXPECT_EQ(LoadBytes(m, Encode(file)), c.accepted) << c.identifier << " v" << c.version;
        if (!c.accepted) ExpectEmpty(m);
    }
}

TEST(MS3DLoad, VersionsThreeAndFourReadIdentically) {
    Model file = Skeleton();
    file.version = 3;
    const std::string v3 = Encode(file);
    file.version = 4;
    const std::string v4 = Encode(file);
    MS3D a, b;
    ASSERT_TRUE(LoadBytes(a, v3));
    ASSERT_TRUE(LoadBytes(b, v4));
    ASSERT_EQ(a.numVertices, b.numVertices);
    EXPECT_EQ(std::memcmp(a.vertices, b.vertices, sizeof(MS3D_VERTEX) * a.numVertices), 0);
    EXPECT_EQ(std::memcmp(a.triangles, b.triangles, sizeof(MS3D_TRIANGLE) * a.numTriangles), 0);
    EXPECT_EQ(a.numJoints, b.numJoints);
    EXPECT_EQ(a.totalTime, b.totalTime);
}

TEST(MS3DLoad, TrailingDataIsIgnoredAndLeftInTheStream) {
    std::istringstream in(Encode(TwoSquares()) + "TAIL");
    MS3D m;
    ASSERT_TRUE(m.LoadFromFStream(&in));
    EXPECT_EQ(m.numGroups, 2);
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "TAIL");
}

TEST(MS3DLoad, ZeroJointsLoadsAndSetupLeavesModelSpace) {
    MS3D m;
    ASSERT_TRUE(LoadBytes(m, Encode(TwoSquares())));
    EXPECT_EQ(m.numJoints, 0);
    EXPECT_EQ(m.joints, nullptr);
    m.InitialSetup();
    EXPECT_EQ(m.skeleton, nullptr);
    EXPECT_EQ(m.vertices[0].position[0], -0.9f);
    EXPECT_EQ(m.vertices[6].position[1], 0.4f);
}

// Every image cut short anywhere, even where a count promises thousands of
// records, fails and leaves nothing behind.
TEST(MS3DLoad, EveryTruncationFails) {
    const std::string full = Encode(Skeleton());
    for (std::size_t n = 0; n < full.size(); ++n) {
        MS3D m;
        ASSERT_FALSE(LoadBytes(m, full.substr(0, n))) << "cut at " << n;
        ExpectEmpty(m);
    }
    // The largest counts with nothing after them: vertices, groups, the
    // triangles of one group, the keys of one joint.
    const std::string header = full.substr(0, 14);
    const std::string zero(2, '\0'), most("\xff\xff", 2), name(32, 'n');
    const std::string animation = std::string("\x00\x00\xc8\x41", 4) + std::string(8, '\0');  // 25 fps
    const std::string hostile[] = {
        header + most,
        header + zero + zero + most,
        header + zero + zero + std::string("\x01\x00\x00", 3) + name + most,
        header + zero + zero + zero + zero + animation + std::string("\x01\x00\x00", 3) + name + name +
            std::string(24, '\0') + most + most,
    };
    for (const std::string& bytes : hostile) {
        MS3D m;
        EXPECT_FALSE(LoadBytes(m, bytes));
        ExpectEmpty(m);
    }
}

TEST(MS3DLoad, IndicesOutOfRangeFail) {
    struct Case {
        const char* name;
        void (*spoil)(Model&);
    };
    const Case cases[] = {
        {"triangle corner past the vertices", [](Model& f) { f.triangles[1].vertexIndices[2] = 4; }},
        {"group entry past the triangles", [](Model& f) { f.groups[0].triangles[1] = 2; }},
        {"material index past the materials", [](Model& f) { f.groups[0].material = 1; }},
        {"material index below -1", [](Model& f) { f.groups[0].material = -2; }},
        {"joint index past the joints", [](Model& f) { f.vertices[3].jointIndex = 3; }},
        {"joint index below -1", [](Model& f) { f.vertices[3].jointIndex = -128; }},
        {"joint index with no joints", [](Model& f) { f.joints.clear(); }},
    };
    for (const Case& c : cases) {
        Model file = Skeleton();
        file.materials = {Material()};
        MS3D ok;
        ASSERT_TRUE(LoadBytes(ok, Encode(file)));
        c.spoil(file);
        MS3D m;
        EXPECT_FALSE(LoadBytes(m, Encode(file))) << c.name;
        ExpectEmpty(m);
    }
}

TEST(MS3DLoad, FrameRateMustBeFiniteAndPositive) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float fps : {0.0f, -0.0f, -25.0f, inf, -inf, nan}) {
        Model file = Skeleton();
        file.fps = fps;
        MS3D m;
        EXPECT_FALSE(LoadBytes(m, Encode(file))) << fps;
        ExpectEmpty(m);
    }
    Model file = Skeleton();
    file.fps = 1e-30f;  // tiny but positive and finite
    MS3D m;
    EXPECT_TRUE(LoadBytes(m, Encode(file)));
}

TEST(MS3DLoad, FromAFile) {
    const std::string path = ::testing::TempDir() + "ms3d_load_test.ms3d";
    std::ofstream(path, std::ios::binary) << Encode(Skeleton());
    MS3D m;
    EXPECT_FALSE(m.Load("/nonexistent/model.ms3d"));
    EXPECT_FALSE(m.Load(nullptr));
    EXPECT_FALSE(m.LoadFromFStream(nullptr));
    ExpectEmpty(m);
    ASSERT_TRUE(m.Load(path.c_str()));
    EXPECT_EQ(m.numJoints, 3);
    std::remove(path.c_str());
}

TEST(MS3DLoad, ScaleTouchesPositionsAndTranslationsOnly) {
    Model file = Skeleton();
    file.joints[0].rotation[1] = 0.5f;
    MS3D m;
    ASSERT_TRUE(LoadBytes(m, Encode(file)));
    m.Scale(0.1f);
    EXPECT_EQ(m.vertices[1].position[1], 1.0f * 0.1f);
    EXPECT_EQ(m.vertices[3].position[0], 5.0f * 0.1f);
    EXPECT_EQ(m.joints[0].position[0], 0.1f);
    EXPECT_EQ(m.joints[2].position[2], 2.0f * 0.1f);
    EXPECT_EQ(m.joints[0].translationKeys[1].value[0], 4.0f * 0.1f);
    // Untouched: normals, texture coordinates, rotations, key times.
    EXPECT_EQ(m.triangles[0].normals[0][2], 1.0f);
    EXPECT_EQ(m.joints[0].rotation[1], 0.5f);
    EXPECT_EQ(m.joints[0].rotationKeys[1].value[2], 1.5707963267948966f);
    EXPECT_EQ(m.joints[0].translationKeys[1].time, 0.5f);
    EXPECT_EQ(m.joints[0].rotationKeys[1].time, 0.5f);
}

}  // namespace

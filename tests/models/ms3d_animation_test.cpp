// The MS3D skeleton, clock and skinning, on the small three-joint model of
// ms3d_test_files.h (25 fps; root keys at 100 ms and 500 ms).
#include <gtest/gtest.h>

#include <cmath>

#include "ms3d_test_files.h"

using namespace ms3dtest;

namespace {

const float kHalfSqrt2 = 0.70710678f;

// Loads the model, optionally with extra vertices, and sets it up.
void LoadSetUp(MS3D& m, Model file = Skeleton()) {
    ASSERT_TRUE(LoadBytes(m, Encode(file)));
    m.InitialSetup();
    ASSERT_NE(m.skeleton, nullptr);
}

// The skeleton model with vertices away from their joints' origins, where
// rounding in skinning would show.
Model OffsetVertices() {
    Model file = Skeleton();
    file.vertices.push_back(Vertex(1.3f, 0.7f, 0.2f, 0));
    file.vertices.push_back(Vertex(0.3f, 1.9f, -0.4f, 1));
    file.triangles.push_back(Triangle(4, 5, 0));
    file.triangles.back().normals[0][0] = 0.6f;
    file.triangles.back().normals[0][2] = 0.8f;
    file.groups[0].triangles.push_back(2);
    return file;
}

void Pose(MS3D& m) {
    m.UpdateSkeleton();
    m.UpdatePoints();
}

void ExpectPosition(const MS3D& m, int vertex, float x, float y, float z) {
    const float* p = m.vertices[vertex].position;
    EXPECT_NEAR(p[0], x, 1e-5) << "vertex " << vertex;
    EXPECT_NEAR(p[1], y, 1e-5) << "vertex " << vertex;
    EXPECT_NEAR(p[2], z, 1e-5) << "vertex " << vertex;
}

void ExpectTranslation(const SKELETON_JOINT& j, float x, float y, float z) {
    EXPECT_NEAR(j.currentTranslation.x, x, 1e-5);
    EXPECT_NEAR(j.currentTranslation.y, y, 1e-5);
    EXPECT_NEAR(j.currentTranslation.z, z, 1e-5);
}

// The angle in degrees by which a joint's rotation matrix turns +x about z.
double TurnAboutZ(const SKELETON_JOINT& j) {
    const VECTOR3D v = MatrixRotatePoint(j.rotationMatrix, MakePoint(1, 0, 0));
    return std::atan2(v.y, v.x) * 180.0 / M_PI;
}

TEST(MS3DSkeleton, HierarchyByParentName) {
    MS3D m;
    LoadSetUp(m);
    EXPECT_EQ(m.skeleton[0].parent, -1);
    EXPECT_EQ(m.skeleton[1].parent, 0);
    EXPECT_EQ(m.skeleton[2].parent, -1) << "a parent name matching nothing makes a root";
    EXPECT_EQ(m.skeleton[0].rotationKeyCount, 2);
    EXPECT_EQ(m.skeleton[0].translationKeys[1].time, 500.0f) << "key times in milliseconds";
    EXPECT_EQ(m.joints[0].translationKeys[1].time, 0.5f) << "the file keys keep seconds";
    EXPECT_EQ(m.skeleton[1].absolute.m[12], 1.0f);
    EXPECT_EQ(m.skeleton[1].absolute.m[13], 1.0f);
}

// Chains of parent names that close on themselves are opened, so repeated
// updates give the same pose instead of feeding a joint's matrix back into it.
TEST(MS3DSkeleton, ParentLoopsAreOpened) {
    Model file;
    file.joints.resize(4);
    const char* names[4][2] = {{"a", "b"}, {"b", "a"}, {"self", "self"}, {"c", "a"}};
    for (int j = 0; j < 4; ++j) {
        file.joints[j].name = names[j][0];
        file.joints[j].parent = names[j][1];
        file.joints[j].position[0] = 1.0f;
        file.joints[j].rotation[2] = 0.3f;
    }
    MS3D m;
    LoadSetUp(m, file);
    EXPECT_EQ(m.skeleton[2].parent, -1);
    EXPECT_EQ((m.skeleton[0].parent == -1) + (m.skeleton[1].parent == -1), 1);
    EXPECT_EQ(m.skeleton[3].parent, 0);
    m.UpdateSkeleton();
    MATRIX first[4];
    for (int j = 0; j < 4; ++j) first[j] = m.skeleton[j].absolute;
    for (int i = 0; i < 5; ++i) m.UpdateSkeleton();
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(std::memcmp(first[j].m, m.skeleton[j].absolute.m, sizeof first[j].m), 0) << j;
}

TEST(MS3DSkeleton, InitialSetupMovesTheMeshIntoJointSpace) {
    Model file;
    Joint joint;
    joint.name = "j";
    joint.rotation[2] = 1.5707963267948966f;  // 90 degrees about z
    joint.position[0] = 1.0f;
    joint.position[1] = 2.0f;
    joint.position[2] = 3.0f;
    file.joints = {joint};
    file.vertices = {Vertex(1, 3, 3, 0), Vertex(7, 7, 7)};
    file.triangles = {Triangle(0, 1, 0)};
    file.triangles[0].normals[0][0] = 0.0f;
    file.triangles[0].normals[0][1] = 1.0f;
    file.triangles[0].normals[0][2] = 0.0f;
    file.groups = {{{0}, -1}};
    MS3D m;
    LoadSetUp(m, file);
    EXPECT_NEAR(m.joints[0].rotation[2], 90.0f, 1e-4) << "rest rotation now in degrees";
    ExpectPosition(m, 0, 1, 0, 0);   // (0, 1, 0) from the joint, turned back by 90 degrees
    ExpectPosition(m, 1, 7, 7, 7);   // no joint: untouched
    EXPECT_NEAR(m.triangles[0].normals[0][0], 1.0f, 1e-6);  // jointed corner turned back
    EXPECT_NEAR(m.triangles[0].normals[0][1], 0.0f, 1e-6);
    EXPECT_EQ(m.triangles[0].normals[1][2], 1.0f);          // unjointed corner untouched
    Pose(m);
    ExpectPosition(m, 0, 1, 3, 3);  // the rest pose gives the model back
}

TEST(MS3DClock, FramesAndClipTimesAt25Fps) {
    MS3D m;
    LoadSetUp(m);
    EXPECT_EQ(m.Frame(25), 1000.0f);
    EXPECT_EQ(m.Frame(0), 0.0f);
    m.SetAnimation(2.0, 26.0, 1000.0, true, false);
    EXPECT_EQ(m.startTime, 80.0f);
    EXPECT_EQ(m.endTime, 1040.0f);
    EXPECT_EQ(m.currentTime, 80.0f);
    m.SetAnimation(2.5, 3.0, 1000.0, true, false);
    EXPECT_EQ(m.startTime, 100.0f) << "frames need not be whole";
}

TEST(MS3DClock, AdvancesBySpeedTimesSeconds) {
    for (double speed : {1000.0, 1250.0}) {
        MS3D m;
        LoadSetUp(m);
        m.SetAnimation(0.0, 100.0, speed, true, false);
        m.Animate(0.5);
        EXPECT_EQ(m.currentTime, static_cast<float>(speed * 0.5)) << speed;
    }
}

TEST(MS3DClock, LoopRestartsExactlyAtStartWithKeysFromTheTop) {
    MS3D m;
    LoadSetUp(m);
    m.SetAnimation(2.0, 25.0, 1000.0, true, false);  // 80 .. 1000 ms
    m.Animate(0.9);
    EXPECT_EQ(m.currentTime, 980.0f);
    ExpectTranslation(m.skeleton[0], 4, 0, 0);
    m.Animate(0.05);  // 1030: past the end
    EXPECT_EQ(m.currentTime, 80.0f) << "the overshoot is dropped";
    ExpectTranslation(m.skeleton[0], 0, 0, 0);  // before the first key again
    EXPECT_NEAR(TurnAboutZ(m.skeleton[0]), 0.0, 1e-4);
}

TEST(MS3DClock, NonLoopingClipStopsAtEnd) {
    MS3D m;
    LoadSetUp(m);
    m.SetAnimation(0.0, 10.0, 1000.0, false, false);  // 0 .. 400 ms
    m.Animate(0.25);
    m.Animate(0.25);
    EXPECT_EQ(m.currentTime, 400.0f);
    ExpectTranslation(m.skeleton[0], 3, 0, 0);  // posed once at the end: 3/4 of the way
    const SKELETON_JOINT& root = m.skeleton[0];
    const QUAT atEnd = root.rotationQuat;
    m.Animate(1.0);
    EXPECT_EQ(m.currentTime, 400.0f);
    ExpectTranslation(root, 3, 0, 0);
    EXPECT_TRUE(root.rotationQuat.IsEqualTo(atEnd));
}

TEST(MS3DClock, KeysHeldBeforeFirstAndAfterLastAndInterpolatedBetween) {
    struct Case {
        double seconds;  // played from 0 at speed 1000
        float x;         // expected root translation
        double degrees;  // expected root turn about z
    };
    const Case cases[] = {
        {0.05, 0.0f, 0.0},   // before the first key: first held
        {0.1, 0.0f, 0.0},    // on the first key
        {0.3, 2.0f, 45.0},   // half way
        {0.4, 3.0f, 67.5},
        {0.5, 4.0f, 90.0},   // on the last key
        {0.9, 4.0f, 90.0},   // after the last key: last held
    };
    for (const Case& c : cases) {
        MS3D m;
        LoadSetUp(m);
        m.SetAnimation(0.0, 25.0, 1000.0, true, false);
        m.Animate(c.seconds);
        ExpectTranslation(m.skeleton[0], c.x, 0, 0);
        EXPECT_NEAR(TurnAboutZ(m.skeleton[0]), c.degrees, 1e-3) << c.seconds;
        EXPECT_NEAR(QuatMagnitude(m.skeleton[0].rotationQuat), 1.0, 1e-9);
    }
}

TEST(MS3DClock, JointsWithoutKeysKeepTheirRestPose) {
    MS3D m;
    LoadSetUp(m);
    const MATRIX rest = m.skeleton[2].absolute;
    m.SetAnimation(0.0, 25.0, 1000.0, true, false);
    m.Animate(0.3);
    m.UpdateSkeleton();
    EXPECT_EQ(std::memcmp(rest.m, m.skeleton[2].absolute.m, sizeof rest.m), 0);
    ExpectTranslation(m.skeleton[1], 0, 0, 0);
    // The child without keys still follows its parent.
    EXPECT_NEAR(m.skeleton[1].absolute.m[12], 3.0 - kHalfSqrt2, 1e-5);
}

// A transition holds the clock while the pose slerps from where it was to the
// first pose of the new clip for half a second of real time.
TEST(MS3DClock, TransitionTakesHalfASecondWithTheClockStill) {
    MS3D m;
    LoadSetUp(m);
    m.SetAnimation(0.0, 25.0, 1000.0, true, false);
    m.Animate(0.3);  // root at (2, 0, 0), 45 degrees
    m.SetAnimation(0.0, 25.0, 1000.0, true, true);
    const float expected[] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int step = 0; step < 4; ++step) {
        m.Animate(0.125);
        EXPECT_EQ(m.blend, expected[step]);
        EXPECT_EQ(m.currentTime, 0.0f);
        EXPECT_EQ(m.blending, step < 3);
        ExpectTranslation(m.skeleton[0], 2.0f * (1.0f - expected[step]), 0, 0);
        EXPECT_NEAR(TurnAboutZ(m.skeleton[0]), 45.0 * (1.0 - expected[step]), 1e-3);
    }
    m.Animate(0.125);
    EXPECT_EQ(m.currentTime, 125.0f) << "the clock moves once the transition is over";
    ExpectTranslation(m.skeleton[0], 0.25f, 0, 0);
}

TEST(MS3DSkinning, PosesFromJointSpaceAndRevertsExactly) {
    MS3D m;
    LoadSetUp(m, OffsetVertices());
    std::vector<MS3D_VERTEX> jointSpace(m.vertices, m.vertices + m.numVertices);
    std::vector<MS3D_TRIANGLE> jointNormals(m.triangles, m.triangles + m.numTriangles);

    m.SetAnimation(0.0, 25.0, 1000.0, true, false);
    m.Animate(0.3);
    Pose(m);
    ExpectPosition(m, 0, 3, 0, 0);
    ExpectPosition(m, 1, 3 - kHalfSqrt2, kHalfSqrt2, 0);
    ExpectPosition(m, 2, 0, 0, 2);
    ExpectPosition(m, 3, 5, 5, 5);
    EXPECT_NEAR(m.triangles[2].normals[0][0], 0.6f * kHalfSqrt2, 1e-6);
    EXPECT_NEAR(m.triangles[2].normals[0][1], 0.6f * kHalfSqrt2, 1e-6);
    EXPECT_NEAR(m.triangles[2].normals[0][2], 0.8f, 1e-6);

    // Back to joint space, even after the matrices have moved on.
    m.Animate(0.1);
    m.UpdateSkeleton();
    m.RevertPoints();
    EXPECT_EQ(std::memcmp(jointSpace.data(), m.vertices, sizeof(MS3D_VERTEX) * m.numVertices), 0);
    EXPECT_EQ(std::memcmp(jointNormals.data(), m.triangles, sizeof(MS3D_TRIANGLE) * m.numTriangles), 0);
}

// Thousands of frames later the pose for a clock state is bit for bit the pose
// a fresh model gives for it.
TEST(MS3DSkinning, NothingAccumulatesOverManyFrames) {
    MS3D played, fresh;
    LoadSetUp(played, OffsetVertices());
    LoadSetUp(fresh, OffsetVertices());
    played.SetAnimation(0.0, 25.0, 1250.0, true, true);
    for (int frame = 0; frame < 3000; ++frame) {
        played.Animate(0.0137 * (1 + frame % 7));
        Pose(played);
        played.RevertPoints();
    }
    for (MS3D* m : {&played, &fresh}) {
        m->SetAnimation(0.0, 25.0, 1000.0, true, false);
        m->Animate(0.3);
        Pose(*m);
    }
    EXPECT_EQ(std::memcmp(played.vertices, fresh.vertices, sizeof(MS3D_VERTEX) * fresh.numVertices), 0);
    EXPECT_EQ(std::memcmp(played.triangles, fresh.triangles, sizeof(MS3D_TRIANGLE) * fresh.numTriangles), 0);
}

// Without InitialSetup there is no skeleton: the clock runs, the mesh stays.
TEST(MS3DClock, WorksWithoutASkeleton) {
    MS3D m;
    ASSERT_TRUE(LoadBytes(m, Encode(Skeleton())));
    m.SetAnimation(0.0, 25.0, 1000.0, true, true);
    for (double seconds : {0.5, 0.2}) m.Animate(seconds);
    EXPECT_EQ(m.currentTime, 200.0f);
    Pose(m);
    m.RevertPoints();
    ExpectPosition(m, 1, 1, 1, 0);
}

}  // namespace

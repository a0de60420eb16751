// The MS3D skeleton, keyframe clock and skinning (and the transition of both
// clocks, the model's and an instance's), on a three-joint model at
// 25 fps: "root" at (1, 0, 0) with translation keys 0 -> (4, 0, 0) and rotation
// keys 0 -> 90 degrees about z, both at 100 ms and 500 ms; "child" of root at
// (0, 1, 0) with no keys; "orphan", whose parent name matches nothing (so it is
// a root), at (0, 0, 2).
#include <cmath>
#include <cstring>
#include <tuple>

#include "TestModels.h"
#include "models/ModelMain.h"

namespace {

using namespace testmodels;

const float kHalfSqrt2 = 0.70710678f;

// Sets the parent names of the last joints of an encoded model, which must have
// no keys (93 bytes each): names the encoder refuses to write.
void SetParents(Bytes& file, const std::vector<std::string>& parents) {
    for (std::size_t j = 0; j < parents.size(); ++j) {
        const std::size_t at = file.size() - 93 * (parents.size() - j) + 33;
        std::fill(file.begin() + at, file.begin() + at + 32, 0);
        std::copy(parents[j].begin(), parents[j].end(), file.begin() + at);
    }
}

MS3DData::Joint Joint(const char* name, const char* parent, std::array<float, 3> position) {
    MS3DData::Joint j;
    j.name = name;
    j.parentName = parent;
    j.position = position;
    return j;
}

// One vertex at each joint's rest position, one unjointed, and two away from
// their joints' origins, where rounding in skinning would show.
std::unique_ptr<MS3D> SkeletonModel(bool setUp = true) {
    MS3DData d;
    d.fps = 25.0f;
    d.totalFrames = 50;
    d.joints = {Joint("root", "", {1, 0, 0}), Joint("child", "root", {0, 1, 0}), Joint("orphan", "", {0, 0, 2})};
    d.joints[0].translationKeys = {{0.1f, {0, 0, 0}}, {0.5f, {4, 0, 0}}};
    d.joints[0].rotationKeys = {{0.1f, {0, 0, 0}}, {0.5f, {0, 0, float(M_PI / 2)}}};
    d.vertices = {Vertex(1, 0, 0, 0), Vertex(1, 1, 0, 1), Vertex(0, 0, 2, 2), Vertex(5, 5, 5),
                  Vertex(1.3f, 0.7f, 0.2f, 0), Vertex(0.3f, 1.9f, -0.4f, 1)};
    d.triangles = {Triangle(0, 1, 2), Triangle(1, 2, 3), Triangle(4, 5, 0, {0.6f, 0, 0.8f})};
    d.groups.resize(1);
    d.groups[0].triangleIndices = {0, 1, 2};
    Bytes file = Encode(d);
    SetParents(file, {"nobody"});
    auto m = std::make_unique<MS3D>();
    EXPECT_TRUE(Read(*m, file));
    if (setUp) m->InitialSetup();
    return m;
}

void Pose(MS3D& m) {
    m.UpdateSkeleton();
    m.UpdatePoints();
}

void ExpectNear(VECTOR3D got, VECTOR3D want) {
    EXPECT_NEAR(got.x, want.x, 1e-5);
    EXPECT_NEAR(got.y, want.y, 1e-5);
    EXPECT_NEAR(got.z, want.z, 1e-5);
}

void ExpectNear(const float* got, VECTOR3D want) { ExpectNear(MakePoint(got[0], got[1], got[2]), want); }

VECTOR3D Origin(const MATRIX& m) { return MakePoint(float(m.m[12]), float(m.m[13]), float(m.m[14])); }

// The angle in degrees by which a joint's rotation matrix turns +x about z.
double TurnAboutZ(const MATRIX& rotation) {
    const VECTOR3D v = MatrixRotatePoint(rotation, MakePoint(1, 0, 0));
    return std::atan2(v.y, v.x) * 180.0 / M_PI;
}

bool SameMatrix(const MATRIX& a, const MATRIX& b) { return std::memcmp(a.m, b.m, sizeof a.m) == 0; }

// Chains of parent names that close on themselves are opened, so repeated
// updates give the same pose instead of feeding a joint's matrix back into it.
// Only a link of the loop is cut: joints hanging off it, listed before or after
// it, keep their parents.
TEST(MS3DSkeleton, ParentLoopsAreOpened) {
    MS3DData d;
    for (const char* name : {"tail", "a", "b", "self", "c"}) {
        d.joints.push_back(Joint(name, "", {1, 0, 0}));
        d.joints.back().rotation[2] = 0.3f;
    }
    Bytes file = Encode(d);
    SetParents(file, {"a", "b", "a", "self", "a"});
    MS3D m;
    ASSERT_TRUE(Read(m, file));
    m.InitialSetup();
    EXPECT_EQ(m.skeleton[0].parent, 1) << "tail, before the loop";
    EXPECT_EQ((m.skeleton[1].parent == -1) + (m.skeleton[2].parent == -1), 1) << "one link of a <-> b cut";
    EXPECT_EQ(m.skeleton[3].parent, -1);
    EXPECT_EQ(m.skeleton[4].parent, 1) << "c, after the loop";
    // A parent listed after its child lags one update; tail lags behind a,
    // which lags behind b, so two updates settle the pose.
    m.UpdateSkeleton();
    m.UpdateSkeleton();
    MATRIX first[5];
    for (int j = 0; j < 5; ++j) first[j] = m.skeleton[j].absolute;
    for (int i = 0; i < 5; ++i) m.UpdateSkeleton();
    for (int j = 0; j < 5; ++j) EXPECT_TRUE(SameMatrix(first[j], m.skeleton[j].absolute)) << j;
}

// The clock needs no skeleton: without InitialSetup it runs and the mesh stays.
TEST(MS3DClock, FramesClipTimesAndSpeedsAt25Fps) {
    const std::unique_ptr<MS3D> m = SkeletonModel(false);
    EXPECT_EQ(m->Frame(25), 1000.0f);
    m->SetAnimation(2.0, 26.0, 1000.0, true, false);
    EXPECT_EQ(std::make_tuple(m->startTime, m->endTime, m->currentTime), std::make_tuple(80.0f, 1040.0f, 80.0f));
    m->SetAnimation(2.5, 3.0, 1000.0, true, false);
    EXPECT_EQ(m->startTime, 100.0f) << "frames need not be whole";
    for (double speed : {1000.0, 1250.0}) {
        m->SetAnimation(0.0, 100.0, speed, true, false);
        m->Animate(0.5);
        EXPECT_EQ(m->currentTime, float(speed * 0.5)) << speed;
    }
    Pose(*m);
    m->RevertPoints();
    ExpectNear(m->vertices[1].position, MakePoint(1, 1, 0));
}

// A looping clip restarts exactly at its start, keys searched from the top; a
// clip that does not loop stops at its end, posed there.
TEST(MS3DClock, ClipsLoopExactlyOrStopAtTheirEnd) {
    const std::unique_ptr<MS3D> m = SkeletonModel();
    const SKELETON_JOINT& root = m->skeleton[0];
    m->SetAnimation(2.0, 25.0, 1000.0, true, false);  // 80 .. 1000 ms
    m->Animate(0.9);
    EXPECT_EQ(m->currentTime, 980.0f);
    ExpectNear(root.currentTranslation, MakePoint(4, 0, 0));
    m->Animate(0.05);  // 1030: past the end
    EXPECT_EQ(m->currentTime, 80.0f) << "the overshoot is dropped";
    ExpectNear(root.currentTranslation, MakePoint(0, 0, 0));
    EXPECT_NEAR(TurnAboutZ(root.rotationMatrix), 0.0, 1e-4);
    m->Animate(0.92);  // exactly on the end: that is the end too
    EXPECT_EQ(m->currentTime, 80.0f) << "landing on the end restarts";
    m->Animate(0.1);
    EXPECT_EQ(m->currentTime, 180.0f);

    m->SetAnimation(0.0, 10.0, 1000.0, false, false);  // 0 .. 400 ms
    m->Animate(0.25);
    m->Animate(0.25);
    EXPECT_EQ(m->currentTime, 400.0f);
    ExpectNear(root.currentTranslation, MakePoint(3, 0, 0));  // 3/4 of the way
    const QUAT atEnd = root.rotationQuat;
    m->Animate(1.0);
    EXPECT_EQ(m->currentTime, 400.0f);
    ExpectNear(root.currentTranslation, MakePoint(3, 0, 0));
    EXPECT_TRUE(root.rotationQuat.IsEqualTo(atEnd));
}

// First and last keys are held outside them; keyless joints keep their rest
// pose yet follow their parent.
TEST(MS3DClock, KeysHeldOutsideAndInterpolatedBetween) {
    const struct {
        double seconds;  // played from 0 at speed 1000
        float x;         // root translation
        double degrees;  // root turn about z
    } cases[] = {{0.05, 0, 0}, {0.1, 0, 0}, {0.3, 2, 45}, {0.4, 3, 67.5}, {0.5, 4, 90}, {0.9, 4, 90}};
    for (const auto& c : cases) {
        const std::unique_ptr<MS3D> m = SkeletonModel();
        const MATRIX orphanRest = m->skeleton[2].absolute;
        m->SetAnimation(0.0, 25.0, 1000.0, true, false);
        m->Animate(c.seconds);
        m->UpdateSkeleton();
        SCOPED_TRACE(c.seconds);
        ExpectNear(m->skeleton[0].currentTranslation, MakePoint(c.x, 0, 0));
        EXPECT_NEAR(TurnAboutZ(m->skeleton[0].rotationMatrix), c.degrees, 1e-3);
        EXPECT_NEAR(QuatMagnitude(m->skeleton[0].rotationQuat), 1.0, 1e-9);
        EXPECT_TRUE(SameMatrix(orphanRest, m->skeleton[2].absolute));
        const double turn = c.degrees * M_PI / 180;
        ExpectNear(Origin(m->skeleton[1].absolute),
                   MakePoint(float(1 + c.x - std::sin(turn)), float(std::cos(turn)), 0));
    }
}

// A transition holds the clock while the pose slerps from where it was to the
// first pose of the new clip: for half a second of real time on the model's own
// clock, a quarter second on an instance's. That pose is the first key not
// earlier than the clip's start: a key the start falls on is that key, and a
// start after the last key holds the last one.
TEST(MS3DClock, TransitionsHoldTheClockAndGlideToTheFirstPoseOfTheClip) {
    const struct { double startFrame; float x; double degrees; } clips[] = {
        {0.0, 0, 0},    // 0 ms: before the first key (100 ms)
        {2.5, 0, 0},    // 100 ms: on the first key
        {5.0, 4, 90},   // 200 ms: between the keys
        {12.5, 4, 90},  // 500 ms: on the last key
        {20.0, 4, 90},  // 800 ms: after the last key
    };
    for (const auto& clip : clips)
        for (bool instance : {false, true}) {
            SCOPED_TRACE(::testing::Message() << clip.startFrame << (instance ? ", instance" : ", model"));
            const std::unique_ptr<MS3D> m = SkeletonModel();
            ANIMATIONTEMPLATE animTemplate;
            ONEMODEL one;
            ASSERT_TRUE(animTemplate.Setup(m.get()) && one.Setup(&animTemplate, m.get(), nullptr));
            const auto play = [&](double from, bool blend) {
                instance ? one.SetAnimation(from, 25, 1000, true, blend) : m->SetAnimation(from, 25, 1000, true, blend);
            };
            const auto step = [&](double seconds) { instance ? one.Update(seconds) : m->Animate(seconds); };
            play(0, false);
            step(0.3);  // root at (2, 0, 0), 45 degrees
            play(clip.startFrame, true);
            const float start = instance ? one.startTime : m->startTime;
            for (int k = 1; k <= 4; ++k) {
                step(instance ? 0.0625 : 0.125);
                const float b = 0.25f * k;
                EXPECT_EQ(instance ? std::make_tuple(one.blend, one.blending, one.currentTime)
                                   : std::make_tuple(m->blend, m->blending, m->currentTime),
                          std::make_tuple(b, k < 4, start));
                ExpectNear(instance ? one.joints[0].currentTranslation : m->skeleton[0].currentTranslation,
                           MakePoint(2 * (1 - b) + clip.x * b, 0, 0));
                EXPECT_NEAR(TurnAboutZ(instance ? one.joints[0].rotationMatrix : m->skeleton[0].rotationMatrix),
                            45.0 * (1 - b) + clip.degrees * b, 1e-3);
                EXPECT_NEAR(TurnAboutZ(instance ? one.joints[1].rotationMatrix : m->skeleton[1].rotationMatrix), 0, 1e-9)
                    << "a joint without keys keeps its rest pose";
            }
            step(0.125);
            EXPECT_EQ(instance ? one.currentTime : m->currentTime, start + 125.0f) << "the clock moves on after it";
        }
}

// Each pose is computed from the joint-space copy, so after thousands of frames
// the pose for a clock state is exactly what it was on the first, and reverting
// gives the joint-space mesh back bit for bit.
TEST(MS3DSkinning, PosesFromJointSpaceAndRevertsExactly) {
    const std::unique_ptr<MS3D> m = SkeletonModel(), fresh = SkeletonModel();
    const std::vector<float> jointSpace = MeshValues(*m);
    Pose(*m);  // the rest pose gives the model back
    ExpectNear(m->vertices[4].position, MakePoint(1.3f, 0.7f, 0.2f));
    ExpectNear(m->vertices[5].position, MakePoint(0.3f, 1.9f, -0.4f));
    ExpectNear(m->triangles[2].normals[0], MakePoint(0.6f, 0, 0.8f));
    m->SetAnimation(0.0, 25.0, 1250.0, true, true);
    for (int frame = 0; frame < 3000; ++frame) {
        m->Animate(0.0137 * (1 + frame % 7));
        Pose(*m);
        m->RevertPoints();
    }
    for (MS3D* model : {m.get(), fresh.get()}) {
        model->SetAnimation(0.0, 25.0, 1000.0, true, false);
        model->Animate(0.3);  // root at (3, 0, 0) turned 45 degrees
        Pose(*model);
    }
    Pose(*m);  // posing again without reverting changes nothing
    EXPECT_EQ(MeshValues(*m), MeshValues(*fresh));
    ExpectNear(m->vertices[0].position, MakePoint(3, 0, 0));
    ExpectNear(m->vertices[1].position, MakePoint(3 - kHalfSqrt2, kHalfSqrt2, 0));
    ExpectNear(m->vertices[2].position, MakePoint(0, 0, 2));
    ExpectNear(m->vertices[3].position, MakePoint(5, 5, 5));
    ExpectNear(m->triangles[2].normals[0], MakePoint(0.6f * kHalfSqrt2, 0.6f * kHalfSqrt2, 0.8f));

    m->Animate(0.1);  // back to joint space, even after the matrices moved on
    m->UpdateSkeleton();
    m->RevertPoints();
    EXPECT_EQ(MeshValues(*m), jointSpace);
}

}  // namespace

// The camera director: its first values and first changes at 10 s, the share
// and length of shots and looks, the order of its random draws, the drone, the
// camel ride's eye, the orbit, waypoints, the degenerate-view guard, the zoom's
// range, frame times up to 2 s, and the same film for the same seed.
#include "scene/Camera.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "GLFixture.h"
#include "SceneTestFiles.h"
#include "engine/MainClass.h"

namespace {

// A scene with the shipped camels and a ground of four landmarks.
struct SCENE {
    explicit SCENE(int camels = 3) {
        scene.ground = std::make_unique<ONEBG>();
        scene.ground->landmarks = new VECTOR3D[4]{{0, 0, 0}, {300, 20, -100}, {-200, 5, 250}, {50, 40, 400}};
        scene.ground->landmarkCount = 4;
        scene.herd = std::make_unique<CAMELCONTROL>();
        ok = scene.herd->Setup(camels, scenefiles::Generated().c_str());
    }
    // One frame as the frame driver runs it, without drawing.
    void Frame(float dt) {
        glLoadIdentity();
        scene.Move(dt);
        scene.camera.Move(&scene, dt);
    }
    MAINCLASS scene;
    CAMERA& camera = scene.camera;
    bool ok = false;
};

bool Finite(VECTOR3D v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class CameraTest : public GLTest {};

// It starts flying from (r, 0, 800) towards (0, 60, 0), looking at landmark
// 1, zoomed out to 90 degrees; shot and look first change at 10 s.
TEST_F(CameraTest, TheFirstShotAndLookChangeTogetherAtTenSecondsShotFirst) {
    std::srand(5);
    const float r = static_cast<float>(std::rand() % 600 - 150);
    std::srand(5);
    SCENE s;
    ASSERT_TRUE(s.ok);
    const CAMERA& c = s.camera;
    EXPECT_TRUE(CompareVectors(c.eyeSmoothed, MakePoint(r, 0, 800)) && CompareVectors(c.waypoint, MakePoint(0, 60, 0)));
    EXPECT_TRUE(c.mode == CAMERA::kFlyThrough && c.lookMode == CAMERA::kLookAtSubject && c.landmarkIndex == 1);
    EXPECT_TRUE(c.zoom == 2.0f && c.followRate == 0.0f && CompareVectors(c.angles, MakePoint(0, 180, 0)));
    for (uint32_t name : c.flareTextures) EXPECT_EQ(name, 0u);
    s.Frame(0.5f);
    EXPECT_EQ(c.eye.y, CAMERA::kFlyFloor);  // raised to the flying floor at once
    EXPECT_TRUE(c.eyeSmoothed.y > 0 && c.eyeSmoothed.y < CAMERA::kFlyFloor);  // the view follows from the ground
    EXPECT_TRUE(CompareVectors(c.lookAt, s.scene.ground->landmarks[1]));
    for (int frame = 1; frame < 20; ++frame) s.Frame(0.5f);  // 10.0 s: not yet below 0
    EXPECT_TRUE(c.mode == CAMERA::kFlyThrough && c.lookTimer == 0.0f);

    const unsigned seed = 99;
    std::srand(seed);
    const int modeTimer = std::rand() % 40 + 20;  // the shot's draw comes first
    std::srand(seed);
    glLoadIdentity();
    s.camera.Move(&s.scene, 0.5f);  // 10.5 s
    EXPECT_EQ(c.modeTimer, float(modeTimer));
    EXPECT_TRUE(c.lookTimer >= 20 && c.lookTimer <= 39);  // and the look changed in the same frame
}

TEST_F(CameraTest, ShotsComeFiveFiveOneOneInTwelveAndLastTheirTime) {
    SCENE s(4);
    ASSERT_TRUE(s.ok);
    std::srand(17);
    int count[4] = {};
    const int changes = 2400;
    for (int n = 0; n < changes; ++n) {
        s.Frame(60.0f);  // both timers run out every frame
        const CAMERA& c = s.camera;
        ASSERT_TRUE(c.mode >= 0 && c.mode < 4);
        ++count[c.mode];
        ASSERT_TRUE(c.modeTimer >= 20 && c.modeTimer <= 59 && c.modeTimer == std::floor(c.modeTimer)) << c.modeTimer;
        ASSERT_TRUE(c.lookTimer >= 20 && c.lookTimer <= 39) << c.lookTimer;
        ASSERT_TRUE(c.lookMode == 0 || c.lookMode == 1);
        ASSERT_TRUE(c.landmarkIndex >= 0 && c.landmarkIndex < 4);
        ASSERT_TRUE(c.targetCamel >= 0 && c.targetCamel < 4);
        ASSERT_TRUE(Finite(c.eyeSmoothed) && Finite(c.lookAtSmoothed));
    }
    const double want[4] = {5.0 / 12, 5.0 / 12, 1.0 / 12, 1.0 / 12};
    for (int m = 0; m < 4; ++m) EXPECT_NEAR(count[m] / double(changes), want[m], 0.025) << m;
}

// Where three calls fill one vector, the first gives z, the second y, the third x.
TEST_F(CameraTest, RandomVectorsAreDrawnZThenYThenX) {
    CAMERA c;
    unsigned jumpSeed = 1;  // a seed whose second draw starts a fly-through with a jump
    for (;; ++jumpSeed) {
        std::srand(jumpSeed);
        std::rand();
        if (std::rand() % 5 == 1) break;
    }
    const struct { const char* name; int mode; unsigned seed; int skip; int mz, oz, my, oy, mx, ox; } cases[] = {
        {"tripod eye", CAMERA::kTripod, 4, 1, 1500, -750, 800, 20, 1500, -750},
        {"orbit angles", CAMERA::kOrbit, 4, 1, 360, 0, 360, 0, 360, 0},
        {"fly-through jump", CAMERA::kFlyThrough, jumpSeed, 2, 2000, -1000, 800, 20, 2000, -1000},
    };
    for (const auto& k : cases) {
        std::srand(k.seed);
        for (int i = 0; i < k.skip; ++i) std::rand();
        const int z = std::rand() % k.mz + k.oz, y = std::rand() % k.my + k.oy, x = std::rand() % k.mx + k.ox;
        std::srand(k.seed);
        c.mode = k.mode;
        c.SetupNewMode(nullptr);
        const VECTOR3D got = k.mode == CAMERA::kOrbit ? c.angles : c.eye;
        EXPECT_TRUE(CompareVectors(got, MakePoint(float(x), float(y), float(z)))) << k.name;
    }
}

// The drone steers from where it is, so it wanders among the waypoints
// (within 500 units of the centre, plus a turning circle) instead of flying
// off in a straight line while the tripod stares after it.
TEST_F(CameraTest, TheTripodsDroneWandersAmongTheWaypoints) {
    std::srand(8);
    SCENE s;
    ASSERT_TRUE(s.ok);
    CAMERA& c = s.camera;
    c.mode = CAMERA::kTripod;
    c.SetupNewMode(&s.scene);
    c.modeTimer = c.lookTimer = 1000;
    int waypoints = 0;
    VECTOR3D last = c.waypoint;
    for (int frame = 0; frame < 30 * 300; ++frame) {
        s.Frame(1 / 30.0f);
        ASSERT_LT(std::hypot(c.modeVector.x, c.modeVector.z), 1200.0) << frame / 30 << " s";
        waypoints += !CompareVectors(c.waypoint, last);
        last = c.waypoint;
    }
    EXPECT_GE(waypoints, 5);
    EXPECT_TRUE(CompareVectors(c.lookAt, c.modeVector));
}

TEST_F(CameraTest, TheRideSitsOnTheLeadersFirstJoint) {
    SCENE s;
    ASSERT_TRUE(s.ok);
    for (int frame = 0; frame < 40; ++frame) s.Frame(0.05f);
    CAMERA& c = s.camera;
    const ONECAMEL& leader = s.scene.herd->camels[0];
    c.mode = CAMERA::kCamelRide;
    c.modeTimer = c.lookTimer = 100;
    c.lookMode = CAMERA::kLookAhead;
    s.Frame(0.05f);
    const VECTOR3D seat = AddVectors(MatrixPointMultiply(leader.joints[0].absolute, MakePoint(0, 1.25f, 0)), leader.position);
    EXPECT_TRUE(CompareVectors(c.eye, seat));
    const VECTOR3D ahead = AddVectors(leader.position, MakePoint(10 * leader.direction.x, 10 * leader.direction.y,
                                                                10 * leader.direction.z));
    EXPECT_TRUE(CompareVectors(c.lookAtSmoothed, ahead));  // no easing while looking ahead
    EXPECT_EQ(c.zoomGoal, 1.0f);
    EXPECT_EQ(c.followRateGoal, 10.0f);

    c.lookMode = CAMERA::kLookAtSubject;  // landmark 1: the eye draws back 4 units from it
    s.Frame(0.05f);
    const VECTOR3D seatNow = AddVectors(MatrixPointMultiply(leader.joints[0].absolute, MakePoint(0, 1.25f, 0)), leader.position);
    const VECTOR3D back = SubtractVectors(c.eye, seatNow);
    EXPECT_NEAR(VectorLength(back), 4.0, 1e-4);
    const VECTOR3D toSubject = NormalizeVector(SubtractVectors(s.scene.ground->landmarks[1], seatNow));
    EXPECT_NEAR(VectorDotProduct(NormalizeVector(back), toSubject), -1.0, 1e-5);
}

TEST_F(CameraTest, TheOrbitCirclesItsCamelFiveUnitsOutAndNeverBelowIt) {
    std::srand(12);
    SCENE s;
    ASSERT_TRUE(s.ok);
    CAMERA& c = s.camera;
    c.targetCamel = 2;
    c.lookMode = CAMERA::kLookAhead;
    c.mode = CAMERA::kOrbit;
    c.SetupNewMode(&s.scene);
    c.orbitSpeed = MakePoint(17, -11, 5);  // through every side, above and below
    c.modeTimer = c.lookTimer = 1000;
    for (int frame = 0; frame < 30 * 60; ++frame) {
        s.Frame(1 / 30.0f);
        const VECTOR3D camel = s.scene.herd->camels[2].position;
        ASSERT_NEAR(std::sqrt(DistanceBetweenVectors(c.eye, camel)), 5.0, 0.03) << frame;  // 0.5 floor aside
        ASSERT_GE(c.eye.y, CAMERA::kEyeFloor) << frame;
    }
    EXPECT_EQ(c.lookBlendGoal, 10.0f);
    EXPECT_EQ(c.followRateGoal, 5.0f);
}

// The generated ground has dunes higher than the height floors. Over a film
// (each of these seeds has the eye meet a dune) the eye, the
// goal and the smoothed one, ends every frame 0.5 above the ground under it.
TEST_F(CameraTest, OnTheGeneratedGroundTheEyeEndsEveryFrameAboveIt) {
    for (unsigned seed : {1u, 2u, 4u}) {
        std::srand(seed);
        SCENE s(10);
        ASSERT_TRUE(s.ok);
        s.scene.ground = std::make_unique<ONEBG>();
        ASSERT_TRUE(s.scene.ground->Setup(scenefiles::Generated().c_str()));
        const ONEBG& ground = *s.scene.ground;
        const CAMERA& c = s.camera;
        int resting = 0;  // frames with an eye held up by a dune
        for (int frame = 0; frame < 30 * 180; ++frame) {
            s.Frame(1 / 30.0f);
            for (VECTOR3D eye : {c.eye, c.eyeSmoothed}) {
                const float height = ground.HeightAt(eye.x, eye.z);
                ASSERT_GE(eye.y, height + CAMERA::kEyeFloor) << "seed " << seed << ", frame " << frame;
                resting += height > 0.0f && eye.y == height + CAMERA::kEyeFloor;
            }
        }
        EXPECT_GT(resting, 10) << "seed " << seed << ": the ground never held the eye up";
    }
}

// One frame from a prepared state: waypoints replaced within 50 units or after
// a full circle; the goal eye (not the smoothed one) exactly on the smoothed
// look point moving it 1 along -z; the zoom kept within its goals' range.
TEST_F(CameraTest, OneFrameFromAPreparedState) {
    SCENE s;
    ASSERT_TRUE(s.ok);
    const VECTOR3D w = MakePoint(0, 60, 0), p = MakePoint(30, 50, 70), q = MakePoint(35, 50, 70);
    using Step = std::function<void(CAMERA&)>;
    using Check = std::function<bool(const CAMERA&)>;
    const auto flyFrom = [&](float x, float turned) {
        return [=](CAMERA& c) { c.waypoint = w, c.eye = c.eyeSmoothed = MakePoint(x, 60, 0), c.turnedSinceWaypoint = turned; };
    };
    const auto replaced = [&](bool want) {
        return [=](const CAMERA& c) { return !CompareVectors(c.waypoint, w) == want && (!want || c.turnedSinceWaypoint < 1); };
    };
    // A tripod keeps its eye; with no look easing the smoothed look point stays put.
    const auto tripod = [&](VECTOR3D eye, VECTOR3D smoothed) {
        return [=](CAMERA& c) {
            c.mode = CAMERA::kTripod, c.eye = eye, c.eyeSmoothed = smoothed, c.lookAtSmoothed = c.modeVector = p;
            c.lookBlend = c.lookBlendGoal = 0;
        };
    };
    const auto lookingAt = [&](VECTOR3D want) { return [=](const CAMERA& c) { return CompareVectors(c.lookAtSmoothed, want); }; };
    const auto zoom = [](float from, float goal) { return [=](CAMERA& c) { c.zoom = from, c.zoomGoal = goal; }; };
    const auto zoomIs = [](float want) { return [=](const CAMERA& c) { return std::fabs(c.zoom - want) < 1e-6f; }; };
    const struct { const char* name; Step prepare; float dt; Check check; } cases[] = {
        {"waypoint 49.9 units away", flyFrom(49.9f, 0), 1e-4f, replaced(true)},
        {"waypoint 50.1 units away", flyFrom(50.1f, 0), 1e-4f, replaced(false)},
        {"far waypoint circled for a full turn", flyFrom(300, 361), 1e-4f, replaced(true)},
        {"goal eye on the smoothed look point", tripod(p, q), 0.01f, lookingAt(MakePoint(30, 50, 69))},
        {"only the smoothed eye on it", tripod(q, p), 0.01f, lookingAt(p)},
        {"zoom overshooting to -0.85", zoom(2.0f, 0.5f), 2.0f, zoomIs(0.5f)},
        {"zoom overshooting to 3.33", zoom(0.5f, 1.99f), 2.0f, zoomIs(2.0f)},
        {"an ordinary zoom step", zoom(1.0f, 1.5f), 0.1f, zoomIs(1.05f)},
    };
    for (const auto& k : cases) {
        CAMERA& c = s.camera;
        c.mode = CAMERA::kFlyThrough;
        c.modeTimer = c.lookTimer = 100;
        k.prepare(c);
        s.Frame(k.dt);
        EXPECT_TRUE(k.check(c)) << k.name;
    }
}

// Frame times as the host lets them through, at most 2 s, for twenty minutes
// each: the camera and the camels stay finite and near the desert.
TEST_F(CameraTest, NoFrameTimeDrivesTheViewOrTheHerdAway) {
    const struct { const char* name; float a, b; } paces[] = {
        {"4 fps", 0.25f, 0.25f}, {"2 s frames", 2.0f, 2.0f}, {"2 s and 60 fps in turn", 2.0f, 1 / 60.0f}};
    for (const auto& pace : paces) {
        std::srand(23);
        SCENE s(5);
        ASSERT_TRUE(s.ok);
        for (double t = 0; t < 1200; t += (pace.a + pace.b) / 2) {
            s.Frame(static_cast<int>(t / ((pace.a + pace.b) / 2)) % 2 ? pace.b : pace.a);
            const CAMERA& c = s.camera;
            for (VECTOR3D v : {c.eye, c.eyeSmoothed, c.lookAt, c.lookAtSmoothed, c.upSmoothed})
                ASSERT_TRUE(Finite(v) && VectorLength(v) < 10000) << pace.name << " at " << t;
            ASSERT_TRUE(c.zoom >= CAMERA::kMinZoom && c.zoom <= CAMERA::kMaxZoom) << pace.name;
            for (int i = 0; i < 5; ++i)
                ASSERT_TRUE(Finite(s.scene.herd->camels[i].position) &&
                            VectorLength(s.scene.herd->camels[i].position) < 2000) << pace.name << " camel " << i;
        }
    }
}

TEST_F(CameraTest, TheSameSeedAndStepGiveTheSameFilmWithCornersFacingTheEye) {
    const auto film = [](std::vector<float>* out) {
        std::srand(31);
        SCENE s(6);
        ASSERT_TRUE(s.ok);
        for (int frame = 0; frame < 3600; ++frame) s.Frame(1 / 30.0f);
        const CAMERA& c = s.camera;
        // The flare's corners: a square across the view, counter-clockwise seen
        // from the eye, so it is drawn while back faces are culled.
        const VECTOR3D view = NormalizeVector(SubtractVectors(c.lookAtSmoothed, c.eyeSmoothed));
        const VECTOR3D* k = c.billboardCorners;
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(std::fabs(VectorDotProduct(k[i], view)) < 1e-5 && std::fabs(VectorLength(k[i]) - std::sqrt(2.0)) < 1e-5);
        EXPECT_LT(VectorDotProduct(VectorCrossProduct(SubtractVectors(k[1], k[0]), SubtractVectors(k[2], k[1])), view), -0.1);
        for (VECTOR3D v : {c.eye, c.eyeSmoothed, c.lookAtSmoothed, c.waypoint, c.angles})
            out->insert(out->end(), {v.x, v.y, v.z});
        out->insert(out->end(), {float(c.mode), float(c.lookMode), float(c.landmarkIndex), c.zoom});
        for (int i = 0; i < 6; ++i) {
            const ONECAMEL& camel = s.scene.herd->camels[i];
            out->insert(out->end(), {camel.position.x, camel.position.z, camel.destination.x, camel.currentTime});
        }
    };
    std::vector<float> first, second;
    film(&first);
    film(&second);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
}

}  // namespace

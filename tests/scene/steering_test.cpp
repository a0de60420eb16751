// Heading steering and easing: which way a mover turns for goals around it,
// the damper, the camera's pitch limiter on wrapped pitches, the angle wrap,
// a camel that never pitches, and easings that stay bounded at any frame rate.
#include "scene/Steering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scene/Easing.h"

namespace {

struct MOVER {
    VECTOR3D angles, turnSpeed, turnSpeedGoal, direction;
    MATRIX rotation;
    HEADING Heading() { return {&angles, &turnSpeed, &turnSpeedGoal, &rotation, &direction}; }
};

// A camera-like mover at the origin with the given heading, aiming at `goal`.
VECTOR3D GoalSpeeds(VECTOR3D angles, VECTOR3D goal, bool steerPitch = true) {
    MOVER m;
    m.angles = angles;
    m.rotation = MatrixFromAngle(angles);
    TurnHeading(m.Heading(), RelativeDestination(MakePoint(0, 0, 0), m.rotation, goal), steerPitch, 20.0f, 0.0f);
    return m.turnSpeedGoal;
}

TEST(Steering, GoalSpeedsForGoalsAroundTheMover) {
    // Heading angles (0, 0, 0) face +z; +x is to the mover's side that a
    // positive yaw turns towards, +y is up.
    const struct { const char* name; VECTOR3D angles, goal; float yaw, pitch; } cases[] = {
        {"at the reference point: full rate, no damper", {0, 0, 0}, {0, 0, 0}, 20, 20},
        {"straight behind", {0, 0, 0}, {0, 0, -100}, 20, 20},
        {"nearly dead ahead", {0, 0, 0}, {1, -1, 100}, 0, 0},
        {"ahead, 10 off sideways and up: halved", {0, 0, 0}, {-10.05f, 10.05f, 100}, -10, 10},
        {"ahead, far to the +x side and below", {0, 0, 0}, {60, -60, 100}, 20, -20},
        {"pitched 32 degrees, goal above: halved", {32, 0, 0}, {0, 500, 100}, 0, 10},
        {"pitched 38 degrees, goal above: quartered", {38, 0, 0}, {0, 500, 100}, 0, 5},
        {"pitched 41 degrees, goal above: cancelled", {41, 0, 0}, {0, 500, 100}, 0, 0},
        {"pitched 41 degrees, goal behind below: never limited", {41, 0, 0}, {0, -500, 100}, 20, -20},
        {"pitch -300 is 60 nose up: a climb is cancelled", {-300, 0, 0}, {0, 500, 100}, 0, 0},
        {"pitch 300 is 60 nose down: a dive is cancelled", {300, 0, 0}, {0, -500, 100}, 0, 0},
        {"pitch 300, goal behind above: back towards level", {300, 0, 0}, {0, 500, 100}, 20, 20},
    };
    for (const auto& c : cases) {
        const VECTOR3D g = GoalSpeeds(c.angles, c.goal);
        EXPECT_FLOAT_EQ(g.y, c.yaw) << c.name;
        EXPECT_FLOAT_EQ(g.x, c.pitch) << c.name;
        EXPECT_EQ(g.z, 0.0f) << c.name;
    }
}

TEST(Steering, ANaNOffsetKeepsLastFramesGoal) {
    MOVER m;
    m.turnSpeedGoal = MakePoint(-7, 3, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TurnHeading(m.Heading(), MakePoint(nan, nan, nan), true, 20, 0.1f);
    EXPECT_EQ(m.turnSpeedGoal.x, -7);
    EXPECT_EQ(m.turnSpeedGoal.y, 3);
}

TEST(Steering, AnglesWrapByOneTurnPastAFullTurnAndACamelStaysLevel) {
    const struct { float yaw, speed, want; } cases[] = {
        {359, 20, 1}, {-359, -20, -1}, {358, 20, 360}, {-358, -20, -360}, {350, 20, 352}};
    for (const auto& c : cases) {
        MOVER m;
        m.angles = MakePoint(0, c.yaw, 0);
        m.turnSpeed.y = m.turnSpeedGoal.y = c.speed;
        // A goal behind, on the side that keeps the turn going at full rate;
        // above, which a camel ignores.
        TurnHeading(m.Heading(), MakePoint(c.speed > 0 ? -50.0f : 50.0f, -40, 80), false, 20, 0.1f);
        EXPECT_NEAR(m.angles.y, c.want, 1e-4) << c.yaw;
        EXPECT_TRUE(m.angles.x == 0 && m.angles.z == 0 && m.direction.y == 0) << c.yaw;
    }
}

TEST(Easing, ALongFrameOvershootsButNothingRunsAway) {
    EXPECT_FLOAT_EQ(Ease(0.0f, 1.0f, 0.01f, 10.0f), 0.1f);  // below the cap, the plain step
    EXPECT_FLOAT_EQ(Ease(0.0f, 1.0f, 2.0f, 10.0f), 1.9f);   // 20 capped at 1.9: overshoots
    EXPECT_FLOAT_EQ(Ease(0.0f, 1.0f, 2.0f, -15.0f), 0.0f);  // a rate swung below 0 moves nothing

    // Sustained 4 fps at rate 10, as on a slow software renderer: bounded and settling.
    float value = 0.0f;
    for (int frame = 0; frame < 240; ++frame) {
        value = Ease(value, 100.0f, 0.25f, 10.0f);
        ASSERT_LE(std::fabs(value - 100.0f), 100.0f) << frame;
    }
    EXPECT_NEAR(value, 100.0f, 1e-3);
}

}  // namespace

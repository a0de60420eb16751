// Heading steering, shared by the camera's and the camels' TurnToTarget.
//
// Where is the goal? The offset from the goal to the mover is turned into the
// mover's own frame with the transpose of its rotation (the inverse, since the
// rotation is rigid) and scaled to length 100. In that frame +z is forward, so a
// goal ahead has a negative z; a goal to the mover's +x side has a negative x, a
// goal above a negative y. The thresholds below are in hundredths of the unit
// offset: |x| < 5 means less than about 2.9 degrees off the axis sideways.
//
// Which way to turn? Full rate towards the goal's side on each steered axis.
// Each axis takes two separate tests, "> 0" and "<= 0", rather than an if/else:
// a NaN offset passes neither and keeps last frame's goal instead of turning
// one way for ever. With the goal ahead, a damper halves the goal speed inside
// 15 and stops it inside 5, so the mover settles on its goal instead of hunting
// across it. The speeds then ease towards their goals (at 1 per second, capped
// like every easing, Easing.h), so a mover never snaps into a turn.
//
// The camera's pitch limiter stops it from tilting ever steeper: when the goal
// speed would tilt the nose further from level, it is halved beyond 30
// degrees, quartered beyond 35 and cancelled beyond 40. The pitch is read
// wrapped into (-180, 180]: after an orbit the heading angles can be anywhere
// in -360..360, and a raw pitch of -300 (which is +60, nose up) would cancel
// every nose-down correction and let the camera climb for minutes.
//
// The angles are wrapped by one turn when they pass -360 or 360, and nothing
// more; the matrix does not care.
//
// Turning circles. The camera turns at most 20 degrees per second at 50 units
// per second, a circle of about 143 units, but takes its next waypoint within
// 50; a camel is in the same position with a goal that lands just beside it.
// Such a goal is never reached: the mover circles it. Each step therefore
// reports how far it turned, and the movers give up on a goal once they have
// turned through more than a full circle since it was set (kGiveUpTurning).
#include "scene/Steering.h"

#include <cmath>

#include "scene/Easing.h"

namespace {

constexpr float kNearlyAhead = 5.0f;  // |offset| below this: stop turning on that axis
constexpr float kCloseAhead = 15.0f;  // |offset| below this: turn at half speed

// The goal speed for one axis from the goal's offset on it.
void AimAxis(float offset, float rate, float* goal) {
    if (offset > 0.0f) *goal = -rate;
    if (offset <= 0.0f) *goal = rate;
}

// Eases off the goal speed when the goal is nearly on this axis.
void Damp(float offset, float* goal) {
    const float distance = std::fabs(offset);
    if (distance < kNearlyAhead)
        *goal = 0.0f;
    else if (distance < kCloseAhead)
        *goal *= 0.5f;
}

// Limits a pitch goal speed that would tilt the heading further from level.
void LimitPitch(float pitch, float* goal) {
    const float wrapped = WrapHalfTurn(pitch);
    const bool steeper = (wrapped > 0.0f && *goal > 0.0f) || (wrapped < 0.0f && *goal < 0.0f);
    if (!steeper) return;
    const float tilt = std::fabs(wrapped);
    if (tilt > 40.0f)
        *goal = 0.0f;
    else if (tilt > 35.0f)
        *goal *= 0.25f;
    else if (tilt > 30.0f)
        *goal *= 0.5f;
}

// One turn back when an angle has passed a full turn either way.
void WrapTurn(float* angle) {
    if (*angle < -360.0f) *angle += 360.0f;
    if (*angle > 360.0f) *angle -= 360.0f;
}

}  // namespace

VECTOR3D RelativeDestination(VECTOR3D reference, const MATRIX& rotation, VECTOR3D dest) {
    VECTOR3D v = MatrixInverseRotatePoint(rotation, SubtractVectors(reference, dest));
    v.Normalize();
    return MakePoint(v.x * 100.0f, v.y * 100.0f, v.z * 100.0f);
}

float WrapHalfTurn(float degrees) {
    float wrapped = std::fmod(degrees, 360.0f);  // (-360, 360), exact
    if (wrapped > 180.0f) wrapped -= 360.0f;
    if (wrapped <= -180.0f) wrapped += 360.0f;
    return wrapped;
}

float TurnHeading(const HEADING& h, VECTOR3D rel, bool steerPitch, float rate, float dt) {
    VECTOR3D& goal = *h.turnSpeedGoal;
    AimAxis(rel.x, rate, &goal.y);
    if (steerPitch) AimAxis(rel.y, rate, &goal.x);
    if (rel.z < 0.0f) {  // the goal is ahead
        Damp(rel.x, &goal.y);
        if (steerPitch) Damp(rel.y, &goal.x);
    }
    if (steerPitch) LimitPitch(h.angles->x, &goal.x);

    *h.turnSpeed = Ease(*h.turnSpeed, goal, dt, 1.0f);
    const VECTOR3D step = MakePoint(dt * h.turnSpeed->x, dt * h.turnSpeed->y, dt * h.turnSpeed->z);
    VECTOR3D& angles = *h.angles;
    angles = AddVectors(angles, step);
    WrapTurn(&angles.y);
    if (steerPitch) {
        WrapTurn(&angles.x);
        WrapTurn(&angles.z);
    }

    *h.rotation = MatrixFromAngle(angles);
    *h.direction = MatrixPointMultiply(*h.rotation, MakePoint(0.0f, 0.0f, 1.0f));
    return std::fabs(step.y) + (steerPitch ? std::fabs(step.x) : 0.0f);
}

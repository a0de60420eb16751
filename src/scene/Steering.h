// Heading steering: how a mover (the flying camera, a walking camel) turns
// towards a goal point without turning on the spot.
//
// A mover keeps heading angles (x pitch, y yaw, z roll, degrees), a turning
// speed per axis and a goal turning speed per axis. Each frame the goal speeds
// are chosen from where the goal lies in the mover's own frame (left or right,
// above or below, and a damper that eases off when the goal is nearly ahead),
// the speeds ease towards their goals, the angles advance, and the rotation
// matrix (MatrixFromAngle) and the unit forward direction (the matrix applied
// to +z) are rebuilt. The caller then moves along the new direction.
//
// The camera steers yaw and pitch, with a limiter that stops it tilting past
// 40 degrees; a camel steers yaw only and walks level.
#pragma once

#include "maths/NiftyMaths.h"

// The values a steering step reads and writes, owned by the mover.
struct HEADING {
    VECTOR3D* angles;         // degrees: x pitch, y yaw, z roll
    VECTOR3D* turnSpeed;      // degrees per second, per axis
    VECTOR3D* turnSpeedGoal;  // degrees per second, per axis
    MATRIX* rotation;         // MatrixFromAngle(*angles)
    VECTOR3D* direction;      // rotation applied to (0, 0, 1)
};

// The offset from dest to the reference position, in the frame of `rotation`,
// scaled to length 100 (zero when they coincide). A goal straight ahead gives
// about (0, 0, -100).
VECTOR3D RelativeDestination(VECTOR3D reference, const MATRIX& rotation, VECTOR3D dest);

// An angle in degrees wrapped into (-180, 180]; NaN stays NaN.
float WrapHalfTurn(float degrees);

// One steering step of `rate` degrees per second over dt seconds, given the
// goal's relative offset `rel` (RelativeDestination). With steerPitch the
// pitch is steered and limited too (the camera); without, only the yaw (a camel).
// Returns the degrees turned in this step, |change of yaw| + |change of pitch|,
// which movers add up to notice a goal they keep circling (see kGiveUpTurning).
float TurnHeading(const HEADING& heading, VECTOR3D rel, bool steerPitch, float rate, float dt);

// A mover whose heading has turned through more than this many degrees since
// its goal was set is circling a goal inside its turning circle; it takes its
// next goal instead.
constexpr float kGiveUpTurning = 360.0f;

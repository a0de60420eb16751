// Smooth motion: every eased value in the scene moves towards its goal by the
// first-order step
//
//     value += (goal - value) * clamp(dt * rate, 0, kMaxEaseStep)
//
// Below the cap this is the plain step: each frame covers the fraction dt * rate
// of the remaining distance, so motion looks the same at any frame rate, and a
// long frame (dt * rate above 1) overshoots the goal and comes back. The cap
// keeps the step below 2: at 2 or more every frame would land further from the
// goal than the last, and a long run of slow frames (a software renderer on a
// large screen) would drive the value to infinity. Up to 1.9 a long frame still
// overshoots, and the error shrinks again on the next frame.
//
// Some rates are eased values themselves (the camera's follow and look rates),
// and a long frame can swing them past their goal below zero. A negative step
// would push a value away from its goal, by up to |dt * rate| times the
// distance, so the step is also kept from going below 0: such a frame leaves
// the value where it is. At ordinary frame rates neither bound is ever reached.
#pragma once

#include "maths/NiftyMaths.h"

constexpr float kMaxEaseStep = 1.9f;

// The fraction of the remaining distance one frame covers: dt * rate, kept
// within 0 ... kMaxEaseStep.
inline float EaseFactor(float dt, float rate) {
    const float step = dt * rate;
    if (step > kMaxEaseStep) return kMaxEaseStep;
    return step > 0.0f ? step : 0.0f;
}

// One eased step of a scalar.
inline float Ease(float value, float goal, float dt, float rate) {
    return value + (goal - value) * EaseFactor(dt, rate);
}

// One eased step of each component of a vector.
inline VECTOR3D Ease(VECTOR3D value, VECTOR3D goal, float dt, float rate) {
    return MakePoint(Ease(value.x, goal.x, dt, rate), Ease(value.y, goal.y, dt, rate),
                     Ease(value.z, goal.z, dt, rate));
}

// One camel of the herd: where it walks, how fast, and how it gets there.
//
// Walking is steering plus a step: each frame the camel turns towards its
// destination (yaw only, at up to 20 degrees per second; Steering.cpp) and
// steps along its new heading by its speed times the frame time. It never
// leaves the ground plane, since its pitch and roll stay 0.
//
// The leader (action 1) tours TourRoute: it starts on point 0 with point 0 as
// its destination, so its first step reaches it and it heads for point 1; after
// point 16 it heads for point 0 again. A roamer (action 2) walks from one random
// point of its zone to the next. A point counts as reached inside a squared
// distance of 5 (the leader) or 10 (a roamer). A camel whose heading has turned
// through a full circle since its destination was set is circling a point that
// lies inside its turning circle; it takes the next one instead.
//
// The walk cycle plays at 500 ms of animation time per second for every unit
// per second of speed, which the model's stride is built for, so the feet stay
// planted. Each Move advances the clock and the skeleton of every camel, seen or
// not: the camera rides on the leader's first joint. The mesh itself is posed
// from that skeleton only when the herd draws the camel (CamelHerd.cpp), and
// camels walking in step share one step of the skeleton (CamelSteps.cpp).
//
// Random numbers come from rand(): a zone point takes two calls, the first for
// z and the second for x.
#include "scene/Camel.h"

#include <cstdlib>

#include "scene/Easing.h"
#include "scene/Steering.h"

const VECTOR3D ONECAMEL::TourRoute[kRoutePoints] = {
    {266.304f, 0.0f, 536.696f},   {-60.152f, 0.0f, 480.924f},   {25.696f, 0.0f, 25.696f},
    {150.234f, 0.0f, -330.69f},   {-188.924f, 0.0f, -403.69f},  {-276.538f, 0.0f, -283.386f},
    {-220.696f, 0.0f, 425.152f},  {-566.772f, 0.0f, 463.696f},  {-566.772f, 0.0f, -369.234f},
    {-648.386f, 0.0f, -498.152f}, {-644.152f, 0.0f, -626.924f}, {-416.538f, 0.0f, -584.0f},
    {429.386f, 0.0f, -416.538f},  {489.538f, 0.0f, -292.0f},    {502.386f, 0.0f, -81.614f},
    {416.538f, 0.0f, 261.924f},   {356.386f, 0.0f, 356.386f},
};

const VECTOR3D ONECAMEL::CZ[2 * kZones] = {
    {-416.0f, 0.0f, -369.0f}, {-232.0f, 0.0f, 476.0f},   // zone 0
    {-75.0f, 0.0f, 30.0f},    {62.0f, 0.0f, 378.0f},     // zone 1
    {-401.0f, 0.0f, -639.0f}, {206.0f, 0.0f, -377.0f},   // zone 2
    {-672.0f, 0.0f, -389.0f}, {-571.0f, 0.0f, 426.0f},   // zone 3
};

VECTOR3D ONECAMEL::RandomZonePoint(int zone) {
    const VECTOR3D& low = CZ[2 * zone];
    const VECTOR3D& high = CZ[2 * zone + 1];
    const int width = static_cast<int>(high.x - low.x);
    const int depth = static_cast<int>(high.z - low.z);
    const int first = std::rand();   // z
    const int second = std::rand();  // x
    return MakePoint(low.x + static_cast<float>(second % width), 0.0f,
                     low.z + static_cast<float>(first % depth));
}

void ONECAMEL::Reset() {
    action = kNotStarted;
    speedFactor = static_cast<float>((std::rand() % 10) / 10.0 + 0.75);
    zone = std::rand() % kZones;
    position = RandomZonePoint(zone);
}

void ONECAMEL::SetDestination(VECTOR3D goal) {
    destination = goal;
    turnedSinceGoal = 0.0f;
}

void ONECAMEL::SetAction(int newAction) {
    action = newAction;
    if (action == kTouring) {
        speedFactor = kTourSpeed;
        SetAnimation(2.0, 26.0, 1250.0, true, true);
        clipChanged = true;
        routeIndex = 0;
        position = TourRoute[0];
        SetDestination(TourRoute[0]);
    } else if (action == kRoaming) {
        SetAnimation(2.0, 26.0, 500.0f * speedFactor, true, true);
        clipChanged = true;
        SetDestination(RandomZonePoint(zone));
    }
}

VECTOR3D ONECAMEL::RelativeDest(VECTOR3D dest) const {
    return RelativeDestination(position, orientation, dest);
}

void ONECAMEL::TurnToTarget(float rate, float dt) {
    const HEADING heading{&angles, &turnSpeed, &turnSpeedGoal, &orientation, &direction};
    turnedSinceGoal += TurnHeading(heading, RelativeDest(destination), false, rate, dt);
}

void ONECAMEL::Walk(float dt) {
    TurnToTarget(kTurnRate, dt);
    position.x += direction.x * speedFactor * dt;
    position.y += direction.y * speedFactor * dt;
    position.z += direction.z * speedFactor * dt;
}

void ONECAMEL::Move(ONEBG*, double dt) {
    Steer(dt);
    AdvancePose(dt);
}

void ONECAMEL::Steer(double dt) {
    const float t = static_cast<float>(dt);
    switch (action) {
        case kTouring:
            Walk(t);
            if (DistanceBetweenVectors(position, destination) < kTourReach ||
                turnedSinceGoal > kGiveUpTurning) {
                routeIndex = routeIndex + 1 > kRoutePoints - 1 ? 0 : routeIndex + 1;
                SetDestination(TourRoute[routeIndex]);
            }
            break;
        case kRoaming:
            Walk(t);
            if (DistanceBetweenVectors(position, destination) < kRoamReach ||
                turnedSinceGoal > kGiveUpTurning)
                SetDestination(RandomZonePoint(zone));
            break;
        case kNotStarted:
            SetAction(kRoaming);
            break;
        default:
            break;
    }
}

void ONECAMEL::AdvancePose(double dt) {
    Animate(dt);
    UpdateSkeleton();
}

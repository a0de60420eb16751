// The camera director: which shot, which subject, and how the view glides.
//
// Two timers run side by side. When the mode timer runs out (every 20 to 59 s)
// the camera picks a kind of shot: one time in three any of the four, else
// tripod or fly-through, so tripod and fly-through come 5 times in 12 each and
// the camel ride and the orbit once in 12 each. When the look timer runs out
// (every 20 to 39 s) it picks what to look at: straight ahead along its flight,
// or a subject, which is a camel (landmark slot 0 stands for the target camel)
// or one of the ground's landmarks. Both timers start at 10 s, so the first
// choices fall in the same frame, mode first.
//
// The shots:
//   tripod       the eye stands at a random spot and watches a "drone", an
//                invisible point that wanders like the fly-through, steering
//                from where it is. (Steered as seen from the tripod, it would
//                fly off in a straight line, one parallel to the line from the
//                tripod to its waypoint, and leave the tripod staring for up
//                to a minute at a point kilometres away, lost in the fog.)
//   fly-through  the eye flies at 50 units/s, steering (Steering.cpp) towards
//                random waypoints and never lower than 10 units;
//   camel ride   the eye sits 1.25 above the leader's first joint; looking
//                ahead it looks 10 units ahead of the leader at once, looking
//                at a subject it draws back 4 units from it;
//   orbit        the eye circles the target camel at 5 units, never below it.
//
// Nothing jumps. What the shot asks for are goals (eye, lookAt, up, zoom); what
// the view uses are smoothed copies that ease towards them (Easing.h), each at
// a rate that itself eases towards a goal rate: the eye follows at 1 per second
// (10 on a camel, 5 in orbit), the look point at 1 per second after every new
// subject. A new shot resets the follow rate to 0, so the eye sets off gently.
//
// Guards. The view is never set with the goal eye exactly on the smoothed look
// point (it is moved one unit along -z), the eye and the look goal stay at
// least 0.5 above the ground's base (y = 0), the eye, both the goal and the
// smoothed one, also at least 0.5 above the ground under it (a dune, a rock),
// whatever the shot: the height floors alone would let it into a dune that
// rises above them. The zoom stays within 0.5 ... 2.0, the range
// its goals are drawn from: an eased zoom overshooting on a long frame could
// otherwise flip the picture or reach 0, where gluPerspective keeps the old
// projection. Easing is capped (Easing.h), so no frame rate makes it diverge.
//
// Random numbers. Every choice calls rand() in a fixed order, and where three
// calls fill one vector the first gives z, the second y and the third x, so
// one seed always gives the same film.
#include "scene/Camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

#include "engine/MainClass.h"
#include "scene/Easing.h"
#include "scene/Steering.h"

namespace {

// Three rand() calls, in the order z, y, x, each reduced as rand() % modulus + offset.
VECTOR3D RandomZYX(int xModulus, int xOffset, int yModulus, int yOffset, int zModulus, int zOffset) {
    const int z = std::rand() % zModulus + zOffset;
    const int y = std::rand() % yModulus + yOffset;
    const int x = std::rand() % xModulus + xOffset;
    return MakePoint(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// m when v is not greater than m, NaN included.
float AtLeast(float v, float m) { return v > m ? v : m; }

// Lifts p to kEyeFloor above the ground under it, where there is ground.
void AboveGround(const ONEBG* ground, VECTOR3D* p) {
    if (!ground) return;
    const float height = ground->HeightAt(p->x, p->z);
    if (height != ONEBG::kNoGround) p->y = AtLeast(p->y, height + CAMERA::kEyeFloor);
}

VECTOR3D Scaled(VECTOR3D v, float s) { return MakePoint(v.x * s, v.y * s, v.z * s); }

const ONECAMEL* Camel(const MAINCLASS* scene, int index) {
    const CAMELCONTROL* herd = scene->herd.get();
    if (!herd || !herd->camels || index < 0 || index >= herd->numCamels) return nullptr;
    return &herd->camels[index];
}

}  // namespace

CAMERA::CAMERA() {
    const float r = static_cast<float>(std::rand() % 600 - 150);
    eye = eyeSmoothed = MakePoint(r, 0.0f, 800.0f);
    lookAt = lookAtSmoothed = MakePoint(0.0f, 0.0f, -1.0f);
    up = upSmoothed = MakePoint(0.0f, 1.0f, 0.0f);
    waypoint = MakePoint(0.0f, 60.0f, 0.0f);
    direction = MakePoint(0.0f, 0.0f, -1.0f);
    angles = MakePoint(0.0f, 180.0f, 0.0f);
}

VECTOR3D CAMERA::RelativeDest(VECTOR3D dest) const {
    return RelativeDestination(eyeSmoothed, headingMatrix, dest);
}

void CAMERA::TurnToTarget(float rate, float dt) { SteerFrom(eyeSmoothed, rate, dt); }

void CAMERA::SteerFrom(VECTOR3D from, float rate, float dt) {
    const HEADING heading{&angles, &turnSpeed, &turnSpeedGoal, &headingMatrix, &direction};
    const VECTOR3D rel = RelativeDestination(from, headingMatrix, waypoint);
    turnedSinceWaypoint += TurnHeading(heading, rel, true, rate, dt);
}

void CAMERA::SetupNewMode(MAINCLASS*) {
    zoomGoal = static_cast<float>((std::rand() % 100) / 100.0 + 0.5);
    switch (mode) {
        case kFlyThrough:
            if (std::rand() % 5 == 1) eye = RandomZYX(2000, -1000, 800, 20, 2000, -1000);
            break;
        case kOrbit:
            angles = RandomZYX(360, 0, 360, 0, 360, 0);
            orbitSpeed = RandomZYX(40, -20, 40, -20, 40, -20);
            zoomGoal += 0.5f;
            return;
        case kTripod:
            modeVector = eyeSmoothed;  // the drone sets off from where the viewer is
            eye = RandomZYX(1500, -750, 800, 20, 1500, -750);
            break;
        case kCamelRide:
        default:
            return;
    }
    upSmoothed = MakePoint(0.0f, 1.0f, 0.0f);
}

void CAMERA::ChangeMode(MAINCLASS* scene) {
    modeTimer = static_cast<float>(std::rand() % 40) + 20.0f;
    if (std::rand() % 3 == 0)
        mode = std::rand() % 4;
    else
        mode = std::rand() % 2;
    SetupNewMode(scene);
    followRate = 0.0f;
    followRateGoal = 1.0f;
}

void CAMERA::ChangeLook(MAINCLASS* scene) {
    // A choice among no camels or fewer than two landmarks is skipped: the
    // previous one stands.
    const CAMELCONTROL* herd = scene->herd.get();
    if (herd && herd->camels && herd->numCamels > 0) targetCamel = std::rand() % herd->numCamels;
    lookBlend = 0.0f;
    lookBlendGoal = 1.0f;
    lookTimer = static_cast<float>(std::rand() % 20 + 20);
    lookMode = std::rand() % 2;
    const ONEBG* ground = scene->ground.get();
    if (ground && ground->landmarks && ground->landmarkCount > 1)
        landmarkIndex = std::rand() % ground->landmarkCount;
}

void CAMERA::ChooseLookGoal(MAINCLASS* scene) {
    if (lookMode == kLookAhead) {
        lookAt = AddVectors(eyeSmoothed, Scaled(direction, 100.0f));
    } else if (lookMode == kLookAtSubject) {
        if (landmarkIndex == 0) {
            if (const ONECAMEL* camel = Camel(scene, targetCamel)) lookAt = camel->position;
        } else {
            const ONEBG* ground = scene->ground.get();
            if (ground && ground->landmarks && landmarkIndex < ground->landmarkCount)
                lookAt = ground->landmarks[landmarkIndex];
        }
    }
}

void CAMERA::Fly(VECTOR3D steerFrom, float dt) {
    SteerFrom(steerFrom, kTurnRate, dt);
    eye.x += dt * direction.x * kFlySpeed;
    eye.y += dt * direction.y * kFlySpeed;
    eye.z += dt * direction.z * kFlySpeed;
    // A waypoint inside the turning circle is circled, never reached: after a
    // full turn the camera takes the next one.
    if (DistanceBetweenVectors(eye, waypoint) < kWaypointReach || turnedSinceWaypoint > kGiveUpTurning) {
        waypoint = RandomZYX(1000, -500, 200, 10, 1000, -500);
        turnedSinceWaypoint = 0.0f;
    }
    eye.y = AtLeast(eye.y, kFlyFloor);
}

void CAMERA::Tripod(float dt) {
    savedEye = eye;
    eye = modeVector;  // the drone flies, and steers, from its own point
    Fly(eye, dt);
    modeVector = MakePoint(eye.x, AtLeast(eye.y, kFlyFloor), eye.z);
    eye = savedEye;
    lookAt = modeVector;
}

void CAMERA::RideLeader(MAINCLASS* scene) {
    const ONECAMEL* leader = Camel(scene, 0);
    if (!leader || !leader->joints || leader->numJoints < 1) return;
    const VECTOR3D seat = MatrixPointMultiply(leader->joints[0].absolute, MakePoint(0.0f, 1.25f, 0.0f));
    eye = AddVectors(seat, leader->position);
    if (lookMode == kLookAhead) {
        lookAt = AddVectors(leader->position, Scaled(leader->direction, 10.0f));
        lookAtSmoothed = lookAt;
    } else {
        modeVector = SubtractVectors(lookAt, eye);
        modeVector.Normalize();
        eye = SubtractVectors(eye, Scaled(modeVector, 4.0f));
    }
    zoomGoal = 1.0f;
    followRateGoal = 10.0f;
}

void CAMERA::Orbit(MAINCLASS* scene, float dt) {
    angles = AddVectors(angles, Scaled(orbitSpeed, dt));
    modeVector = MakePoint(0.0f, 0.0f, 5.0f);
    Rotate(&modeVector, angles.x, angles.y, angles.z);
    // Half of all orbit angles point below the ground. Lifted to the floor
    // alone, such an eye would sit under the camel's belly, between its legs;
    // mirrored above the ground it stays 5 units out.
    modeVector.y = std::fabs(modeVector.y);
    const ONECAMEL* camel = Camel(scene, targetCamel);
    if (camel) eye = AddVectors(camel->position, modeVector);
    if (lookMode == kLookAhead) {
        if (camel) lookAt = AddVectors(camel->position, MakePoint(0.0f, 2.0f, 0.0f));
        lookBlendGoal = 10.0f;
    } else {
        lookBlendGoal = 1.0f;
    }
    followRateGoal = 5.0f;
}

void CAMERA::StepMode(MAINCLASS* scene, float dt) {
    switch (mode) {
        case kTripod: Tripod(dt); break;
        case kFlyThrough: Fly(eyeSmoothed, dt); break;
        case kCamelRide: RideLeader(scene); break;
        case kOrbit: Orbit(scene, dt); break;
        default: break;
    }
}

void CAMERA::EaseView(const ONEBG* ground, float dt) {
    lookBlend = Ease(lookBlend, lookBlendGoal, dt, 1.0f);
    lookAtSmoothed = Ease(lookAtSmoothed, lookAt, dt, lookBlend);

    if (CompareVectors(eye, lookAtSmoothed)) lookAtSmoothed.z -= 1.0f;

    eye.y = AtLeast(eye.y, kEyeFloor);
    lookAt.y = AtLeast(lookAt.y, kEyeFloor);
    AboveGround(ground, &eye);

    upSmoothed = Ease(upSmoothed, up, dt, 1.0f);
    followRate = Ease(followRate, followRateGoal, dt, 1.0f);
    eyeSmoothed = Ease(eyeSmoothed, eye, dt, followRate);
    AboveGround(ground, &eyeSmoothed);
}

void CAMERA::View() {
    gluLookAt(eyeSmoothed.x, eyeSmoothed.y, eyeSmoothed.z, lookAtSmoothed.x, lookAtSmoothed.y,
              lookAtSmoothed.z, upSmoothed.x, upSmoothed.y, upSmoothed.z);

    billboardMatrix = MatrixAngleBetweenVectors(lookAtSmoothed, eyeSmoothed);
    static const VECTOR3D kCorners[4] = {{1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    for (int i = 0; i < 4; ++i) billboardCorners[i] = MatrixRotatePoint(billboardMatrix, kCorners[i]);
}

void CAMERA::Move(MAINCLASS* scene, float dt) {
    if (!scene) return;
    up = MakePoint(0.0f, 1.0f, 0.0f);

    modeTimer -= dt;
    if (modeTimer < 0.0f) ChangeMode(scene);
    lookTimer -= dt;
    if (lookTimer < 0.0f) ChangeLook(scene);

    ChooseLookGoal(scene);
    StepMode(scene, dt);
    EaseView(scene->ground.get(), dt);
    View();

    zoom = Ease(zoom, zoomGoal, dt, 1.0f);
    if (zoom < kMinZoom) zoom = kMinZoom;
    if (zoom > kMaxZoom) zoom = kMaxZoom;
}

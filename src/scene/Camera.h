// CAMERA: the automatic director. Every frame it decides where the eye is,
// where it looks and how wide the view is, and sets the view with gluLookAt.
// It switches among four kinds of shot on a random timer (tripod, fly-through,
// camel ride, orbit) and, on a timer of its own, among three kinds of subject
// (straight ahead, a camel, a landmark of the ground). It also draws the sun's
// lens flare (LensFlare.cpp), using the view-facing corners it computes here.
//
// Units: world units (y up, ground at y = 0), degrees, seconds. Random numbers
// come from the C library's rand(); where three calls fill one vector the first
// gives z, the second y, the third x, so a seed always gives the same film.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"

class MAINCLASS;
class ONEBG;

class CAMERA {
public:
    enum Mode : int { kTripod = 0, kFlyThrough = 1, kCamelRide = 2, kOrbit = 3 };
    enum LookMode : int { kLookAhead = 0, kLookAtSubject = 1 };

    static constexpr float kFlySpeed = 50.0f;       // units per second
    static constexpr float kTurnRate = 20.0f;       // degrees per second
    static constexpr double kWaypointReach = 2500.0; // squared distance: 50 units
    static constexpr float kFlyFloor = 10.0f;       // lowest flying eye
    static constexpr float kEyeFloor = 0.5f;        // lowest eye and look goal; the eye's least height over the ground
    static constexpr float kMinZoom = 0.5f;         // the zoom stays within its goals' range
    static constexpr float kMaxZoom = 2.0f;

    // Draws rand() once for the start eye's x.
    CAMERA();

    // Prepares the mode just stored in `mode` and picks a new zoomGoal.
    void SetupNewMode(MAINCLASS* scene);
    void ChooseTarget(MAINCLASS*) {}  // never called
    // One frame: timers, choices, movement, easing, then the view (gluLookAt
    // onto the current modelview), the billboard corners and the zoom.
    void Move(MAINCLASS* scene, float dt);

    // Heading steering towards `waypoint`, yaw and pitch (Steering.h), as seen
    // from eyeSmoothed. TurnToTarget also counts the degrees turned since the
    // waypoint was set.
    VECTOR3D RelativeDest(VECTOR3D dest) const;
    void TurnToTarget(float rate, float dt);

    // The lens flare (LensFlare.cpp): drawn last in the frame, towards the sun.
    void RenderLensFlare(MAINCLASS* scene, VECTOR3D sun);
    void RenderFlare(unsigned int texture, float r, float g, float b, float a, VECTOR3D position,
                     float size);

    VECTOR3D eye;                    // goal eye position (world units)
    VECTOR3D eyeSmoothed;            // eye given to the view; follows eye
    VECTOR3D lookAt;                 // goal look-at point
    VECTOR3D lookAtSmoothed;         // look-at point given to the view
    VECTOR3D up;                     // goal up vector
    VECTOR3D upSmoothed;             // up vector given to the view
    float followRateGoal = 1.0f;     // per second
    float followRate = 0.0f;         // per second: how fast eyeSmoothed follows eye
    VECTOR3D waypoint;               // steering goal of the flying modes
    VECTOR3D direction;              // unit flight direction
    VECTOR3D turnSpeed;              // degrees per second: x pitch, y yaw, z roll
    VECTOR3D turnSpeedGoal;          // degrees per second
    MATRIX headingMatrix;            // MatrixFromAngle(angles)
    int lookMode = kLookAtSubject;
    float lookTimer = 10.0f;         // seconds until the next look change
    float lookBlend = 0.0f;          // per second: how fast lookAtSmoothed follows lookAt
    float lookBlendGoal = 1.0f;
    int landmarkIndex = 1;           // 0: the target camel; k > 0: landmark k
    int targetCamel = 0;             // camel looked at or orbited; first chosen at 10 s
    VECTOR3D angles;                 // degrees: heading (flying) or orbit angles (orbit)
    VECTOR3D orbitSpeed;             // degrees per second
    VECTOR3D modeVector;             // tripod: the drone; ride: pull-back; orbit: offset
    VECTOR3D savedEye;               // tripod's scratch copy of eye
    float modeTimer = 10.0f;         // seconds until the next mode change
    int mode = kFlyThrough;
    MATRIX billboardMatrix;          // turns the unit quad to face the eye
    VECTOR3D billboardCorners[4];    // unit quad corners facing the eye, for the flare
    float zoom = 2.0f;               // vertical field of view is 45 * zoom degrees
    float zoomGoal = 1.0f;
    uint32_t flareTextures[4] = {};  // GL names of the flare images (main table 6..9); 0 while none
    float turnedSinceWaypoint = 0.0f;  // degrees turned since waypoint was last set

private:
    void ChangeMode(MAINCLASS* scene);
    void ChangeLook(MAINCLASS* scene);
    void ChooseLookGoal(MAINCLASS* scene);
    void StepMode(MAINCLASS* scene, float dt);
    void SteerFrom(VECTOR3D from, float rate, float dt);
    void Fly(VECTOR3D steerFrom, float dt);  // turn (as seen from steerFrom), advance, next waypoint, floor
    void Tripod(float dt);
    void RideLeader(MAINCLASS* scene);
    void Orbit(MAINCLASS* scene, float dt);
    void EaseView(const ONEBG* ground, float dt);  // look, guard, floors, up, eye, eye above the ground
    void View();              // gluLookAt, then the billboard corners
};

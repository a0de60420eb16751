// The camel herd: CAMELCONTROL owns the camels, ONECAMEL is one of them.
//
// Camel 0 is the leader: it tours the 17 points of TourRoute in order, forever,
// at 2.5 units per second. Every other camel roams one of four rectangular
// zones (CZ), walking from one random point of its zone to the next at its own
// speed. All camels share one animation template (the model "c.kst" scaled by
// 0.1); each is an ONEMODEL instance with its own clock, pose, placement and
// coat (texture run 2k, k drawn at random).
//
// Units: world units on the ground plane y = 0, degrees, seconds. Distances
// compared with DistanceBetweenVectors are squared.
#pragma once

#include <cstdint>
#include <memory>

#include "maths/NiftyMaths.h"
#include "models/ModelMain.h"

class MAINCLASS;
class ONEBG;
struct Texture;

class ONECAMEL : public ONEMODEL {
public:
    enum Action : int { kNotStarted = 0, kTouring = 1, kRoaming = 2 };

    static constexpr int kRoutePoints = 17;
    static constexpr int kZones = 4;
    static const VECTOR3D TourRoute[kRoutePoints];  // the leader's loop, y = 0
    static const VECTOR3D CZ[2 * kZones];           // zone k: min corner CZ[2k], max corner CZ[2k+1]

    // Random speed (0.75..1.65 units/s), zone and start point in it; action 0.
    void Reset();
    // 1: touring from route point 0 at 2.5 units/s; 2: roaming its zone.
    // Any other value only stores the field.
    void SetAction(int newAction);
    // One frame: steer, step, pick the next goal; then advance the animation.
    // `ground` is not read.
    void Move(ONEBG* ground, double dt);

    // Heading steering, yaw only (Steering.h).
    VECTOR3D RelativeDest(VECTOR3D dest) const;
    void TurnToTarget(float rate, float dt);

    void WalkToDest(double) {}     // never called
    void Draw(unsigned int) {}     // never called; the herd draws with ONEMODEL::Draw

    // A random point of zone `zone` (two rand() calls: z, then x).
    static VECTOR3D RandomZonePoint(int zone);

    VECTOR3D destination;      // the point walked toward
    VECTOR3D turnSpeed;        // degrees per second, per axis
    VECTOR3D turnSpeedGoal;    // degrees per second, per axis
    float speedFactor = 1.0f;  // walking speed, units per second
    int action = kNotStarted;
    int routeIndex = 0;        // route point the leader walks to (touring only)
    int zone = 0;              // roaming zone 0..3
    float turnedSinceGoal = 0.0f;  // degrees turned since destination was last set
};

class CAMELCONTROL {
public:
    CAMELCONTROL() = default;
    ~CAMELCONTROL();  // runs Cleanup
    CAMELCONTROL(const CAMELCONTROL&) = delete;
    CAMELCONTROL& operator=(const CAMELCONTROL&) = delete;

    // Loads path + "c.kst" and makes numCamels camels; camel 0 leads. False,
    // with nothing left half made, when the count is below 1, the file cannot
    // be loaded, the model has no joints or too few textures (4 + materials),
    // or the template cannot be built.
    bool Setup(int numCamels, const char* path);
    // Moves every camel; nothing when ground is null or there are no camels.
    void Move(ONEBG* ground, double dt);
    // Draws the camels whose 4-unit sphere around their position is not
    // rejected by the scene's frustum, with blending on and culling off
    // (restored after).
    void Draw(MAINCLASS* scene);
    // Frees what Setup made; safe to call twice.
    void Cleanup();

    ANIMATIONTEMPLATE* animTemplate = nullptr;  // owned (delete)
    Texture* textures = nullptr;                // owned array (delete[]), textureCount entries
    int textureCount = 0;
    ONECAMEL* camels = nullptr;                 // owned array (delete[]), numCamels entries; 0 leads
    int numCamels = 10;
};

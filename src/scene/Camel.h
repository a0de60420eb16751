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

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "maths/NiftyMaths.h"
#include "models/ModelMain.h"

class FRUSTUM;
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

    static constexpr float kTourSpeed = 2.5f;        // units per second
    static constexpr double kTourReach = 5.0;        // squared distance: a route point is reached
    static constexpr double kRoamReach = 10.0;       // squared distance: a zone point is reached
    static constexpr float kTurnRate = 20.0f;        // degrees per second

    // Random speed (0.75..1.65 units/s), zone and start point in it; action 0.
    void Reset();
    // 1: touring from route point 0 at 2.5 units/s; 2: roaming its zone.
    // Any other value only stores the field.
    void SetAction(int newAction);
    // One frame: Steer, then AdvancePose. The mesh is posed only when the herd
    // draws the camel (CAMELCONTROL::PoseCamel). `ground` is not read.
    void Move(ONEBG* ground, double dt);
    // The walking part of a frame: steer, step, pick the next goal (all of a
    // frame's rand() calls).
    void Steer(double dt);
    // The animation part: advances the clock and the skeleton by dt.
    void AdvancePose(double dt);

    // Heading steering, yaw only (Steering.h). TurnToTarget also counts the
    // degrees turned since the destination was set.
    VECTOR3D RelativeDest(VECTOR3D dest) const;
    void TurnToTarget(float rate, float dt);

    void WalkToDest(double) {}     // never called
    void Draw(unsigned int) {}     // never called; the herd draws with ONEMODEL::Draw

    // A random point of zone `zone` 0..3 (two rand() calls: z, then x).
    static VECTOR3D RandomZonePoint(int zone);

    VECTOR3D destination;      // the point walked toward
    VECTOR3D turnSpeed;        // degrees per second, per axis
    VECTOR3D turnSpeedGoal;    // degrees per second, per axis
    float speedFactor = 1.0f;  // walking speed, units per second
    int action = kNotStarted;
    int routeIndex = 0;        // route point the leader walks to (touring only)
    int zone = 0;              // roaming zone 0..3
    float turnedSinceGoal = 0.0f;  // degrees turned since destination was last set
    bool clipChanged = false;      // SetAction started a clip; the herd clears it

private:
    void SetDestination(VECTOR3D goal);
    void Walk(float dt);  // turn, then step along the new direction
};

class CAMELCONTROL {
public:
    static constexpr float kCullRadius = 4.0f;  // world units around a camel's position

    CAMELCONTROL() = default;
    ~CAMELCONTROL();  // runs Cleanup
    CAMELCONTROL(const CAMELCONTROL&) = delete;
    CAMELCONTROL& operator=(const CAMELCONTROL&) = delete;

    // Loads path + "c.kst" and makes numCamels camels; camel 0 leads. False,
    // with nothing left half made, when the count is below 1, the file cannot
    // be loaded, the model has no joints or too few textures (4 + materials),
    // or the template or a camel cannot be built.
    bool Setup(int numCamels, const char* path);
    // Moves every camel; nothing when ground is null or there are no camels.
    void Move(ONEBG* ground, double dt);
    // Draws the camels whose 4-unit sphere around their position is not
    // rejected by the scene's frustum, with blending on and culling off. Leaves
    // blending off and culling on, the blend function source alpha / one minus
    // source alpha, and the last coat's texture bound.
    void Draw(MAINCLASS* scene);
    // Frees what Setup made; safe to call twice.
    void Cleanup();

    // Whether camel i's sphere reaches into the frustum.
    bool InView(const FRUSTUM& frustum, int i) const;
    // Camel i's mesh posed from its current skeleton, ready to be drawn: posed
    // now, or reused when a camel in step with it was posed since the last Move.
    const std::vector<MODELVERTEX>& PoseCamel(int i);
    // The camel whose skeleton camel i's is a copy of in this frame (CamelSteps.cpp),
    // or i itself when it advanced on its own.
    int StepsWith(int i) const;

    std::unique_ptr<ANIMATIONTEMPLATE> animTemplate;  // shared by all camels
    Texture* textures = nullptr;                // owned array (delete[]), textureCount entries
    int textureCount = 0;
    std::unique_ptr<ONECAMEL[]> camels;         // numCamels entries; 0 leads
    int numCamels = 10;

private:
    // A mesh posed for drawing, and the camel whose skeleton posed it.
    struct POSEDMESH {
        int camel = -1;
        uint64_t frame = 0;  // the Move it was posed after
        uint64_t stamp = 0;  // when it was posed: the lowest is reused first
        std::vector<MODELVERTEX> vertices;
    };
    static constexpr std::size_t kPosedMeshes = 16;  // poses kept for one frame's drawing

    // What every drawn camel borrows (CamelHerd.cpp): a posed mesh and one
    // index list, instead of a copy of each per camel.
    std::vector<POSEDMESH> posedMeshes;
    std::unique_ptr<uint16_t[]> sharedIndices;
    // Per camel: an earlier camel whose animation state it shared at the start
    // of this frame's step, so it copied that camel's new pose; -1 when it
    // advanced on its own (CamelSteps.cpp).
    std::vector<int> stepsWith;
    uint64_t frame = 0;  // Moves so far
    uint64_t poses = 0;  // meshes posed so far

    bool SetupCamel(int i, const MS3D& model);
    void DrawCamel(int i);
    void AdvancePoses(double dt);
    int FindStepmate(int i) const;
    POSEDMESH& PosedMesh(int i);
};

// CamelRig: the camel's skeleton and its walk, shared by the mesh (which binds
// every vertex to one of these joints) and the keyframes.
//
// Units are world units (metres, near enough): the file stores ten times these,
// because the herd scales the model by 0.1. The camel faces +z, its left side is
// +x, and it stands on y = 0. Every joint's rest rotation is zero, so each
// joint's frame is parallel to the model's and a rest position is just a point.
//
// The walk is a pace, as camels walk: both legs of one side swing together.
// The herd plays frames 2 to 26 at 500 ms of animation per second for each unit
// per second of walking speed, so one cycle of 24 frames carries the camel
// 48 / fps units; the stance foot moves backward by exactly that in a cycle,
// which is what keeps it planted in the world.
#pragma once

#include <array>
#include <vector>

#include "MeshMath.h"

namespace camel {

// ---- Joints ---------------------------------------------------------------

enum Joint : int {
    kBody = 0,  // the body root; the rider's eye is 1.25 above it
    kNeckBase,
    kNeckMid,
    kHead,
    kTail,
    kLegJoints,  // first of the legs: four legs of kJointsPerLeg joints
};

enum Leg : int { kFrontLeft = 0, kFrontRight, kHindLeft, kHindRight, kLegCount };

// Each leg: upper (shoulder blade or pelvis pivot), middle (elbow or stifle),
// lower (knee or hock) and foot (fetlock: pastern and pad).
enum LegPart : int { kUpper = 0, kMiddle, kLower, kFoot, kJointsPerLeg };

constexpr int kJointCount = kLegJoints + kLegCount * kJointsPerLeg;

inline int LegJoint(int leg, int part) { return kLegJoints + leg * kJointsPerLeg + part; }
inline bool IsFront(int leg) { return leg == kFrontLeft || leg == kFrontRight; }
inline bool IsLeft(int leg) { return leg == kFrontLeft || leg == kHindLeft; }

struct JointInfo {
    const char* name;
    int parent;  // -1 for the root
    Vec3 rest;   // model-space position at rest
};

// The joints in file order (parents before children).
const std::array<JointInfo, kJointCount>& Joints();

// Rest position of a leg's joint, and of the centre of its foot's pad.
Vec3 LegPoint(int leg, int part);
Vec3 PadCentre(int leg);

// ---- Walk -----------------------------------------------------------------

constexpr float kFps = 30.0f;        // animation frames per second
constexpr float kFirstFrame = 2.0f;  // the walk clip the herd plays
constexpr float kLastFrame = 26.0f;
constexpr int kTotalFrames = 27;
constexpr float kStride = 48.0f / kFps;  // world units per cycle: 1.6
constexpr float kDuty = 0.6f;            // share of the cycle a foot is planted
constexpr float kFetlockHeight = 0.17f;  // fetlock above the ground with the pad flat

struct Pose {
    std::array<Vec3, kJointCount> rotation{};  // Euler x, y, z radians per joint
    Vec3 bodyTranslation;                      // the body root's offset from rest
};

// The pose at a phase of the cycle (0..1; 0 and 1 give the same pose).
// Returns false if a leg cannot reach its foot's place (a rig error).
bool PoseAt(float phase, Pose* pose);

// Model-space transform of every joint for a pose, as the saver's skeleton
// composes it (rest offset, then the key's rotation inside it).
struct JointTransform {
    Mat3 rotation;
    Vec3 origin;
    Vec3 Apply(Vec3 restPoint, Vec3 jointRest) const { return origin + rotation * (restPoint - jointRest); }
};
std::array<JointTransform, kJointCount> PoseTransforms(const Pose& pose);

// Where a foot's fetlock should be at a phase (model space), whether the foot
// is planted, and the pad's pitch (radians, toe down positive).
struct FootPlan {
    Vec3 fetlock;
    bool planted = false;
    float padPitch = 0.0f;
    float flex = 0.0f;  // bend of the knee or hock away from rest, radians
};
FootPlan PlanFoot(int leg, float phase);

}  // namespace camel

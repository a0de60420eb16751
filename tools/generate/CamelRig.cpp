// The camel's walk cycle, solved pose by pose.
//
// Each leg is a chain of four joints in a vertical plane: a high pivot inside
// the body (the shoulder blade's or the pelvis's), the elbow or stifle at the
// belly line, the knee or hock, and the fetlock with the pad below it. The
// foot follows a plan: planted, it slides backward under the body at exactly
// the walking speed; swinging, it travels forward on a smooth arc, lifted,
// with the knee (front) or hock (hind) folded and the toe hanging.
//
// Solving a pose works from the plan back up the leg. The knee or hock bend is
// given by the plan, which turns the three lower bones into two: the upper
// bone and a rigid "middle-to-fetlock" strut. A two-bone solve then places
// the elbow or stifle (on the side it bends to at rest), and the angles follow.
// The whole leg plane leans sideways about the body's length axis so the foot
// keeps its track while the body rolls and sways over the planted side.
// The pad's pitch is what is left over: flat on the ground while planted.
//
// Between keys the saver interpolates rotations by quaternion slerp and
// translations linearly; the keys are dense enough (two per frame) that the
// planted feet stay put to well under a millimetre.
#include "CamelRig.h"

#include <algorithm>
#include <cmath>

namespace camel {
namespace {

constexpr float kFrontX = 0.21f;  // half the distance between the front legs
constexpr float kHindX = 0.19f;

// Rest points of a leg in the sagittal plane, (y, z): upper pivot, middle,
// lower, fetlock.
struct LegShape {
    float y[4];
    float z[4];
};
constexpr LegShape kFrontShape{{1.80f, 1.12f, 0.62f, kFetlockHeight}, {0.52f, 0.30f, 0.42f, 0.50f}};
constexpr LegShape kHindShape{{1.78f, 1.12f, 0.64f, kFetlockHeight}, {-0.52f, -0.30f, -0.70f, -0.58f}};

// Gait shape.
constexpr float kFrontLift = 0.16f;  // swing height of the fetlock
constexpr float kHindLift = 0.13f;
constexpr float kFrontFold = 1.05f;  // knee fold at mid-swing, radians (foot goes back)
constexpr float kHindFold = -0.65f;  // hock fold (foot comes forward)
constexpr float kToeCurl = 0.55f;    // pad pitch at mid-swing, toe down
constexpr float kBob = 0.045f;       // body rise and fall, twice a cycle
constexpr float kSway = 0.025f;      // body shift toward the planted side
constexpr float kRoll = 0.038f;      // body roll, radians (about 2.2 degrees)

const LegShape& ShapeOf(int leg) { return IsFront(leg) ? kFrontShape : kHindShape; }
float SideX(int leg) { return (IsLeft(leg) ? 1.0f : -1.0f) * (IsFront(leg) ? kFrontX : kHindX); }

float Wrap(float a) {
    while (a > kPi) a -= 2.0f * kPi;
    while (a < -kPi) a += 2.0f * kPi;
    return a;
}

// Direction angle of a (y, z) vector: rotating about +x by t adds t to it.
float Angle(float y, float z) { return std::atan2(z, y); }

float Frac(float v) { return v - std::floor(v); }

// Left legs plant at phase 0, right legs half a cycle later.
float LegPhase(int leg, float phase) { return Frac(phase + (IsLeft(leg) ? 0.0f : 0.5f)); }

}  // namespace

const std::array<JointInfo, kJointCount>& Joints() {
    static const std::array<JointInfo, kJointCount> joints = [] {
        std::array<JointInfo, kJointCount> j{};
        j[kBody] = {"body", -1, V3(0.0f, 1.10f, 0.0f)};
        j[kNeckBase] = {"neck base", kBody, V3(0.0f, 1.62f, 0.66f)};
        j[kNeckMid] = {"neck middle", kNeckBase, V3(0.0f, 1.38f, 1.16f)};
        j[kHead] = {"head", kNeckMid, V3(0.0f, 1.92f, 1.50f)};
        j[kTail] = {"tail", kBody, V3(0.0f, 1.60f, -0.90f)};
        static const char* const names[kLegCount][kJointsPerLeg] = {
            {"front left shoulder", "front left elbow", "front left knee", "front left foot"},
            {"front right shoulder", "front right elbow", "front right knee", "front right foot"},
            {"hind left hip", "hind left stifle", "hind left hock", "hind left foot"},
            {"hind right hip", "hind right stifle", "hind right hock", "hind right foot"},
        };
        for (int leg = 0; leg < kLegCount; ++leg)
            for (int part = 0; part < kJointsPerLeg; ++part)
                j[LegJoint(leg, part)] = {names[leg][part], part == kUpper ? kBody : LegJoint(leg, part - 1),
                                          LegPoint(leg, part)};
        return j;
    }();
    return joints;
}

Vec3 LegPoint(int leg, int part) {
    const LegShape& s = ShapeOf(leg);
    return V3(SideX(leg), s.y[part], s.z[part]);
}

Vec3 PadCentre(int leg) {
    Vec3 f = LegPoint(leg, kFoot);
    return V3(f.x, 0.05f, f.z + 0.06f);
}

FootPlan PlanFoot(int leg, float phase) {
    const float p = LegPhase(leg, phase);
    const Vec3 rest = LegPoint(leg, kFoot);
    const float reach = 0.5f * kDuty * kStride;  // planted foot: from +reach to -reach
    FootPlan plan;
    plan.fetlock = rest;
    if (p < kDuty) {
        plan.planted = true;
        plan.fetlock.z = rest.z + reach - kStride * p;
        return plan;
    }
    // Swing: a cubic from -reach to +reach whose end slopes match the planted
    // foot's, so the foot leaves and meets the ground without a jolt.
    const float s = (p - kDuty) / (1.0f - kDuty);
    const float slope = -kStride * (1.0f - kDuty);
    const float s2 = s * s, s3 = s2 * s;
    const float h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
    plan.fetlock.z = rest.z + h00 * -reach + h10 * slope + h01 * reach + h11 * slope;
    const float arc = std::sin(kPi * s);
    plan.fetlock.y = rest.y + (IsFront(leg) ? kFrontLift : kHindLift) * arc;
    plan.padPitch = kToeCurl * arc * arc;
    plan.flex = (IsFront(leg) ? kFrontFold : kHindFold) * std::pow(arc, 0.8f);
    return plan;
}

namespace {

// The body's own motion: bob (lowest while both sides are planted), sway and
// roll toward the planted side.
void BodyMotion(float phase, Vec3* translation, float* roll) {
    float bob = -kBob * std::cos(4.0f * kPi * (phase - 0.05f));
    float side = std::sin(2.0f * kPi * (phase - 0.05f));  // +1 with the left side planted
    *translation = V3(kSway * side, bob, 0.0f);
    *roll = kRoll * side;
}

}  // namespace

bool PoseAt(float phase, Pose* pose) {
    *pose = Pose{};
    phase = Frac(phase);
    float roll = 0.0f;
    BodyMotion(phase, &pose->bodyTranslation, &roll);
    pose->rotation[kBody] = V3(0.0f, 0.0f, roll);

    // Neck and head nod with each step, the head steadier than the neck.
    float nod = 0.035f * std::cos(4.0f * kPi * (phase - 0.12f));
    float swing = 0.03f * std::sin(2.0f * kPi * (phase - 0.05f));
    pose->rotation[kNeckBase] = V3(nod, swing, 0.0f);
    pose->rotation[kNeckMid] = V3(-0.5f * nod, 0.5f * swing, 0.0f);
    pose->rotation[kHead] = V3(-0.7f * nod, -swing, 0.0f);
    pose->rotation[kTail] = V3(0.05f * std::sin(4.0f * kPi * phase), 0.15f * std::sin(2.0f * kPi * phase + 1.0f), 0.0f);

    const Vec3 bodyRest = Joints()[kBody].rest;
    JointTransform bodyT{EulerXYZ(pose->rotation[kBody]), bodyRest + pose->bodyTranslation};

    for (int leg = 0; leg < kLegCount; ++leg) {
        const FootPlan plan = PlanFoot(leg, phase);
        const Vec3 restS = LegPoint(leg, kUpper), restM = LegPoint(leg, kMiddle);
        const Vec3 restL = LegPoint(leg, kLower), restF = LegPoint(leg, kFoot);

        // Lean the leg's plane so it passes through the foot's place.
        const Vec3 pivot = bodyT.Apply(restS, bodyRest);
        const Vec3 d = plan.fetlock - pivot;
        const float lean = std::atan2(d.x, -d.y);
        const float ty = -std::sqrt(d.x * d.x + d.y * d.y), tz = d.z;

        // The lower joint's fold makes middle-to-fetlock one rigid strut. A
        // folded leg is shorter, so early and late in the swing, while the
        // foot is still far from the pivot, the fold gives way to the reach.
        const float upper = std::hypot(restM.y - restS.y, restM.z - restS.z);
        const float reach = std::hypot(ty, tz);
        const float midAngle = Angle(restL.y - restM.y, restL.z - restM.z);
        const float midLen = std::hypot(restL.y - restM.y, restL.z - restM.z);
        const float lowLen = std::hypot(restF.y - restL.y, restF.z - restL.z);
        float fold = plan.flex, strut = 0.0f, strutOffset = 0.0f;
        for (int tries = 0; tries < 60; ++tries) {
            const float lowAngle = Angle(restF.y - restL.y, restF.z - restL.z) + fold;
            const float wy = midLen * std::cos(midAngle) + lowLen * std::cos(lowAngle);
            const float wz = midLen * std::sin(midAngle) + lowLen * std::sin(lowAngle);
            strut = std::hypot(wy, wz);
            strutOffset = Wrap(Angle(wy, wz) - midAngle);
            if (upper + strut > reach + 0.004f) break;
            fold *= 0.9f;
        }

        // Two-bone solve from the pivot to the fetlock.
        if (reach > upper + strut - 1e-4f || reach < std::fabs(upper - strut) + 1e-4f) return false;
        // The middle joint stays on the side of the pivot-to-fetlock line it is
        // on at rest: elbows behind, stifles in front.
        const float restTurn =
            Wrap(Angle(restM.y - restS.y, restM.z - restS.z) - Angle(restF.y - restS.y, restF.z - restS.z));
        const float side = restTurn > 0 ? 1.0f : -1.0f;
        const float bend = std::acos(
            std::max(-1.0f, std::min(1.0f, (upper * upper + reach * reach - strut * strut) / (2.0f * upper * reach))));
        const float upperAngle = Angle(ty, tz) + side * bend;
        const float my = upper * std::cos(upperAngle), mz = upper * std::sin(upperAngle);
        const float middleAngle = Angle(ty - my, tz - mz) - strutOffset;

        const float tu = Wrap(upperAngle - Angle(restM.y - restS.y, restM.z - restS.z));
        const float tm = Wrap(middleAngle - midAngle - tu);
        const float tl = fold;
        const float tf = plan.padPitch - (tu + tm + tl);
        pose->rotation[LegJoint(leg, kUpper)] = V3(tu, 0.0f, lean - roll);
        pose->rotation[LegJoint(leg, kMiddle)] = V3(tm, 0.0f, 0.0f);
        pose->rotation[LegJoint(leg, kLower)] = V3(tl, 0.0f, 0.0f);
        pose->rotation[LegJoint(leg, kFoot)] = V3(tf, 0.0f, 0.0f);
    }
    return true;
}

std::array<JointTransform, kJointCount> PoseTransforms(const Pose& pose) {
    const auto& joints = Joints();
    std::array<JointTransform, kJointCount> out{};
    for (int j = 0; j < kJointCount; ++j) {
        const JointInfo& info = joints[j];
        Mat3 local = EulerXYZ(pose.rotation[j]);
        if (info.parent < 0) {
            out[j] = JointTransform{local, info.rest + pose.bodyTranslation};
        } else {
            const JointTransform& p = out[info.parent];
            Vec3 offset = info.rest - joints[info.parent].rest;
            out[j] = JointTransform{p.rotation * local, p.origin + p.rotation * offset};
        }
    }
    return out;
}

}  // namespace camel

// Camels in step: one step of the skeleton, and one posed mesh, for every camel
// that walks exactly like another.
//
// Why camels walk in step. Every roamer sets off in the same frame (its first
// Move), starting the same clip from the same rest pose, at a playback speed of
// 500 ms per second times its speed factor, which takes one of ten values; the
// leader plays at its own speed. From then on each camel's clock and pose are a
// function of its playback speed and the frame times, which all camels share.
// So roamers of one speed factor are in exactly the same animation state, bit
// for bit, every frame, and a herd of any size holds at most eleven poses.
//
// What is shared. Before the step, each camel is compared with the earlier
// camel it matched last frame: clock, clip, blend and every field of every
// joint, compared as bits (so NaN and -0 are states like any other). When they
// match, the later camel does not advance on its own: it takes a copy of the
// other's state after the other has advanced. Two equal states stepped by the
// same function with the same dt give equal states, so the copy is exactly the
// step it saves; and every camel's skeleton is current after every Move. A
// camel that no longer matches (nothing in the herd does that, but a caller may
// change a clip) advances on its own from then on. Matches are looked for again
// only in a frame in which some camel started a clip, among the camels that
// advance on their own, so a herd in which no two camels match costs no search.
//
// Drawing shares too. A camel's posed mesh is a function of its skeleton alone,
// so a camel whose skeleton is a copy of another's this frame is drawn with the
// mesh already posed for that one. A few posed meshes are kept for the frame
// (kPosedMeshes, enough for every pose of the herd), handed out in drawing
// order; the picture is what posing each camel would give, and drawing order
// is untouched.
#include "scene/Camel.h"

#include <cstring>

namespace {

template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Every field of a joint's state, as bits; padding is not compared.
bool SameJoint(const BASICJOINT& a, const BASICJOINT& b) {
    static_assert(sizeof(BASICJOINT) == 504, "a field was added to BASICJOINT: compare it here");
    return a.parent == b.parent && a.flags == b.flags && SameBits(a.currentTranslation, b.currentTranslation) &&
           SameBits(a.relative, b.relative) && SameBits(a.absolute, b.absolute) &&
           a.translationKey == b.translationKey && a.rotationKey == b.rotationKey &&
           a.lastRotationKey == b.lastRotationKey && SameBits(a.rotationQuat, b.rotationQuat) &&
           SameBits(a.rotationMatrix, b.rotationMatrix) && SameBits(a.blendFromQuat, b.blendFromQuat) &&
           SameBits(a.blendFromTranslation, b.blendFromTranslation);
}

// Whether one step of Animate and UpdateSkeleton would take both instances to
// the same state: the same template, clock, clip, blend and joints.
bool SameAnimationState(const ONEMODEL& a, const ONEMODEL& b) {
    if (a.animTemplate != b.animTemplate || a.numJoints != b.numJoints || !a.joints || !b.joints) return false;
    if (!(SameBits(a.currentTime, b.currentTime) && a.loop == b.loop && SameBits(a.speed, b.speed) &&
          SameBits(a.startTime, b.startTime) && SameBits(a.endTime, b.endTime) && a.blending == b.blending &&
          SameBits(a.blend, b.blend) && SameBits(a.blendSpeed, b.blendSpeed)))
        return false;
    // A copy made by CopyAnimation matches byte for byte, padding included.
    if (std::memcmp(a.joints.get(), b.joints.get(), a.numJoints * sizeof(BASICJOINT)) == 0) return true;
    for (int j = 0; j < a.numJoints; ++j)
        if (!SameJoint(a.joints[j], b.joints[j])) return false;
    return true;
}

// The clock, clip, blend and joints of `from`, into `to`.
void CopyAnimation(const ONEMODEL& from, ONEMODEL* to) {
    to->currentTime = from.currentTime;
    to->loop = from.loop;
    to->speed = from.speed;
    to->startTime = from.startTime;
    to->endTime = from.endTime;
    to->blending = from.blending;
    to->blend = from.blend;
    to->blendSpeed = from.blendSpeed;
    std::memcpy(to->joints.get(), from.joints.get(), from.numJoints * sizeof(BASICJOINT));
}

}  // namespace

int CAMELCONTROL::FindStepmate(int i) const {
    for (int j = 0; j < i; ++j)
        if (stepsWith[j] < 0 && SameAnimationState(camels[i], camels[j])) return j;
    return -1;
}

void CAMELCONTROL::AdvancePoses(double dt) {
    ++frame;
    stepsWith.resize(static_cast<std::size_t>(numCamels), -1);
    bool clipsStarted = false;
    for (int i = 0; i < numCamels; ++i) {
        clipsStarted = clipsStarted || camels[i].clipChanged;
        camels[i].clipChanged = false;
    }
    // Every comparison before any step: each camel against the states of this
    // frame's start.
    for (int i = 0; i < numCamels; ++i) {
        int& mate = stepsWith[i];
        if (mate >= 0 && !SameAnimationState(camels[i], camels[mate])) mate = -1;
        if (mate < 0 && clipsStarted) mate = FindStepmate(i);
    }
    // A mate comes earlier, so it has its new state by the time it is copied.
    for (int i = 0; i < numCamels; ++i) {
        if (stepsWith[i] < 0)
            camels[i].AdvancePose(dt);
        else
            CopyAnimation(camels[stepsWith[i]], &camels[i]);
    }
}

int CAMELCONTROL::StepsWith(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= stepsWith.size()) return i;
    int source = i;
    while (stepsWith[source] >= 0) source = stepsWith[source];  // mates come earlier: this ends
    return source;
}

CAMELCONTROL::POSEDMESH& CAMELCONTROL::PosedMesh(int i) {
    const int source = StepsWith(i);
    POSEDMESH* stale = nullptr;   // posed in an earlier frame: free to reuse
    POSEDMESH* newest = nullptr;  // of this frame's, the one posed last
    for (POSEDMESH& posed : posedMeshes) {
        if (posed.frame == frame && posed.camel == source) return posed;
        if (posed.frame != frame)
            stale = &posed;
        else if (!newest || posed.stamp > newest->stamp)
            newest = &posed;
    }
    const MODELMESH& mesh = *animTemplate->Mesh();
    const std::vector<MODELVERTEX>& rest = mesh.vertices.Records();
    if (!stale && posedMeshes.size() < kPosedMeshes) {
        posedMeshes.emplace_back();
        stale = &posedMeshes.back();
        stale->vertices = rest;  // texture coordinates and joints; positions are posed below
    }
    // With more poses in a frame than meshes kept, the last one posed is posed
    // over: the others stay for camels in step with them, and the one buffer
    // rewritten stays in the cache.
    POSEDMESH& posed = stale ? *stale : *newest;
    PoseRecords(rest.data(), &mesh.poseBlocks, posed.vertices.data(), rest.size(), camels[source].joints.get());
    posed.camel = source;
    posed.frame = frame;
    posed.stamp = ++poses;
    return posed;
}

const std::vector<MODELVERTEX>& CAMELCONTROL::PoseCamel(int i) { return PosedMesh(i).vertices; }

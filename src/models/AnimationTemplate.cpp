// Building the shared animation template from a set-up model. See
// AnimationTemplate.h for what is shared and what is refused.
#include "models/AnimationTemplate.h"

#include <cmath>
#include <new>
#include <vector>

#include "maths/Misc.h"

namespace {

constexpr double kRadToDeg = 57.29577951308232;  // 180 / pi

// A copy of `count` keys with their times turned from seconds to milliseconds.
std::unique_ptr<MS3D_KEYFRAME[]> CopyKeys(const MS3D_KEYFRAME* keys, int count) {
    if (count == 0) return nullptr;
    std::unique_ptr<MS3D_KEYFRAME[]> copy(new (std::nothrow) MS3D_KEYFRAME[count]);
    if (!copy) return nullptr;
    for (int k = 0; k < count; ++k) {
        copy[k] = keys[k];
        copy[k].time = static_cast<float>(copy[k].time * 1000.0);
    }
    return copy;
}

}  // namespace

bool JointHierarchyIsAcyclic(const int32_t* parents, int count) {
    // Colour each joint: 0 not yet seen, 1 on the chain being walked, 2 known to
    // end at a root. Each joint is walked once, so this is linear.
    std::vector<uint8_t> state(static_cast<std::size_t>(count), 0);
    std::vector<int> chain;
    for (int start = 0; start < count; ++start) {
        chain.clear();
        int j = start;
        while (j >= 0 && state[j] == 0) {
            if (parents[j] < -1 || parents[j] >= count) return false;
            state[j] = 1;
            chain.push_back(j);
            j = parents[j];
        }
        if (j >= 0 && state[j] == 1) return false;  // came back onto this chain
        for (int k : chain) state[k] = 2;
    }
    return true;
}

ANIMATIONTEMPLATE::~ANIMATIONTEMPLATE() { Cleanup(); }

void ANIMATIONTEMPLATE::Cleanup() {
    mesh.reset();
    joints.reset();  // each joint releases its keys and key quaternions
    numJoints = 0;
    totalFrames = 0;
    fps = 0.0f;
    totalTime = 0.0f;
}

bool ANIMATIONTEMPLATE::CopyJoint(const MS3D& model, int j) {
    const SKELETON_JOINT& bone = model.skeleton[j];
    const MS3D_JOINT& file = model.joints[j];
    ANIMJOINT& joint = joints[j];

    joint.flags = bone.flags;
    joint.parent = bone.parent;
    joint.relative = bone.relative;
    joint.absolute = bone.absolute;
    joint.currentTranslation = bone.currentTranslation;
    joint.localRotation = bone.localRotation;
    joint.localTranslation = bone.localTranslation;
    joint.localQuat = RotationToQuat(joint.localRotation);
    joint.localMatrix = QuatToRotationMatrix(joint.localQuat);
    joint.localMatrix.SetTranslation(joint.localTranslation);

    // The keys come from the file joint, which carries the model's scaling.
    if ((file.rotationKeyCount && !file.rotationKeys) ||
        (file.translationKeyCount && !file.translationKeys))
        return false;
    joint.rotationKeyCount = file.rotationKeyCount;
    joint.translationKeyCount = file.translationKeyCount;
    joint.rotationKeys = CopyKeys(file.rotationKeys.get(), file.rotationKeyCount);
    joint.translationKeys = CopyKeys(file.translationKeys.get(), file.translationKeyCount);
    if (joint.rotationKeyCount) {
        joint.rotationKeyQuats.reset(new (std::nothrow) QUAT[joint.rotationKeyCount]);
    }
    if ((joint.rotationKeyCount && (!joint.rotationKeys || !joint.rotationKeyQuats)) ||
        (joint.translationKeyCount && !joint.translationKeys)) {
        ERRORCLOSE("Unable to allocate memory!");
        return false;
    }
    for (int k = 0; k < joint.rotationKeyCount; ++k) {
        // Degrees from the key's radians, each product rounded to float.
        const float* radians = file.rotationKeys[k].value;
        joint.rotationKeyQuats[k] =
            RotationToQuat(ScaleVector(MakePoint(radians[0], radians[1], radians[2]), kRadToDeg));
    }
    return true;
}

bool ANIMATIONTEMPLATE::Setup(const MS3D* model) {
    Cleanup();
    if (!model) return false;
    const int count = model->numJoints;
    if (count > 0 && (!model->skeleton || !model->joints)) return false;  // InitialSetup not run
    if (!std::isfinite(model->fps) || model->fps <= 0.0f) return false;

    std::vector<int32_t> parents(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) parents[j] = model->skeleton[j].parent;
    if (!JointHierarchyIsAcyclic(parents.data(), count)) return false;

    auto built = std::make_shared<MODELMESH>();
    if (!BuildModelMesh(*model, count, built.get())) return false;

    numJoints = count;
    totalFrames = model->totalFrames;
    fps = model->fps;
    totalTime = model->totalTime;
    if (count > 0) {
        joints.reset(new (std::nothrow) ANIMJOINT[count]);
        if (!joints) {
            ERRORCLOSE("Unable to allocate memory!");
            Cleanup();
            return false;
        }
    }
    for (int j = 0; j < count; ++j) {
        if (!CopyJoint(*model, j)) {
            Cleanup();
            return false;
        }
    }
    mesh = std::move(built);
    return true;
}

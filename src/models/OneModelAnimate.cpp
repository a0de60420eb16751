// Animating an instance: its clock, the keyframe search, the transition blend
// and the joint matrices. The skinning of its mesh is in OneModelSkinning.cpp.
//
// The clock. currentTime runs in milliseconds of animation time between
// startTime and endTime, advancing by speed (ms per real second) times the frame
// time. A looping clip that reaches its end restarts at exactly startTime (the
// overshoot is dropped); one that does not loop stops at endTime and from then
// on costs nothing. Frames become milliseconds with the template's fps.
//
// Keys. Each joint of the template has rotation and translation keys, sorted by
// time. Every step finds, per channel, the first key not earlier than the clock,
// resuming from where the previous step stopped (so each key is passed once per
// pass through the clip), and interpolates from the key before it: translations
// linearly, rotations by spherical interpolation of the template's ready-made
// key quaternions. Before the first key and after the last, the first and last
// key hold; a held rotation is re-applied only when the key index changed.
//
// The transition. SetAnimation with blend captures every joint's current pose
// and then, for 1/blendSpeed seconds (a quarter second), glides from it to the
// first pose of the new clip while the clock stands still.
//
// The pose. UpdateSkeleton composes, per joint in index order, the rest
// transform (the template's localMatrix) with the animated rotation and
// translation, and chains it to the parent's model-space matrix: absolute =
// parent.absolute * localMatrix * animated.
//
// Skinning starts from the rest mesh every frame (OneModelSkinning.cpp tells
// why), so Update has no previous pose to undo. Nothing here allocates.
#include "models/Keyframes.h"
#include "models/ModelMain.h"


// ---- Clip selection -----------------------------------------------------------

void ONEMODEL::ResetKeySearch() {
    for (int j = 0; j < numJoints; ++j) joints[j].translationKey = joints[j].rotationKey = 0;
}

void ONEMODEL::SetAnimation(double startFrame, double endFrame, double newSpeed, bool newLoop,
                            bool newBlend) {
    if (!animTemplate) return;
    const double fps = animTemplate->fps;  // finite and positive: the template checked it
    startTime = static_cast<float>(startFrame * 1000.0 / fps);
    endTime = static_cast<float>(endFrame * 1000.0 / fps);
    speed = static_cast<float>(newSpeed);
    loop = newLoop;
    currentTime = startTime;
    for (int j = 0; j < numJoints; ++j) {
        BASICJOINT& joint = joints[j];
        joint.translationKey = joint.rotationKey = 0;
        joint.blendFromQuat = joint.rotationQuat;
        joint.blendFromTranslation = joint.currentTranslation;
    }
    blending = newBlend;
    blend = 0.0f;
}

void ONEMODEL::RestartAnim() {
    currentTime = startTime;
    ResetKeySearch();
}

// ---- One step of the clock -----------------------------------------------------

void ONEMODEL::Update(double dt) {
    // The posed mesh is computed afresh from the rest mesh: no pose to undo first.
    Animate(dt);
    UpdateSkeleton();
    UpdatePoints(joints.get());
}

void ONEMODEL::Animate(double dt) {
    if (!animTemplate) return;
    if (blending) {
        AnimateBlend(dt);
    } else {
        AnimatePlayback(dt);
    }
}

void ONEMODEL::AnimateBlend(double dt) {
    blend = static_cast<float>(blend + blendSpeed * dt);
    if (blend >= 1.0f) {
        blending = false;
        blend = 1.0f;
    }
    for (int j = 0; j < numJoints; ++j) {
        const ANIMJOINT& keys = animTemplate->joints[j];
        BASICJOINT& joint = joints[j];
        if (keys.rotationKeyCount > 0) {
            const int k = FirstKeyNotBefore(keys.rotationKeys.get(), keys.rotationKeyCount, currentTime);
            joint.rotationQuat = QuatSlerp(&joint.blendFromQuat, &keys.rotationKeyQuats[k], blend);
            joint.rotationMatrix = QuatToRotationMatrix(joint.rotationQuat);
        }
        if (keys.translationKeyCount > 0) {
            const int k =
                FirstKeyNotBefore(keys.translationKeys.get(), keys.translationKeyCount, currentTime);
            joint.currentTranslation =
                LerpKeys(joint.blendFromTranslation, KeyValue(keys.translationKeys[k]), blend);
        }
    }
}

void ONEMODEL::AnimatePlayback(double dt) {
    if (currentTime >= endTime) return;  // a finished clip changes nothing
    currentTime = static_cast<float>(currentTime + speed * dt);
    if (currentTime >= endTime) {
        if (loop) {
            currentTime = startTime;
            ResetKeySearch();
        } else {
            currentTime = endTime;
        }
    }

    for (int j = 0; j < numJoints; ++j) {
        const ANIMJOINT& keys = animTemplate->joints[j];
        BASICJOINT& joint = joints[j];
        const int translations = keys.translationKeyCount;
        const int rotations = keys.rotationKeyCount;

        if (translations > 0) {
            const MS3D_KEYFRAME* key = keys.translationKeys.get();
            const int k = AdvanceKey(key, translations, joint.translationKey, currentTime);
            joint.translationKey = k;
            if (k == 0) {
                joint.currentTranslation = KeyValue(key[0]);
            } else if (k < translations) {
                joint.currentTranslation =
                    LerpKeys(KeyValue(key[k - 1]), KeyValue(key[k]), KeyFraction(key, k, currentTime));
            } else {
                joint.currentTranslation = KeyValue(key[translations - 1]);
            }
        }

        if (rotations > 0) {
            const MS3D_KEYFRAME* key = keys.rotationKeys.get();
            const QUAT* quats = keys.rotationKeyQuats.get();
            const int k = AdvanceKey(key, rotations, joint.rotationKey, currentTime);
            joint.rotationKey = k;
            bool changed = true;
            if (k == 0) {
                changed = joint.lastRotationKey != 0;
                if (changed) joint.rotationQuat = quats[0];
            } else if (k < rotations) {
                joint.rotationQuat = QuatSlerp(&quats[k - 1], &quats[k], KeyFraction(key, k, currentTime));
            } else {
                changed = joint.lastRotationKey != k;
                if (changed) joint.rotationQuat = quats[rotations - 1];
            }
            if (changed) joint.rotationMatrix = QuatToRotationMatrix(joint.rotationQuat);
            joint.lastRotationKey = joint.rotationKey;
        }
    }
}

// ---- Pose -----------------------------------------------------------------------

void ONEMODEL::UpdateSkeleton() {
    if (!animTemplate) return;
    for (int j = 0; j < numJoints; ++j) {
        BASICJOINT& joint = joints[j];
        MATRIX animated = joint.rotationMatrix;
        animated.SetTranslation(joint.currentTranslation);
        joint.relative = MultiplyMatrix(animTemplate->joints[j].localMatrix, animated);
        if (joint.parent < 0 || joint.parent >= numJoints) {
            joint.absolute = joint.relative;
        } else {
            joint.absolute = MultiplyMatrix(joints[joint.parent].absolute, joint.relative);
        }
    }
}

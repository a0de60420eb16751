// The skeleton of an MS3D model, its keyframe clock, and rigid skinning.
//
// Skeleton. Each joint has a rest transform relative to its parent (Euler angles
// and an offset) and a list of rotation and translation keys. SetupSkeleton links
// every joint to the first joint whose name equals its parent name and copies the
// keys with their times turned into milliseconds. UpdateSkeleton builds, in joint
// order, relative = rest * animated (the key transform acts inside the rest frame)
// and absolute = parent.absolute * relative. A parent listed after its child is
// combined with its matrix of the previous update. A chain of parent names that
// closes on itself would feed a joint's own matrix back into it on every update,
// so SetupSkeleton opens such a loop by making one of its joints a root.
//
// Clock. currentTime runs in milliseconds of animation time at `speed` ms per real
// second, from startTime to endTime; a looping clip jumps back to exactly
// startTime, a finished one stands still. Keys are found by a search that only
// moves forward from where the previous step stopped (reset to 0 on every jump
// back), so each step is amortised constant per joint. Translations interpolate
// linearly, rotations by slerp of the quaternions of their Euler angles; before
// the first key and after the last the end key is held, and the held rotation is
// recomputed only when the key index changes. SetAnimation can start with a
// half-second transition: the clock stands still while every joint slerps from
// the pose it had towards the first pose of the new clip.
//
// Skinning. Each vertex follows one joint. After InitialSetup the mesh is stored
// in joint space: position relative to its joint's rest absolute matrix, which
// is how the model is drawn into display lists and how templates copy it. Posing
// (UpdatePoints) computes model-space positions and normals from a joint-space
// copy captured once by the first RevertPoints; RevertPoints puts that copy back.
// Undoing a pose by transforming back with the transposed matrix would not be
// exact: rounding differs on every round trip, and a quaternion from the nearly-
// equal branch of the slerp is not quite unit length, so its matrix is not rigid
// and its transpose is not its inverse. Working from the kept copy, the frame
// drawn is always the pose of the current clock and nothing drifts.
#include <cstring>

#include "models/Keyframes.h"
#include "models/MilkshapeModel.h"

namespace {

constexpr double kRadToDeg = 57.29577951308232;  // 180 / pi

// The rotation of a key, whose angles are radians, as a quaternion.
QUAT KeyQuat(const MS3D_KEYFRAME& key) {
    return RotationToQuat(ScaleVector(MakePoint(key.value[0], key.value[1], key.value[2]), kRadToDeg));
}

std::unique_ptr<MS3D_KEYFRAME[]> KeysInMilliseconds(const MS3D_KEYFRAME* keys, int count) {
    if (count == 0) return nullptr;
    std::unique_ptr<MS3D_KEYFRAME[]> copy(new MS3D_KEYFRAME[count]);
    for (int k = 0; k < count; ++k) {
        copy[k] = keys[k];
        copy[k].time = static_cast<float>(keys[k].time * 1000.0);
    }
    return copy;
}

// Poses one point: rotate by M, then translate.
void PosePoint(const MATRIX& m, const float* rest, float* out) {
    const VECTOR3D p = MatrixTranslatePoint(m, MatrixRotatePoint(m, MakePoint(rest[0], rest[1], rest[2])));
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
}

void RotateInto(const MATRIX& m, const float* rest, float* out) {
    const VECTOR3D n = MatrixRotatePoint(m, MakePoint(rest[0], rest[1], rest[2]));
    out[0] = n.x;
    out[1] = n.y;
    out[2] = n.z;
}

}  // namespace

// ---- Skeleton ------------------------------------------------------------------

void MS3D::SetupSkeleton() {
    if (skeleton != nullptr || numJoints == 0) return;  // built once per model
    skeleton = new SKELETON_JOINT[numJoints];
    for (int j = 0; j < numJoints; ++j) {
        MS3D_JOINT& file = joints[j];
        SKELETON_JOINT& joint = skeleton[j];
        for (float& angle : file.rotation) angle = static_cast<float>(angle * kRadToDeg);
        joint.flags = file.flags;
        joint.localRotation = MakePoint(file.rotation[0], file.rotation[1], file.rotation[2]);
        joint.localTranslation = MakePoint(file.position[0], file.position[1], file.position[2]);
        joint.parent = -1;
        if (file.parentName[0] != '\0') {
            for (int k = 0; k < numJoints; ++k) {
                if (std::strncmp(file.parentName, joints[k].name, kMS3DNameSize) == 0) {
                    joint.parent = k;
                    break;
                }
            }
        }
        joint.rotationKeyCount = file.rotationKeyCount;
        joint.translationKeyCount = file.translationKeyCount;
        joint.rotationKeys = KeysInMilliseconds(file.rotationKeys.get(), file.rotationKeyCount);
        joint.translationKeys = KeysInMilliseconds(file.translationKeys.get(), file.translationKeyCount);
    }
    BreakParentCycles();
}

// Every joint has at most one parent, so the links form chains that either end
// at a root or run into a loop. Each chain is walked once; when a walk meets a
// joint already on its own path, the link that closed the loop is cut.
void MS3D::BreakParentCycles() {
    enum : uint8_t { kUnseen, kOnPath, kDone };
    std::vector<uint8_t> state(numJoints, kUnseen);
    std::vector<int> path;
    for (int start = 0; start < numJoints; ++start) {
        path.clear();
        int j = start;
        while (j >= 0 && state[j] == kUnseen) {
            state[j] = kOnPath;
            path.push_back(j);
            j = skeleton[j].parent;
        }
        if (j >= 0 && state[j] == kOnPath) skeleton[path.back()].parent = -1;
        for (int visited : path) state[visited] = kDone;
    }
}

void MS3D::UpdateSkeleton() {
    if (skeleton == nullptr) return;
    for (int j = 0; j < numJoints; ++j) {
        SKELETON_JOINT& joint = skeleton[j];
        joint.relative = QuatToRotationMatrix(RotationToQuat(joint.localRotation));
        joint.relative.SetTranslation(joint.localTranslation);
        MATRIX animated = joint.rotationMatrix;
        animated.SetTranslation(joint.currentTranslation);
        joint.relative = MultiplyMatrix(joint.relative, animated);
        joint.absolute = joint.parent < 0 ? joint.relative
                                          : MultiplyMatrix(skeleton[joint.parent].absolute, joint.relative);
    }
}

// ---- Skinning --------------------------------------------------------------------

void MS3D::CaptureRestMesh() {
    restPositions.resize(std::size_t{3} * numVertices);
    for (int i = 0; i < numVertices; ++i) {
        std::memcpy(&restPositions[std::size_t{3} * i], vertices[i].position, sizeof(float) * 3);
    }
    restNormals.resize(std::size_t{9} * numTriangles);
    for (int t = 0; t < numTriangles; ++t) {
        std::memcpy(&restNormals[std::size_t{9} * t], triangles[t].normals, sizeof(float) * 9);
    }
    haveRestMesh = true;
}

void MS3D::RevertPoints() {
    if (skeleton == nullptr) return;
    if (haveRestMesh) {  // put the joint-space copy back
        for (int i = 0; i < numVertices; ++i) {
            if (vertices[i].jointIndex < 0) continue;
            std::memcpy(vertices[i].position, &restPositions[std::size_t{3} * i], sizeof(float) * 3);
        }
        for (int t = 0; t < numTriangles; ++t) {
            for (int c = 0; c < 3; ++c) {
                if (vertices[triangles[t].vertexIndices[c]].jointIndex < 0) continue;
                std::memcpy(triangles[t].normals[c], &restNormals[std::size_t{9} * t + 3 * c], sizeof(float) * 3);
            }
        }
        return;
    }
    // First time: the mesh is in model space at rest; take it into joint space.
    for (int i = 0; i < numVertices; ++i) {
        MS3D_VERTEX& v = vertices[i];
        if (v.jointIndex < 0) continue;
        const MATRIX& m = skeleton[v.jointIndex].absolute;
        const VECTOR3D p = MatrixInverseRotatePoint(
            m, MatrixInverseTranslatePoint(m, MakePoint(v.position[0], v.position[1], v.position[2])));
        v.position[0] = p.x;
        v.position[1] = p.y;
        v.position[2] = p.z;
    }
    for (int t = 0; t < numTriangles; ++t) {
        for (int c = 0; c < 3; ++c) {
            const int joint = vertices[triangles[t].vertexIndices[c]].jointIndex;
            if (joint < 0) continue;
            float* normal = triangles[t].normals[c];
            const VECTOR3D n = MatrixInverseRotatePoint(skeleton[joint].absolute,
                                                        MakePoint(normal[0], normal[1], normal[2]));
            normal[0] = n.x;
            normal[1] = n.y;
            normal[2] = n.z;
        }
    }
    CaptureRestMesh();
}

void MS3D::UpdatePoints() {
    if (skeleton == nullptr) return;
    if (!haveRestMesh) CaptureRestMesh();  // the mesh is taken to be in joint space
    for (int i = 0; i < numVertices; ++i) {
        MS3D_VERTEX& v = vertices[i];
        if (v.jointIndex < 0) continue;
        PosePoint(skeleton[v.jointIndex].absolute, &restPositions[std::size_t{3} * i], v.position);
    }
    for (int t = 0; t < numTriangles; ++t) {
        for (int c = 0; c < 3; ++c) {
            const int joint = vertices[triangles[t].vertexIndices[c]].jointIndex;
            if (joint < 0) continue;
            RotateInto(skeleton[joint].absolute, &restNormals[std::size_t{9} * t + 3 * c], triangles[t].normals[c]);
        }
    }
}

// ---- Clock -------------------------------------------------------------------------

float MS3D::Frame(int frame) { return static_cast<float>(frame * 1000.0 / fps); }

void MS3D::SetAnimation(double startFrame, double endFrame, double newSpeed, bool newLoop, bool newBlend) {
    startTime = static_cast<float>(startFrame * 1000.0 / fps);
    endTime = static_cast<float>(1000.0 * endFrame / fps);
    speed = static_cast<float>(newSpeed);
    loop = newLoop;
    currentTime = startTime;
    for (int j = 0; skeleton != nullptr && j < numJoints; ++j) {
        SKELETON_JOINT& joint = skeleton[j];
        joint.translationKey = 0;
        joint.rotationKey = 0;
        joint.blendFromQuat = joint.rotationQuat;
        joint.blendFromTranslation = joint.currentTranslation;
    }
    blending = newBlend;
    blend = 0.0f;
}

void MS3D::ResetKeySearch() {
    for (int j = 0; skeleton != nullptr && j < numJoints; ++j) {
        skeleton[j].translationKey = 0;
        skeleton[j].rotationKey = 0;
    }
}

void MS3D::RestartAnim() {
    currentTime = startTime;
    ResetKeySearch();
}

void MS3D::Animate(double seconds) {
    if (blending) {
        AnimateBlend(seconds);
    } else {
        AnimatePlayback(seconds);
    }
}

void MS3D::AnimateBlend(double seconds) {
    blend = static_cast<float>(blend + 2.0 * seconds);
    if (blend >= 1.0f) {
        blending = false;
        blend = 1.0f;
    }
    for (int j = 0; skeleton != nullptr && j < numJoints; ++j) {
        SKELETON_JOINT& joint = skeleton[j];
        if (joint.rotationKeyCount > 0) {
            const int32_t k = FirstKeyNotBefore(joint.rotationKeys.get(), joint.rotationKeyCount, currentTime);
            const QUAT target = KeyQuat(joint.rotationKeys[k]);
            joint.rotationQuat = QuatSlerp(&joint.blendFromQuat, &target, blend);
            joint.rotationMatrix = QuatToRotationMatrix(joint.rotationQuat);
        }
        if (joint.translationKeyCount > 0) {
            const int32_t k =
                FirstKeyNotBefore(joint.translationKeys.get(), joint.translationKeyCount, currentTime);
            joint.currentTranslation =
                LerpKeys(joint.blendFromTranslation, KeyValue(joint.translationKeys[k]), blend);
        }
    }
}

void MS3D::AnimatePlayback(double seconds) {
    if (currentTime >= endTime) return;  // a finished clip stands still
    currentTime = static_cast<float>(currentTime + speed * seconds);
    if (currentTime >= endTime) {
        if (loop) {
            currentTime = startTime;  // exactly: the overshoot is dropped
            ResetKeySearch();
        } else {
            currentTime = endTime;
        }
    }
    for (int j = 0; skeleton != nullptr && j < numJoints; ++j) {
        SKELETON_JOINT& joint = skeleton[j];
        const int32_t translations = joint.translationKeyCount;
        if (translations > 0) {
            const MS3D_KEYFRAME* keys = joint.translationKeys.get();
            const int32_t k = AdvanceKey(keys, translations, joint.translationKey, currentTime);
            joint.translationKey = k;
            if (k == 0) {
                joint.currentTranslation = KeyValue(keys[0]);
            } else if (k < translations) {
                joint.currentTranslation =
                    LerpKeys(KeyValue(keys[k - 1]), KeyValue(keys[k]), KeyFraction(keys, k, currentTime));
            } else {
                joint.currentTranslation = KeyValue(keys[translations - 1]);
            }
        }
        const int32_t rotations = joint.rotationKeyCount;
        if (rotations > 0) {
            const MS3D_KEYFRAME* keys = joint.rotationKeys.get();
            const int32_t k = AdvanceKey(keys, rotations, joint.rotationKey, currentTime);
            joint.rotationKey = k;
            bool changed = false;
            if (k == 0) {
                if (joint.lastRotationKey != 0) {
                    joint.rotationQuat = KeyQuat(keys[0]);
                    changed = true;
                }
            } else if (k < rotations) {
                const QUAT from = KeyQuat(keys[k - 1]);
                const QUAT to = KeyQuat(keys[k]);
                joint.rotationQuat = QuatSlerp(&from, &to, KeyFraction(keys, k, currentTime));
                changed = true;
            } else if (joint.lastRotationKey != k) {
                joint.rotationQuat = KeyQuat(keys[rotations - 1]);
                changed = true;
            }
            if (changed) joint.rotationMatrix = QuatToRotationMatrix(joint.rotationQuat);
            joint.lastRotationKey = joint.rotationKey;
        }
    }
}

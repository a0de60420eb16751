// Small MS3D models built in memory for the model tests: a description
// (ModelSpec) turned into a filled MS3D as a reader would leave it, and a
// skinned tube ("limb") on a chain of animated joints. Header-only.
#pragma once

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "models/MilkshapeModel.h"

namespace testmodels {

struct JointSpec {
    std::string name, parent;         // parent empty for a root
    float rotation[3] = {0, 0, 0};    // rest rotation, radians
    float position[3] = {0, 0, 0};    // rest offset from the parent
    std::vector<MS3D_KEYFRAME> rotationKeys, translationKeys;  // times in seconds
};

struct GroupSpec {
    std::vector<uint16_t> triangles;
    int8_t material = -1;
};

struct ModelSpec {
    std::vector<MS3D_VERTEX> vertices;
    std::vector<MS3D_TRIANGLE> triangles;
    std::vector<GroupSpec> groups;
    std::vector<uint8_t> materialModes;  // one material per entry
    std::vector<JointSpec> joints;
};

inline MS3D_VERTEX Vertex(float x, float y, float z, int8_t joint = -1) { return {0, 0, joint, {x, y, z}}; }

// A triangle whose three corners share one normal and one texture coordinate.
inline MS3D_TRIANGLE Triangle(int a, int b, int c, const float normal[3], float s, float t) {
    MS3D_TRIANGLE tri;
    const int corners[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        tri.vertexIndices[i] = static_cast<uint16_t>(corners[i]);
        std::memcpy(tri.normals[i], normal, sizeof tri.normals[i]);
        tri.s[i] = s;
        tri.t[i] = t;
    }
    return tri;
}

template <typename T>
T* ArrayOf(const std::vector<T>& from, uint16_t* count) {
    *count = static_cast<uint16_t>(from.size());
    T* to = new T[from.size()];
    for (std::size_t i = 0; i < from.size(); ++i) to[i] = from[i];
    return to;
}

inline std::unique_ptr<MS3D_KEYFRAME[]> KeysOf(const std::vector<MS3D_KEYFRAME>& from, uint16_t* count) {
    *count = static_cast<uint16_t>(from.size());
    std::unique_ptr<MS3D_KEYFRAME[]> to(new MS3D_KEYFRAME[from.size()]);
    std::copy(from.begin(), from.end(), to.get());
    return to;
}

// The model as a reader leaves it (25 fps, 30 frames): filled, not set up.
inline std::unique_ptr<MS3D> MakeModel(const ModelSpec& spec) {
    auto model = std::make_unique<MS3D>();
    model->vertices = ArrayOf(spec.vertices, &model->numVertices);
    model->triangles = ArrayOf(spec.triangles, &model->numTriangles);
    model->numGroups = static_cast<uint16_t>(spec.groups.size());
    model->groups = new MS3D_GROUP[spec.groups.size()];
    for (std::size_t g = 0; g < spec.groups.size(); ++g) {
        const std::vector<uint16_t>& triangles = spec.groups[g].triangles;
        model->groups[g].triangleCount = static_cast<uint16_t>(triangles.size());
        model->groups[g].triangleIndices.reset(new uint16_t[triangles.size()]);
        std::copy(triangles.begin(), triangles.end(), model->groups[g].triangleIndices.get());
        model->groups[g].materialIndex = spec.groups[g].material;
    }
    model->numMaterials = static_cast<uint16_t>(spec.materialModes.size());
    model->materials = new MS3D_MATERIAL[spec.materialModes.size()];
    for (std::size_t i = 0; i < spec.materialModes.size(); ++i) model->materials[i].mode = spec.materialModes[i];
    model->numJoints = static_cast<uint16_t>(spec.joints.size());
    model->joints = new MS3D_JOINT[spec.joints.size()];
    for (std::size_t j = 0; j < spec.joints.size(); ++j) {
        const JointSpec& from = spec.joints[j];
        MS3D_JOINT& joint = model->joints[j];
        std::strncpy(joint.name, from.name.c_str(), kMS3DNameSize - 1);
        std::strncpy(joint.parentName, from.parent.c_str(), kMS3DNameSize - 1);
        std::memcpy(joint.rotation, from.rotation, sizeof joint.rotation);
        std::memcpy(joint.position, from.position, sizeof joint.position);
        joint.rotationKeys = KeysOf(from.rotationKeys, &joint.rotationKeyCount);
        joint.translationKeys = KeysOf(from.translationKeys, &joint.translationKeyCount);
    }
    model->fps = 25.0f;
    model->totalFrames = 30;
    model->totalTime = 1200.0f;
    return model;
}

// A tube along +y: `rings` rings of `sides` + 1 vertices (the seam column is
// repeated, as texture seams are), with radial normals and texture coordinates
// that belong to each vertex, so neighbouring triangles' corners merge. Ring r
// follows joint r * joints / rings. The joints form a chain, each one segment
// above its parent, with three rotation keys over 0 ... 1.2 s; the root also
// bobs with translation keys. The last joint's keys differ by a fraction of a
// degree, so the slerp between them takes its nearly-equal (linear) branch.
inline ModelSpec LimbSpec(int rings, int sides, int joints) {
    ModelSpec spec;
    const int columns = sides + 1;
    auto angle = [sides](int k) { return 2.0 * 3.141592653589793 * k / sides; };
    for (int r = 0; r < rings; ++r)
        for (int k = 0; k < columns; ++k)
            spec.vertices.push_back(Vertex(static_cast<float>(std::cos(angle(k))), r * 0.5f,
                                           static_cast<float>(std::sin(angle(k))),
                                           static_cast<int8_t>(r * joints / rings)));
    GroupSpec side{{}, 0};
    for (int r = 0; r + 1 < rings; ++r) {
        for (int k = 0; k < sides; ++k) {
            const int quad[2][3][2] = {{{r, k}, {r + 1, k}, {r, k + 1}}, {{r, k + 1}, {r + 1, k}, {r + 1, k + 1}}};
            for (const auto& corners : quad) {
                MS3D_TRIANGLE tri;
                for (int c = 0; c < 3; ++c) {
                    const int ring = corners[c][0], column = corners[c][1];
                    tri.vertexIndices[c] = static_cast<uint16_t>(ring * columns + column);
                    tri.normals[c][0] = static_cast<float>(std::cos(angle(column)));
                    tri.normals[c][2] = static_cast<float>(std::sin(angle(column)));
                    tri.s[c] = static_cast<float>(column) / sides;
                    tri.t[c] = static_cast<float>(ring) / rings;
                }
                side.triangles.push_back(static_cast<uint16_t>(spec.triangles.size()));
                spec.triangles.push_back(tri);
            }
        }
    }
    spec.groups.push_back(side);
    spec.materialModes.push_back(0);
    for (int j = 0; j < joints; ++j) {
        JointSpec joint;
        joint.name = "joint" + std::to_string(j);
        if (j > 0) {
            joint.parent = "joint" + std::to_string(j - 1);
            joint.position[1] = 0.5f * rings / joints;
        }
        joint.rotation[2] = 0.05f * (j + 1);  // a slight rest bend
        const float swing = 0.3f + 0.1f * j;
        joint.rotationKeys = {{0.0f, {0, 0, swing}}, {0.6f, {swing * 0.5f, 0, -swing}}, {1.2f, {0, 0, swing}}};
        if (j == joints - 1) joint.rotationKeys[1] = {0.6f, {0, 0, swing + 0.004f}};
        if (j == 0) joint.translationKeys = {{0.0f, {0, 0, 0}}, {0.6f, {0, 0.25f, 0.1f}}, {1.2f, {0, 0, 0}}};
        spec.joints.push_back(joint);
    }
    return spec;
}

// The limb, set up as the herd sets up its model (InitialSetup).
inline std::unique_ptr<MS3D> MakeLimb(int rings, int sides, int joints) {
    std::unique_ptr<MS3D> model = MakeModel(LimbSpec(rings, sides, joints));
    model->InitialSetup();
    return model;
}

}  // namespace testmodels

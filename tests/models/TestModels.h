// Small MS3D models built directly in memory for the model tests: a description
// (ModelSpec) turned into a filled MS3D, as a reader would leave it, plus a
// skinned tube ("limb") with a chain of animated joints. Header-only.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "models/MilkshapeModel.h"

namespace testmodels {

struct KeySpec {
    float seconds;
    float x, y, z;  // radians for a rotation key, an offset for a translation key
};

struct JointSpec {
    std::string name;
    std::string parent;               // empty for a root
    float rotation[3] = {0, 0, 0};    // rest rotation, radians
    float position[3] = {0, 0, 0};    // rest offset from the parent
    std::vector<KeySpec> rotationKeys;
    std::vector<KeySpec> translationKeys;
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
    float fps = 25.0f;
    int32_t totalFrames = 30;
};

inline MS3D_VERTEX Vertex(float x, float y, float z, int8_t joint = -1) {
    MS3D_VERTEX v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.jointIndex = joint;
    return v;
}

// A triangle whose corners all carry one normal; s and t per corner.
inline MS3D_TRIANGLE Triangle(uint16_t a, uint16_t b, uint16_t c, const float normal[3],
                              const float s[3], const float t[3]) {
    MS3D_TRIANGLE tri;
    tri.vertexIndices[0] = a;
    tri.vertexIndices[1] = b;
    tri.vertexIndices[2] = c;
    for (int corner = 0; corner < 3; ++corner) {
        for (int i = 0; i < 3; ++i) tri.normals[corner][i] = normal[i];
        tri.s[corner] = s[corner];
        tri.t[corner] = t[corner];
    }
    return tri;
}

inline void CopyKeys(const std::vector<KeySpec>& from, uint16_t* count,
                     std::unique_ptr<MS3D_KEYFRAME[]>* to) {
    *count = static_cast<uint16_t>(from.size());
    if (from.empty()) return;
    to->reset(new MS3D_KEYFRAME[from.size()]);
    for (std::size_t k = 0; k < from.size(); ++k) {
        (*to)[k].time = from[k].seconds;
        (*to)[k].value[0] = from[k].x;
        (*to)[k].value[1] = from[k].y;
        (*to)[k].value[2] = from[k].z;
    }
}

// The model as a reader leaves it: filled, not scaled, not set up.
inline std::unique_ptr<MS3D> MakeModel(const ModelSpec& spec) {
    auto model = std::make_unique<MS3D>();
    model->numVertices = static_cast<uint16_t>(spec.vertices.size());
    model->vertices = new MS3D_VERTEX[spec.vertices.size()];
    for (std::size_t i = 0; i < spec.vertices.size(); ++i) model->vertices[i] = spec.vertices[i];

    model->numTriangles = static_cast<uint16_t>(spec.triangles.size());
    model->triangles = new MS3D_TRIANGLE[spec.triangles.size()];
    for (std::size_t i = 0; i < spec.triangles.size(); ++i) model->triangles[i] = spec.triangles[i];

    model->numGroups = static_cast<uint16_t>(spec.groups.size());
    model->groups = new MS3D_GROUP[spec.groups.size()];
    for (std::size_t g = 0; g < spec.groups.size(); ++g) {
        MS3D_GROUP& group = model->groups[g];
        group.triangleCount = static_cast<uint16_t>(spec.groups[g].triangles.size());
        group.triangleIndices.reset(new uint16_t[spec.groups[g].triangles.size()]);
        for (std::size_t i = 0; i < spec.groups[g].triangles.size(); ++i)
            group.triangleIndices[i] = spec.groups[g].triangles[i];
        group.materialIndex = spec.groups[g].material;
    }

    model->numMaterials = static_cast<uint16_t>(spec.materialModes.size());
    model->materials = new MS3D_MATERIAL[spec.materialModes.size()];
    for (std::size_t i = 0; i < spec.materialModes.size(); ++i) {
        MS3D_MATERIAL& material = model->materials[i];
        material.mode = spec.materialModes[i];
        material.transparency = 0.5f;
        material.ambient[0] = 0.25f;
        material.ambient[1] = 0.5f;
        material.ambient[2] = 0.75f;
    }

    model->numJoints = static_cast<uint16_t>(spec.joints.size());
    model->joints = new MS3D_JOINT[spec.joints.size()];
    for (std::size_t j = 0; j < spec.joints.size(); ++j) {
        const JointSpec& from = spec.joints[j];
        MS3D_JOINT& joint = model->joints[j];
        std::strncpy(joint.name, from.name.c_str(), kMS3DNameSize - 1);
        std::strncpy(joint.parentName, from.parent.c_str(), kMS3DNameSize - 1);
        for (int i = 0; i < 3; ++i) {
            joint.rotation[i] = from.rotation[i];
            joint.position[i] = from.position[i];
        }
        CopyKeys(from.rotationKeys, &joint.rotationKeyCount, &joint.rotationKeys);
        CopyKeys(from.translationKeys, &joint.translationKeyCount, &joint.translationKeys);
    }
    model->fps = spec.fps;
    model->totalFrames = spec.totalFrames;
    model->totalTime = static_cast<float>(spec.totalFrames * 1000.0 / spec.fps);
    return model;
}

// A tube along +y: `rings` rings of `sides` + 1 vertices (the seam column is
// repeated, as texture seams are), radial normals, texture coordinates running
// around and along it. Ring r follows joint r * joints / rings. The joints form
// a chain, each one segment above its parent, each with three rotation keys;
// the root also bobs with translation keys; the last joint's first two rotation
// keys differ by a fraction of a degree, so interpolating between them takes
// the slerp's nearly-equal (linear) branch. Keys span 0 ... 1.2 s (30 frames at
// 25 fps).
inline ModelSpec LimbSpec(int rings, int sides, int joints) {
    ModelSpec spec;
    const float ringGap = 0.5f;
    const int columns = sides + 1;
    for (int r = 0; r < rings; ++r) {
        const auto joint = static_cast<int8_t>(r * joints / rings);
        for (int k = 0; k < columns; ++k) {
            const double angle = 2.0 * 3.141592653589793 * k / sides;
            spec.vertices.push_back(Vertex(static_cast<float>(std::cos(angle)), r * ringGap,
                                           static_cast<float>(std::sin(angle)), joint));
        }
    }
    GroupSpec side;
    for (int r = 0; r + 1 < rings; ++r) {
        for (int k = 0; k < sides; ++k) {
            const auto a = static_cast<uint16_t>(r * columns + k);
            const auto b = static_cast<uint16_t>(a + 1);
            const auto c = static_cast<uint16_t>(a + columns);
            const auto d = static_cast<uint16_t>(c + 1);
            const float s0 = static_cast<float>(k) / sides, s1 = static_cast<float>(k + 1) / sides;
            const float t0 = static_cast<float>(r) / rings, t1 = static_cast<float>(r + 1) / rings;
            const double angle0 = 2.0 * 3.141592653589793 * k / sides;
            const double angle1 = 2.0 * 3.141592653589793 * (k + 1) / sides;
            // Each corner keeps the radial normal of its own column, so shared
            // corners of neighbouring triangles are identical and merge.
            MS3D_TRIANGLE lower, upper;
            const uint16_t lowerCorners[3] = {a, c, b}, upperCorners[3] = {b, c, d};
            const float lowerS[3] = {s0, s0, s1}, upperS[3] = {s1, s0, s1};
            const float lowerT[3] = {t0, t1, t0}, upperT[3] = {t0, t1, t1};
            const double lowerAngle[3] = {angle0, angle0, angle1}, upperAngle[3] = {angle1, angle0, angle1};
            for (int corner = 0; corner < 3; ++corner) {
                lower.vertexIndices[corner] = lowerCorners[corner];
                upper.vertexIndices[corner] = upperCorners[corner];
                lower.normals[corner][0] = static_cast<float>(std::cos(lowerAngle[corner]));
                lower.normals[corner][2] = static_cast<float>(std::sin(lowerAngle[corner]));
                upper.normals[corner][0] = static_cast<float>(std::cos(upperAngle[corner]));
                upper.normals[corner][2] = static_cast<float>(std::sin(upperAngle[corner]));
                lower.s[corner] = lowerS[corner];
                upper.s[corner] = upperS[corner];
                lower.t[corner] = lowerT[corner];
                upper.t[corner] = upperT[corner];
            }
            side.triangles.push_back(static_cast<uint16_t>(spec.triangles.size()));
            spec.triangles.push_back(lower);
            side.triangles.push_back(static_cast<uint16_t>(spec.triangles.size()));
            spec.triangles.push_back(upper);
        }
    }
    side.material = 0;
    spec.groups.push_back(side);
    spec.materialModes.push_back(0);

    const float segment = ringGap * rings / joints;
    for (int j = 0; j < joints; ++j) {
        JointSpec joint;
        joint.name = "joint" + std::to_string(j);
        if (j > 0) {
            joint.parent = "joint" + std::to_string(j - 1);
            joint.position[1] = segment;
        }
        joint.rotation[2] = 0.05f * (j + 1);  // a slight rest bend
        const float swing = 0.3f + 0.1f * j;
        joint.rotationKeys = {{0.0f, 0.0f, 0.0f, swing}, {0.6f, swing * 0.5f, 0.0f, -swing}, {1.2f, 0.0f, 0.0f, swing}};
        if (j == joints - 1) joint.rotationKeys[1] = {0.6f, 0.0f, 0.0f, swing + 0.004f};
        if (j == 0) joint.translationKeys = {{0.0f, 0, 0, 0}, {0.6f, 0.0f, 0.25f, 0.1f}, {1.2f, 0, 0, 0}};
        spec.joints.push_back(joint);
    }
    return spec;
}

// The limb, loaded and set up as the herd does it (InitialSetup).
inline std::unique_ptr<MS3D> MakeLimb(int rings, int sides, int joints) {
    std::unique_ptr<MS3D> model = MakeModel(LimbSpec(rings, sides, joints));
    model->InitialSetup();
    return model;
}

}  // namespace testmodels

// Small models for the model tests: described as MS3DData, written by the shared
// MS3D encoder and read back through the saver's own reader, so every test model
// is one a file could hold.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "models/MilkshapeModel.h"
#include "writers/MS3DWriter.h"

namespace testmodels {

using Bytes = std::vector<uint8_t>;

inline MS3DData::Vertex Vertex(float x, float y, float z, int joint = -1) {
    MS3DData::Vertex v;
    v.position = {x, y, z};
    v.jointIndex = static_cast<int8_t>(joint);
    return v;
}

// A triangle whose corners share one normal and one texture coordinate.
inline MS3DData::Triangle Triangle(int a, int b, int c, std::array<float, 3> normal = {0, 0, 1}, float s = 0,
                                   float t = 0) {
    MS3DData::Triangle tri;
    tri.vertexIndices = {uint16_t(a), uint16_t(b), uint16_t(c)};
    tri.normals = {normal, normal, normal};
    tri.s = {s, s, s};
    tri.t = {t, t, t};
    return tri;
}

inline bool Read(MS3D& model, const Bytes& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return model.LoadFromFStream(&in);
}

inline Bytes Encode(const MS3DData& data) {
    std::string error;
    Bytes bytes = EncodeMS3D(data, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    return bytes;
}

// The model as the reader leaves it; with setUp, also through InitialSetup.
inline std::unique_ptr<MS3D> Load(const MS3DData& data, bool setUp = false) {
    auto model = std::make_unique<MS3D>();
    EXPECT_TRUE(Read(*model, Encode(data))) << "test model not read";
    if (setUp) model->InitialSetup();
    return model;
}

// Every number of the mesh (positions, joint indices, corner indices, normals,
// s and t) in one list, to compare two meshes exactly.
inline std::vector<float> MeshValues(const MS3D& m) {
    std::vector<float> values;
    for (int i = 0; i < m.numVertices; ++i) {
        values.insert(values.end(), m.vertices[i].position, m.vertices[i].position + 3);
        values.push_back(m.vertices[i].jointIndex);
    }
    for (int i = 0; i < m.numTriangles; ++i) {
        const MS3D_TRIANGLE& t = m.triangles[i];
        values.insert(values.end(), t.vertexIndices, t.vertexIndices + 3);
        for (const float* n : t.normals) values.insert(values.end(), n, n + 3);
        values.insert(values.end(), t.s, t.s + 3);
        values.insert(values.end(), t.t, t.t + 3);
    }
    return values;
}

// Axis-aligned rectangles at z = 0 facing +z, each {x0, y0, x1, y1}, one group
// and one material (mode from modes) each. Every corner has texture coordinate
// (0.25, 0.5). 25 fps, 30 frames.
inline MS3DData Rectangles(const std::vector<std::array<float, 4>>& rects, const std::vector<uint8_t>& modes) {
    MS3DData m;
    m.fps = 25.0f;
    m.totalFrames = 30;
    for (std::size_t g = 0; g < rects.size(); ++g) {
        const auto& r = rects[g];
        const int v = int(m.vertices.size()), t = int(m.triangles.size());
        for (int corner : {0, 1, 3, 2}) m.vertices.push_back(Vertex(r[corner & 1 ? 2 : 0], r[corner & 2 ? 3 : 1], 0));
        m.triangles.push_back(Triangle(v, v + 1, v + 2, {0, 0, 1}, 0.25f, 0.5f));
        m.triangles.push_back(Triangle(v, v + 2, v + 3, {0, 0, 1}, 0.25f, 0.5f));
        MS3DData::Group group;
        group.triangleIndices = {uint16_t(t), uint16_t(t + 1)};
        group.materialIndex = int8_t(g);
        m.groups.push_back(group);
        MS3DData::Material material;
        material.mode = modes[g];
        m.materials.push_back(material);
    }
    return m;
}

// A tube along +y: `rings` rings of `sides` + 1 vertices (the seam column is
// repeated, as texture seams are) with radial normals, so neighbouring triangles'
// corners merge. Ring r follows joint r * joints / rings. The joints form a chain,
// each one segment above its parent, with three rotation keys over 0 ... 1.2 s,
// the last unlike the first; the root also moves with translation keys. The
// last joint's first two keys differ by a fraction of a degree, so the slerp
// between them takes its nearly-equal (linear) branch. 25 fps, 30 frames.
inline MS3DData Limb(int rings, int sides, int joints) {
    MS3DData m;
    m.fps = 25.0f;
    m.totalFrames = 30;
    const int columns = sides + 1;
    auto angle = [sides](int k) { return 2.0 * M_PI * k / sides; };
    for (int r = 0; r < rings; ++r)
        for (int k = 0; k < columns; ++k)
            m.vertices.push_back(Vertex(float(std::cos(angle(k))), r * 0.5f, float(std::sin(angle(k))), r * joints / rings));
    MS3DData::Group side;
    side.materialIndex = 0;
    for (int r = 0; r + 1 < rings; ++r)
        for (int k = 0; k < sides; ++k) {
            const int quad[2][3][2] = {{{r, k}, {r + 1, k}, {r, k + 1}}, {{r, k + 1}, {r + 1, k}, {r + 1, k + 1}}};
            for (const auto& corners : quad) {
                MS3DData::Triangle tri;
                for (int c = 0; c < 3; ++c) {
                    const int ring = corners[c][0], column = corners[c][1];
                    tri.vertexIndices[c] = uint16_t(ring * columns + column);
                    tri.normals[c] = {float(std::cos(angle(column))), 0, float(std::sin(angle(column)))};
                    tri.s[c] = float(column) / sides;
                    tri.t[c] = float(ring) / rings;
                }
                side.triangleIndices.push_back(uint16_t(m.triangles.size()));
                m.triangles.push_back(tri);
            }
        }
    m.groups = {side};
    m.materials.resize(1);
    for (int j = 0; j < joints; ++j) {
        MS3DData::Joint joint;
        joint.name = "joint" + std::to_string(j);
        if (j > 0) {
            joint.parentName = "joint" + std::to_string(j - 1);
            joint.position[1] = 0.5f * rings / joints;
        }
        joint.rotation[2] = 0.05f * (j + 1);  // a slight rest bend
        const float swing = 0.3f + 0.1f * j;
        joint.rotationKeys = {{0.0f, {0, 0, swing}}, {0.6f, {swing * 0.5f, 0, -swing}}, {1.2f, {0, swing, 0.5f * swing}}};
        if (j == joints - 1) joint.rotationKeys[1] = {0.6f, {0, 0, swing + 0.004f}};
        if (j == 0) joint.translationKeys = {{0.0f, {0, 0, 0}}, {0.6f, {0, 0.25f, 0.1f}}, {1.2f, {0.2f, 0, 0}}};
        m.joints.push_back(joint);
    }
    return m;
}

}  // namespace testmodels

// Small resource files for the scene's tests, written with the asset tools'
// writers, and the path of the generated resources the saver ships.
#pragma once

#include <string>
#include <vector>

#include "TestFiles.h"
#include "writers/MS3DWriter.h"
#include "writers/TGAWriter.h"

namespace scenefiles {

using testfiles::Bytes;

// The resource folder the build generates, with a trailing '/'.
inline std::string Generated() { return std::string(SANDMERE_TEST_RESOURCE_DIR) + "/"; }

// A model of `groups` triangles facing +z (group g uses material g, if there is
// one), `materials` materials and `joints` chained joints with one rotation key
// each, all vertices on joint 0 when there is one.
inline MS3DData SmallModel(int groups, int materials, int joints) {
    MS3DData m;
    for (int g = 0; g < groups; ++g) {
        const float x = 2.0f * g;
        const int8_t joint = joints > 0 ? 0 : -1;
        m.vertices.insert(m.vertices.end(), {{{x - 1, 0, 0}, joint}, {{x + 1, 0, 0}, joint}, {{x, 2, 0}, joint}});
        MS3DData::Triangle t;
        t.vertexIndices = {uint16_t(3 * g), uint16_t(3 * g + 1), uint16_t(3 * g + 2)};
        t.normals = {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}};
        t.groupIndex = uint8_t(g);
        m.triangles.push_back(t);
        m.groups.push_back({"g" + std::to_string(g), {uint16_t(g)}, int8_t(g < materials ? g : -1)});
    }
    for (int i = 0; i < materials; ++i) {
        MS3DData::Material material;
        material.name = "m" + std::to_string(i);
        m.materials.push_back(material);
    }
    for (int j = 0; j < joints; ++j) {
        MS3DData::Joint joint;
        joint.name = "j" + std::to_string(j);
        if (j > 0) joint.parentName = "j" + std::to_string(j - 1);
        joint.rotationKeys = {{0.0f, {0, 0, 0}}, {1.0f, {0, 0.5f, 0}}};
        m.joints.push_back(joint);
    }
    m.totalFrames = 30;
    return m;
}

// A container: the model, then `textures` solid 4x4 pictures of distinct colours.
inline Bytes ModelFile(const MS3DData& model, int textures) {
    std::vector<LumpData> lumps{{EncodeMS3D(model), 0}};
    for (int i = 0; i < textures; ++i)
        lumps.push_back({EncodeTGA(testfiles::SolidImage(4, 4, {uint8_t(40 * i), 200, uint8_t(250 - 30 * i)}), false), 1});
    return BuildContainer(lumps);
}

}  // namespace scenefiles

// Small MS3D images for the model tests, written byte by byte so that a test can
// also make the malformed ones (bad counts, indices, versions, frame rates).
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "models/MilkshapeModel.h"

namespace ms3dtest {

struct Key {
    float time;  // seconds
    float x, y, z;
};

struct Joint {
    std::string name;
    std::string parent;
    float rotation[3] = {0, 0, 0};  // radians
    float position[3] = {0, 0, 0};
    std::vector<Key> rotationKeys;
    std::vector<Key> translationKeys;
};

struct Group {
    std::vector<uint16_t> triangles;
    int8_t material = -1;
};

struct Model {
    char identifier[11] = "MS3D000000";
    int32_t version = 4;
    std::vector<MS3D_VERTEX> vertices;
    std::vector<MS3D_TRIANGLE> triangles;
    std::vector<Group> groups;
    std::vector<MS3D_MATERIAL> materials;
    float fps = 25.0f;
    float fileCurrentTime = 0.0f;
    int32_t totalFrames = 50;
    std::vector<Joint> joints;
};

class Bytes {
public:
    void U8(uint8_t v) { s_.push_back(static_cast<char>(v)); }
    void U16(uint16_t v) { U8(v & 0xff), U8(v >> 8); }
    void I32(int32_t v) {
        const uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(u >> (8 * i)));
    }
    void F32(float f) {
        int32_t bits;
        std::memcpy(&bits, &f, 4);
        I32(bits);
    }
    void Raw(const char* p, std::size_t n) { s_.append(p, n); }
    void Name(const std::string& name, std::size_t size) {
        std::string field = name;
        field.resize(size, '\0');
        s_ += field;
    }
    const std::string& str() const { return s_; }

private:
    std::string s_;
};

inline std::string Encode(const Model& m) {
    Bytes b;
    b.Raw(m.identifier, 10);
    b.I32(m.version);
    b.U16(static_cast<uint16_t>(m.vertices.size()));
    for (const MS3D_VERTEX& v : m.vertices) {
        b.U8(v.flags);
        for (float c : v.position) b.F32(c);
        b.U8(static_cast<uint8_t>(v.jointIndex));
        b.U8(v.referenceCount);
    }
    b.U16(static_cast<uint16_t>(m.triangles.size()));
    for (const MS3D_TRIANGLE& t : m.triangles) {
        b.U16(t.flags);
        for (uint16_t i : t.vertexIndices) b.U16(i);
        for (const auto& n : t.normals)
            for (float c : n) b.F32(c);
        for (float c : t.s) b.F32(c);
        for (float c : t.t) b.F32(c);
        b.U8(t.smoothingGroup);
        b.U8(t.groupIndex);
    }
    b.U16(static_cast<uint16_t>(m.groups.size()));
    for (const Group& g : m.groups) {
        b.U8(0);
        b.Name("group", 32);
        b.U16(static_cast<uint16_t>(g.triangles.size()));
        for (uint16_t i : g.triangles) b.U16(i);
        b.U8(static_cast<uint8_t>(g.material));
    }
    b.U16(static_cast<uint16_t>(m.materials.size()));
    for (const MS3D_MATERIAL& mat : m.materials) {
        b.Raw(mat.name, 32);
        for (const float* colour : {mat.ambient, mat.diffuse, mat.specular, mat.emissive})
            for (int i = 0; i < 4; ++i) b.F32(colour[i]);
        b.F32(mat.shininess);
        b.F32(mat.transparency);
        b.U8(mat.mode);
        b.Raw(mat.textureFile, 128);
        b.Raw(mat.alphaMapFile, 128);
    }
    b.F32(m.fps);
    b.F32(m.fileCurrentTime);
    b.I32(m.totalFrames);
    b.U16(static_cast<uint16_t>(m.joints.size()));
    for (const Joint& j : m.joints) {
        b.U8(0);
        b.Name(j.name, 32);
        b.Name(j.parent, 32);
        for (float c : j.rotation) b.F32(c);
        for (float c : j.position) b.F32(c);
        b.U16(static_cast<uint16_t>(j.rotationKeys.size()));
        b.U16(static_cast<uint16_t>(j.translationKeys.size()));
        for (const std::vector<Key>* keys : {&j.rotationKeys, &j.translationKeys})
            for (const Key& k : *keys) {
                b.F32(k.time);
                b.F32(k.x);
                b.F32(k.y);
                b.F32(k.z);
            }
    }
    return b.str();
}

inline MS3D_VERTEX Vertex(float x, float y, float z, int8_t joint = -1) {
    MS3D_VERTEX v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.jointIndex = joint;
    return v;
}

// A triangle facing +z with the given corners and texture coordinates (s, t).
inline MS3D_TRIANGLE Triangle(uint16_t a, uint16_t b, uint16_t c, float s = 0.0f, float t = 0.0f) {
    MS3D_TRIANGLE tri;
    tri.vertexIndices[0] = a;
    tri.vertexIndices[1] = b;
    tri.vertexIndices[2] = c;
    for (int corner = 0; corner < 3; ++corner) {
        tri.normals[corner][2] = 1.0f;
        tri.s[corner] = s;
        tri.t[corner] = t;
    }
    return tri;
}

inline MS3D_MATERIAL Material(uint8_t mode = 0) {
    MS3D_MATERIAL m;
    m.ambient[0] = 0.25f;
    m.transparency = 1.0f;
    m.mode = mode;
    return m;
}

// Two squares side by side in the x-y plane (x in -0.9..-0.1 and 0.1..0.9,
// y in -0.4..0.4), each a group of two triangles with its own material.
inline Model TwoSquares() {
    Model m;
    for (float x0 : {-0.9f, 0.1f}) {
        const uint16_t base = static_cast<uint16_t>(m.vertices.size());
        m.vertices.push_back(Vertex(x0, -0.4f, 0.0f));
        m.vertices.push_back(Vertex(x0 + 0.8f, -0.4f, 0.0f));
        m.vertices.push_back(Vertex(x0 + 0.8f, 0.4f, 0.0f));
        m.vertices.push_back(Vertex(x0, 0.4f, 0.0f));
        const uint16_t first = static_cast<uint16_t>(m.triangles.size());
        m.triangles.push_back(Triangle(base, base + 1, base + 2));
        m.triangles.push_back(Triangle(base, base + 2, base + 3));
        m.groups.push_back({{first, static_cast<uint16_t>(first + 1)},
                            static_cast<int8_t>(m.materials.size())});
        m.materials.push_back(Material());
    }
    return m;
}

// A small skeleton at 25 fps: "root" at (1, 0, 0) with translation keys
// (0, 0, 0) at 0.1 s and (4, 0, 0) at 0.5 s and rotation keys 0 and 90 degrees
// about z at the same times; "child" of root at (0, 1, 0) with no keys; "orphan"
// whose parent name matches nothing, at (0, 0, 2). One vertex per joint sits at
// the joint's rest position in model space, plus one unjointed vertex.
inline Model Skeleton() {
    Model m;
    Joint root;
    root.name = "root";
    root.position[0] = 1.0f;
    root.translationKeys = {{0.1f, 0, 0, 0}, {0.5f, 4, 0, 0}};
    root.rotationKeys = {{0.1f, 0, 0, 0}, {0.5f, 0, 0, 1.5707963267948966f}};
    Joint child;
    child.name = "child";
    child.parent = "root";
    child.position[1] = 1.0f;
    Joint orphan;
    orphan.name = "orphan";
    orphan.parent = "nobody";
    orphan.position[2] = 2.0f;
    m.joints = {root, child, orphan};
    m.vertices = {Vertex(1, 0, 0, 0), Vertex(1, 1, 0, 1), Vertex(0, 0, 2, 2), Vertex(5, 5, 5)};
    m.triangles = {Triangle(0, 1, 2), Triangle(1, 2, 3)};
    m.groups = {{{0, 1}, -1}};
    return m;
}

// Loads an encoded image into model; true when the reader accepted it.
inline bool LoadBytes(MS3D& model, const std::string& bytes) {
    std::istringstream in(bytes);
    return model.LoadFromFStream(&in);
}

}  // namespace ms3dtest

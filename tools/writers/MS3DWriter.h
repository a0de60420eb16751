// MS3DWriter: a plain-data description of a MilkShape 3D model and its encoder
// (file version 4, the layout the saver's model reader takes).
//
// File layout, little-endian and packed, each section a 16-bit count and its
// records: header "MS3D000000" + version; vertices (15 bytes: flags, x, y, z,
// joint index, reference count); triangles (70 bytes: flags, three vertex
// indices, three corner normals, s[3], t[3], smoothing group, group index);
// groups (flags, 32-byte name, triangle count, indices, material index);
// materials (361 bytes: 32-byte name, ambient, diffuse, specular, emissive,
// shininess, transparency, mode, 128-byte texture and alpha-map names); the
// animation block (fps, current time, total frames); joints (flags, name,
// parent name, rest rotation in radians, rest position, key counts, rotation
// keys, then translation keys; each key 16 bytes: time in seconds, x, y, z).
//
// The encoder checks the description before writing anything: counts must fit
// 16 bits, names their fields, and every index must point inside its array, so
// a file it writes is one the reader can take whole.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct MS3DData {
    struct Vertex {
        std::array<float, 3> position{};  // model units
        int8_t jointIndex = -1;           // joint moving the vertex, -1 for none
        uint8_t flags = 0;
        uint8_t referenceCount = 0;
    };
    struct Triangle {
        std::array<uint16_t, 3> vertexIndices{};
        std::array<std::array<float, 3>, 3> normals{};  // per corner, unit length
        std::array<float, 3> s{};                        // per corner texture coordinate
        std::array<float, 3> t{};                        // per corner; drawn as 1 - t
        uint16_t flags = 0;
        uint8_t smoothingGroup = 1;
        uint8_t groupIndex = 0;
    };
    struct Group {
        std::string name;                       // at most 31 characters
        std::vector<uint16_t> triangleIndices;  // into triangles
        int8_t materialIndex = -1;              // into materials, -1 for none
        uint8_t flags = 0;
    };
    struct Material {
        std::string name;  // at most 31 characters
        std::array<float, 4> ambient{0.2f, 0.2f, 0.2f, 1.0f};
        std::array<float, 4> diffuse{0.8f, 0.8f, 0.8f, 1.0f};
        std::array<float, 4> specular{0.0f, 0.0f, 0.0f, 1.0f};
        std::array<float, 4> emissive{0.0f, 0.0f, 0.0f, 1.0f};
        float shininess = 0.0f;     // 0..128
        float transparency = 1.0f;  // 1 opaque
        uint8_t mode = 0;           // flag bits
        std::string textureFile;    // at most 127 characters
        std::string alphaMapFile;   // at most 127 characters
    };
    struct Keyframe {
        float time = 0.0f;                // seconds
        std::array<float, 3> value{};     // radians (rotation) or model units (translation)
    };
    struct Joint {
        std::string name;                 // at most 31 characters, unique
        std::string parentName;           // empty for a root joint
        std::array<float, 3> rotation{};  // rest rotation, Euler x, y, z in radians
        std::array<float, 3> position{};  // rest offset from the parent
        std::vector<Keyframe> rotationKeys;
        std::vector<Keyframe> translationKeys;
        uint8_t flags = 0;
    };

    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    std::vector<Joint> joints;
    float fps = 24.0f;        // animation frames per second, above 0
    float currentTime = 0.0f; // seconds; stored, never used by the reader
    int32_t totalFrames = 0;  // animation length in frames
};

// True when the description can be written as a valid file; otherwise false
// and, when error is given, the first problem found.
bool ValidateMS3D(const MS3DData& model, std::string* error);

// The MS3D file (version 4). Empty when ValidateMS3D fails; error then says why.
std::vector<uint8_t> EncodeMS3D(const MS3DData& model, std::string* error = nullptr);

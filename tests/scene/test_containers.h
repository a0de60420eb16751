// Small resource files for the scene and frame-driver tests, built byte by byte:
// containers ("KSTF"), 24-bit TGA images, texture tables, and MilkShape models
// with joints for the ground. Also a temporary folder that removes itself.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testfiles {

using Bytes = std::vector<uint8_t>;

inline void PutU8(Bytes& b, uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
inline void PutU16(Bytes& b, uint32_t v) {
    PutU8(b, v & 0xff);
    PutU8(b, (v >> 8) & 0xff);
}
inline void PutU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) PutU8(b, (v >> (8 * i)) & 0xff);
}
inline void PutF32(Bytes& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(b, bits);
}
inline void PutName(Bytes& b, const std::string& name, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) PutU8(b, i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
}

struct Lump {
    Bytes body;
    uint32_t type = 0;   // 1 TGA, 3 JPEG, anything else: not an image
    uint32_t param = 0;  // alpha mode for images
};

// Header, directory, then the bodies in order.
inline Bytes Container(const std::vector<Lump>& lumps) {
    const uint32_t directoryOffset = 24;
    uint32_t offset = directoryOffset + 28 * static_cast<uint32_t>(lumps.size());
    uint32_t total = offset;
    for (const Lump& l : lumps) total += static_cast<uint32_t>(l.body.size());

    Bytes b{'K', 'S', 'T', 'F', 0, 0, 0, 0, 0, 0, 0, 0};
    PutU32(b, static_cast<uint32_t>(lumps.size()));
    PutU32(b, ~total);
    PutU32(b, directoryOffset);
    for (const Lump& l : lumps) {
        PutU32(b, static_cast<uint32_t>(l.body.size()));
        PutU32(b, offset);
        PutU32(b, l.type);
        PutU32(b, l.param);
        for (int i = 0; i < 12; ++i) PutU8(b, 0);
        offset += static_cast<uint32_t>(l.body.size());
    }
    for (const Lump& l : lumps) b.insert(b.end(), l.body.begin(), l.body.end());
    return b;
}

// An uncompressed 24-bit TGA of one colour.
inline Bytes SolidTGA(int width, int height, std::array<uint8_t, 3> rgb) {
    Bytes b{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(b, static_cast<uint32_t>(width));
    PutU16(b, static_cast<uint32_t>(height));
    PutU8(b, 24);
    PutU8(b, 0);
    for (int i = 0; i < width * height; ++i) {
        PutU8(b, rgb[2]);
        PutU8(b, rgb[1]);
        PutU8(b, rgb[0]);
    }
    return b;
}

// The colour test texture tables give entry i.
inline std::array<uint8_t, 3> EntryColour(int i) {
    static const std::array<uint8_t, 3> kColours[] = {
        {40, 40, 40},  {255, 0, 0},   {0, 255, 0},    {0, 0, 255},    {255, 255, 0},
        {0, 255, 255}, {255, 0, 255}, {128, 64, 0},   {0, 128, 64},   {64, 0, 128},
    };
    return kColours[i % 10];
}

// A texture data file of `entries` solid 4x4 images.
inline Bytes TextureTable(int entries) {
    std::vector<Lump> lumps;
    for (int i = 0; i < entries; ++i) lumps.push_back({SolidTGA(4, 4, EntryColour(i)), 1, 0});
    return Container(lumps);
}

// ---- MilkShape models (version 4) -------------------------------------------

struct Joint {
    std::string name;
    std::string parent;                  // empty for a root
    std::array<float, 3> rotation{};     // radians
    std::array<float, 3> position{};     // offset from the parent
};

// A model with the given joints and, when `quad` is set, one square from
// (-1, -1, 0) to (1, 1, 0) facing +z, bound to no joint, in one group using
// material 0.
inline Bytes GroundModel(const std::vector<Joint>& joints, bool quad) {
    Bytes b;
    const char header[] = "MS3D000000";
    for (int i = 0; i < 10; ++i) PutU8(b, static_cast<uint8_t>(header[i]));
    PutU32(b, 4);

    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    PutU16(b, quad ? 4 : 0);
    for (int v = 0; quad && v < 4; ++v) {
        PutU8(b, 0);
        PutF32(b, corners[v][0]);
        PutF32(b, corners[v][1]);
        PutF32(b, 0.0f);
        PutU8(b, 0xff);  // joint -1
        PutU8(b, 0);
    }
    const uint16_t tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
    PutU16(b, quad ? 2 : 0);
    for (int t = 0; quad && t < 2; ++t) {
        PutU16(b, 0);
        for (uint16_t index : tris[t]) PutU16(b, index);
        for (int i = 0; i < 3; ++i) {
            PutF32(b, 0);
            PutF32(b, 0);
            PutF32(b, 1);
        }
        for (uint16_t index : tris[t]) PutF32(b, (corners[index][0] + 1) / 2);  // s
        for (uint16_t index : tris[t]) PutF32(b, (corners[index][1] + 1) / 2);  // t
        PutU8(b, 1);
        PutU8(b, 0);
    }
    PutU16(b, quad ? 1 : 0);  // groups
    if (quad) {
        PutU8(b, 0);
        PutName(b, "ground", 32);
        PutU16(b, 2);
        PutU16(b, 0);
        PutU16(b, 1);
        PutU8(b, 0);  // material 0
    }
    PutU16(b, quad ? 1 : 0);  // materials
    if (quad) {
        PutName(b, "sand", 32);
        for (int i = 0; i < 16; ++i) PutF32(b, 1.0f);  // ambient, diffuse, specular, emissive
        PutF32(b, 0.0f);                                // shininess
        PutF32(b, 1.0f);                                // transparency
        PutU8(b, 0);
        PutName(b, "", 128);
        PutName(b, "", 128);
    }
    PutF32(b, 24.0f);  // fps
    PutF32(b, 0.0f);
    PutU32(b, 1);      // total frames
    PutU16(b, static_cast<uint32_t>(joints.size()));
    for (const Joint& j : joints) {
        PutU8(b, 0);
        PutName(b, j.name, 32);
        PutName(b, j.parent, 32);
        for (float r : j.rotation) PutF32(b, r);
        for (float p : j.position) PutF32(b, p);
        PutU16(b, 0);
        PutU16(b, 0);
    }
    return b;
}

// A model container: the model, then its textures.
inline Bytes ModelContainer(const Bytes& model, const std::vector<Bytes>& tgaTextures) {
    std::vector<Lump> lumps{{model, 0, 0}};
    for (const Bytes& t : tgaTextures) lumps.push_back({t, 1, 0});
    return Container(lumps);
}

// ---- Files ---------------------------------------------------------------------

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sandmere-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }  // without a trailing '/'
    std::string Slashed() const { return path_ + "/"; }

    bool Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(path_ + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

private:
    std::string path_;
};

}  // namespace testfiles

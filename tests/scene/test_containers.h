// Small resource files for the scene and frame-driver tests: containers
// ("KSTF") of solid 24-bit TGA images or of a model, and a temporary folder that
// removes itself. Models are encoded with the model tests' ms3dtest::Encode.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testfiles {

using Bytes = std::string;

inline void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A container of lumps given as (type, body); bodies follow the directory.
inline Bytes Container(const std::vector<std::pair<uint32_t, Bytes>>& lumps) {
    uint32_t offset = 24 + 28 * static_cast<uint32_t>(lumps.size());
    uint32_t total = offset;
    for (const auto& l : lumps) total += static_cast<uint32_t>(l.second.size());
    Bytes b("KSTF\0\0\0\0\0\0\0\0", 12);
    Put32(b, static_cast<uint32_t>(lumps.size()));
    Put32(b, ~total);
    Put32(b, 24);
    for (const auto& l : lumps) {
        for (uint32_t v : {static_cast<uint32_t>(l.second.size()), offset, l.first, 0u, 0u, 0u, 0u})
            Put32(b, v);
        offset += static_cast<uint32_t>(l.second.size());
    }
    for (const auto& l : lumps) b += l.second;
    return b;
}

// An uncompressed 4x4 24-bit TGA of one colour.
inline Bytes SolidTGA(std::array<uint8_t, 3> rgb) {
    Bytes b("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x18\0", 18);
    const char bgr[3] = {static_cast<char>(rgb[2]), static_cast<char>(rgb[1]), static_cast<char>(rgb[0])};
    for (int i = 0; i < 16; ++i) b.append(bgr, 3);
    return b;
}

// The colour of entry i in the test texture tables.
inline std::array<uint8_t, 3> EntryColour(int i) {
    static const std::array<uint8_t, 3> kColours[] = {
        {40, 40, 40},  {255, 0, 0},   {0, 255, 0},  {0, 0, 255},  {255, 255, 0},
        {0, 255, 255}, {255, 0, 255}, {128, 64, 0}, {0, 128, 64}, {64, 0, 128},
    };
    return kColours[i % 10];
}

// A texture data file of `entries` solid images.
inline Bytes TextureTable(int entries) {
    std::vector<std::pair<uint32_t, Bytes>> lumps;
    for (int i = 0; i < entries; ++i) lumps.push_back({1, SolidTGA(EntryColour(i))});
    return Container(lumps);
}

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
        out << bytes;
        return static_cast<bool>(out);
    }

private:
    std::string path_;
};

}  // namespace testfiles

// Files for tests: a private temporary folder that removes itself, whole-file
// reads and writes, and small images. Test files are built with the same
// writers the asset tools use (tools/writers), so every test speaks one format.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "writers/ContainerWriter.h"
#include "writers/Image.h"

namespace testfiles {

using Bytes = std::vector<uint8_t>;

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
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes to name inside the folder; returns the file's path.
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::string full = File(name);
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return full;
    }

private:
    std::string path_;
};

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// A width x height image of one colour (3 or 4 channels).
inline Image SolidImage(int width, int height, std::vector<uint8_t> colour) {
    Image image(width, height, static_cast<int>(colour.size()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::copy(colour.begin(), colour.end(), image.At(x, y));
    return image;
}

}  // namespace testfiles

// The PNG writer: what it writes reads back through libpng pixel for pixel, and
// a failed write leaves whatever was there before, with nothing beside it.
#include "assets/PNGWriter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>

#include "TestFiles.h"

namespace {

RGBImage ReadPNG(const std::string& path) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    RGBImage image;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_RGB;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) return RGBImage{};
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    return image;
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(PNGWriter, RoundTripsEveryPixelAndFailsLeavingTheOldFileAlone) {
    testfiles::TempDir dir;
    RGBImage image{3, 2, {}};
    for (int i = 0; i < 18; ++i) image.rgb.push_back(static_cast<uint8_t>(i * 13 + 7));
    ASSERT_TRUE(WritePNG(dir.File("a.png"), image));
    const RGBImage back = ReadPNG(dir.File("a.png"));
    EXPECT_TRUE(back.width == 3 && back.height == 2 && back.rgb == image.rgb);

    const std::string path = dir.Write("a.png", {1, 2, 3});
    const struct { const char* name; RGBImage image; std::string path; } cases[] = {
        {"empty picture", RGBImage{}, path},
        {"short pixel buffer", RGBImage{2, 2, std::vector<uint8_t>(11)}, path},
        {"missing folder", RGBImage{1, 1, {9, 9, 9}}, dir.File("no/such/x.png")},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(WritePNG(c.path, c.image, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_EQ(testfiles::ReadBytes(path), (testfiles::Bytes{1, 2, 3})) << c.name;
        EXPECT_EQ(FilesIn(dir.path()), 1u) << c.name << ": a temporary was left";
    }
}

}  // namespace

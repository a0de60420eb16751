// JPEG decoding and JPEG textures: row order, the colour spaces converted to
// RGB, the size caps, and corrupt, truncated or hostile data refused without
// output or leftovers. Plain pictures come from the shared JPEG writer; those
// needing what it does not offer (no chroma subsampling, grey-scale, CMYK, a
// custom progressive script) from the small encoder here.
#include "assets/JPGLoader.h"
#include "assets/Texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "GLFixture.h"
#include "TestFiles.h"
#include "writers/JPEGWriter.h"

namespace {

using testfiles::Bytes;

struct EncodeOptions {
    int components = 3;                  // samples per input pixel
    J_COLOR_SPACE input = JCS_RGB;       // what the samples mean
    J_COLOR_SPACE stored = JCS_UNKNOWN;  // the file's colour space; the library's choice when unknown
    bool adobeMarker = true;             // for CMYK files
    std::vector<jpeg_scan_info> scans;   // a custom progressive script when not empty
};

// A width x height picture, rows given top first, every component at full resolution.
Bytes Encode(int width, int height, const Bytes& topFirst, const EncodeOptions& options = {}) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = options.components;
    c.in_color_space = options.input;
    jpeg_set_defaults(&c);
    if (options.stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, options.stored);
    c.write_Adobe_marker = c.write_Adobe_marker && options.adobeMarker;
    jpeg_set_quality(&c, 100, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    c.scan_info = options.scans.empty() ? nullptr : options.scans.data();
    c.num_scans = int(options.scans.size());
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row; c.next_scanline < c.image_height; jpeg_write_scanlines(&c, &row, 1))
        row = const_cast<uint8_t*>(&topFirst[c.next_scanline * size_t(width) * options.components]);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// Top half one pixel value, bottom half another.
Bytes TwoBands(int width, int height, const Bytes& top, const Bytes& bottom) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
        const Bytes& band = y < height / 2 ? top : bottom;
        for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), band.begin(), band.end());
    }
    return pixels;
}

bool Decode(const Bytes& jpeg, DecodedImage* image, size_t length = SIZE_MAX) {
    return DecodeJPEG(jpeg.data(), static_cast<long>(std::min(length, jpeg.size())), image);
}

// A plain grey picture from the shared writer.
Bytes Grey(int width, int height) {
    Bytes jpeg;
    EXPECT_TRUE(EncodeJPEG(testfiles::SolidImage(width, height, {128, 128, 128}), 50, &jpeg));
    return jpeg;
}

void ExpectNear(const uint8_t* pixel, const Bytes& rgb, const char* where) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], rgb[c], 6) << where << " channel " << c;
}

const Bytes kRed = {255, 0, 0};
const Bytes kBlue = {0, 0, 255};

TEST(DecodeJPEG, ConvertsEachColourSpaceToRGBBottomRowFirst) {
    EncodeOptions grey, adobeCMYK;
    grey.components = 1;
    grey.input = JCS_GRAYSCALE;
    adobeCMYK.components = 4;
    adobeCMYK.input = adobeCMYK.stored = JCS_CMYK;
    EncodeOptions plainCMYK = adobeCMYK, ycck = adobeCMYK;
    plainCMYK.adobeMarker = false;
    ycck.stored = JCS_YCCK;
    // Adobe files store CMYK inverted (255 = no ink); others store ink amounts.
    // The bottom band of the Adobe cases is half black.
    const struct {
        const char* name;
        const EncodeOptions& options;
        Bytes topSamples, bottomSamples, topRGB, bottomRGB;
    } cases[] = {
        {"grey-scale", grey, {40}, {220}, {40, 40, 40}, {220, 220, 220}},
        {"Adobe CMYK", adobeCMYK, {255, 0, 0, 255}, {255, 255, 255, 127}, kRed, {127, 127, 127}},
        {"YCCK", ycck, {255, 0, 0, 255}, {0, 0, 255, 127}, kRed, {0, 0, 127}},
        {"plain CMYK", plainCMYK, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedImage image;
        ASSERT_TRUE(Decode(Encode(16, 16, TwoBands(16, 16, c.topSamples, c.bottomSamples), c.options), &image));
        ASSERT_EQ(image.width, 16u);
        ASSERT_EQ(image.height, 16u);
        ExpectNear(image.rgb.get(), c.bottomRGB, "bottom-left");
        ExpectNear(image.rgb.get() + (15 * 16 + 15) * 3, c.topRGB, "top-right");
    }
}

// Library errors, the warnings it would paper over and pictures beyond 16384 on
// a side alike: refused silently, with out untouched.
TEST(DecodeJPEG, RefusesCorruptTruncatedAndOversizedDataSilently) {
    Image noise(32, 32, 3);  // long scan data, to damage in the middle
    uint32_t state = 12345;
    for (uint8_t& p : noise.pixels) p = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    Bytes good;
    ASSERT_TRUE(EncodeJPEG(noise, 90, &good));
    ASSERT_GT(good.size(), 1000u);  // the headers take about 400 bytes, the scan data the rest
    Bytes markerInScan = good;       // a restart marker where none may appear
    markerInScan[good.size() - 100] = 0xFF;
    markerInScan[good.size() - 99] = 0xD0;

    ::testing::internal::CaptureStderr();
    const struct { const char* name; Bytes jpeg; bool accepted; } cases[] = {
        {"a marker inside the scan", markerInScan, false},
        {"not a JPEG", Bytes(256, 0x5A), false},
        {"only the start marker", {0xFF, 0xD8}, false},
        {"16384 wide", Grey(16384, 8), true},
        {"16385 wide", Grey(16385, 8), false},
        {"16385 tall", Grey(8, 16385), false},
    };
    for (const auto& c : cases) {
        DecodedImage image;
        EXPECT_EQ(Decode(c.jpeg, &image), c.accepted) << c.name;
        EXPECT_EQ(image.rgb != nullptr, c.accepted) << c.name;
        EXPECT_EQ(image.width != 0, c.accepted) << c.name;
    }
    // Every proper prefix: a missing end is never papered over.
    for (size_t length = 1; length < good.size(); ++length) {
        DecodedImage image;
        ASSERT_FALSE(Decode(good, &image, length)) << "length " << length;
        ASSERT_EQ(image.rgb, nullptr);
    }
    DecodedImage image;
    EXPECT_FALSE(DecodeJPEG(nullptr, 100, &image));
    EXPECT_FALSE(DecodeJPEG(good.data(), -1, &image));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(Decode(good, &image));
}

// Each progressive scan passes over the whole picture: hundreds of tiny scans
// are refused rather than decoded for minutes.
TEST(DecodeJPEG, RefusesProgressiveFilesWithTooManyScans) {
    // Grey-scale: one DC scan, then each AC coefficient first at bit `low`, then
    // refined one bit at a time: 1 + 63 x (low + 1) scans.
    const auto encode = [](int low) {
        EncodeOptions options;
        options.components = 1;
        options.input = JCS_GRAYSCALE;
        options.scans.push_back({1, {0}, 0, 0, 0, 0});
        for (int k = 1; k < 64; ++k) {
            options.scans.push_back({1, {0}, k, k, 0, low});
            for (int bit = low; bit > 0; --bit) options.scans.push_back({1, {0}, k, k, bit, bit - 1});
        }
        Bytes pixels(8 * 8);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37);
        return Encode(8, 8, pixels, options);
    };
    DecodedImage image;
    EXPECT_TRUE(Decode(encode(2), &image));  // 190 scans
    DecodedImage refused;
    EXPECT_FALSE(Decode(encode(8), &refused));  // 568 scans
    EXPECT_EQ(refused.rgb, nullptr);
}

using JPGTextureTest = GLTest;

// The 4x2 picture with a red top row and a blue bottom row uploads blue first;
// damaged copies of it leave the record with no pixels and no texture name.
TEST_F(JPGTextureTest, UploadsTheBottomRowFirstAndRefusesBadData) {
    const Bytes jpeg = Encode(4, 2, TwoBands(4, 2, kRed, kBlue));
    Texture t;
    ASSERT_TRUE(BuildJPGTexture(&t, jpeg.data(), static_cast<long>(jpeg.size()), 0));
    EXPECT_TRUE(t.pixels == nullptr && t.width == 4u && t.height == 2u && t.format == GL_RGB);
    Bytes rgba(4 * 2 * 4);
    glBindTexture(GL_TEXTURE_2D, t.textureName);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int x = 0; x < 4; ++x) {
        ExpectNear(&rgba[x * 4], kBlue, "first row");
        ExpectNear(&rgba[16 + x * 4], kRed, "second row");
        EXPECT_EQ(rgba[x * 4 + 3] & rgba[16 + x * 4 + 3], 255);
    }

    const Bytes truncated(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    Texture refused;
    EXPECT_FALSE(BuildJPGTexture(&refused, truncated.data(), static_cast<long>(truncated.size()), 1));
    EXPECT_TRUE(refused.pixels == nullptr && refused.textureName == 0u && refused.width == 0u);
    EXPECT_FALSE(BuildJPGTexture(nullptr, jpeg.data(), static_cast<long>(jpeg.size()), 0));
}

}  // namespace

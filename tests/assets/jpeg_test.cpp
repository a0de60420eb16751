// JPEG decoding and JPEG textures, on pictures encoded here with libjpeg's own
// compressor: row order, the colour spaces converted to RGB, the size caps, and
// corrupt, truncated or hostile data refused without output or leftovers.
#include "assets/JPGLoader.h"
#include "assets/Texture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "GLFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct EncodeOptions {
    int components = 3;                  // samples per input pixel
    J_COLOR_SPACE input = JCS_RGB;       // what the samples mean
    J_COLOR_SPACE stored = JCS_UNKNOWN;  // the file's colour space; library default when unknown
    bool adobeMarker = true;             // only consulted for CMYK files
    bool progressive = false;
    std::vector<jpeg_scan_info> scans;   // a custom progressive script when not empty
    int quality = 100;
};

// Encodes a width x height picture whose rows are given top first, each pixel
// `components` samples, with no chroma subsampling so sharp colour edges hold.
Bytes Encode(int width, int height, const Bytes& topFirst, const EncodeOptions& options) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = options.components;
    c.in_color_space = options.input;
    jpeg_set_defaults(&c);
    if (options.stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, options.stored);
    if (options.stored == JCS_CMYK) c.write_Adobe_marker = options.adobeMarker;
    jpeg_set_quality(&c, options.quality, TRUE);
    for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (options.progressive) jpeg_simple_progression(&c);
    if (!options.scans.empty()) {
        c.scan_info = options.scans.data();
        c.num_scans = static_cast<int>(options.scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * options.components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&topFirst[c.next_scanline * rowBytes]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// A picture whose top half is one colour and bottom half another.
Bytes TwoBands(int width, int height, const Bytes& top, const Bytes& bottom) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.insert(pixels.end(), (y < height / 2 ? top : bottom).begin(),
                          (y < height / 2 ? top : bottom).end());
    return pixels;
}

const Bytes kRed = {255, 0, 0};
const Bytes kBlue = {0, 0, 255};

// The 4x2 picture with a red top row and a blue bottom row.
Bytes RedOverBlue() { return Encode(4, 2, TwoBands(4, 2, kRed, kBlue), {}); }

// Pixel noise, so the scan data is long enough to damage in the middle.
Bytes Noise(int width, int height) {
    Bytes pixels(static_cast<size_t>(width) * height * 3);
    uint32_t state = 12345;
    for (uint8_t& p : pixels) p = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    return Encode(width, height, pixels, {});
}

// Offset of the first byte after the start-of-scan header.
size_t ScanDataStart(const Bytes& jpeg) {
    for (size_t i = 0; i + 3 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
    return 0;
}

// Rewrites the width and height of the baseline frame header.
Bytes WithFrameSize(Bytes jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = height >> 8;
            jpeg[i + 6] = height & 0xFF;
            jpeg[i + 7] = width >> 8;
            jpeg[i + 8] = width & 0xFF;
            return jpeg;
        }
    ADD_FAILURE() << "no baseline frame header";
    return jpeg;
}

void ExpectNear(const uint8_t* pixel, const Bytes& rgb, const std::string& where) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], rgb[c], 6) << where << " channel " << c;
}

// Every source colour space comes out as RGB: top band colour A, bottom band B.
TEST(DecodeJPEG, ConvertsEachColourSpaceToRGB) {
    struct Case {
        const char* name;
        EncodeOptions options;
        Bytes topSamples, bottomSamples;
        Bytes topRGB, bottomRGB;
    };
    EncodeOptions grey;
    grey.components = 1;
    grey.input = JCS_GRAYSCALE;
    EncodeOptions progressive;
    progressive.progressive = true;
    // Adobe files store CMYK inverted (255 = no ink); others store ink amounts.
    EncodeOptions adobeCMYK;
    adobeCMYK.components = 4;
    adobeCMYK.input = JCS_CMYK;
    adobeCMYK.stored = JCS_CMYK;
    EncodeOptions plainCMYK = adobeCMYK;
    plainCMYK.adobeMarker = false;
    EncodeOptions ycck = adobeCMYK;
    ycck.stored = JCS_YCCK;
    const Case cases[] = {
        {"YCbCr baseline", {}, kRed, kBlue, kRed, kBlue},
        {"YCbCr progressive", progressive, {0, 255, 0}, {255, 255, 255}, {0, 255, 0}, {255, 255, 255}},
        {"grey-scale", grey, {40}, {220}, {40, 40, 40}, {220, 220, 220}},
        {"Adobe CMYK", adobeCMYK, {255, 0, 0, 255}, {0, 0, 255, 255}, kRed, kBlue},
        {"Adobe CMYK with black", adobeCMYK, {255, 255, 255, 127}, {255, 255, 255, 255}, {127, 127, 127}, {255, 255, 255}},
        {"plain CMYK", plainCMYK, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
        {"YCCK", ycck, {255, 0, 0, 255}, {0, 0, 255, 255}, kRed, kBlue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes jpeg = Encode(16, 16, TwoBands(16, 16, c.topSamples, c.bottomSamples), c.options);
        DecodedImage image;
        ASSERT_TRUE(DecodeJPEG(jpeg.data(), static_cast<long>(jpeg.size()), &image));
        ASSERT_EQ(image.width, 16u);
        ASSERT_EQ(image.height, 16u);
        ExpectNear(image.rgb.get(), c.bottomRGB, "bottom-left");
        ExpectNear(image.rgb.get() + (15 * 16 + 15) * 3, c.topRGB, "top-right");
    }
}

// Anything that is not a whole, sound JPEG is refused, silently, and leaves out
// untouched: library errors and the warnings it would paper over alike.
TEST(DecodeJPEG, RefusesCorruptAndTruncatedDataSilently) {
    const Bytes good = Noise(32, 32);
    const size_t scan = ScanDataStart(good);
    ASSERT_GT(scan, 0u);
    ASSERT_LT(scan + 64, good.size());
    Bytes damaged = good;  // a restart marker where none may appear
    damaged[scan + 40] = 0xFF;
    damaged[scan + 41] = 0xD0;
    const Bytes& markerInScan = damaged;
    const Bytes notJPEG(256, 0x5A);
    const Bytes soiOnly = {0xFF, 0xD8};

    ::testing::internal::CaptureStderr();
    for (const Bytes* bytes : {&markerInScan, &notJPEG, &soiOnly}) {
        DecodedImage image;
        EXPECT_FALSE(DecodeJPEG(bytes->data(), static_cast<long>(bytes->size()), &image));
        EXPECT_EQ(image.rgb, nullptr);
        EXPECT_EQ(image.width, 0u);
    }
    // Every proper prefix, down to one byte: the missing end is never papered over.
    for (size_t length = 1; length < good.size(); ++length) {
        DecodedImage image;
        ASSERT_FALSE(DecodeJPEG(good.data(), static_cast<long>(length), &image)) << "length " << length;
        ASSERT_EQ(image.rgb, nullptr);
    }
    DecodedImage image;
    EXPECT_FALSE(DecodeJPEG(nullptr, 100, &image));
    EXPECT_FALSE(DecodeJPEG(good.data(), 0, &image));
    EXPECT_FALSE(DecodeJPEG(good.data(), -1, &image));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(DecodeJPEG(good.data(), static_cast<long>(good.size()), &image));
}

// Sizes up to the caps decode; beyond them the header alone is enough to refuse.
TEST(DecodeJPEG, RefusesPicturesBeyondTheSizeCaps) {
    const auto uniform = [](int width, int height) {
        Bytes row(static_cast<size_t>(width) * 3, 128);
        Bytes pixels;
        pixels.reserve(row.size() * height);
        for (int y = 0; y < height; ++y) pixels.insert(pixels.end(), row.begin(), row.end());
        return Encode(width, height, pixels, {});
    };
    const struct {
        int width, height;
        bool accepted;
    } cases[] = {
        {16384, 8, true},
        {16385, 8, false},
        {8, 16385, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const Bytes jpeg = uniform(c.width, c.height);
        DecodedImage image;
        EXPECT_EQ(DecodeJPEG(jpeg.data(), static_cast<long>(jpeg.size()), &image), c.accepted);
        EXPECT_EQ(image.rgb != nullptr, c.accepted);
    }
    // 16384 x 16384 is within the side cap but four times the pixel cap; the
    // header claims it over the scan data of an 8 x 8 picture.
    const Bytes huge = WithFrameSize(uniform(8, 8), 16384, 16384);
    DecodedImage image;
    EXPECT_FALSE(DecodeJPEG(huge.data(), static_cast<long>(huge.size()), &image));
}

// Each progressive scan passes over the whole picture; a file made of hundreds
// of tiny scans is refused rather than decoded for minutes.
TEST(DecodeJPEG, RefusesProgressiveFilesWithTooManyScans) {
    // Grey-scale: one DC scan, then every AC coefficient on its own, first at
    // bit `low` and then refined one bit at a time: 1 + 63 x (low + 1) scans.
    const auto script = [](int low) {
        std::vector<jpeg_scan_info> scans;
        scans.push_back({1, {0}, 0, 0, 0, 0});
        for (int k = 1; k < 64; ++k) {
            scans.push_back({1, {0}, k, k, 0, low});
            for (int bit = low; bit > 0; --bit) scans.push_back({1, {0}, k, k, bit, bit - 1});
        }
        return scans;
    };
    Bytes pixels(8 * 8);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37);
    EncodeOptions options;
    options.components = 1;
    options.input = JCS_GRAYSCALE;
    options.scans = script(2);  // 190 scans
    const Bytes fewScans = Encode(8, 8, pixels, options);
    options.scans = script(8);  // 568 scans
    const Bytes manyScans = Encode(8, 8, pixels, options);

    DecodedImage image;
    EXPECT_TRUE(DecodeJPEG(fewScans.data(), static_cast<long>(fewScans.size()), &image));
    DecodedImage refused;
    EXPECT_FALSE(DecodeJPEG(manyScans.data(), static_cast<long>(manyScans.size()), &refused));
    EXPECT_EQ(refused.rgb, nullptr);
}

class JPGTextureTest : public GLTest {
protected:
    // The texture bound to GL_TEXTURE_2D, read back as RGBA, bottom row first.
    Bytes ReadBack(const Texture& t) {
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<uint32_t>(bound), t.textureName);
        Bytes rgba(static_cast<size_t>(t.width) * t.height * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
};

TEST_F(JPGTextureTest, UploadsTheBottomRowFirstAsOpaqueRGB) {
    const Bytes jpeg = RedOverBlue();
    Texture t;
    ASSERT_TRUE(BuildJPGTexture(&t, jpeg.data(), static_cast<long>(jpeg.size()), 0));
    EXPECT_EQ(t.pixels, nullptr);
    EXPECT_NE(t.textureName, 0u);
    EXPECT_EQ(t.width, 4u);
    EXPECT_EQ(t.height, 2u);
    EXPECT_EQ(t.format, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(t.bitsPerPixel, 24u);
    const Bytes rgba = ReadBack(t);
    for (int x = 0; x < 4; ++x) {
        ExpectNear(&rgba[x * 4], kBlue, "first row");
        ExpectNear(&rgba[16 + x * 4], kRed, "second row");
        EXPECT_EQ(rgba[x * 4 + 3], 255);
        EXPECT_EQ(rgba[16 + x * 4 + 3], 255);
    }
}

// The colour key is the bottom-left pixel of the picture. Each band fills whole
// 8x8 blocks, so every pixel of a band decodes to exactly the same colour.
TEST_F(JPGTextureTest, ColourKeyIsTheBottomLeftPixel) {
    const Bytes jpeg = Encode(16, 16, TwoBands(16, 16, {20, 180, 60}, {255, 0, 255}), {});
    Texture keyed;
    ASSERT_TRUE(BuildJPGTexture(&keyed, jpeg.data(), static_cast<long>(jpeg.size()), 1));
    const Bytes rgba = ReadBack(keyed);
    EXPECT_EQ(rgba[3], 0);                        // bottom-left: the key itself
    EXPECT_EQ(rgba[(7 * 16 + 15) * 4 + 3], 0);    // bottom band
    EXPECT_EQ(rgba[(8 * 16) * 4 + 3], 255);       // top band
    EXPECT_EQ(rgba[(15 * 16 + 15) * 4 + 3], 255);
}

TEST_F(JPGTextureTest, BadDataLeavesNoPixelsAndNoTextureName) {
    const Bytes good = RedOverBlue();
    const Bytes truncated(good.begin(), good.begin() + good.size() / 2);
    const Bytes oversized = WithFrameSize(good, 30000, 2);
    for (const Bytes* bytes : {&truncated, &oversized}) {
        Texture t;
        EXPECT_FALSE(BuildJPGTexture(&t, bytes->data(), static_cast<long>(bytes->size()), 1));
        EXPECT_EQ(t.pixels, nullptr);
        EXPECT_EQ(t.textureName, 0u);
    }
    EXPECT_FALSE(BuildJPGTexture(nullptr, good.data(), static_cast<long>(good.size()), 0));
}

}  // namespace

// The TGA decoder through both entry points (a stream and a file path), on
// images from the shared TGA writer and on copies of them that are cut or patched.
#include "assets/TGALoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "TestFiles.h"
#include "assets/Texture.h"
#include "maths/Misc.h"
#include "writers/TGAWriter.h"

namespace {

using testfiles::Bytes;

// Flat on the left half, changing on the right, so an RLE encoding holds both
// kinds of packet; no pixel has equal red and blue, so a missed swap shows.
Image Picture(int width, int height, int channels) {
    Image image(width, height, channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                image.At(x, y)[c] = static_cast<uint8_t>(x < width / 2 ? 40 * c : 17 * x + 31 * y + c);
    return image;
}

// The 18-byte header the writer gives a width x height 24-bit image.
Bytes Header(int width, int height, bool rle) {
    Bytes file = EncodeTGA(Image(width, height, 3), rle);
    file.resize(18);
    return file;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Prefix(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }
Bytes Cut(const Bytes& b, size_t drop) { return Prefix(b, b.size() - drop); }
Bytes Patch(Bytes b, size_t at, std::initializer_list<uint8_t> values) {
    std::copy(values.begin(), values.end(), b.begin() + static_cast<long>(at));
    return b;
}

long OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

class TGATest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetAlertHandler([](const char*, const char*) {});
        ClearAlerts();
    }
    void TearDown() override { SetAlertHandler(previous_); }

    // Decodes from a file or a string stream; consumed gets where the stream stopped.
    bool Decode(const Bytes& bytes, Texture& t, bool fromFile, std::streamoff* consumed = nullptr) {
        if (fromFile) return LoadTGA(&t, dir_.Write("t.tga", bytes).c_str());
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        const bool ok = LoadTGA2(&t, &in);
        in.clear();
        if (consumed) *consumed = in.tellg();
        return ok;
    }

    testfiles::TempDir dir_;
    AlertHandler previous_ = nullptr;
};

// 160 x 140 pixels are past the decoder's first allocation, so its buffer grows
// while decoding. Only the pixel count is limited, so a long strip either way
// decodes like any other picture.
TEST_F(TGATest, DecodesEveryDepthAndEncodingToRGBThroughBothEntryPoints) {
    for (const auto& [width, height] : {std::pair<int, int>{160, 140}, {20000, 1}, {1, 20000}}) {
        for (int channels : {3, 4}) {
            for (bool rle : {false, true}) {
                const Image picture = Picture(width, height, channels);
                const Bytes file = EncodeTGA(picture, rle);
                // A top-left origin changes nothing: rows stay in file order.
                const Bytes topLeft = Patch(file, 17, {static_cast<uint8_t>(file[17] | 0x20)});
                for (const Bytes* bytes : {&file, &topLeft}) {
                    for (bool fromFile : {false, true}) {
                        SCOPED_TRACE(::testing::Message() << width << " x " << height << ", " << channels
                                                          << " channels, rle " << rle << ", top-left "
                                                          << (bytes == &topLeft) << ", from file " << fromFile);
                        ClearAlerts();
                        Texture t;
                        t.pixels = static_cast<unsigned char*>(std::malloc(16));  // replaced, not leaked
                        ASSERT_TRUE(Decode(*bytes, t, fromFile));
                        EXPECT_TRUE(t.width == uint32_t(width) && t.height == uint32_t(height) &&
                                    t.bitsPerPixel == 8u * channels && t.format == (channels == 3 ? GL_RGB : GL_RGBA));
                        ASSERT_NE(t.pixels, nullptr);
                        EXPECT_TRUE(std::equal(picture.pixels.begin(), picture.pixels.end(), t.pixels));
                        EXPECT_TRUE(RaisedAlerts().empty());
                        // A failed decode into the same record leaves it with no pixels.
                        EXPECT_FALSE(Decode(Cut(*bytes, 1), t, fromFile));
                        EXPECT_EQ(t.pixels, nullptr);
                    }
                }
            }
        }
    }
}

TEST_F(TGATest, RLEPacketHeadersAtTheirLimitsAndNothingReadAfterTheImage) {
    Bytes raw128{0x7F};
    for (int i = 0; i < 128; ++i) raw128 = raw128 + Bytes{0, 0, static_cast<uint8_t>(i)};
    const struct { const char* name; int width, height; Bytes packets; int firstRed, lastRed; } cases[] = {
        {"0x00 raw of one", 1, 1, {0x00, 0, 0, 7}, 7, 7},
        {"0x7F raw of 128", 128, 1, raw128, 0, 127},
        {"0x80 run of one", 1, 1, {0x80, 0, 0, 9}, 9, 9},
        {"0xFF run of 128 over 8 rows", 16, 8, {0xFF, 0, 0, 5}, 5, 5},
        {"packets across a row", 3, 2, {0x01, 0, 0, 1, 0, 0, 2, 0x83, 0, 0, 4}, 1, 4},
    };
    for (const auto& c : cases) {
        const Bytes image = Header(c.width, c.height, true) + c.packets;
        Texture t;
        std::streamoff consumed = 0;
        ASSERT_TRUE(Decode(image + Bytes{0xFF, 0xEE}, t, false, &consumed)) << c.name;
        EXPECT_EQ(consumed, static_cast<std::streamoff>(image.size())) << c.name;
        EXPECT_EQ(t.pixels[0], c.firstRed) << c.name;
        EXPECT_EQ(t.pixels[(c.width * c.height - 1) * 3], c.lastRed) << c.name;
    }
}

TEST_F(TGATest, EveryFailureRaisesOneAlertAndLeavesNoPixels) {
    const std::string invalidInfo = "Invalid texture information";
    const std::string wrongType = "TGA file be type 2 or type 10 ";
    const Bytes raw = EncodeTGA(Picture(2, 2, 3), false);
    const Bytes raw32 = EncodeTGA(Picture(2, 2, 4), false);
    const Bytes rle = EncodeTGA(Picture(2, 2, 3), true);  // a raw packet of two per row
    const Bytes rleHeader = Header(2, 2, true);
    const struct { const char* name; Bytes file; std::string text; } cases[] = {
        {"empty", {}, "Could not read file header"},
        {"11 header bytes", Prefix(raw, 11), "Could not read file header"},
        {"no information bytes", Prefix(raw, 12), "Could not read info header"},
        {"five information bytes", Prefix(raw, 17), "Could not read info header"},
        {"16-bit type 2", Patch(raw, 16, {16}), invalidInfo},
        {"width 0", Patch(raw, 12, {0, 0}), invalidInfo},
        // At most 64 Mpx (8192 x 8192) in all, whatever the shape.
        {"8192 x 8193", Patch(raw, 12, {0x00, 0x20, 0x01, 0x20}), invalidInfo},
        {"65535 x 1025", Patch(raw, 12, {0xFF, 0xFF, 0x01, 0x04}), invalidInfo},
        // 65535 x 65535 x 4 bytes overflows 32 bits: refused, not under-allocated.
        {"65535 square, 32-bit", Patch(raw32, 12, {0xFF, 0xFF, 0xFF, 0xFF}), invalidInfo},
        {"65535 square, RLE", Patch(rle, 12, {0xFF, 0xFF, 0xFF, 0xFF}), invalidInfo},
        {"grey-scale", Patch(raw, 2, {3}), wrongType},
        {"colour-mapped", Patch(raw, 1, {1, 1}), wrongType},
        {"image ID", Patch(raw, 0, {1}), wrongType},
        {"x origin 1", Patch(raw, 8, {1}), wrongType},
        {"one byte short", Cut(raw, 1), "Could not read image data"},
        {"64 Mpx, few bytes", Patch(raw32, 12, {0, 0x20, 0, 0x20}), "Could not read image data"},
        {"65535 x 1024, few bytes", Patch(raw32, 12, {0xFF, 0xFF, 0x00, 0x04}), "Could not read image data"},
        {"no packet", rleHeader, "Could not read RLE header"},
        {"packets end after a row", Prefix(rle, 18 + 7), "Could not read RLE header"},
        {"raw pixel cut short", Cut(rle, 1), "Could not read image data"},
        {"run without its pixel", rleHeader + Bytes{0x83, 1, 2}, "Could not read from file"},
        // The sanitizer build sees a fifth pixel written past the 12-byte buffer.
        {"run of five into 2x2", rleHeader + Bytes{0x84, 1, 2, 3}, "Too many pixels read"},
        {"raw packet past the end", rleHeader + Bytes{0x80, 1, 2, 3, 0x03} + Bytes(12, 7), "Too many pixels read"},
    };
    const long descriptors = OpenDescriptors();
    for (const auto& c : cases) {
        for (bool fromFile : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.name << (fromFile ? ", from file" : ", from stream"));
            ClearAlerts();
            Texture t;
            EXPECT_FALSE(Decode(c.file, t, fromFile));
            EXPECT_EQ(t.pixels, nullptr);
            const std::vector<Alert> alerts = RaisedAlerts();
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_EQ(alerts[0].text, c.text);
            EXPECT_EQ(alerts[0].title, c.text == wrongType ? "Invalid Image" : "ERROR");
        }
    }
    EXPECT_EQ(OpenDescriptors(), descriptors) << "a failed LoadTGA left its file open";
}

// Nothing to read from is "not open"; an open stream that has already failed
// (as a container's stream after an earlier short read) cannot give the header.
TEST_F(TGATest, StreamsAndPathsThatCannotBeReadAreNotOpen) {
    std::ifstream closed;
    const Bytes good = EncodeTGA(Picture(2, 2, 3), false);
    std::istringstream failed(std::string(good.begin(), good.end()));  // a whole image behind the failure
    failed.setstate(std::ios::failbit);
    const std::string notOpen = "Could not open texture file";
    const struct { const char* name; std::function<bool(Texture&)> load; std::string text; } cases[] = {
        {"null stream", [](Texture& t) { return LoadTGA2(&t, nullptr); }, notOpen},
        {"file stream with no file", [&closed](Texture& t) { return LoadTGA2(&t, &closed); }, notOpen},
        {"stream already failed", [&failed](Texture& t) { return LoadTGA2(&t, &failed); },
         "Could not read file header"},
        {"missing file", [this](Texture& t) { return LoadTGA(&t, dir_.File("missing.tga").c_str()); }, notOpen},
        {"null path", [](Texture& t) { return LoadTGA(&t, nullptr); }, notOpen},
    };
    for (const auto& c : cases) {
        ClearAlerts();
        Texture t;
        EXPECT_FALSE(c.load(t)) << c.name;
        const std::vector<Alert> alerts = RaisedAlerts();
        ASSERT_EQ(alerts.size(), 1u) << c.name;
        EXPECT_EQ(alerts[0].text, c.text) << c.name;
    }
}

}  // namespace

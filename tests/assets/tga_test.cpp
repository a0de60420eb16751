// The TGA decoder, through both entry points, on small images built here.
#include "assets/TGALoader.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GLFixture.h"
#include "assets/Texture.h"
#include "maths/Misc.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(uint8_t type, unsigned width, unsigned height, uint8_t bits, uint8_t descriptor = 0) {
    return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), bits, descriptor};
}

Bytes& operator+=(Bytes& a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes operator+(Bytes a, const Bytes& b) { return a += b; }

std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

class TGATest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        previous_ = SetAlertHandler([](const char*, const char*) {});
        ClearAlerts();
    }
    void TearDown() override {
        SetAlertHandler(previous_);
        std::remove(path_.c_str());
        GLTest::TearDown();
    }

    // Decodes bytes from a string stream; `consumed` is where the stream stopped.
    bool FromStream(const Bytes& bytes, Texture& t, std::streamoff* consumed = nullptr) {
        std::istringstream in(AsString(bytes));
        const bool ok = LoadTGA2(&t, &in);
        in.clear();
        if (consumed) *consumed = in.tellg();
        return ok;
    }
    bool FromFile(const Bytes& bytes, Texture& t) {
        std::ofstream(path_, std::ios::binary) << AsString(bytes);
        return LoadTGA(&t, path_.c_str());
    }

    const std::string path_ = ::testing::TempDir() + "tga_" +
        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tga";
    AlertHandler previous_ = nullptr;
};

TEST_F(TGATest, SwapsBlueAndRedForEveryDepthAndEncoding) {
    struct Case {
        const char* name;
        Bytes file;
        Bytes pixels;
        uint32_t format;
    };
    const Case cases[] = {
        {"24-bit raw", Header(2, 1, 1, 24) + Bytes{10, 20, 30}, {30, 20, 10}, GL_RGB},
        {"32-bit raw", Header(2, 1, 1, 32) + Bytes{1, 2, 3, 4}, {3, 2, 1, 4}, GL_RGBA},
        {"24-bit RLE", Header(10, 2, 1, 24) + Bytes{0x01, 10, 20, 30, 40, 50, 60}, {30, 20, 10, 60, 50, 40}, GL_RGB},
        {"32-bit RLE run", Header(10, 2, 1, 32) + Bytes{0x81, 1, 2, 3, 4}, {3, 2, 1, 4, 3, 2, 1, 4}, GL_RGBA},
        // A top-left origin is not flipped: rows stay in file order.
        {"top-left origin", Header(2, 1, 2, 24, 0x20) + Bytes{1, 2, 3, 4, 5, 6}, {3, 2, 1, 6, 5, 4}, GL_RGB},
    };
    for (const Case& c : cases) {
        for (bool file : {false, true}) {
            Texture t;
            ASSERT_TRUE(file ? FromFile(c.file, t) : FromStream(c.file, t)) << c.name;
            ASSERT_NE(t.pixels, nullptr);
            EXPECT_EQ(Bytes(t.pixels, t.pixels + c.pixels.size()), c.pixels) << c.name;
            EXPECT_EQ(t.format, c.format) << c.name;
            EXPECT_EQ(t.bitsPerPixel, c.format == GL_RGB ? 24u : 32u) << c.name;
            EXPECT_EQ(t.textureName, 0u) << c.name;
        }
    }
    EXPECT_TRUE(RaisedAlerts().empty());
}

TEST_F(TGATest, PacketHeadersAtTheirLimitsAndNothingReadAfterTheImage) {
    struct Case {
        const char* name;
        unsigned width, height;
        Bytes data;
        std::vector<int> reds;  // byte 0 of each decoded pixel, first and last pixel suffice
    };
    Bytes raw128{0x7F};
    for (int i = 0; i < 128; ++i) raw128 += Bytes{0, 0, uint8_t(i)};
    const Case cases[] = {
        {"0x00 raw of one", 1, 1, {0x00, 0, 0, 7}, {7}},
        {"0x7F raw of 128", 128, 1, raw128, {0, 127}},
        {"0x80 run of one", 1, 1, {0x80, 0, 0, 9}, {9}},
        {"0xFF run of 128", 16, 8, {0xFF, 0, 0, 5}, {5, 5}},
        {"0x83 run fills 2x2", 2, 2, {0x83, 0, 0, 3}, {3, 3}},
        {"two packets of two, across a row", 3, 2, {0x01, 0, 0, 1, 0, 0, 2, 0x83, 0, 0, 4}, {1, 4}},
    };
    for (const Case& c : cases) {
        const Bytes image = Header(10, c.width, c.height, 24) + c.data;
        Texture t;
        std::streamoff consumed = 0;
        ASSERT_TRUE(FromStream(image + Bytes{0xFF, 0xEE}, t, &consumed)) << c.name;
        EXPECT_EQ(consumed, std::streamoff(image.size())) << c.name;
        const size_t last = (c.width * c.height - 1) * 3;
        EXPECT_EQ(t.pixels[0], c.reds.front()) << c.name;
        EXPECT_EQ(t.pixels[last], c.reds.back()) << c.name;
    }
}

TEST_F(TGATest, ImagesLargerThanTheFirstAllocationDecodeWhole) {
    // 300 x 300 x 3 bytes is well past the buffer's first allocation, so the
    // buffer grows several times while decoding.
    const unsigned side = 300;
    Bytes raw = Header(2, side, side, 24), rle = Header(10, side, side, 24);
    for (unsigned i = 0; i < side * side; ++i) {
        const Bytes bgr{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)};
        raw += bgr;
        if (i % 2 == 0) rle += Bytes{0x80} + bgr;
        else rle += Bytes{0x00} + bgr;
    }
    for (const Bytes* file : {&raw, &rle}) {
        Texture t;
        ASSERT_TRUE(FromStream(*file, t));
        for (unsigned i = 0; i < side * side; i += 997)
            ASSERT_EQ(Bytes(t.pixels + 3 * i, t.pixels + 3 * i + 3),
                      (Bytes{uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)})) << i;
    }
}

TEST_F(TGATest, EveryFailureRaisesOneAlertAndLeavesNoPixels) {
    struct Case {
        const char* name;
        Bytes file;
        const char* message;
    };
    const char* invalidInfo = "Invalid texture information";
    const char* wrongType = "TGA file be type 2 or type 10 ";
    const Bytes uncompressed2x1 = Header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5, 6};
    const Case cases[] = {
        {"empty", {}, "Could not read file header"},
        {"11 header bytes", Bytes(11, 0), "Could not read file header"},
        {"no information bytes", Bytes(uTGAcompare, uTGAcompare + 12), "Could not read info header"},
        {"five information bytes", Bytes(uTGAcompare, uTGAcompare + 12) + Bytes{1, 0, 1, 0, 24}, "Could not read info header"},
        {"16-bit type 2", Header(2, 1, 1, 16) + Bytes{0, 0}, invalidInfo},
        {"8-bit type 10", Header(10, 1, 1, 8) + Bytes{0, 0}, invalidInfo},
        {"width 0", Header(2, 0, 1, 24) + Bytes{0, 0, 0}, invalidInfo},
        {"height 0", Header(10, 1, 0, 32), invalidInfo},
        {"16385 wide", Header(2, 16385, 1, 24), invalidInfo},
        // 65535 x 65535 x 4 bytes overflows 32 bits: refused, not under-allocated.
        {"65535 square 32-bit", Header(2, 65535, 65535, 32) + Bytes(64, 0), invalidInfo},
        {"65535 square RLE", Header(10, 65535, 65535, 32) + Bytes{0xFF, 1, 2, 3, 4}, invalidInfo},
        {"grey-scale", Header(3, 1, 1, 8) + Bytes{0}, wrongType},
        {"colour-mapped", Header(1, 1, 1, 8) + Bytes{0}, wrongType},
        {"RLE colour-mapped", Header(9, 1, 1, 8) + Bytes{0}, wrongType},
        {"image ID", [] { Bytes b = Header(2, 1, 1, 24) + Bytes{0, 1, 2, 3}; b[0] = 1; return b; }(), wrongType},
        {"x origin 1", [] { Bytes b = Header(2, 1, 1, 24) + Bytes{1, 2, 3}; b[8] = 1; return b; }(), wrongType},
        {"truncated by one byte", Bytes(uncompressed2x1.begin(), uncompressed2x1.end() - 1), "Could not read image data"},
        {"largest side, few bytes", Header(2, 16384, 16384, 32) + Bytes(100, 0), "Could not read image data"},
        {"no packet", Header(10, 2, 2, 24), "Could not read RLE header"},
        {"packets end early", Header(10, 2, 2, 24) + Bytes{0x82, 1, 2, 3}, "Could not read RLE header"},
        {"raw pixel cut short", Header(10, 2, 2, 24) + Bytes{0x03, 1, 2, 3, 4, 5}, "Could not read image data"},
        {"run without its pixel", Header(10, 2, 2, 32) + Bytes{0x83, 1, 2, 3}, "Could not read from file"},
        {"0x84 run of five into 2x2", Header(10, 2, 2, 24) + Bytes{0x84, 1, 2, 3}, "Too many pixels read"},
        {"raw packet past the end", Header(10, 2, 2, 24) + Bytes{0x80, 1, 2, 3, 0x03} + Bytes(12, 7), "Too many pixels read"},
    };
    const int descriptors = OpenDescriptors();
    for (const Case& c : cases) {
        for (bool file : {false, true}) {
            ClearAlerts();
            Texture t;
            EXPECT_FALSE(file ? FromFile(c.file, t) : FromStream(c.file, t)) << c.name;
            EXPECT_EQ(t.pixels, nullptr) << c.name;
            const std::vector<Alert> alerts = RaisedAlerts();
            ASSERT_EQ(alerts.size(), 1u) << c.name;
            EXPECT_EQ(alerts[0].text, c.message) << c.name;
            EXPECT_EQ(alerts[0].title, c.message == wrongType ? "Invalid Image" : "ERROR") << c.name;
        }
    }
    EXPECT_EQ(OpenDescriptors(), descriptors) << "a failed LoadTGA left its file open";
}

TEST_F(TGATest, StreamsThatCannotBeReadAreNotOpen) {
    std::ifstream closed;
    std::istringstream failed(AsString(Header(2, 1, 1, 24) + Bytes{1, 2, 3}));
    failed.setstate(std::ios::failbit);
    for (std::istream* stream : {static_cast<std::istream*>(nullptr), static_cast<std::istream*>(&closed),
                                 static_cast<std::istream*>(&failed)}) {
        Texture t;
        EXPECT_FALSE(LoadTGA2(&t, stream));
    }
    Texture t;
    EXPECT_FALSE(LoadTGA(&t, (::testing::TempDir() + "no/such.tga").c_str()));
    EXPECT_FALSE(LoadTGA(&t, nullptr));
    const std::vector<Alert> alerts = RaisedAlerts();
    ASSERT_EQ(alerts.size(), 5u);
    for (const Alert& alert : alerts) EXPECT_EQ(alert.text, "Could not open texture file");
}

TEST_F(TGATest, DecodingIntoARecordWithPixelsReplacesThem) {
    // The old buffer is released, not leaked (the sanitizer build checks).
    Texture t;
    t.pixels = static_cast<unsigned char*>(std::malloc(16));
    ASSERT_TRUE(FromStream(Header(2, 1, 1, 24) + Bytes{1, 2, 3}, t));
    EXPECT_EQ(t.pixels[0], 3);
    EXPECT_FALSE(FromStream(Header(2, 1, 1, 24) + Bytes{1, 2}, t));
    EXPECT_EQ(t.pixels, nullptr);
}

}  // namespace

// Pictures of the 2D layer over a stand-in frame, for people to look at: the
// run is played from the start at 30 frames per second and the layer is
// captured at 8 s (intro), 95 s (centred message) and 130 s (banner at the top)
// as PNG files in $SANDMERE_PICTURE_DIR (default: the working directory).
// The generated texture table is used when the build has made it; otherwise a
// small table of solid colours. The test also checks that each picture shows
// its element where it belongs and nothing elsewhere.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"
#include "writers/TGAWriter.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uint32_t crc = ~0u;  // CRC-32 of type and data
    for (std::size_t i = start; i < out.size(); ++i) {
        crc ^= out[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    PutBE32(out, ~crc);
}

// An 8-bit RGB PNG from rows given bottom first (as glReadPixels gives them).
// The zlib stream is made of stored blocks: large, but simple and exact.
bool WritePNG(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<uint8_t> raw;  // top row first, each after filter byte 0
    for (int y = height - 1; y >= 0; --y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + y * rowBytes, rgb.begin() + (y + 1) * rowBytes);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.insert(z.end(), {uint8_t(at + n == raw.size()), uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    }
    uint32_t a = 1, b = 0;  // Adler-32
    for (uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
    PutBE32(z, (b << 16) | a);

    std::vector<uint8_t> header, png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    PutBE32(header, static_cast<uint32_t>(width));
    PutBE32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out.flush());
}

class OverlayPictures : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        std::string table = std::string(SANDMERE_TEST_RESOURCE_DIR) + "/kestrel.workshops";
        if (!std::filesystem::exists(table)) {
            std::vector<LumpData> lumps;
            for (int i = 0; i < 10; ++i)
                lumps.push_back({EncodeTGA(testfiles::SolidImage(8, 8, {uint8_t(25 * i), 60, 160}), false), 1});
            table = dir.Write("kestrel.workshops", BuildContainer(lumps));
        }
        std::printf("texture table: %s\n", table.c_str());
        ASSERT_TRUE(LoadTexturesFromDataFile(table.c_str(), &driver.textures, &driver.textureCount));
        ASSERT_GE(driver.textureCount, SSMAIN::kMinTextures);
        driver.SetSize(kW, kH);
        glEnable(GL_TEXTURE_2D);
        std::srand(2024);
        const char* out = std::getenv("SANDMERE_PICTURE_DIR");
        outDir = out && *out ? out : ".";
    }

    // Plays frames of 1/30 s up to `seconds`; the last one is drawn over a
    // stand-in for the scene: sand below, sky above.
    void PlayTo(double seconds) {
        const double dt = 1.0 / 30.0;
        glViewport(0, 0, 32, 24);  // frames nobody looks at: keep them cheap
        while (driver.elapsedTime + 1.5 * dt < seconds) {
            driver.Update(dt);
            driver.DoOverlay();
        }
        UseViewport(kW, kH);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, kW, 300), glClearColor(0.85f, 0.66f, 0.4f, 1), glClear(GL_COLOR_BUFFER_BIT);
        glScissor(0, 300, kW, kH), glClearColor(0.55f, 0.7f, 0.9f, 1), glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, backdrop.data());
        driver.Update(dt);
        driver.DoOverlay();
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    }

    // How many pixels of a box differ from the backdrop by more than a little.
    int Changed(int x0, int y0, int x1, int y1) const {
        int changed = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * kW + x) * 3;
                int d = 0;
                for (std::size_t c = i; c < i + 3; ++c) d += std::abs(frame[c] - backdrop[c]);
                changed += d > 12 ? 1 : 0;
            }
        return changed;
    }
    void Save(const char* name) {
        const std::string path = outDir + "/" + name;
        ASSERT_TRUE(WritePNG(path, kW, kH, frame)) << path;
        std::printf("wrote %s\n", path.c_str());
    }

    testfiles::TempDir dir;
    SSMAIN driver;
    std::string outDir;
    std::vector<uint8_t> backdrop = std::vector<uint8_t>(kW * kH * 3);
    std::vector<uint8_t> frame = std::vector<uint8_t>(kW * kH * 3);
};

TEST_F(OverlayPictures, IntroAt8sMessageAt95sBannerAt130s) {
    PlayTo(8.0);
    Save("overlay-008s-intro.png");
    EXPECT_GT(Changed(256, 551, 768, 678), 0);  // upper image
    EXPECT_GT(Changed(256, 64, 768, 320), 0);   // lower image
    EXPECT_EQ(Changed(0, 0, 200, kH), 0);

    PlayTo(95.0);
    Save("overlay-095s-message.png");
    EXPECT_TRUE(driver.introDone);
    EXPECT_GT(driver.messageAlpha, 0.99f);
    EXPECT_EQ(Changed(0, 0, kW, 340), kW * 340);  // all of it under the veil

    PlayTo(130.0);
    Save("overlay-130s-banner.png");
    EXPECT_TRUE(driver.bannerShowing && driver.bannerAtTop);
    EXPECT_GT(Changed(256, 729, 768, 760), 0);
    EXPECT_EQ(Changed(0, 0, kW, 720), 0);
}

}  // namespace

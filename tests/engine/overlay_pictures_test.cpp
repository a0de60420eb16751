// Pictures of the 2D layer over a stand-in frame, for people to look at: the
// run is played from the start at 30 frames per second and the layer is
// captured at 8 s (intro), 95 s (centred message) and 130 s (banner at the top)
// as PNG files in $SANDMERE_PICTURE_DIR (default: the working directory).
// The generated texture table is used when the build has made it; otherwise a
// small table of solid colours. The test also checks that each picture shows
// its element where it belongs.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../scene/test_containers.h"
#include "GLFixture.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;

// ---- A minimal PNG writer: 8-bit RGB, zlib stream of stored blocks ----------

uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(out.data() + start, out.size() - start));
}

// rgb: width * height * 3 bytes, bottom row first (as glReadPixels gives them).
bool WritePNG(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> raw;  // filter byte 0, then the row, top row first
    for (int y = height - 1; y >= 0; --y) {
        raw.push_back(0);
        const uint8_t* row = &rgb[static_cast<std::size_t>(y) * width * 3];
        raw.insert(raw.end(), row, row + static_cast<std::size_t>(width) * 3);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(n & 0xff);
        z.push_back((n >> 8) & 0xff);
        z.push_back(~n & 0xff);
        z.push_back((~n >> 8) & 0xff);
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    PutBE32(header, static_cast<uint32_t>(width));
    PutBE32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}

// ---- The stand-in frame: sky over dunes, in place of the 3D scene -------------

void DrawBackdrop() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kW, 0, kH, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);  // the layer leaves both on, as the next 3D frame wants them
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    const float bands[2][2][3] = {{{0.80f, 0.60f, 0.35f}, {0.90f, 0.72f, 0.45f}},   // sand
                                  {{0.95f, 0.85f, 0.70f}, {0.35f, 0.55f, 0.85f}}};  // sky
    for (int band = 0; band < 2; ++band) {
        const float y0 = band == 0 ? 0.0f : 300.0f, y1 = band == 0 ? 300.0f : kH;
        glColor3fv(bands[band][0]), glVertex2f(0, y0), glVertex2f(kW, y0);
        glColor3fv(bands[band][1]), glVertex2f(kW, y1), glVertex2f(0, y1);
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

class OverlayPictures : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        const std::string generated = std::string(SANDMERE_TEST_RESOURCE_DIR) + "/kestrel.workshops";
        std::string table = generated;
        if (FILE* f = std::fopen(generated.c_str(), "rb")) {
            std::fclose(f);
        } else {
            ASSERT_TRUE(dir.Write("kestrel.workshops", testfiles::TextureTable(10)));
            table = dir.Slashed() + "kestrel.workshops";
        }
        std::printf("texture table: %s\n", table.c_str());
        ASSERT_TRUE(LoadTexturesFromDataFile(table.c_str(), &driver.textures, &driver.textureCount));
        ASSERT_GE(driver.textureCount, SSMAIN::kMinTextures);
        UseViewport(kW, kH);
        driver.SetSize(kW, kH);
        glEnable(GL_TEXTURE_2D);
        std::srand(2024);
        const char* out = std::getenv("SANDMERE_PICTURE_DIR");
        outDir = out && *out ? out : ".";
    }
    void TearDown() override {
        driver.Cleanup();
        GLTest::TearDown();
    }

    // Plays frames of 1/30 s up to `seconds`; the last one is drawn over the backdrop.
    void PlayTo(double seconds) {
        const double dt = 1.0 / 30.0;
        glViewport(0, 0, 32, 24);  // frames nobody looks at: keep them cheap
        while (driver.elapsedTime + 1.5 * dt < seconds) {
            driver.Update(dt);
            driver.DoOverlay();
        }
        UseViewport(kW, kH);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawBackdrop();
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, backdrop.data());
        glDisable(GL_BLEND);
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
                for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(frame[i + c] - backdrop[i + c]));
                changed += d > 8 ? 1 : 0;
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
    // Each picture shows its element in its box and leaves a box elsewhere alone.
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

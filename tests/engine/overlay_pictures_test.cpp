// Pictures of the 2D layer on the generated table over a stand-in frame, played at
// 30 fps: 8 s (intro), 95 s (message), 130 s (banner at the top), written as PNG
// files to $SANDMERE_PICTURE_DIR (default: the working directory), each element
// checked to show where it belongs and nothing elsewhere.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "GLFixture.h"
#include "assets/PNGWriter.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;

class OverlayPictures : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        const std::string table = std::string(SANDMERE_TEST_RESOURCE_DIR) + "/kestrel.workshops";
        ASSERT_TRUE(LoadTexturesFromDataFile(table.c_str(), &driver.textures, &driver.textureCount));
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
    // Writes the frame PlayTo drew, still in the back buffer.
    void Save(const char* name) {
        const std::string path = outDir + "/" + name;
        ASSERT_TRUE(WritePNG(path, ReadFramebuffer(kW, kH)));
    }

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

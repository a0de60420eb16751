// The 2D layer: the banner, centred-message and intro timelines stepped with
// fixed frame times, the preview's silence, and pixels read back where the
// banner, the veil and the message strip must land.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "GLFixture.h"
#include "TestFiles.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"
#include "writers/TGAWriter.h"

namespace {

using Pixel = std::array<uint8_t, 4>;
const Pixel kEntry[6] = {{}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255},
                         {0, 255, 255, 255}};  // entries 1..5 of the table; 6..9 grey
const Pixel kBlack{0, 0, 0, 255};

::testing::AssertionResult Near(const Pixel& got, const Pixel& want, int tolerance = 2) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got " << +got[0] << "," << +got[1] << "," << +got[2]
                                                 << " want " << +want[0] << "," << +want[1] << "," << +want[2];
    return ::testing::AssertionSuccess();
}

class OverlayTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        std::vector<LumpData> table;
        for (int i = 0; i < 10; ++i) {
            const Pixel& c = i >= 1 && i <= 5 ? kEntry[i] : Pixel{90, 90, 90, 255};
            table.push_back({EncodeTGA(testfiles::SolidImage(4, 4, {c[0], c[1], c[2]}), false), 1});
        }
        const std::string file = dir.Write("kestrel.workshops", BuildContainer(table));
        ASSERT_TRUE(LoadTexturesFromDataFile(file.c_str(), &driver.textures, &driver.textureCount));
        UseSize(1024, 768);
        glEnable(GL_TEXTURE_2D);  // as the frame driver leaves it for the layer
        glClearColor(0, 0, 0, 1);
        std::srand(7);
    }
    void UseSize(int w, int h) {
        UseViewport(w, h);
        driver.SetSize(w, h);
    }
    void Frame(double seconds) {
        driver.Update(seconds);
        driver.DoOverlay();
    }
    // Frames of `seconds` until elapsedTime reaches t, drawn into a few pixels
    // (the layer still lays itself out for the full size) so long runs are quick.
    void RunTo(double t, double seconds) {
        glViewport(0, 0, 32, 24);
        while (driver.elapsedTime + seconds * 0.5 < t) Frame(seconds);
    }
    // One frame of the layer as it stands, over a cleared frame. Whichever
    // parts ran, the next frame's scene needs lighting and the depth test back
    // on, and blending off.
    void DrawStill() {
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        Frame(0.0);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND))
            << "state left for the next frame";
    }
    struct Probe { int x, y; Pixel want; };
    void ExpectPixels(std::initializer_list<Probe> probes) const {
        for (const Probe& p : probes) EXPECT_TRUE(Near(PixelAt(p.x, p.y), p.want)) << p.x << "," << p.y;
    }
    void ShowBannerAt(bool top, float x, float y) {
        driver.bannerShowing = true;
        driver.bannerAtTop = top;
        driver.bannerTimer = 10.0f;
        driver.bannerPos = Make2DPoint(x, y);
    }

    testfiles::TempDir dir;
    SSMAIN driver;
};

TEST_F(OverlayTest, BannerComesAt120sAtTheTopThenAlternatesEdges) {
    // Just before and after each change; each show starts 40 pixels beyond its
    // edge, and by the end of each hidden spell the banner is back out there.
    struct Sample { double time; bool showing, atTop; float yAbove = -1e9f, yBelow = 1e9f; };
    const Sample samples[] = {
        {119.95, false, false},         {120.15, true, true, 790, 808},   {139.95, true, true, 727, 729},
        {140.15, false, true, 728, 746}, {169.95, false, true, 807, 809}, {170.15, true, false, -40, -30},
        {189.95, true, false, 4, 6},     {219.95, false, false, -41, -39}, {220.15, true, true}};
    for (const Sample& s : samples) {
        RunTo(s.time, 0.1);
        EXPECT_TRUE(driver.bannerShowing == s.showing && driver.bannerAtTop == s.atTop) << "at " << s.time;
        EXPECT_TRUE(driver.bannerPos.y > s.yAbove && driver.bannerPos.y < s.yBelow) << "at " << s.time;
    }
}

TEST_F(OverlayTest, BannerGlideAt60fpsAndOvershootOnLongFrames) {
    driver.introDone = true;
    driver.bannerTimer = 0.001f;  // the next frame shows it, at the top: 808 -> 728
    for (int frame = 1; frame <= 260; ++frame) Frame(1.0 / 60.0);
    EXPECT_GT(driver.bannerPos.y - 728.0f, 1.0f) << "after 260 frames";
    Frame(1.0 / 60.0);
    EXPECT_LT(driver.bannerPos.y - 728.0f, 1.0f) << "after 261 frames";

    const struct { bool top; float start, after; } cases[] = {
        {true, 698, 758},  // 30 short, lands 30 beyond
        {true, 758, 698},  // and swings back
        {false, -15, 25},
    };
    for (const auto& c : cases) {
        ShowBannerAt(c.top, 0, c.start);
        Frame(2.0);
        EXPECT_NEAR(driver.bannerPos.y, c.after, 1e-3f) << "from " << c.start;
    }
}

// The banner keeps its size in pixels on any drawable; at 2048 x 1024 a canvas
// unit is 2 pixels wide and 4/3 high, so drawing it stretched would show.
TEST_F(OverlayTest, BannerImagesLandOnTheirPixels) {
    driver.introDone = true;
    driver.messageIndex = 4;
    for (const auto& [w, h] : {std::pair<int, int>{1024, 768}, {2048, 1024}}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h);
        UseSize(w, h);
        // Corner w - 256 .. w, message w / 2 - 256 .. w / 2 + 256, both y h - 40 .. h - 8.
        ShowBannerAt(true, float(w - 256), float(h - 40));
        DrawStill();
        ExpectPixels({{w - 128, h - 24, kEntry[1]}, {w - 3, h - 38, kEntry[1]}, {w / 2 - 254, h - 10, kEntry[4]},
                      {w / 2 + 250, h - 38, kEntry[4]}, {w / 2 - 260, h - 24, kBlack}, {w / 2, h - 43, kBlack},
                      {w / 2, h - 5, kBlack}});
        ShowBannerAt(false, 0, 5);  // corner 0 .. 256, y 5 .. 37
        DrawStill();
        ExpectPixels({{3, 35, kEntry[1]}, {253, 7, kEntry[1]}, {w / 2, 20, kEntry[4]}, {w - 124, 20, kBlack},
                      {128, 40, kBlack}});
    }
}

TEST_F(OverlayTest, CentredMessageComesAt90sThenEvery60sWithTwoSecondFades) {
    driver.introDone = true;
    const std::pair<double, float> samples[] = {
        {89.9, 0.0f},  {91.0, 0.5f}, {92.2, 1.0f},  {109.9, 1.0f}, {111.0, 0.5f}, {112.2, 0.0f},
        {149.9, 0.0f}, {151.0, 0.5f}, {170.0, 1.0f}, {172.2, 0.0f}, {209.9, 0.0f}, {211.0, 0.5f}};
    for (const auto& s : samples) {
        RunTo(s.first, 0.05);
        EXPECT_NEAR(driver.messageAlpha, s.second, 0.03f) << "at " << s.first << " s";
    }
}

TEST_F(OverlayTest, VeilAndMessageStripStretchOverTheDrawable) {
    driver.introDone = true;
    driver.bannerPos = Make2DPoint(0, -40);  // hidden below the bottom edge
    driver.messageIndex = 5;
    driver.messageTimer = -5.0f;             // in the shown phase
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    const Pixel veiled{13, 13, 13, 255};     // 0.9 black over 128 grey
    for (int w : {1024, 2048}) {
        UseSize(w, 768);
        driver.messageAlpha = 1.0f;
        DrawStill();
        for (int x : {2, w / 2, w - 3}) {  // the strip spans the width, 352..416
            for (int y : {353, 414}) EXPECT_TRUE(Near(PixelAt(x, y), kEntry[5])) << w << ": " << x << "," << y;
            for (int y : {5, 349, 419, 765}) EXPECT_TRUE(Near(PixelAt(x, y), veiled)) << w << ": " << x << "," << y;
        }
    }
    // Half faded: the veil leaves 55% of the grey; the strip is half image, half that.
    driver.messageAlpha = 0.5f;
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(512, 200), Pixel{70, 70, 70, 255}));
    EXPECT_TRUE(Near(PixelAt(512, 384), Pixel{35, 163, 163, 255}, 3));
}

TEST_F(OverlayTest, IntroFadesInOneImageAfterTheOtherAndOutFrom12s) {
    const struct { double time; float upper, lower; bool done; } samples[] = {
        {4.9, -0.1f, -1.0f, false}, {5.5, 0.5f, -1.0f, false}, {6.5, 1.0f, -0.5f, false},
        {7.5, 1.0f, 0.5f, false},   {10.0, 1.0f, 1.0f, false}, {12.5, 0.5f, 1.0f, false},
        {13.5, 0.0f, 0.5f, false},  {13.9, 0.0f, 0.1f, false}, {14.2, 0.0f, 0.0f, true}};
    for (const auto& s : samples) {
        RunTo(s.time, 0.02);
        EXPECT_NEAR(driver.introUpperAlpha, s.upper, 0.05f) << "at " << s.time << " s";
        EXPECT_NEAR(driver.introLowerAlpha, s.lower, 0.05f) << "at " << s.time << " s";
        EXPECT_EQ(driver.introDone, s.done) << "at " << s.time << " s";
    }
}

TEST_F(OverlayTest, IntroCutShortAt12sStillEndsAndIsNeverDrawnAgain) {
    Frame(5.4);  // the upper image reaches 0.4 ...
    Frame(7.0);  // ... and the fade-out starts from there; the lower one never rose
    EXPECT_LE(driver.introUpperAlpha, 0.0f);
    EXPECT_EQ(driver.introLowerAlpha, -1.0f);
    EXPECT_FALSE(driver.introDone);
    Frame(0.1);
    EXPECT_TRUE(driver.introDone);
    driver.introUpperAlpha = driver.introLowerAlpha = 1.0f;
    DrawStill();
    ExpectPixels({{512, 614, kBlack}, {512, 192, kBlack}});  // where the images would be
}

// The intro stretches with the drawable: probes are given on the 1024 x 768
// canvas and looked for where the canvas lands on each drawable.
TEST_F(OverlayTest, IntroImagesSitInCanvasSpace) {
    driver.elapsedTime = 9.0;
    // Upper image 256..768 x 550.4..678.4, lower 256..768 x 64..320.
    const struct { float x, y; Pixel want; } probes[] = {
        {258, 552, kEntry[2]}, {512, 677, kEntry[2]}, {766, 614, kEntry[2]}, {765, 66, kEntry[3]},
        {512, 318, kEntry[3]}, {258, 192, kEntry[3]}, {250, 614, kBlack}, {774, 614, kBlack},
        {512, 548, kBlack},    {512, 681, kBlack},    {512, 323, kBlack},  {512, 61, kBlack}, {774, 192, kBlack}};
    for (const auto& [w, h] : {std::pair<int, int>{1024, 768}, {2048, 1024}}) {
        UseSize(w, h);
        driver.introUpperAlpha = driver.introLowerAlpha = 1.0f;
        DrawStill();
        for (const auto& p : probes) {
            const int x = int(p.x * w / 1024), y = int(p.y * h / 768);
            EXPECT_TRUE(Near(PixelAt(x, y), p.want)) << w << " x " << h << ": canvas " << p.x << "," << p.y;
        }
    }
}

TEST_F(OverlayTest, PreviewDrawsNothingAndChangesNothing) {
    driver.preview = true;
    const SSMAIN& d = driver;
    const auto state = [&d] {
        return std::vector<double>{d.bannerTimer, double(d.bannerShowing), double(d.bannerAtTop), d.bannerPos.x,
                                   d.bannerPos.y, double(d.messageIndex), d.messageTimer, d.messageAlpha,
                                   double(d.introDone), d.introUpperAlpha, d.introLowerAlpha};
    };
    const std::vector<double> before = state();
    glClear(GL_COLOR_BUFFER_BIT);
    while (driver.elapsedTime < 300.0) Frame(0.5);
    EXPECT_EQ(state(), before);
    std::vector<uint8_t> frame(1024 * 768 * 3);
    glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), static_cast<long>(frame.size()));
}

}  // namespace

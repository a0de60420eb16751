// The 2D layer: the banner, centred-message and intro timelines stepped with
// fixed frame times, the preview's silence, and pixels read back where the
// banner, the veil, the message strip and the intro images must land.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../scene/test_containers.h"
#include "GLFixture.h"
#include "assets/Texture.h"
#include "engine/SSMain.h"

namespace {

using testfiles::EntryColour;
using testfiles::TempDir;
using testfiles::TextureTable;

using Pixel = std::array<uint8_t, 4>;

Pixel Opaque(std::array<uint8_t, 3> rgb) { return {rgb[0], rgb[1], rgb[2], 255}; }

// Colour channels within `tolerance` of the expected ones (alpha ignored).
::testing::AssertionResult Near(const Pixel& got, const Pixel& want, int tolerance = 2) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got (" << +got[0] << ", " << +got[1] << ", " << +got[2]
                                                 << ") want (" << +want[0] << ", " << +want[1] << ", "
                                                 << +want[2] << ")";
    }
    return ::testing::AssertionSuccess();
}

const Pixel kBlack{0, 0, 0, 255};

class OverlayTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(dir.Write("kestrel.workshops", TextureTable(10)));
        const std::string file = dir.Slashed() + "kestrel.workshops";
        ASSERT_TRUE(LoadTexturesFromDataFile(file.c_str(), &driver.textures, &driver.textureCount));
        UseSize(1024, 768);
        glEnable(GL_TEXTURE_2D);  // as the frame driver leaves it for the layer
        std::srand(7);
    }
    void TearDown() override {
        driver.Cleanup();
        GLTest::TearDown();
    }

    void UseSize(int w, int h) {
        UseViewport(w, h);
        driver.SetSize(w, h);
    }
    void Frame(double seconds) {
        driver.Update(seconds);
        driver.DoOverlay();
    }
    // Frames of `seconds` until elapsedTime reaches t.
    void RunTo(double t, double seconds) {
        while (driver.elapsedTime + seconds * 0.5 < t) Frame(seconds);
    }
    // For tests that only follow the timelines: the layer still draws for
    // 1024 x 768, squeezed into a few pixels, so long runs stay quick.
    void SqueezeDrawing() { glViewport(0, 0, 32, 24); }
    // Draws one frame of the layer as it stands, without advancing anything.
    void DrawStill() {
        glClear(GL_COLOR_BUFFER_BIT);
        Frame(0.0);
    }

    TempDir dir;
    SSMAIN driver;
};

// ---- Banner ---------------------------------------------------------------------

TEST_F(OverlayTest, BannerComesAt120sAtTheTopThenAlternatesEdges) {
    struct Change { double time; bool showing; bool atTop; float x; float y; uint32_t message; };
    std::vector<Change> changes;
    const double dt = 0.1;
    bool showing = driver.bannerShowing;
    SqueezeDrawing();
    while (driver.elapsedTime < 600.0) {
        Frame(dt);
        if (driver.bannerShowing != showing) {
            showing = driver.bannerShowing;
            changes.push_back({driver.elapsedTime, showing, driver.bannerAtTop, driver.bannerPos.x,
                               driver.bannerPos.y, driver.messageIndex});
        }
    }
    ASSERT_GE(changes.size(), 5u);
    // Shown 20 s, hidden 30 s: shows at 120, 170, 220 ..., hides at 140, 190 ...
    const struct { double time; bool showing; bool atTop; } expected[] = {
        {120, true, true}, {140, false, true}, {170, true, false}, {190, false, false}, {220, true, true},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(changes[i].time, expected[i].time, 0.15) << "change " << i;
        EXPECT_EQ(changes[i].showing, expected[i].showing) << "change " << i;
        EXPECT_EQ(changes[i].atTop, expected[i].atTop) << "change " << i;
    }
    // A show starts 40 pixels beyond its edge and takes one glide step of 0.1
    // of the way in: from 808 toward 728 at the top, from -40 toward 5 at the bottom.
    EXPECT_NEAR(changes[0].y, 800.0f, 1e-3f);
    EXPECT_NEAR(changes[2].y, -35.5f, 1e-3f);

    bool sawLeft = false, sawRight = false, sawFour = false, sawFive = false;
    for (const Change& c : changes) {
        if (!c.showing) continue;
        EXPECT_TRUE(c.x == 0.0f || c.x == 768.0f) << c.x;
        EXPECT_TRUE(c.message == 4 || c.message == 5) << c.message;
        sawLeft |= c.x == 0.0f;
        sawRight |= c.x == 768.0f;
        sawFour |= c.message == 4;
        sawFive |= c.message == 5;
    }
    EXPECT_TRUE(sawLeft && sawRight && sawFour && sawFive);
}

TEST_F(OverlayTest, BannerIsWithinAPixelOfItsTargetAfter261FramesAt60fps) {
    driver.introDone = true;
    driver.bannerTimer = 0.001f;  // the next frame shows it, at the top
    const double dt = 1.0 / 60.0;
    Frame(dt);
    ASSERT_TRUE(driver.bannerShowing);
    ASSERT_TRUE(driver.bannerAtTop);
    for (int frame = 2; frame <= 260; ++frame) Frame(dt);
    EXPECT_GT(driver.bannerPos.y - 728.0f, 1.0f) << "after 260 frames";
    Frame(dt);
    EXPECT_LT(driver.bannerPos.y - 728.0f, 1.0f) << "after 261 frames";
    EXPECT_GT(driver.bannerPos.y - 728.0f, 0.0f);
}

TEST_F(OverlayTest, LongFramesOvershootTheBannerTarget) {
    driver.introDone = true;
    driver.bannerShowing = true;
    driver.bannerTimer = 100.0f;
    struct Case { bool top; double dt; float start; float after; };
    const Case cases[] = {
        {true, 2.0, 698.0f, 758.0f},   // 30 short of 728, lands 30 beyond
        {true, 1.5, 698.0f, 743.0f},   // 15 beyond
        {true, 1.0, 698.0f, 728.0f},   // exactly there
        {true, 0.5, 698.0f, 713.0f},   // half way
        {false, 2.0, -15.0f, 25.0f},   // 20 short of 5, lands 20 beyond
    };
    for (const Case& c : cases) {
        driver.bannerAtTop = c.top;
        driver.bannerPos.y = c.start;
        Frame(c.dt);
        EXPECT_NEAR(driver.bannerPos.y, c.after, 1e-3f) << "dt " << c.dt;
    }
    // Two-second frames swing it back and forth across the target.
    driver.bannerAtTop = true;
    driver.bannerPos.y = 698.0f;
    Frame(2.0);
    Frame(2.0);
    EXPECT_NEAR(driver.bannerPos.y, 698.0f, 1e-3f);
}

TEST_F(OverlayTest, BannerAndMessageImagesLandOnTheirPixels) {
    driver.introDone = true;
    driver.bannerShowing = true;
    driver.bannerTimer = 10.0f;
    driver.messageIndex = 4;
    const Pixel corner = Opaque(EntryColour(1));
    const Pixel message = Opaque(EntryColour(4));

    // Top edge, corner image on the right: corner 768..1024 x 728..760,
    // message image 256..768 x 728..760.
    driver.bannerAtTop = true;
    driver.bannerPos = Make2DPoint(768, 728);
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(896, 744), corner));
    EXPECT_TRUE(Near(PixelAt(1020, 730), corner));
    EXPECT_TRUE(Near(PixelAt(512, 744), message));
    EXPECT_TRUE(Near(PixelAt(258, 758), message));
    EXPECT_TRUE(Near(PixelAt(100, 744), kBlack));  // left of the strip: no corner there
    EXPECT_TRUE(Near(PixelAt(512, 725), kBlack));  // below the strip
    EXPECT_TRUE(Near(PixelAt(512, 763), kBlack));  // above it

    // Bottom edge, corner on the left.
    driver.bannerAtTop = false;
    driver.bannerPos = Make2DPoint(0, 5);
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(128, 20), corner));
    EXPECT_TRUE(Near(PixelAt(512, 20), message));
    EXPECT_TRUE(Near(PixelAt(900, 20), kBlack));
    EXPECT_TRUE(Near(PixelAt(512, 2), kBlack));
}

// ---- Centred message ---------------------------------------------------------------

TEST_F(OverlayTest, CentredMessageComesAt90sThenEvery60sWithTwoSecondFades) {
    driver.introDone = true;
    struct Sample { double time; float alpha; };
    const Sample samples[] = {
        {89.9, 0.0f},  {91.0, 0.5f},  {92.2, 1.0f},  {100.0, 1.0f}, {109.9, 1.0f}, {111.0, 0.5f},
        {112.2, 0.0f}, {149.9, 0.0f}, {151.0, 0.5f}, {170.0, 1.0f}, {172.2, 0.0f}, {209.9, 0.0f},
        {211.0, 0.5f},
    };
    SqueezeDrawing();
    for (const Sample& s : samples) {
        RunTo(s.time, 0.05);
        EXPECT_NEAR(driver.messageAlpha, s.alpha, 0.03f) << "at " << s.time << " s";
        EXPECT_GE(driver.messageAlpha, 0.0f);
        EXPECT_LE(driver.messageAlpha, 1.0f);
    }
}

TEST_F(OverlayTest, VeilAndMessageStripCoverTheCanvas) {
    driver.introDone = true;
    driver.bannerPos = Make2DPoint(0, -40);  // hidden below the bottom edge
    driver.messageIndex = 5;
    driver.messageTimer = -5.0f;             // in the shown phase
    const Pixel strip = Opaque(EntryColour(5));
    const Pixel veiled{13, 13, 13, 255};     // 0.9 black over 128 grey

    struct Size { int w; int h; };
    for (Size size : {Size{1024, 768}, Size{2048, 768}}) {
        UseSize(size.w, size.h);
        driver.messageAlpha = 1.0f;
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        DrawStill();
        const int mid = size.w / 2;
        // The strip is the full width and 64 pixels high, centred (352..416).
        for (int x : {2, mid, size.w - 3}) {
            EXPECT_TRUE(Near(PixelAt(x, 384), strip)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 353), strip)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 414), strip)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 349), veiled)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 419), veiled)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 5), veiled)) << size.w << " x " << x;
            EXPECT_TRUE(Near(PixelAt(x, 765), veiled)) << size.w << " x " << x;
        }
    }

    // Half faded: the veil at 0.45 leaves 55% of the grey, and the strip is half
    // its image over that.
    UseSize(1024, 768);
    driver.messageAlpha = 0.5f;
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(512, 200), Pixel{70, 70, 70, 255}));
    EXPECT_TRUE(Near(PixelAt(512, 384), Pixel{35, 163, 163, 255}, 3));
    glClearColor(0, 0, 0, 0);
}

// ---- Intro ---------------------------------------------------------------------------

TEST_F(OverlayTest, IntroFadesInOneImageAfterTheOtherAndOutFrom12s) {
    struct Sample { double time; float upper; float lower; bool done; };
    const Sample samples[] = {
        {4.9, -0.1f, -1.0f, false}, {5.5, 0.5f, -1.0f, false}, {6.5, 1.0f, -0.5f, false},
        {7.5, 1.0f, 0.5f, false},   {10.0, 1.0f, 1.0f, false}, {12.5, 0.5f, 1.0f, false},
        {13.5, 0.0f, 0.5f, false},  {13.9, 0.0f, 0.1f, false}, {14.2, 0.0f, 0.0f, true},
    };
    SqueezeDrawing();
    for (const Sample& s : samples) {
        RunTo(s.time, 0.02);
        EXPECT_NEAR(driver.introUpperAlpha, s.upper, 0.05f) << "at " << s.time << " s";
        EXPECT_NEAR(driver.introLowerAlpha, s.lower, 0.05f) << "at " << s.time << " s";
        EXPECT_EQ(driver.introDone, s.done) << "at " << s.time << " s";
    }
}

TEST_F(OverlayTest, IntroCutShortAt12sStillEnds) {
    // The first frames are so long that the fade-out begins with the upper image
    // at 0.4 and the lower one never started.
    Frame(5.4);
    EXPECT_NEAR(driver.introUpperAlpha, 0.4f, 1e-5f);
    Frame(7.0);  // elapsed 12.4: fading out
    EXPECT_LE(driver.introUpperAlpha, 0.0f);
    EXPECT_EQ(driver.introLowerAlpha, -1.0f);
    EXPECT_FALSE(driver.introDone);
    Frame(0.1);
    EXPECT_TRUE(driver.introDone);

    // Once done, the intro is never drawn again, whatever its opacities say.
    driver.introUpperAlpha = 1.0f;
    driver.introLowerAlpha = 1.0f;
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(512, 614), kBlack));
    EXPECT_TRUE(Near(PixelAt(512, 192), kBlack));
    EXPECT_EQ(driver.introUpperAlpha, 1.0f);
}

TEST_F(OverlayTest, IntroImagesSitInCanvasSpace) {
    driver.elapsedTime = 9.0;
    driver.introUpperAlpha = 1.0f;
    driver.introLowerAlpha = 1.0f;
    const Pixel upper = Opaque(EntryColour(2));
    const Pixel lower = Opaque(EntryColour(3));

    // 1024 x 768: upper 256..768 x 550.4..678.4, lower 256..768 x 64..320.
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(512, 614), upper));
    EXPECT_TRUE(Near(PixelAt(258, 553), upper));
    EXPECT_TRUE(Near(PixelAt(512, 192), lower));
    EXPECT_TRUE(Near(PixelAt(765, 66), lower));
    EXPECT_TRUE(Near(PixelAt(250, 614), kBlack));
    EXPECT_TRUE(Near(PixelAt(512, 450), kBlack));
    EXPECT_TRUE(Near(PixelAt(512, 681), kBlack));

    // Stretched over 2048 x 768 the images double in width: 512..1536.
    UseSize(2048, 768);
    DrawStill();
    EXPECT_TRUE(Near(PixelAt(520, 614), upper));
    EXPECT_TRUE(Near(PixelAt(1530, 192), lower));
    EXPECT_TRUE(Near(PixelAt(505, 614), kBlack));
    EXPECT_TRUE(Near(PixelAt(1545, 192), kBlack));
}

// ---- Preview ----------------------------------------------------------------------------

TEST_F(OverlayTest, PreviewDrawsNothingAndChangesNothing) {
    driver.preview = true;
    const SSMAIN& d = driver;
    const auto snapshot = [&d] {
        return std::vector<double>{d.bannerTimer, d.bannerShowing ? 1.0 : 0.0, d.bannerAtTop ? 1.0 : 0.0,
                                   d.bannerPos.x, d.bannerPos.y, static_cast<double>(d.messageIndex),
                                   d.messageTimer, d.messageAlpha, d.introDone ? 1.0 : 0.0,
                                   d.introUpperAlpha, d.introLowerAlpha};
    };
    const std::vector<double> before = snapshot();
    while (driver.elapsedTime < 300.0) Frame(0.5);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(driver.elapsedTime, 300.0);  // time itself still runs

    std::vector<uint8_t> frame(1024 * 768 * 4);
    glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    std::size_t lit = 0;
    for (uint8_t v : frame) lit += v != 0 ? 1 : 0;
    EXPECT_EQ(lit, 0u);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(projection[0], 1.0f);  // still the fixture's identity
}

}  // namespace

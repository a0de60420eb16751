// SandmereView on a hand-stepped clock: the frame pacing table, the first tick,
// a stall, host tick rates, resizes, the screen rules, the sound countdown and
// its settings, and a frame driver whose set-up failed.
#include "host/SandmereView.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "GLFixture.h"
#include "TestFiles.h"
#include "TestViewHost.h"

namespace {

using testfiles::TempDir;

constexpr double kStart = 100.0;  // the clock at the first tick

class ViewTest : public GLTest {
protected:
    // An empty resource folder: the frame driver's set-up fails, every other
    // step of the view runs as usual and frames stay black.
    TempDir resources;
    TESTVIEWHOST host;

    std::unique_ptr<SandmereView> MakeView(bool preview = false, SETTINGOVERRIDES overrides = {}) {
        auto view = std::make_unique<SandmereView>(host, resources.path(), overrides);
        EXPECT_TRUE(view->initWithFrame({0, 0, kWidth, kHeight}, preview));
        view->startAnimation();
        return view;
    }
    void TickAt(SandmereView& view, double t) {
        host.now = t;
        view.animateOneFrame();
    }
};

SETTINGOVERRIDES With(SettingIndex index, int64_t value, SETTINGOVERRIDES o = {}) {
    o.value[index] = value;
    return o;
}

// Frame pacing: after the first tick at kStart, ticks at the given offsets;
// each expects the time step it draws with, or 0 for no frame.
struct PacingCase {
    const char* name;
    std::vector<double> offsets;   // seconds after kStart
    std::vector<double> drawnStep; // per tick: frameTime of its frame, 0 none
};

TEST_F(ViewTest, FramePacingByTheGapSinceTheLastFrame) {
    const double s = 1.0 / 30.0;
    const PacingCase cases[] = {
        {"host every 1/30 s: every tick draws", {s, 2 * s, 3 * s}, {s, s, s}},
        {"host every 1/100 s: every second tick", {0.01, 0.02, 0.03, 0.04, 0.05}, {0, 0.02, 0, 0.02, 0}},
        {"gap just above 1/60 draws", {1.0 / 59.0}, {1.0 / 59.0}},
        {"gap just below 1/60 waits", {1.0 / 61.0, 2.0 / 61.0}, {0, 2.0 / 61.0}},
        {"gap of exactly 2 s still draws", {2.0}, {2.0}},
        {"3 s stall resets, the next tick is normal", {3.0, 3.0 + s, 3.0 + 2 * s}, {0, s, s}},
        {"just above 2 s resets", {2.001, 2.001 + s}, {0, s}},
        {"clock stepped back resets", {s, s - 0.5, 2 * s - 0.5}, {s, 0, s}},
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(c.name);
        host.presents = 0;
        auto view = MakeView();
        const int startPresents = host.presents;  // start clears and presents once
        TickAt(*view, kStart);
        ASSERT_TRUE(view->ssMain);
        EXPECT_EQ(view->framesDrawn(), 0u) << "the first tick only sets up";
        double elapsed = 0.0;
        for (std::size_t i = 0; i < c.offsets.size(); ++i) {
            const uint64_t before = view->framesDrawn();
            TickAt(*view, kStart + c.offsets[i]);
            const bool drawn = view->framesDrawn() != before;
            EXPECT_EQ(drawn, c.drawnStep[i] > 0.0) << "tick " << i;
            if (drawn) {
                EXPECT_NEAR(view->ssMain->frameTime, c.drawnStep[i], 1e-9) << "tick " << i;
                elapsed += c.drawnStep[i];
            }
        }
        EXPECT_NEAR(view->ssMain->elapsedTime, elapsed, 1e-9);
        EXPECT_EQ(host.presents - startPresents, static_cast<int>(view->framesDrawn()));
    }
}

TEST_F(ViewTest, AFailedSetupIsNotRetriedAndFramesStayBlack) {
    auto view = MakeView();
    glClearColor(0.2f, 0.5f, 0.9f, 1.0f);  // a colour left behind must not survive a frame
    glClear(GL_COLOR_BUFFER_BIT);
    TickAt(*view, kStart);
    EXPECT_TRUE(view->initialized);
    SSMAIN* driver = view->ssMain.get();
    for (int i = 1; i <= 30; ++i) TickAt(*view, kStart + i / 30.0);
    EXPECT_EQ(view->ssMain.get(), driver);
    // A new driver would have started its time again from zero.
    EXPECT_NEAR(view->ssMain->elapsedTime, 1.0, 1e-9);
    EXPECT_EQ(view->framesDrawn(), 30u);
    const auto pixel = PixelAt(kWidth / 2, kHeight / 2);
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0);
}

TEST_F(ViewTest, AResizeRenewsTheGLStateBeforeTheNextFrame) {
    auto view = MakeView();
    TickAt(*view, kStart);
    TickAt(*view, kStart + 0.04);
    const struct { const char* name; double width, height; float xScale; } sizes[] = {
        {"wide", 320, 160, 0.5f},  // the projection's x scale is f / aspect, f its y scale
        {"tall", 100, 200, 2.0f},
        {"no width: square", 0, 200, 1.0f},
        {"no height: square", 200, 0, 1.0f},
    };
    double t = kStart + 0.04;
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.name);
        view->setFrameSize({s.width, s.height});
        TickAt(*view, t += 0.04);
        EXPECT_EQ(view->ssMain->width, static_cast<int32_t>(s.width));
        EXPECT_EQ(view->ssMain->height, static_cast<int32_t>(s.height));
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], static_cast<GLint>(s.width));
        EXPECT_EQ(viewport[3], static_cast<GLint>(s.height));
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_NEAR(projection[0] / projection[5], s.xScale, 1e-5);
        EXPECT_NEAR(projection[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5);  // 45 degrees
    }
}

TEST_F(ViewTest, TheScreenRules) {
    const struct {
        const char* name;
        bool mainScreen, preview, mainOnly;
        bool on, sound;
    } cases[] = {
        {"main screen", true, false, false, true, true},
        {"second screen draws too", false, false, false, true, false},
        {"second screen, main only: black", false, false, true, false, false},
        {"main screen, main only", true, false, true, true, true},
        {"preview on a second screen ignores main only", false, true, true, true, false},
        {"preview on the main screen plays nothing", true, true, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.mainScreen = c.mainScreen;
        host.presents = 0;
        host.sound = {};
        auto view = MakeView(c.preview, With(kMainMonitorOnly, c.mainOnly));
        EXPECT_EQ(host.presents, 1) << "start clears every screen and presents at once";
        EXPECT_EQ(view->ThisScreenIsOn, c.on);
        EXPECT_EQ(view->SoundOnThisScreen, c.sound);
        EXPECT_TRUE(view->mySettings.PLAYSOUND) << "the rule never touches the user's setting";
        EXPECT_EQ(host.sound.prepared, c.sound ? 1 : 0);
        for (int i = 0; i < 10; ++i) TickAt(*view, kStart + i * 0.04);
        EXPECT_EQ(view->isAnimating(), c.on);
        EXPECT_EQ(view->ssMain != nullptr, c.on) << "a black screen never sets up a frame driver";
        EXPECT_EQ(host.sound.created, c.sound ? 1 : 0);
        // A black screen repaints on expose; a drawing one leaves it to its frames.
        const int presents = host.presents;
        view->redrawIfBlack();
        EXPECT_EQ(host.presents - presents, c.on ? 0 : 1);
    }
}

// The sound countdown: ticks every 0.04 s after the first; the player starts
// once 0.1 s of gaps have passed (on the third gap).
TEST_F(ViewTest, TheSoundCountdownAndTheSettingsItFollows) {
    auto view = MakeView(false, With(kVolume, 100));
    EXPECT_FLOAT_EQ(view->soundDelay, 0.1f);
    TickAt(*view, kStart);
    TickAt(*view, kStart + 0.04);
    TickAt(*view, kStart + 0.08);
    EXPECT_EQ(host.sound.asked, 0) << "0.02 s still to go";
    TickAt(*view, kStart + 0.12);
    EXPECT_EQ(host.sound.created, 1);
    EXPECT_FLOAT_EQ(view->soundDelay, 9999.0f);
    EXPECT_EQ(host.sound.calls, std::vector<std::string>{"play 50"}) << "100 / 255 of 128";

    const struct {
        const char* name;
        bool playSound;
        int32_t volume;
        std::vector<std::string> calls;  // what the next tick asks of the player
    } steps[] = {
        {"playing: the volume is kept up to date", true, 100, {"volume 50"}},
        {"sound switched off: halted", false, 100, {"halt"}},
        {"still off: nothing", false, 100, {}},
        {"on again: plays at once at the new volume", true, 255, {"play 128"}},
        {"volume above the range is full volume", true, 300, {"volume 128"}},
    };
    double t = kStart + 0.12;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        host.sound.calls.clear();
        view->mySettings.PLAYSOUND = s.playSound;
        view->mySettings.VOLUME = s.volume;
        TickAt(*view, t += 0.04);
        EXPECT_EQ(host.sound.calls, s.calls);
    }
    EXPECT_EQ(host.sound.created, 1) << "one player per view";
    host.sound.calls.clear();
    view.reset();
    EXPECT_EQ(host.sound.calls, (std::vector<std::string>{"halt", "released"}));
}

TEST_F(ViewTest, TheCountdownRunsOnlyWhileTheSoundIsOnAndCountsTicksThatDrawNothing) {
    host.soundFileReadable = false;
    auto view = MakeView(false, With(kPlaySound, 0));
    TickAt(*view, kStart);
    for (int i = 1; i <= 10; ++i) TickAt(*view, kStart + i * 0.04);
    EXPECT_FLOAT_EQ(view->soundDelay, 0.1f);
    EXPECT_EQ(host.sound.asked, 0);

    // Ticks every 0.01 s: gaps of 0.01 (no frame) and 0.02 (a frame) both count,
    // and the frame's gap includes the tick before: 0.01 + 0.02 + 0.01 + 0.02 ...
    view->mySettings.PLAYSOUND = true;
    double t = kStart + 0.4;
    const float expected[] = {0.09f, 0.07f, 0.06f, 0.04f, 0.03f, 0.01f};
    for (float left : expected) {
        TickAt(*view, t += 0.01);
        EXPECT_NEAR(view->soundDelay, left, 1e-5);
    }
    EXPECT_EQ(host.sound.asked, 0);

    // An unreadable sound is silence, not asked for again for a long while,
    // and drawing goes on.
    const uint64_t frames = view->framesDrawn();
    for (int i = 0; i < 100; ++i) TickAt(*view, t += 0.04);
    EXPECT_EQ(host.sound.asked, 1);
    EXPECT_NEAR(view->soundDelay, 9999.0f - 99 * 0.04f, 0.01f);
    EXPECT_EQ(view->framesDrawn() - frames, 100u);
}

TEST_F(ViewTest, TheSeedOfTheHostSeedsTheGeneratorAtSetUp) {
    const auto firstDraw = [&](unsigned int seed) {
        host.seed = seed;
        auto view = MakeView();
        std::srand(999);  // whatever ran before
        TickAt(*view, kStart);
        return std::rand();
    };
    const int a = firstDraw(7);
    EXPECT_EQ(firstDraw(7), a);
    EXPECT_NE(firstDraw(8), a);
}

TEST_F(ViewTest, NoGLSurfaceNoView) {
    host.glAvailable = false;
    SandmereView view(host, resources.path());
    EXPECT_FALSE(view.initWithFrame({0, 0, 10, 10}, false));
    EXPECT_FALSE(view.viewAllocated);
}

TEST(MixerVolume, RoundsOntoTheMixerScale) {
    const struct { int32_t volume; int mixer; } cases[] = {
        {0, 0}, {1, 1}, {2, 1}, {100, 50}, {128, 64}, {254, 127}, {255, 128}, {256, 128},
        {-1, 0}, {INT32_MAX, 128}, {INT32_MIN, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(MixerVolume(c.volume), c.mixer) << c.volume;
}

}  // namespace

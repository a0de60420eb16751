// SandmereView: one view of the screen saver, one per screen it covers (and one
// for a small preview). It reads the user's settings, owns an OpenGL surface,
// decides whether its screen shows the scene, drives one frame driver (SSMAIN)
// from the host's ticks with its own frame pacing, and plays the looping
// background sound.
//
// The host calls, in this order: initWithFrame, startAnimation, then
// animateOneFrame about every animationTimeInterval() seconds while
// isAnimating(); setFrameSize whenever the drawable changes size; stopAnimation;
// and finally destroys the view. Everything runs on one thread with nothing
// locked. The platform is reached only through VIEWHOST.
//
// Frame pacing, per tick, by the gap since the last drawn frame:
//   gap above 2.0 s, or negative (a clock stepped back): reset the clock only;
//   gap above 1/60 s: draw one frame with the gap as its time step;
//   otherwise: draw nothing and keep the clock, so the next gap includes this one.
// With the host ticking every 1/30 s every tick draws; at 1/100 s about every
// second one does. The first tick sets everything up and draws nothing.
//
// Sound. The player starts 0.1 s of ticks after the first tick and loops at
// VOLUME / 255 of full volume. Only the main screen plays, never the preview;
// that rule is kept in SoundOnThisScreen, apart from the user's PLAYSOUND, so
// that changing the settings can never make another screen play. Every tick
// that reaches the sound step follows PLAYSOUND and VOLUME as they are then:
// it starts the player (volume first) or halts it.
//
// Settings. At initialisation the view reads the settings store (the settings
// file with its first-run rule, or the table's defaults alone when the run
// carries the marker option) and puts this run's command-line overrides over
// them; the overrides are never stored. The configuration sheet, loaded on
// first use and kept, is filled from the stored values, not from the
// overrides. Its Save stores the values and hands them to the view at once,
// overrides still on top: PLAYSOUND and VOLUME then rule the next tick's sound
// step, MainMonitorOnly the next start, and NUM_CAMELS only frame drivers set
// up afterwards, since the running scene keeps its herd.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/SSMain.h"
#include "engine/Settings.h"
#include "host/Overrides.h"
#include "host/UserSettings.h"
#include "host/ViewHost.h"

class ConfigureSheet;

// The view's rectangle; only its size is used.
struct VIEWRECT {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// VOLUME (0..255 as stored; clamped) on the mixer's scale 0..128, rounded.
int MixerVolume(int32_t VOLUME);

class SandmereView {
public:
    static constexpr double kAnimationInterval = 1.0 / 30.0;  // seconds between host ticks
    static constexpr double kResetGap = 2.0;                   // seconds: longer gaps only reset
    static constexpr double kMinFrameGap = 1.0 / 60.0;         // seconds: shorter gaps draw nothing
    static constexpr float kFirstSoundDelay = 0.1f;            // seconds of ticks before the sound
    static constexpr float kSoundRetryDelay = 9999.0f;         // seconds until the sound is looked at again
    static constexpr double kPreviewWidth = 640.0;             // a host window below this size
    static constexpr double kPreviewHeight = 480.0;            // (either side) is a preview

    // host: the platform side; resourcePath: the folder of the data files;
    // overrides: this run's command-line settings.
    SandmereView(VIEWHOST& host, std::string resourcePath, SETTINGOVERRIDES overrides = {});
    // dealloc: the frame driver cleaned up in this view's context, the sound
    // stopped and released.
    ~SandmereView();
    SandmereView(const SandmereView&) = delete;
    SandmereView& operator=(const SandmereView&) = delete;

    // Initialisation: the GL surface, the settings, the screen on, the 1/30 s
    // interval, the sound countdown. False when no GL surface can be made (the
    // view is then unusable).
    bool initWithFrame(VIEWRECT frame, bool isPreview);
    // The drawable changed size: OpenGL state is renewed on the next tick.
    void setFrameSize(VIEWSIZE size);
    // The main-screen and sound rules; every screen is cleared to black at once.
    void startAnimation();
    // One tick of the host's timer.
    void animateOneFrame();
    // Only stops the ticks: the frame driver and the sound stay.
    void stopAnimation();
    // The host performs no gamma fade for this screen saver.
    static bool performGammaFade() { return false; }

    // Clears the screen to black again if this view never draws (the host
    // calls it when the window system asks for a repaint).
    void redrawIfBlack();

    bool isAnimating() const { return animating; }
    bool isPreview() const { return preview; }
    double animationTimeInterval() const { return interval; }
    uint64_t framesDrawn() const { return drawnFrames; }

    // The settings as this view reads them at initialisation: the store's
    // values (first-run rule applied) with this run's overrides over them.
    USERSETTINGS ReadSettings();

    // The configuration sheet, loaded on first use (GTK starts then), filled
    // from the stored values and shown without waiting; the host's loop keeps
    // pumping GTK. Null when there is no display or interface file, or when
    // this run leaves the settings file alone (then nothing could be saved).
    ConfigureSheet* configureSheet();
    // The values the store holds as far as this view knows: read at
    // initialisation, replaced by the sheet's Save.
    const USERSETTINGS& StoredSettings() const { return storedSettings; }

    // ---- Fields, in the order the desktop's view class declares them --------
    bool MainMonitorOnly = false;  // setting: draw only on the main screen
    bool ThisScreenIsOn = false;   // this view's screen shows the scene
    VIEWHOST* glView = nullptr;    // the OpenGL surface and the rest of the platform
    bool viewAllocated = false;    // glView's surface exists
    bool glReady = false;          // OpenGL state and viewport are set for the current size
    bool initialized = false;      // the frame driver was set up (successfully or not)
    SETTINGS mySettings;           // the settings in force for this view
    double animtime = 0.0;         // seconds: last drawn frame or clock reset
    VIEWRECT Scrn;                 // only its size is used: the view's size in pixels
    std::unique_ptr<SSMAIN> ssMain;          // the frame driver
    std::unique_ptr<SOUNDPLAYER> bgSound;    // created on first use
    float soundDelay = 0.0f;       // seconds until the sound is started (or looked at again)

    // Only the main screen plays the sound, never the preview (set on start).
    bool SoundOnThisScreen = false;
    // The configuration sheet with its controls: configureSheet() loads it.
    std::unique_ptr<ConfigureSheet> sheet;

private:
    bool mainSetup();
    void glInit();
    void glReshape();
    void SoundStep(double gap);
    void ClearToBlackAndPresent();
    void TakeSavedSettings(const USERSETTINGS& saved);

    VIEWRECT bounds;               // the frame given by the host, then its resizes (pixels)
    bool preview = false;
    bool animating = false;
    double interval = 0.0;
    uint64_t drawnFrames = 0;
    std::string resources;
    SETTINGOVERRIDES overrides;
    SettingsStore store;  // the sheet refers to it; ~SandmereView releases the sheet first
    USERSETTINGS storedSettings;
};

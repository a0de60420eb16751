#include "host/SandmereView.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "engine/SceneState.h"
#include "host/ConfigureSheet.h"

int MixerVolume(int32_t VOLUME) {
    const int32_t clamped = std::clamp<int32_t>(VOLUME, 0, 255);
    return (clamped * 128 + 127) / 255;  // rounded to the nearest step
}

SandmereView::SandmereView(VIEWHOST& host, std::string resourcePath, SETTINGOVERRIDES commandLine)
    : glView(&host),
      resources(std::move(resourcePath)),
      overrides(commandLine),
      store(StoreModeOf(commandLine)),
      storedSettings(DefaultUserSettings()) {}

SandmereView::~SandmereView() {
    sheet.reset();  // it saves into `store`, declared after it
    // When the drawable is gone no context is current and the frame driver's
    // GL calls go nowhere; its memory is freed all the same.
    glView->MakeCurrent();
    if (ssMain) {
        ssMain->Cleanup();
        ssMain.reset();  // runs Cleanup once more, which finds nothing
    }
    if (bgSound) {
        bgSound->Halt();
        bgSound.reset();
    }
}

USERSETTINGS SandmereView::ReadSettings() {
    storedSettings = store.Read();
    return ApplyOverrides(storedSettings, overrides);
}

ConfigureSheet* SandmereView::configureSheet() {
    if (store.Mode() != SettingsStoreMode::KeyFile) {
        std::fprintf(stderr, "sandmere: no settings sheet in a run with %s\n", kNoSettingsFileOption);
        return nullptr;
    }
    if (!sheet) {
        if (!StartConfigureSheetToolkit()) return nullptr;
        auto loaded = std::make_unique<ConfigureSheet>();
        if (!loaded->Setup(ConfigureSheetFile(resources), &store,
                           [this](const USERSETTINGS& saved) { TakeSavedSettings(saved); }))
            return nullptr;
        sheet = std::move(loaded);
    }
    sheet->Open(storedSettings);
    return sheet.get();
}

void SandmereView::TakeSavedSettings(const USERSETTINGS& saved) {
    storedSettings = saved;
    const USERSETTINGS inForce = ApplyOverrides(saved, overrides);
    MainMonitorOnly = inForce.MainMonitorOnly;  // read by the next start
    mySettings = inForce.values;                // the sound step reads it every tick
    // A view that started silent opens the output now, as a start with sound
    // on does, so the countdown runs on a device already going.
    if (SoundOnThisScreen && mySettings.PLAYSOUND) glView->PrepareSound();
}

bool SandmereView::initWithFrame(VIEWRECT frame, bool isPreview) {
    bounds = frame;
    preview = isPreview;
    if (!glView->CreateGLView()) return false;
    viewAllocated = true;
    glReady = false;

    const USERSETTINGS user = ReadSettings();
    MainMonitorOnly = user.MainMonitorOnly;
    mySettings = user.values;

    Scrn.width = bounds.width;
    Scrn.height = bounds.height;
    ThisScreenIsOn = true;
    initialized = false;
    interval = kAnimationInterval;
    soundDelay = kFirstSoundDelay;
    return true;
}

void SandmereView::setFrameSize(VIEWSIZE size) {
    bounds.width = size.width;
    bounds.height = size.height;
    if (viewAllocated) glReady = false;
}

void SandmereView::startAnimation() {
    const bool mainScreen = glView->OnMainScreen();
    ThisScreenIsOn = !(MainMonitorOnly && !mainScreen && !preview);
    SoundOnThisScreen = mainScreen && !preview;
    if (SoundOnThisScreen && mySettings.PLAYSOUND) glView->PrepareSound();

    ClearToBlackAndPresent();
    animating = true;
}

void SandmereView::stopAnimation() { animating = false; }

void SandmereView::redrawIfBlack() {
    if (!ThisScreenIsOn) ClearToBlackAndPresent();
}

void SandmereView::ClearToBlackAndPresent() {
    if (!glView->MakeCurrent()) return;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glView->Present();
}

void SandmereView::animateOneFrame() {
    if (!ThisScreenIsOn) {
        stopAnimation();
        return;
    }
    if (!glView->MakeCurrent()) return;
    if (!glReady) {
        glInit();
        glReady = true;
    }
    if (!initialized) {
        mainSetup();
        initialized = true;  // whatever the result: a failed set-up is not retried
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    const double gap = glView->Now() - animtime;
    if (gap > kResetGap || gap < 0.0) {
        animtime = glView->Now();
        return;
    }
    if (gap > kMinFrameGap) {
        animtime = glView->Now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (ssMain) {
            ssMain->Update(gap);
            ssMain->Draw();
        }
        glView->Present();
        ++drawnFrames;
    }
    SoundStep(gap);
}

void SandmereView::SoundStep(double gap) {
    if (!SoundOnThisScreen) return;
    if (!mySettings.PLAYSOUND) {
        if (bgSound && bgSound->IsPlaying()) bgSound->Halt();
        return;
    }
    soundDelay = static_cast<float>(soundDelay - gap);
    if (soundDelay < 0.0f) {
        if (!bgSound) bgSound = glView->CreateSound(resources + "/kestrel.wav");
        soundDelay = kSoundRetryDelay;
    }
    // Once made, the player follows the settings on every tick.
    if (!bgSound) return;
    const int volume = MixerVolume(mySettings.VOLUME);
    if (bgSound->IsPlaying())
        bgSound->SetVolume(volume);
    else
        bgSound->Play(volume);
}

bool SandmereView::mainSetup() {
    const VIEWRECT frame = bounds;
    std::srand(glView->Seed());
    if (ssMain) ssMain->Cleanup();
    ssMain = std::make_unique<SSMAIN>();
    if (resources.size() >= SSMAIN::kPathSize) return false;  // the driver's path buffer
    if (!ssMain->Setup(preview, static_cast<int32_t>(frame.width), static_cast<int32_t>(frame.height),
                       &mySettings, resources.c_str()))
        return false;
    animtime = glView->Now();
    return true;
}

void SandmereView::glInit() {
    Scrn.width = bounds.width;
    Scrn.height = bounds.height;
    const auto width = static_cast<int32_t>(Scrn.width);
    const auto height = static_cast<int32_t>(Scrn.height);
    glViewport(0, 0, width, height);
    if (ssMain) ssMain->SetSize(width, height);

    SetViewState();
    glReshape();
}

void SandmereView::glReshape() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // An empty drawable (a minimised window) has no aspect; it gets a square one.
    const bool empty = Scrn.width <= 0.0 || Scrn.height <= 0.0;
    const float aspect = empty ? 1.0f : static_cast<float>(Scrn.width) / static_cast<float>(Scrn.height);
    gluPerspective(45.0, aspect, 1.0, 1500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

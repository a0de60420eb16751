// Headless mode: no display at all. The scene is rendered offscreen (SDL's
// offscreen video driver, EGL on Mesa) and the view is ticked with a fixed
// step of scene time, as fast as the renderer goes, for --duration seconds.
// The view's clock is that scene time, so a run with a given --seed repeats
// exactly, frame for frame and byte for byte.
//
// --snapshot FILE writes the last frame; --snapshot-every S --snapshot-dir DIR
// writes DIR/frame-NNNNNN.png whenever another S seconds of the frame
// driver's time have passed (NNNNNN is the drawn frame's number, from 1). A
// headless run plays no sound.
#include <GL/gl.h>
#include <SDL.h>

#include <cmath>
#include <cstdio>

#include "assets/PNGWriter.h"
#include "host/HostSetup.h"
#include "host/Sandmere.h"
#include "host/Signals.h"

namespace {

bool WriteFrame(const std::string& path, int width, int height) {
    glReadBuffer(GL_BACK);
    std::string error;
    if (WritePNG(path, ReadFramebuffer(width, height), &error)) return true;
    std::fprintf(stderr, "sandmere: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
}

std::string FramePath(const std::string& folder, uint64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06llu.png", static_cast<unsigned long long>(frame));
    return folder + "/" + name;
}

}  // namespace

int RunHeadless(const HOSTOPTIONS& options) {
    if (!StartVideo("offscreen")) return 1;
    TRACEWRITER trace;
    if (!OpenTrace(trace, options)) return 1;

    double now = 0.0;  // the scene clock, seconds
    SDL_Window* window = CreateGLWindow("sandmere", 0, 0, options.width, options.height, SDL_WINDOW_HIDDEN, true);
    std::vector<HOSTEDVIEW> views;
    if (!window) return 1;
    views.emplace_back();
    HOSTEDVIEW& hosted = views.back();
    hosted.host = std::make_unique<SDLVIEWHOST>(window, true, SeedOfView(options, 0), true, [&now] { return now; });
    hosted.view = std::make_unique<SandmereView>(*hosted.host, ResourceFolder(options), options.overrides);
    SandmereView& view = *hosted.view;
    if (!view.initWithFrame({0.0, 0.0, double(options.width), double(options.height)}, false)) {
        FinishVideo(views);
        return 1;
    }

    const auto ticks = static_cast<int64_t>(std::llround(options.duration / options.step));
    int64_t tick = 0;
    double nextShot = options.snapshotEvery;
    bool written = true;
    bool lastWritten = false;
    hosted.host->beforePresent = [&] {
        if (!view.ssMain) return;
        const uint64_t frame = view.framesDrawn() + 1;
        const double t = view.ssMain->elapsedTime;
        if (options.snapshotEvery > 0.0 && t + 1e-9 >= nextShot) {
            written = WriteFrame(FramePath(options.snapshotDir, frame), options.width, options.height) && written;
            while (nextShot <= t + 1e-9) nextShot += options.snapshotEvery;
        }
        if (!options.snapshot.empty() && tick == ticks) {
            written = WriteFrame(options.snapshot, options.width, options.height) && written;
            lastWritten = true;
        }
    };

    view.startAnimation();
    for (tick = 1; tick <= ticks && !StopRequested(); ++tick) {
        now = static_cast<double>(tick) * options.step;
        const uint64_t before = view.framesDrawn();
        view.animateOneFrame();
        if (view.framesDrawn() != before && view.ssMain) trace.Frame(0, view.framesDrawn(), *view.ssMain);
    }
    if (!options.snapshot.empty() && !lastWritten && hosted.host->MakeCurrent()) {
        // The last tick drew nothing (a one-tick run): the picture is black.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        written = WriteFrame(options.snapshot, options.width, options.height) && written;
    }
    FinishVideo(views);
    return written ? 0 : 1;
}

// Full-screen mode: one borderless view on every monitor, all in this process,
// ticked in turn. Any key, any click, or a real mouse move (more than a few
// pixels from where the pointer first showed up, so jitter and the pointer's
// first report do not count) quits.
//
// The monitors come from XRandR on X11 (Monitors.h). Each gets a borderless
// window at its place. Where a monitor is exactly one of SDL's displays and a
// window manager runs, the window also asks it for full screen, so that it
// covers panels and docks.
#include <SDL.h>

#include <cmath>
#include <string>

#include "host/HostSetup.h"
#include "host/Monitors.h"
#include "host/Sandmere.h"
#include "host/Signals.h"

namespace {

constexpr double kRealMove = 8.0;  // pixels from the first position

bool IsWholeDisplay(const SCREENRECT& r) {
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect d;
        if (SDL_GetDisplayBounds(i, &d) == 0 && d.x == r.x && d.y == r.y && d.w == r.width && d.h == r.height)
            return true;
    }
    return false;
}

class QUITWATCH {
public:
    void Poll(std::vector<HOSTEDVIEW>& views) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            switch (event.type) {
                case SDL_QUIT:
                case SDL_KEYDOWN:
                case SDL_MOUSEBUTTONDOWN:
                    RequestStop();
                    break;
                case SDL_MOUSEMOTION:
                    Moved();
                    break;
                case SDL_WINDOWEVENT:
                    for (HOSTEDVIEW& v : views) {
                        if (SDL_GetWindowID(v.host->Window()) != event.window.windowID) continue;
                        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                            v.view->setFrameSize(v.host->DrawableSize());
                        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) v.view->redrawIfBlack();
                    }
                    break;
                default:
                    break;
            }
        }
    }

private:
    void Moved() {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        if (!anchored) {
            anchored = true;
            anchorX = x;
            anchorY = y;
            return;
        }
        if (std::hypot(x - anchorX, y - anchorY) > kRealMove) RequestStop();
    }

    bool anchored = false;
    int anchorX = 0;
    int anchorY = 0;
};

}  // namespace

int RunFullscreen(const HOSTOPTIONS& options) {
    if (!StartVideo(nullptr)) return 1;
    TRACEWRITER trace;
    if (!OpenTrace(trace, options)) return 1;

    const std::vector<MONITOR> monitors = QueryMonitors();
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool askForFullscreen = !(driver && std::string(driver) == "x11") || WindowManagerRunning();
    const int main = MainMonitor(monitors);
    std::vector<HOSTEDVIEW> views;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const SCREENRECT& r = monitors[i].rect;
        SDL_Window* window = CreateGLWindow("Sandmere", r.x, r.y, r.width, r.height,
                                            SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI |
                                                SDL_WINDOW_SKIP_TASKBAR, false);
        if (!window) continue;
        if (askForFullscreen && IsWholeDisplay(r)) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        AddView(views, window, static_cast<int>(i) == main, false, options);
    }
    if (views.empty()) {
        FinishVideo(views);
        return 1;
    }
    SDL_ShowCursor(SDL_DISABLE);
    QUITWATCH watch;
    LOOPHOOKS hooks;
    hooks.pollEvents = [&] { watch.Poll(views); };
    RunHostLoop(views, trace, hooks);
    FinishVideo(views);
    return 0;
}

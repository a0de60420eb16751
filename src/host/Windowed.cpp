// Window mode and preview mode: one view in an ordinary window.
//
// The view's size is the drawable's size in pixels, HiDPI screens included;
// the window may be resized. q, Esc, Ctrl-C (in the window or the terminal)
// or closing the window quits; s opens the configuration sheet over the
// running saver (window mode only, not the preview). The preview is the same
// window with the preview flag: no 2D layer and no sound.
#include <SDL.h>

#include "host/HostSetup.h"
#include "host/Monitors.h"
#include "host/Sandmere.h"
#include "host/Signals.h"

namespace {

constexpr int kPreviewWidth = 400;  // pixels, unless --size says otherwise
constexpr int kPreviewHeight = 300;

bool IsQuitKey(const SDL_KeyboardEvent& key) {
    const SDL_Keycode code = key.keysym.sym;
    return code == SDLK_q || code == SDLK_ESCAPE || (code == SDLK_c && (key.keysym.mod & KMOD_CTRL));
}

bool IsSheetKey(const SDL_KeyboardEvent& key) {
    return key.keysym.sym == SDLK_s && key.repeat == 0 && (key.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) == 0;
}

}  // namespace

void PollWindowEvents(HOSTEDVIEW& hosted, bool sheetKey) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT:
                RequestStop();
                break;
            case SDL_KEYDOWN:
                if (IsQuitKey(event.key)) RequestStop();
                else if (sheetKey && IsSheetKey(event.key)) hosted.view->configureSheet();
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) RequestStop();
                if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    hosted.view->setFrameSize(hosted.host->DrawableSize());
                if (event.window.event == SDL_WINDOWEVENT_EXPOSED) hosted.view->redrawIfBlack();
                break;
            default:
                break;
        }
    }
}

namespace {

// Whether the window's centre lies on the main monitor.
bool WindowOnMain(SDL_Window* window) {
    SCREENRECT rect;
    SDL_GetWindowPosition(window, &rect.x, &rect.y);
    SDL_GetWindowSize(window, &rect.width, &rect.height);
    return WindowOnMainMonitor(QueryMonitors(), rect);
}

}  // namespace

int RunWindowed(const HOSTOPTIONS& options) {
    const bool preview = options.mode == HostMode::Preview;
    if (preview) SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (!StartVideo(nullptr)) return 1;
    TRACEWRITER trace;
    if (!OpenTrace(trace, options)) return 1;
    if (!preview) ShowAlertsInMessageBoxes();

    const int width = preview && !options.sizeGiven ? kPreviewWidth : options.width;
    const int height = preview && !options.sizeGiven ? kPreviewHeight : options.height;
    SDL_Window* window =
        CreateGLWindow(preview ? "Sandmere preview" : "Sandmere", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       width, height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI, false);
    std::vector<HOSTEDVIEW> views;
    if (!window || !AddView(views, window, WindowOnMain(window), preview, options)) {
        FinishVideo(views);
        return 1;
    }
    LOOPHOOKS hooks;
    hooks.pollEvents = [&views, preview] { PollWindowEvents(views.front(), !preview); };
    RunHostLoop(views, trace, hooks);
    FinishVideo(views);
    return 0;
}

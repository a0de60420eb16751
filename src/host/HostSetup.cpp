#include "host/HostSetup.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>

#include "host/MixerSound.h"
#include "host/Sandmere.h"
#include "host/Signals.h"
#include "maths/Misc.h"

namespace {

void AlertInMessageBox(const char* title, const char* text) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) != 0)
        std::fprintf(stderr, "sandmere: %s: %s\n", title, text);
}

}  // namespace

bool WindowManagerRunning() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    // An EWMH window manager names its check window on the root window.
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    bool running = false;
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                               &items, &after, &data) == Success) {
            running = type == XA_WINDOW && items == 1;
            if (data) XFree(data);
        }
    }
    XCloseDisplay(display);
    return running;
}

bool StartVideo(const char* videoDriver) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    InstallStopSignals();
    if (videoDriver) SDL_SetHint(SDL_HINT_VIDEODRIVER, videoDriver);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "sandmere: cannot start the display: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

void FinishVideo(std::vector<HOSTEDVIEW>& views) {
    bool drawableGone = false;
    for (const HOSTEDVIEW& v : views) drawableGone = drawableGone || v.host->DrawableGone();
    views.clear();  // each view before its host: frame driver, then sound
    // Closing the output would wait for the audio thread's next buffer, which
    // the 100 ms bound after a signal cannot afford; the process's end closes it.
    PauseSoundOutput();
    SetAlertHandler(nullptr);
    if (!drawableGone) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

SDL_Window* CreateGLWindow(const char* title, int x, int y, int width, int height, Uint32 flags,
                           bool withAlpha) {
    for (const bool accelerated : {true, false}) {
        SetPixelFormat(withAlpha, accelerated);
        if (SDL_Window* window = SDL_CreateWindow(title, x, y, width, height, flags | SDL_WINDOW_OPENGL))
            return window;
    }
    std::fprintf(stderr, "sandmere: cannot open a window: %s\n", SDL_GetError());
    return nullptr;
}

bool AddView(std::vector<HOSTEDVIEW>& views, SDL_Window* window, bool mainScreen, bool preview,
             const HOSTOPTIONS& options, bool silent) {
    const int index = static_cast<int>(views.size());
    HOSTEDVIEW hosted;
    hosted.host = std::make_unique<SDLVIEWHOST>(window, mainScreen, SeedOfView(options, index), silent);
    hosted.view = std::make_unique<SandmereView>(*hosted.host, ResourceFolder(options), options.overrides);
    const VIEWSIZE size = hosted.host->DrawableSize();
    if (!hosted.view->initWithFrame({0.0, 0.0, size.width, size.height}, preview)) return false;
    hosted.view->startAnimation();
    views.push_back(std::move(hosted));
    return true;
}

void ShowAlertsInMessageBoxes() { SetAlertHandler(AlertInMessageBox); }

bool OpenTrace(TRACEWRITER& trace, const HOSTOPTIONS& options) {
    return options.trace.empty() || trace.Open(options.trace, options.traceEvery);
}

// The XScreenSaver module: draws into a window someone else owns.
//
// The window is the one named by XSCREENSAVER_WINDOW (XScreenSaver sets it for
// each monitor's process), else the root window with --root, or the one given
// with --window-id, which is a settings dialog's preview and so runs as the
// preview; so does any host window smaller than 640x480 (some desktops preview
// a module by running it with --root into a small XSCREENSAVER_WINDOW).
//
// The host owns the keyboard and the mouse: no input is selected. The module
// never exits on its own while the window exists, because XScreenSaver counts
// any exit as a crash: a screen that must stay black clears once and then
// only repaints on expose. It ends quietly (status 0) on SIGTERM or SIGINT,
// when the window is destroyed, or when the display goes away.
//
// Only the process whose window lies on the primary monitor (or covers every
// monitor) is the main screen: it alone may play the sound.
#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "host/HostSetup.h"
#include "host/HostWindow.h"
#include "host/Monitors.h"
#include "host/Sandmere.h"
#include "host/Signals.h"

namespace {

// Until the end: the window stays as the X server shows it (black background).
void WaitForTheEnd(HOSTWINDOW* window) {
    while (!StopRequested()) {
        if (window && window->Poll().destroyed) return;
        SleepUntil(MonotonicSeconds() + SandmereView::kAnimationInterval);
    }
}

// The window to draw into: --window-id, else XSCREENSAVER_WINDOW, else the
// root window. 0 with the reason on standard error when none can be named.
Window TargetWindow(const HOSTOPTIONS& options) {
    if (options.windowId) return static_cast<Window>(*options.windowId);
    if (const char* named = std::getenv("XSCREENSAVER_WINDOW"); named && *named) {
        const auto id = ParseWindowId(named);
        if (!id) std::fprintf(stderr, "sandmere: XSCREENSAVER_WINDOW is not a window id: \"%s\"\n", named);
        return id ? static_cast<Window>(*id) : 0;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    const Window root = DefaultRootWindow(display);
    XCloseDisplay(display);
    return root;
}

void PollModuleEvents(HOSTWINDOW& window, HOSTEDVIEW& hosted) {
    SDL_Event ignored;
    while (SDL_PollEvent(&ignored)) {}  // SDL's queue: nothing of ours arrives there
    const HOSTWINDOW::EVENTS events = window.Poll();
    if (events.destroyed || XWindowLost()) {
        hosted.host->SetDrawableGone();
        RequestStop();
        return;
    }
    if (events.resized)
        hosted.view->setFrameSize({static_cast<double>(events.width), static_cast<double>(events.height)});
    if (events.exposed) hosted.view->redrawIfBlack();
}

}  // namespace

int RunModule(const HOSTOPTIONS& options) {
    // A module's window must never stop the desktop's saver from blanking.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    const Window target = TargetWindow(options);
    if (target == 0) return 2;
    if (!StartVideo("x11")) {
        WaitForTheEnd(nullptr);
        return 0;
    }
    InstallQuietXErrorHandlers();
    TRACEWRITER trace;
    OpenTrace(trace, options);  // a trace that cannot be written is reported and skipped

    HOSTWINDOW window;
    std::vector<HOSTEDVIEW> views;
    if (!window.Open(target)) {
        std::fprintf(stderr, "sandmere: no window 0x%lx to draw into\n", static_cast<unsigned long>(target));
        FinishVideo(views);
        return 0;
    }
    const SCREENRECT geometry = window.Geometry();
    const bool preview = options.windowId.has_value() || geometry.width < SandmereView::kPreviewWidth ||
                         geometry.height < SandmereView::kPreviewHeight;
    const bool mainScreen = window.IsRoot() || WindowOnMainMonitor(QueryMonitors(), geometry);

    SetPixelFormat(false, false);  // the context takes the window's own visual
    SDL_Window* sdlWindow = SDL_CreateWindowFrom(reinterpret_cast<void*>(target));
    if (!sdlWindow || !AddView(views, sdlWindow, mainScreen, preview, options)) {
        std::fprintf(stderr, "sandmere: cannot draw into window 0x%lx: %s\n", static_cast<unsigned long>(target),
                     SDL_GetError());
        WaitForTheEnd(&window);
        FinishVideo(views);
        return 0;
    }
    // The drawable is the window's size as X reports it (SDL never hears of changes).
    views.front().view->setFrameSize({static_cast<double>(geometry.width), static_cast<double>(geometry.height)});

    LOOPHOOKS hooks;
    hooks.pollEvents = [&] { PollModuleEvents(window, views.front()); };
    RunHostLoop(views, trace, hooks);
    // The loop may have ended on an X error or a signal with the window's end
    // still unread: look once more before SDL is asked to let go of it.
    if (XWindowLost() || window.Poll().destroyed) views.front().host->SetDrawableGone();
    FinishVideo(views);
    return 0;
}

#include "host/Monitors.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

namespace {

bool Holds(const SCREENRECT& r, int x, int y) {
    return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

bool Covers(const SCREENRECT& outer, const SCREENRECT& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && outer.x + outer.width >= inner.x + inner.width &&
           outer.y + outer.height >= inner.y + inner.height;
}

// XRandR 1.5 monitors on a connection of our own (SDL's is private to it).
std::vector<MONITOR> QueryRandRMonitors() {
    std::vector<MONITOR> monitors;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return monitors;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
        for (int i = 0; info && i < count; ++i)
            monitors.push_back({{info[i].x, info[i].y, info[i].width, info[i].height}, info[i].primary != 0});
        if (info) XRRFreeMonitors(info);
    }
    if (monitors.empty()) {  // no RandR 1.5: the whole screen is one monitor
        Screen* screen = DefaultScreenOfDisplay(display);
        monitors.push_back({{0, 0, WidthOfScreen(screen), HeightOfScreen(screen)}, true});
    }
    XCloseDisplay(display);
    return monitors;
}

std::vector<MONITOR> QuerySDLDisplays() {
    std::vector<MONITOR> monitors;
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(i, &r) == 0) monitors.push_back({{r.x, r.y, r.w, r.h}, i == 0});
    }
    return monitors;
}

}  // namespace

int MainMonitor(const std::vector<MONITOR>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) return static_cast<int>(i);
    const int origin = MonitorHolding(monitors, 0, 0);
    if (origin >= 0) return origin;
    return monitors.empty() ? -1 : 0;
}

int MonitorHolding(const std::vector<MONITOR>& monitors, int x, int y) {
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (Holds(monitors[i].rect, x, y)) return static_cast<int>(i);
    return -1;
}

bool WindowOnMainMonitor(const std::vector<MONITOR>& monitors, SCREENRECT window) {
    if (monitors.empty()) return true;
    bool coversAll = true;
    for (const MONITOR& m : monitors) coversAll = coversAll && Covers(window, m.rect);
    if (coversAll) return true;
    const int centre = MonitorHolding(monitors, window.x + window.width / 2, window.y + window.height / 2);
    return centre >= 0 && centre == MainMonitor(monitors);
}

std::vector<MONITOR> QueryMonitors() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        std::vector<MONITOR> monitors = QueryRandRMonitors();
        if (!monitors.empty()) return monitors;
    }
    return QuerySDLDisplays();
}

// Which monitor is the main one, and whether a window is on it.
//
// SDL 2 lists RandR outputs, not monitors: a wide screen split into two
// monitors (xrandr --setmonitor), or two outputs joined into one, look wrong to
// it. On X11 the monitors therefore come from XRandR 1.5 (XRRGetMonitors); on
// other video drivers from SDL's displays, display 0 first.
//
// The main monitor is the one marked primary, else the one holding the point
// (0, 0), else the first. A window is on the monitor that holds its centre; a
// window that covers every monitor (the root window) counts as on the main one.
#pragma once

#include <vector>

struct SCREENRECT {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct MONITOR {
    SCREENRECT rect;  // pixels, in the root window's coordinates
    bool primary = false;
};

// Index of the main monitor; -1 when there is none.
int MainMonitor(const std::vector<MONITOR>& monitors);
// Index of the monitor holding the pixel (x, y); -1 when none does.
int MonitorHolding(const std::vector<MONITOR>& monitors, int x, int y);
// True when `window` lies on the main monitor, covers every monitor, or there
// are no monitors to tell.
bool WindowOnMainMonitor(const std::vector<MONITOR>& monitors, SCREENRECT window);

// The monitors of the display SDL uses (SDL's video subsystem must be up).
std::vector<MONITOR> QueryMonitors();

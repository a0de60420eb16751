// The window an XScreenSaver host hands over, watched on an X connection of
// our own.
//
// SDL_CreateWindowFrom selects no events on a foreign window, so SDL never
// hears of its resize or its destruction. HOSTWINDOW selects StructureNotify
// and Exposure on it (never input: the host owns the keyboard and mouse),
// reports resizes, repaints and the window's end, and tells where it lies in
// the root window's coordinates (for the main-monitor rule).
//
// The X error handlers make a vanished window a quiet end: BadWindow or
// BadDrawable (from either connection, ours or SDL's) raise the stop flag, and
// a lost display ends the process at once with status 0. XScreenSaver counts
// any other exit as a crash, and a hang as worse.
#pragma once

#include <X11/Xlib.h>

#include "host/Monitors.h"

// Installs the handlers; call after SDL's video is up (SDL installs its own).
void InstallQuietXErrorHandlers();
// True once an X error said a window or drawable is gone.
bool XWindowLost();

class HOSTWINDOW {
public:
    HOSTWINDOW() = default;
    ~HOSTWINDOW();
    HOSTWINDOW(const HOSTWINDOW&) = delete;
    HOSTWINDOW& operator=(const HOSTWINDOW&) = delete;

    // Opens the connection, reads the window's geometry and selects the events.
    // False when there is no display or no such window.
    bool Open(Window window);

    struct EVENTS {
        bool resized = false;    // width and height changed
        bool exposed = false;    // a part needs repainting
        bool destroyed = false;  // the window is gone
        int width = 0;
        int height = 0;
    };
    // Reads every pending event without waiting.
    EVENTS Poll();

    Window Id() const { return window; }
    // The window's rectangle in root coordinates, as last read.
    SCREENRECT Geometry() const { return geometry; }
    // True when the window is a root window.
    bool IsRoot() const { return isRoot; }
    // The window's visual id (its own visual is the one to draw with).
    unsigned long VisualId() const { return visualId; }

private:
    Display* display = nullptr;
    Window window = 0;
    SCREENRECT geometry;
    bool isRoot = false;
    unsigned long visualId = 0;
};

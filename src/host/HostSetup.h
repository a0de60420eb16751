// What every mode does the same way: SDL's start and end, GL windows with the
// saver's pixel format, views on them, and where alerts go.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "host/HostLoop.h"
#include "host/Options.h"

// Installs the stop signals (SDL's own handlers are kept off) and starts SDL's
// video. videoDriver forces one (e.g. "offscreen"); null lets SDL choose.
// False with the reason on standard error.
bool StartVideo(const char* videoDriver);
// Releases the views, silences the sound output and closes SDL's video
// (unless a drawable is gone: SDL would wait for that window's events).
void FinishVideo(std::vector<HOSTEDVIEW>& views);

// A window with an OpenGL surface of the saver's pixel format; an accelerated
// visual when there is one, else any that matches.
SDL_Window* CreateGLWindow(const char* title, int x, int y, int width, int height, Uint32 flags,
                           bool withAlpha);

// Makes the view on `window`, sized to its drawable, and starts it. False (the
// window released) when no GL surface can be made on it.
bool AddView(std::vector<HOSTEDVIEW>& views, SDL_Window* window, bool mainScreen, bool preview,
             const HOSTOPTIONS& options, bool silent = false);

// Whether a window manager runs on the X display (false on other drivers).
// Without one, asking it for full screen only waits for an answer that never
// comes; a borderless window over the monitor is full screen already.
bool WindowManagerRunning();

// Alerts become SDL message boxes with one "OK" button (window mode only,
// where a person is at the screen).
void ShowAlertsInMessageBoxes();

// Opens the trace when one was asked for. False when it cannot be written.
bool OpenTrace(TRACEWRITER& trace, const HOSTOPTIONS& options);

#include "host/HostWindow.h"

#include <unistd.h>

#include <cstdio>

#include "host/Signals.h"

namespace {

volatile bool g_windowLost = false;

int OnXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        g_windowLost = true;
        RequestStop();
        return 0;
    }
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "sandmere: X error: %s (request %d)\n", text, error->request_code);
    return 0;
}

// Xlib ends the process if this returns; we end it first, quietly.
int OnXIOError(Display*) { _exit(0); }

}  // namespace

void InstallQuietXErrorHandlers() {
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
}

bool XWindowLost() { return g_windowLost; }

HOSTWINDOW::~HOSTWINDOW() {
    if (display) XCloseDisplay(display);
}

bool HOSTWINDOW::Open(Window id) {
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    window = id;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    // XGetWindowAttributes reports failure itself; an error on the way
    // (BadWindow) also reaches the handler and raises the stop flag.
    XSync(display, False);
    if (g_windowLost) return false;
    isRoot = window == attributes.root;
    visualId = XVisualIDFromVisual(attributes.visual);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child);
    geometry = {x, y, attributes.width, attributes.height};
    XSelectInput(display, window, StructureNotifyMask | ExposureMask);
    XSync(display, False);
    return !g_windowLost;
}

HOSTWINDOW::EVENTS HOSTWINDOW::Poll() {
    EVENTS events;
    events.width = geometry.width;
    events.height = geometry.height;
    while (display && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
            case ConfigureNotify:
                if (event.xconfigure.window != window) break;
                if (event.xconfigure.width != geometry.width || event.xconfigure.height != geometry.height) {
                    geometry.width = event.xconfigure.width;
                    geometry.height = event.xconfigure.height;
                    events.resized = true;
                }
                break;
            case Expose:
                events.exposed = true;
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == window) events.destroyed = true;
                break;
            default:
                break;
        }
    }
    events.width = geometry.width;
    events.height = geometry.height;
    return events;
}

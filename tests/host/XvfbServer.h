// An X server of a test's own: Xvfb on a free display (it names the display on
// a pipe), DISPLAY pointing at it, and the accessibility bridge kept off so
// GTK does not look for a session bus. Registered as a global environment, it
// lives as long as the test program. Include it last: it brings in Xlib, whose
// macros (None, Status) clash with names in other headers.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        server = fork();
        if (server == 0) {
            close(pipeFds[0]);
            prctl(PR_SET_PDEATHSIG, SIGTERM);  // no server outlives a crashed test
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1024x768x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        // The number ends with a newline; Xvfb fails if the pipe closes before it is written.
        std::string number;
        char c = 0;
        while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
        close(pipeFds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("NO_AT_BRIDGE", "1", 1);
    }
    void TearDown() override {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

private:
    pid_t server = -1;
};

// Asks a GTK window to close as a window manager does (WM_DELETE_WINDOW).
inline void CloseLikeTheWindowManager(GtkWidget* widget) {
    GdkWindow* window = gtk_widget_get_window(widget);
    Display* display = GDK_WINDOW_XDISPLAY(window);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = GDK_WINDOW_XID(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
}

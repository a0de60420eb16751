// The configuration sheet where users meet it, on an X server of the test's
// own (Xvfb): opened with the s key over a running window-mode view, which
// keeps drawing under the host loop while the sheet is open, closed by the
// window manager and opened again, with Save reaching both the settings file
// and the view; and `sandmere --configure`, the real program, built and
// installed elsewhere, closed by the window manager and by SIGTERM or SIGINT,
// each time with status 0 and nothing stored.
#include <SDL.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "UserValues.h"
#include "host/ConfigureSheet.h"
#include "host/HostSetup.h"
#include "host/Sandmere.h"
#include "host/Signals.h"
#include "XvfbServer.h"  // last: Xlib

namespace {

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// The whole screen as a PNG, for a person to look at.
void SaveScreen(const char* path) {
    GdkWindow* root = gdk_get_default_root_window();
    GdkPixbuf* picture =
        gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
    ASSERT_NE(picture, nullptr);
    std::filesystem::create_directories(SANDMERE_BINARY_DIR "/test-output");
    EXPECT_TRUE(gdk_pixbuf_save(picture, path, "png", nullptr, nullptr));
    g_object_unref(picture);
}

// The host loop runs once per process (its stop flag stays up), so the whole
// window-mode story is one test, told in phases from the loop's event hook.
TEST(WindowModeSheetTest, TheSKeyOpensTheSheetWhileTheViewDrawsAndSaveReachesIt) {
    testfiles::TempDir config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string file = config.File("kwSandmere/settings.ini");
    ASSERT_TRUE(SettingsStore(SettingsStoreMode::KeyFile, file).Save(Values(3, false, 250, false)));

    HOSTOPTIONS options;
    options.width = 320;
    options.height = 180;
    options.seed = 1;
    options.resources = SANDMERE_BINARY_DIR "/resources";
    options.overrides.value[kVolume] = 60;  // this run only
    ASSERT_TRUE(StartVideo("x11"));
    SDL_Window* window = CreateGLWindow("Sandmere", 0, 0, options.width, options.height, 0, false);
    std::vector<HOSTEDVIEW> views;
    ASSERT_TRUE(window != nullptr && AddView(views, window, true, false, options));
    SandmereView& view = *views.front().view;
    ExpectValues({view.mySettings, view.MainMonitorOnly}, Values(3, false, 60, false));
    EXPECT_FALSE(ConfigureSheetToolkitStarted());  // no GTK until the sheet is wanted

    const auto pressS = [window] {
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.windowID = SDL_GetWindowID(window);
        key.key.state = SDL_PRESSED;
        key.key.keysym.scancode = SDL_SCANCODE_S;
        key.key.keysym.sym = SDLK_s;
        return SDL_PushEvent(&key) == 1;
    };
    ASSERT_TRUE(pressS());

    // Opened; closed by the window manager (GTK must be pumped to see it);
    // opened again; saved; the sound follows.
    enum { Opening, Open, Closing, Reopening, Saved } phase = Opening;
    int round = 0, phaseStart = 0;
    uint64_t framesAtOpen = 0;
    const auto next = [&](decltype(phase) p) {
        phase = p;
        phaseStart = round;
    };
    LOOPHOOKS hooks;
    hooks.pollEvents = [&] {
        PollWindowEvents(views.front(), true);
        ++round;
        ConfigureSheet* sheet = view.sheet.get();
        const bool open = sheet != nullptr && sheet->IsOpen();
        if ((phase == Opening || phase == Reopening) && open) {
            EXPECT_TRUE(ConfigureSheetToolkitStarted());
            // The stored values, not this run's volume override nor the edit abandoned below.
            ExpectValues(sheet->ControlValues(), Values(3, false, 250, false));
            framesAtOpen = view.framesDrawn();
            next(phase == Opening ? Open : Saved);
            if (phase == Saved) {
                gtk_spin_button_set_value(GTK_SPIN_BUTTON(sheet->Object("oNumCamels")), 5);
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(sheet->Object("oPlaySound")), TRUE);
                gtk_range_set_value(GTK_RANGE(sheet->Object("oVolume")), 200);
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(sheet->Object("oMainMonitorOnly")), TRUE);
                gtk_button_clicked(GTK_BUTTON(sheet->Object("oSave")));
                ExpectValues(SettingsStore(SettingsStoreMode::KeyFile, file).Read(), Values(5, true, 200, true));
                // At once in the view's fields, the override still on top.
                ExpectValues({view.mySettings, view.MainMonitorOnly}, Values(5, true, 60, true));
            }
        } else if (phase == Open && round - phaseStart == 15) {
            EXPECT_GE(view.framesDrawn(), framesAtOpen + 10) << "the view stopped drawing under the sheet";
            EXPECT_EQ(view.bgSound, nullptr);
            SaveScreen(SANDMERE_BINARY_DIR "/test-output/sheet-over-window.png");
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(sheet->Object("oNumCamels")), 9);
            CloseLikeTheWindowManager(sheet->Window());
            next(Closing);
        } else if (phase == Closing && !open) {
            EXPECT_EQ(SettingsStore(SettingsStoreMode::KeyFile, file).Read().values.NUM_CAMELS, 3);
            EXPECT_TRUE(pressS());
            next(Reopening);
        } else if (phase == Saved && view.bgSound && view.bgSound->IsPlaying()) {
            RequestStop();  // the sound followed within the countdown's few ticks
        }
        if (round - phaseStart > 30) {
            ADD_FAILURE() << "stuck in phase " << phase;
            RequestStop();
        }
    };
    TRACEWRITER trace;
    RunHostLoop(views, trace, hooks);
    EXPECT_EQ(phase, Saved);
    FinishVideo(views);
}

// The sheet's window once it is on the screen; 0 after ten seconds.
Window WaitForSheet(Display* display) {
    for (int i = 0; i < 500; ++i) {
        Window root = 0, parent = 0, *children = nullptr, found = 0;
        unsigned int count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned int c = 0; c < count && found == 0; ++c) {
            XWindowAttributes attributes;
            char* name = nullptr;
            if (XGetWindowAttributes(display, children[c], &attributes) && attributes.map_state == IsViewable &&
                XFetchName(display, children[c], &name) && name != nullptr && std::string(name) == "Sandmere Settings")
                found = children[c];
            if (name) XFree(name);
        }
        if (children) XFree(children);
        if (found) return found;
        usleep(20000);
    }
    return 0;
}

// The exit status; -1 when it did not exit normally, or not within ten
// seconds (then it is ended here).
int WaitForExit(pid_t child) {
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(20000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

// `sandmere --configure` as the desktop's menu starts it, from the build and,
// installed into a prefix other than the configured one, from there: it finds
// its interface file in share/sandmere beside its bin/.
TEST(ConfigureProgramTest, ClosesCleanlyAndStoresNothing) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    testfiles::TempDir config, prefix;
    const std::string command = std::string("'") + SANDMERE_CMAKE_COMMAND + "' --install '" + SANDMERE_BINARY_DIR +
                                "' --prefix '" + prefix.path() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string file = config.File("kwSandmere/settings.ini");
    ASSERT_TRUE(SettingsStore(SettingsStoreMode::KeyFile, file).Save(Values(3, false, 250, true)));
    const std::string stored = testfiles::ReadText(file);
    const std::string built = SANDMERE_BINARY_DIR "/sandmere", installed = prefix.File("bin/sandmere");
    enum Close { WindowManager, Term, Interrupt };
    const struct {
        const char* name;
        const std::string& program;
        Close close;
    } cases[] = {
        {"the window manager's close", built, WindowManager},
        {"SIGTERM", built, Term},
        {"SIGINT", built, Interrupt},
        {"installed elsewhere, the window manager's close", installed, WindowManager},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t child = fork();
        if (child == 0) {
            setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
            execl(c.program.c_str(), "sandmere", "--configure", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(child, 0);
        const Window sheet = WaitForSheet(display);
        EXPECT_NE(sheet, 0u) << "no sheet on the screen";
        if (c.close == WindowManager && sheet != 0) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = sheet;
            event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, sheet, False, NoEventMask, &event);
            XFlush(display);
        }
        if (c.close != WindowManager) kill(child, c.close == Term ? SIGTERM : SIGINT);
        EXPECT_EQ(WaitForExit(child), 0);
        EXPECT_EQ(testfiles::ReadText(file), stored);
    }
    XCloseDisplay(display);
}

}  // namespace

// The command line of `sandmere`: which mode it runs in and this run's choices.
//
// Options take their value as the next argument or after '=' ("--size 800x600",
// "--size=800x600"). The XScreenSaver module options are accepted in both
// spellings the hosts use: "-root" and "--root", "-window-id" and
// "--window-id". The settings overrides come from the settings table, so a new
// setting brings its option with it. --configure edits the stored settings, so
// it takes neither overrides nor the marker option that leaves the file alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/Overrides.h"

enum class HostMode {
    Window,      // one view in a window
    Fullscreen,  // one borderless view on every monitor
    Module,      // XScreenSaver's window (or the root window, or a given window)
    Preview,     // the preview flag in a small window
    Headless,    // no display: a fixed time step, PNG snapshots
    Configure,   // the configuration sheet as a dialog of its own
};

struct HOSTOPTIONS {
    HostMode mode = HostMode::Window;
    int width = 1280;  // window, preview and headless size, pixels
    int height = 720;
    bool sizeGiven = false;
    bool root = false;                       // --root given
    std::optional<unsigned long> windowId;   // --window-id: draw into it as the preview
    std::string resources;                   // empty: the default folder
    std::optional<uint32_t> seed;            // view k is seeded with seed + k
    SETTINGOVERRIDES overrides;
    std::string trace;                       // JSON Lines file; empty: none
    int traceEvery = 1;                      // keep every Nth drawn frame
    double step = 1.0 / 30.0;                // headless: seconds per tick
    double duration = 20.0;                  // headless: seconds of scene time
    std::string snapshot;                    // headless: PNG of the last frame
    double snapshotEvery = 0.0;              // headless: seconds of scene time; 0 none
    std::string snapshotDir;
    bool help = false;
    bool version = false;
};

struct PARSERESULT {
    bool ok = false;
    std::string error;  // why not, in one line, when !ok
    HOSTOPTIONS options;
};

// Parses argv[1..]. xscreensaverWindow is the value of XSCREENSAVER_WINDOW (null
// when unset): with no mode option it makes the run a module run. The window
// named there is read by the module mode itself.
PARSERESULT ParseOptions(const std::vector<std::string>& args, const char* xscreensaverWindow);

// "0x1e00007" (hexadecimal) or "31457287" (decimal); nothing else, no sign, not 0.
std::optional<unsigned long> ParseWindowId(const std::string& text);

// The text of --help.
std::string UsageText();

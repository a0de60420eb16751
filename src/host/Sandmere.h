// The modes of the `sandmere` program, each a function that runs it to the end
// and returns the process's exit status.
#pragma once

#include <string>

#include "host/Options.h"

int RunSandmere(const HOSTOPTIONS& options);

int RunWindowed(const HOSTOPTIONS& options);    // Window and Preview (Windowed.cpp)
int RunFullscreen(const HOSTOPTIONS& options);  // Fullscreen.cpp
int RunModule(const HOSTOPTIONS& options);      // ModuleMode.cpp
int RunHeadless(const HOSTOPTIONS& options);    // Headless.cpp
// Configure: RunConfigureDialog (ConfigureSheet.h) on the settings file.

struct HOSTEDVIEW;
// Window mode's events for its one view: the quit keys and closing, resizes,
// repaints, and with sheetKey the s key, which opens the configuration sheet
// (Windowed.cpp).
void PollWindowEvents(HOSTEDVIEW& hosted, bool sheetKey);

// The folder of the data files: --resources, else "resources" beside the
// executable (the build tree), else share/sandmere beside the executable's
// bin/ (an install into any prefix), else the configured data folder.
std::string ResourceFolder(const HOSTOPTIONS& options);
// The seed of view `index` for this run (Seed.h).
unsigned int SeedOfView(const HOSTOPTIONS& options, int index);

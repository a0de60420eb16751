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

// The folder of the data files: --resources, else "resources" beside the
// executable (the build tree), else the installed data folder.
std::string ResourceFolder(const HOSTOPTIONS& options);
// The seed of view `index` for this run (Seed.h).
unsigned int SeedOfView(const HOSTOPTIONS& options, int index);

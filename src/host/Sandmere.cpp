#include "host/Sandmere.h"

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "host/ConfigureSheet.h"
#include "host/Seed.h"

#ifndef SANDMERE_DATA_DIR
#define SANDMERE_DATA_DIR "/usr/local/share/sandmere"
#endif
#ifndef SANDMERE_DATA_FROM_BIN
#define SANDMERE_DATA_FROM_BIN "../share/sandmere"
#endif

namespace {

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string ResourceFolder(const HOSTOPTIONS& options) {
    if (!options.resources.empty()) return options.resources;
    if (char* base = SDL_GetBasePath()) {
        const std::string folder(base);
        SDL_free(base);
        // The build tree keeps the folder beside the program; an install keeps
        // it in share/sandmere beside bin/, whatever prefix it was given.
        for (const std::string& candidate : {folder + "resources", folder + SANDMERE_DATA_FROM_BIN})
            if (IsFolder(candidate)) return candidate;
    }
    return SANDMERE_DATA_DIR;
}

unsigned int SeedOfView(const HOSTOPTIONS& options, int index) {
    return ViewSeed(options.seed, static_cast<int64_t>(std::time(nullptr)), static_cast<int64_t>(getpid()),
                    index);
}

int RunSandmere(const HOSTOPTIONS& options) {
    switch (options.mode) {
        case HostMode::Window:
        case HostMode::Preview:
            return RunWindowed(options);
        case HostMode::Fullscreen:
            return RunFullscreen(options);
        case HostMode::Module:
            return RunModule(options);
        case HostMode::Headless:
            return RunHeadless(options);
        case HostMode::Configure: {
            SettingsStore store(SettingsStoreMode::KeyFile);
            return RunConfigureDialog(ResourceFolder(options), store);
        }
    }
    return 1;
}

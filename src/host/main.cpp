// sandmere: the desert screen saver on the Linux desktop.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/Options.h"
#include "host/Sandmere.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const PARSERESULT parsed = ParseOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
    if (!parsed.ok) {
        std::fprintf(stderr, "sandmere: %s\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("sandmere %s\n", SANDMERE_VERSION);
        return 0;
    }
    return RunSandmere(parsed.options);
}

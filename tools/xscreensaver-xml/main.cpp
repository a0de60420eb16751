// sandmere-xscreensaver-xml OUT: writes XScreenSaver's settings file for Sandmere.
#include <cstdio>
#include <fstream>

#include "XScreenSaverXml.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.xml\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << XScreenSaverSettingsXml();
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}

// sandmere-generate OUTDIR: builds every resource file of the saver into OUTDIR.
//
// Each generator registers itself (Registry.h); this program runs them all in
// the order of their file names, so the output never depends on link order.
// Every generator uses fixed seeds and no clock or locale, so two runs write
// the same bytes. The exit status is 0 only when every file was written.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "Registry.h"

namespace {

bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return false;
}

bool NamesAreUnique(const std::vector<RegisteredGenerator>& generators) {
    std::set<std::string> seen;
    for (const RegisteredGenerator& g : generators) {
        if (!seen.insert(g.fileName).second) {
            std::fprintf(stderr, "sandmere-generate: two generators write %s\n", g.fileName.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sandmere-generate OUTDIR\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!MakeFolder(folder)) {
        std::fprintf(stderr, "sandmere-generate: cannot create folder %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }
    if (folder.back() != '/') folder += '/';

    const std::vector<RegisteredGenerator> generators = RegisteredGenerators();
    if (!NamesAreUnique(generators)) return 1;
    int failures = 0;
    for (const RegisteredGenerator& g : generators) {
        if (!g.generate(folder + g.fileName)) {
            std::fprintf(stderr, "sandmere-generate: %s failed\n", g.fileName.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

#include "host/SettingsLocation.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "host/SettingsTable.h"

namespace {

constexpr const char* kFileName = "settings.ini";

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// The home folder of the real user from the password database.
std::string PasswordDatabaseHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return IsAbsolute(found->pw_dir) ? std::string(found->pw_dir) : std::string();
}

std::string ConfigHome(const SettingsEnvironment& environment) {
    if (IsAbsolute(environment.xdgConfigHome)) return environment.xdgConfigHome;
    std::string home = IsAbsolute(environment.home) ? environment.home : PasswordDatabaseHome();
    return home.empty() ? std::string() : home + "/.config";
}

}  // namespace

SettingsEnvironment CurrentSettingsEnvironment() {
    SettingsEnvironment environment;
    environment.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    environment.home = std::getenv("HOME");
    return environment;
}

std::string SettingsFilePath(const SettingsEnvironment& environment) {
    std::string base = ConfigHome(environment);
    if (base.empty()) return {};
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/" + kSettingsGroup + "/" + kFileName;
}

bool MakeSettingsFolder(const std::string& filePath) {
    size_t slash = filePath.rfind('/');
    if (slash == std::string::npos || slash == 0) return false;
    const std::string folder = filePath.substr(0, slash);
    // Walk down from the root, creating what is missing.
    for (size_t next = folder.find('/', 1);; next = folder.find('/', next + 1)) {
        const std::string part = folder.substr(0, next);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (next == std::string::npos) break;
    }
    struct stat info{};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

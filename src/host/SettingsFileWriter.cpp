#include "host/SettingsFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// Writes all of `text`, continuing after short writes and signals.
bool WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool WriteSettingsFileAtomically(const std::string& path, const std::string& text) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    written = (close(fd) == 0) && written;
    if (!written || std::rename(temporary.data(), path.c_str()) != 0) {
        unlink(temporary.data());
        return false;
    }
    return true;
}

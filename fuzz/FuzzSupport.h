// Support shared by the fuzz targets.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "maths/Misc.h"

// For readers that take a path: replaces the contents of the process's one
// in-memory file with the input and gives its path, so no disk is touched.
inline const char* WriteMemoryFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("fuzz-input", 0);
    static char path[64];
    if (fd < 0) std::abort();
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path;
}

// Sends alerts to a handler that shows nothing, so a failing decode neither
// prints nor waits; the test-readable alert log still records them.
inline void SilenceAlerts() {
    SetAlertHandler([](const char*, const char*) {});
}

// Fuzzes the TGA decoder. Each input is decoded twice, from a string stream
// (the entry point the texture loaders use) and from a file through C stdio,
// and the two must agree: same result, same single alert on failure, same
// pixels on success. A success must hand out exactly width x height x bytes
// per pixel (the sanitizer checks the last byte is in bounds); a failure must
// leave no pixels. Alerts go to a silent handler and the log is cleared every
// run, so neither standard error nor memory grows.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "assets/TGALoader.h"
#include "assets/Texture.h"
#include "maths/Misc.h"

namespace {

// The decoder's contract for one result; returns the alert text (empty on success).
std::string CheckOutcome(bool ok, const Texture& t) {
    const std::vector<Alert> alerts = RaisedAlerts();
    ClearAlerts();
    if (!ok) {
        if (t.pixels || alerts.size() != 1) __builtin_trap();
        return alerts[0].title + ": " + alerts[0].text;
    }
    const size_t bytes = size_t{t.width} * t.height * (t.bitsPerPixel / 8);
    if (!t.pixels || !alerts.empty() || bytes == 0) __builtin_trap();
    if ((t.bitsPerPixel == 24) != (t.format == 0x1907)) __builtin_trap();
    volatile unsigned char last = t.pixels[bytes - 1];
    (void)last;
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceAlerts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClearAlerts();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Texture fromStream;
    const std::string streamAlert = CheckOutcome(LoadTGA2(&fromStream, &in), fromStream);

    Texture fromFile;
    const std::string fileAlert = CheckOutcome(LoadTGA(&fromFile, WriteMemoryFile(data, size)), fromFile);

    if (streamAlert != fileAlert) __builtin_trap();
    if (fromStream.pixels) {
        const size_t bytes = size_t{fromStream.width} * fromStream.height * (fromStream.bitsPerPixel / 8);
        if (fromFile.width != fromStream.width || fromFile.height != fromStream.height ||
            std::memcmp(fromFile.pixels, fromStream.pixels, bytes) != 0)
            __builtin_trap();
    }
    return 0;
}

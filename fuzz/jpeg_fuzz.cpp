// Fuzz target for the JPEG decoder: any bytes, as a JPEG lump would hand them
// over. Decoding needs no GL context, so the upload is left out and the target
// runs at full speed. A decode that succeeds must describe a picture within the
// caps whose whole buffer can be read; everything else must fail cleanly
// (sanitizers report any stray access, leak or abort).
#include <cstddef>
#include <cstdint>

#include "assets/JPGLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    if (!DecodeJPEG(data, static_cast<long>(size), &image)) {
        if (image.rgb || image.width != 0 || image.height != 0) __builtin_trap();  // touched on failure
        return 0;
    }
    if (!image.rgb || image.width == 0 || image.height == 0 || image.width > kMaxJPEGSide ||
        image.height > kMaxJPEGSide ||
        static_cast<uint64_t>(image.width) * image.height > kMaxJPEGPixels)
        __builtin_trap();
    // Sum the first and last rows: the buffer must hold width x height x 3 bytes.
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    const unsigned char* lastRow = image.rgb.get() + rowBytes * (image.height - 1);
    unsigned sum = 0;
    for (size_t i = 0; i < rowBytes; ++i) sum += image.rgb.get()[i] + lastRow[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}

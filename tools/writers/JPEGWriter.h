// JPEGWriter: encodes an Image as a baseline JFIF JPEG with libjpeg-turbo. The
// Image's rows are bottom row first; JPEG stores the top row first, so the rows
// are written in reverse. A 4-channel image loses its alpha (JPEG has none; the
// lump's alpha mode gives the texture its alpha instead). Output is the same
// bytes for the same input: fixed integer DCT, fixed quality, no timestamps.
#pragma once

#include <cstdint>
#include <vector>

#include "writers/Image.h"

// quality is clamped to 1..100. False (out untouched) when the image is not
// valid or the library reports an error.
bool EncodeJPEG(const Image& image, int quality, std::vector<uint8_t>* out);

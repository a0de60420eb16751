// TGAWriter: encodes an Image as a true-colour Truevision TGA, the subset the
// saver's decoder reads: image type 2 (uncompressed) or 10 (run-length
// encoded), 24 bits (3 channels) or 32 bits (4 channels), no image ID, no colour
// map, origin (0, 0) and the bottom-left row order, so the Image's row 0 is the
// first row in the file. Pixels are stored B, G, R(, A).
#pragma once

#include <cstdint>
#include <vector>

#include "writers/Image.h"

// The TGA file. Empty when the image is not valid or a side exceeds 65535.
// RLE packets never cross a row, as the format recommends.
std::vector<uint8_t> EncodeTGA(const Image& image, bool rle);

// ContainerWriter: builds resource containers ("KSTF") and writes files safely.
//
// Layout written (every integer unsigned 32-bit little-endian):
//   header     24 bytes: "KSTF", 8 zero bytes, lumpCount, sizeCheck (the bitwise
//              complement of the total file length), directoryOffset (24)
//   directory  lumpCount entries of 28 bytes: size, offset, type, param, 12 zeros
//   bodies     the lumps, back to back, in directory order
// The reader follows the offsets, so this order is our choice, not a requirement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LumpData {
    std::vector<uint8_t> bytes;  // the lump body
    uint32_t type = 0;           // 1 TGA image, 3 JPEG image, 0 model or other data
    uint32_t param = 0;          // for image lumps, the alpha mode (0 opaque, 1 colour key, 2 brightness)
};

// The whole container file. Returns an empty vector when the file would not fit
// the 32-bit sizes and offsets of the format (an empty vector is never a valid
// container, whose header alone is 24 bytes).
std::vector<uint8_t> BuildContainer(const std::vector<LumpData>& lumps);

// Writes bytes to a new file beside path, then renames it over path, so a
// reader sees either the old file or the complete new one, and a failure leaves
// no partial file behind. On failure returns false and, when error is given,
// says what went wrong (with the path).
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

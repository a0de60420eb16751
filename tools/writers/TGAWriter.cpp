#include "writers/TGAWriter.h"

#include <cstring>

#include "writers/ByteWriter.h"

namespace {

constexpr int kMaxSide = 65535;  // the header stores sides in 16 bits
constexpr int kMaxPacket = 128;  // pixels in one RLE packet

// Appends one pixel in the file's B, G, R(, A) order.
void PutPixel(ByteWriter& w, const uint8_t* p, int channels) {
    w.U8(p[2]);
    w.U8(p[1]);
    w.U8(p[0]);
    if (channels == 4) w.U8(p[3]);
}

// Number of equal pixels starting at x in row, capped at one packet.
int RunLength(const uint8_t* row, int x, int width, int channels) {
    int n = 1;
    while (x + n < width && n < kMaxPacket &&
           std::memcmp(row + (x + n) * channels, row + x * channels, static_cast<std::size_t>(channels)) == 0)
        ++n;
    return n;
}

// One row as RLE packets: runs of two or more equal pixels become run packets,
// everything else gathers into raw packets of up to 128 pixels.
void EncodeRowRLE(ByteWriter& w, const uint8_t* row, int width, int channels) {
    int x = 0;
    while (x < width) {
        int run = RunLength(row, x, width, channels);
        if (run >= 2) {
            w.U8(static_cast<uint8_t>(0x80 | (run - 1)));
            PutPixel(w, row + x * channels, channels);
            x += run;
            continue;
        }
        int rawStart = x;
        int count = 0;
        while (x < width && count < kMaxPacket && RunLength(row, x, width, channels) < 2) {
            ++x;
            ++count;
        }
        w.U8(static_cast<uint8_t>(count - 1));
        for (int i = 0; i < count; ++i) PutPixel(w, row + (rawStart + i) * channels, channels);
    }
}

}  // namespace

std::vector<uint8_t> EncodeTGA(const Image& image, bool rle) {
    if (!image.IsValid() || image.width > kMaxSide || image.height > kMaxSide) return {};
    const int channels = image.channels;

    std::vector<uint8_t> file;
    ByteWriter w(&file);
    w.U8(0);                       // image ID length
    w.U8(0);                       // no colour map
    w.U8(rle ? 10 : 2);            // true colour, RLE or not
    for (int i = 0; i < 5; ++i) w.U8(0);  // colour map fields: first entry, length, entry size
    w.U16(0);                      // x origin
    w.U16(0);                      // y origin
    w.U16(static_cast<uint16_t>(image.width));
    w.U16(static_cast<uint16_t>(image.height));
    w.U8(static_cast<uint8_t>(channels * 8));
    w.U8(channels == 4 ? 8 : 0);   // alpha bits; origin bits 0: bottom-left

    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * channels;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        if (rle) {
            EncodeRowRLE(w, row, image.width, channels);
        } else {
            for (int x = 0; x < image.width; ++x) PutPixel(w, row + x * channels, channels);
        }
    }
    return file;
}

// Image: a plain decoded picture handed to the encoders and built by the
// generators. Rows are stored bottom row first (row 0 is the bottom of the
// picture), which is the order OpenGL takes and the order a bottom-left-origin
// TGA stores; the JPEG encoder flips them back to the top-first order of JPEG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Image {
    Image() = default;
    Image(int w, int h, int c) : width(w), height(h), channels(c), pixels(ByteCount(w, h, c), 0) {}

    int width = 0;                // pixels
    int height = 0;               // pixels
    int channels = 3;             // 3: R,G,B; 4: R,G,B,A
    std::vector<uint8_t> pixels;  // width * height * channels bytes, bottom row first

    // Address of pixel (x, y), y counted from the bottom row. No bounds check.
    uint8_t* At(int x, int y) { return pixels.data() + Offset(x, y); }
    const uint8_t* At(int x, int y) const { return pixels.data() + Offset(x, y); }

    // True when the size and channel count agree with the pixel buffer.
    bool IsValid() const {
        return width > 0 && height > 0 && (channels == 3 || channels == 4) &&
               pixels.size() == ByteCount(width, height, channels);
    }

private:
    static std::size_t ByteCount(int w, int h, int c) {
        if (w <= 0 || h <= 0 || c <= 0) return 0;
        return static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * static_cast<std::size_t>(c);
    }
    std::size_t Offset(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
               static_cast<std::size_t>(channels);
    }
};

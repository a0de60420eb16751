// ReviewImage: RGB pictures read back from the frame buffer or composed on the
// CPU, and written as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel

    Picture() = default;
    Picture(int w, int h, uint8_t grey);
    uint8_t* At(int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    // Copies `part` with its top-left corner at (x, y), clipped to this picture.
    void Paste(const Picture& part, int x, int y);
};

// The back buffer's region (0, 0, width, height), turned top row first.
Picture ReadFrame(int width, int height);

bool WritePng(const std::string& path, const Picture& picture);

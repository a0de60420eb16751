// PNG output: the pictures the saver writes (headless snapshots) and the ones
// its tools and tests write for people to look at. libpng does the encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, 3 bytes per pixel, top row first.
struct RGBImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

// Reads the region (0, 0, width, height) of the current GL read buffer and
// turns it top row first. An empty picture for a size that is not positive.
RGBImage ReadFramebuffer(int width, int height);

// Writes `image` as an 8-bit RGB PNG. The file is written beside `path` under a
// temporary name and renamed over it, so a reader never sees half a picture
// and a failure leaves an existing file as it was. False, with the reason in
// *error when given, on an empty or inconsistent picture or a failed write.
bool WritePNG(const std::string& path, const RGBImage& image, std::string* error = nullptr);

#include "ReviewImage.h"

#include <cstring>

RGBImage BlankImage(int width, int height, uint8_t grey) {
    RGBImage image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<std::size_t>(width) * height * 3, grey);
    return image;
}

uint8_t* PixelOf(RGBImage& image, int x, int y) {
    return image.rgb.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
}

void Paste(RGBImage& into, const RGBImage& part, int x, int y) {
    for (int row = 0; row < part.height; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= into.height) continue;
        for (int col = 0; col < part.width; ++col) {
            const int tx = x + col;
            if (tx < 0 || tx >= into.width) continue;
            const std::size_t from = (static_cast<std::size_t>(row) * part.width + col) * 3;
            std::memcpy(PixelOf(into, tx, ty), part.rgb.data() + from, 3);
        }
    }
}

RGBImage HalfSize(const RGBImage& image) {
    RGBImage half = BlankImage(image.width / 2, image.height / 2, 0);
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            const std::size_t row = static_cast<std::size_t>(image.width) * 3;
            const uint8_t* a = image.rgb.data() + (2 * y) * row + 2 * x * 3;
            for (int c = 0; c < 3; ++c)
                PixelOf(half, x, y)[c] = static_cast<uint8_t>((a[c] + a[c + 3] + a[row + c] + a[row + c + 3] + 2) / 4);
        }
    }
    return half;
}

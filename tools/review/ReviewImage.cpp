#include "ReviewImage.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <cstring>

Picture::Picture(int w, int h, uint8_t grey) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, grey) {}

void Picture::Paste(const Picture& part, int x, int y) {
    for (int row = 0; row < part.height; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= height) continue;
        for (int col = 0; col < part.width; ++col) {
            int tx = x + col;
            if (tx < 0 || tx >= width) continue;
            std::memcpy(At(tx, ty), part.rgb.data() + (static_cast<std::size_t>(row) * part.width + col) * 3, 3);
        }
    }
}

Picture ReadFrame(int width, int height) {
    Picture p(width, height, 0);
    std::vector<uint8_t> raw(p.rgb.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, raw.data());
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) std::memcpy(&p.rgb[y * row], &raw[(height - 1 - y) * row], row);
    return p;
}

bool WritePng(const std::string& path, const Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "sandmere-review: cannot write %s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}

#include "assets/PNGWriter.h"

#include <GL/gl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

RGBImage ReadFramebuffer(int width, int height) {
    RGBImage image;
    if (width <= 0 || height <= 0) return image;
    image.width = width;
    image.height = height;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<uint8_t> bottomFirst(row * static_cast<std::size_t>(height));
    image.rgb.resize(bottomFirst.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(&image.rgb[static_cast<std::size_t>(y) * row],
                    &bottomFirst[static_cast<std::size_t>(height - 1 - y) * row], row);
    return image;
}

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool WritePNG(const std::string& path, const RGBImage& image, std::string* error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        return Fail(error, "not a whole RGB picture");

    std::string aside = path + ".XXXXXX";
    const int fd = mkstemp(aside.data());
    if (fd < 0) return Fail(error, path + ": " + std::strerror(errno));
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(aside.c_str());
        return Fail(error, path + ": " + std::strerror(errno));
    }

    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    const bool encoded = png_image_write_to_stdio(&png, file, 0, image.rgb.data(), 0, nullptr) != 0;
    const std::string why = encoded ? std::string() : std::string(png.message);
    png_image_free(&png);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        unlink(aside.c_str());
        return Fail(error, path + ": " + (encoded ? std::string(std::strerror(errno)) : why));
    }
    // mkstemp makes the file 0600; a picture is as readable as any new file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(aside.c_str(), 0666 & ~mask);
    if (std::rename(aside.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(aside.c_str());
        return Fail(error, path + ": " + reason);
    }
    return true;
}

#include "writers/JPEGWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// libjpeg's default error handler exits the process; this one jumps back.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr) {}  // warnings stay quiet

// The Image's rows as top-first RGB scanlines.
std::vector<uint8_t> TopFirstRGB(const Image& image) {
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<uint8_t> rgb(rowBytes * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        uint8_t* dst = rgb.data() + static_cast<std::size_t>(image.height - 1 - y) * rowBytes;
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* src = image.At(x, y);
            dst[x * 3 + 0] = src[0];
            dst[x * 3 + 1] = src[1];
            dst[x * 3 + 2] = src[2];
        }
    }
    return rgb;
}

// Runs the compressor; everything it allocates is owned by the caller's
// objects, so a longjmp out of here leaks nothing but what jpeg_destroy frees.
bool Compress(jpeg_compress_struct& cinfo, const std::vector<uint8_t>& rgb, int width, int height, int quality) {
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

bool EncodeJPEG(const Image& image, int quality, std::vector<uint8_t>* out) {
    if (!out || !image.IsValid() || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return false;
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    const std::vector<uint8_t> rgb = TopFirstRGB(image);

    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    Compress(cinfo, rgb, image.width, image.height, quality);
    jpeg_destroy_compress(&cinfo);

    out->assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

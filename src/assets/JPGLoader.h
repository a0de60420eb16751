// JPEG textures through libjpeg-turbo. The image is decoded to RGB (grey-scale
// and CMYK sources are converted), stored bottom row first like a TGA, then
// handed to BuildTexture. Corrupt, truncated or absurdly large data returns
// false with no pixels and no texture name left in the record.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

struct Texture;

// Largest picture accepted, checked from the header before any pixel memory is
// allocated: at most kMaxJPEGSide on a side and kMaxJPEGPixels in all.
constexpr uint32_t kMaxJPEGSide = 16384;
constexpr uint64_t kMaxJPEGPixels = uint64_t(1) << 26;  // 64 Mpx, 192 MiB of RGB

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

// A decoded picture: width x height pixels of R, G, B, tightly packed, the
// bottom row of the picture first. The buffer comes from malloc, so it can
// become a Texture's pixels as it is.
struct DecodedImage {
    std::unique_ptr<unsigned char, FreeDeleter> rgb;
    uint32_t width = 0;   // pixels
    uint32_t height = 0;  // pixels
};

// Decodes length bytes of JPEG. On any failure (null or empty input, corrupt or
// truncated data, a colour space with no RGB meaning, a picture beyond the caps)
// returns false and leaves out untouched. Needs no GL context and prints nothing.
bool DecodeJPEG(const void* data, long length, DecodedImage* out);

// Decodes and uploads: t gets the pixels (GL_RGB, 24 bits), then BuildTexture
// with alphaMode. On failure t keeps no pixels and no texture name.
bool BuildJPGTexture(Texture* t, const void* data, long length, int alphaMode);

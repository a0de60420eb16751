// Texture: one OpenGL texture and the record of how it was decoded, and the
// builders that turn decoded pixels into an uploaded RGBA texture.
//
// A record goes: constructed (no pixels, name 0) -> decoded (pixels, size and
// format set by the TGA or JPEG decoder) -> built (textureName set, pixels
// released) -> destroyed (texture name deleted; needs the GL context current).
// A texture table is one array of records (array new / array delete) and an int
// count; entry i comes from lump i of the container it was loaded from.
//
// Alpha modes, applied by BuildTexture to 24-bit sources (a 32-bit source keeps
// its own alpha):  1 colour key (alpha 0 where R,G,B equal the first pixel's),
// 2 brightness (the largest of R, G, B), anything else opaque.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class RESFILE;

struct Texture {
    Texture() = default;
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    unsigned char* pixels = nullptr;  // tightly packed rows, bottom row first; malloc'd, released with free
    uint32_t bitsPerPixel = 0;        // 24 or 32, as decoded
    uint32_t width = 0;               // pixels
    uint32_t height = 0;              // pixels
    uint32_t textureName = 0;         // OpenGL name; 0 while none
    uint32_t format = 0;              // GL_RGB or GL_RGBA: the layout of pixels
};

constexpr int kAlphaOpaque = 0;
constexpr int kAlphaColourKey = 1;
constexpr int kAlphaBrightness = 2;

// Loads every lump of a container into a new table. On a failed Open the
// caller's table and count are untouched; afterwards the caller owns the table
// even when a later lump fails.
bool LoadTexturesFromDataFile(const char* path, Texture** table, int* count);

// The per-lump rule shared with the model loader: type 1 decodes a TGA from the
// container's stream, type 3 a JPEG from the lump's bytes, each built with the
// entry's param as alpha mode; any other type leaves the record as constructed
// and succeeds. False when the index is outside the directory or the lump fails
// to read, decode or upload.
bool LoadTextureLump(RESFILE& file, int index, Texture* target);

// Generates and uploads the texture (RGBA, level 0, no mipmaps, GL_REPEAT,
// GL_LINEAR), then releases pixels. Leaves it bound. Refused (false, no name
// made, pixels kept for the destructor) when there are no pixels, a side is 0
// or larger than GL_MAX_TEXTURE_SIZE. False with the name kept in the record
// when the work buffer cannot be allocated.
bool BuildTexture(Texture* t, int alphaMode);
// Uploads t's colour with alpha from byte 0 of mask's pixels, both read at 3
// bytes per pixel. The mask keeps its pixels. Refused like BuildTexture, and
// when the mask is missing or differs from t in size.
bool BuildTGATextureWithAlpha(Texture* t, Texture* mask);

// TGA decoding: true-colour images, uncompressed (type 2) or run-length encoded
// (type 10), 24 or 32 bits, with no image ID, colour map or origin offset. Pixels
// come out R, G, B(, A) with rows in file order. Every failure raises exactly one
// alert through MessageBox and leaves no pixel buffer behind.
//
// The target record must not be null. On success its pixels (malloc'd, released
// with free), width, height, bitsPerPixel and format are set; textureName is not
// touched. On failure width, height and bitsPerPixel may hold what the header said.
#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>

struct Texture;

// From a stream positioned at the image (a container's stream after SeekLump).
// The stream is left positioned after the last byte read, never closed. A null
// stream or an std::ifstream with no open file is "Could not open texture
// file"; an open stream that has already failed cannot give the header, which
// is "Could not read file header".
bool LoadTGA2(Texture* texture, std::istream* stream);
// The decoders behind LoadTGA2, reading from just after the 12-byte header.
bool LoadUncompressedTGA2(Texture* texture, std::istream* stream);
bool LoadCompressedTGA2(Texture* texture, std::istream* stream);

// From a file path, through C stdio. The file is closed on every path.
bool LoadTGA(Texture* texture, const char* path);
// The decoders behind LoadTGA, reading from just after the header; they close
// file whatever the outcome. path is not used.
bool LoadUncompressedTGA(Texture* texture, const char* path, FILE* file);
bool LoadCompressedTGA(Texture* texture, const char* path, FILE* file);

// Images of more pixels than this (64 Mpx, 256 MiB at 32 bits) are refused as
// "Invalid texture information", whatever their shape: a 20000 x 1 strip is
// fine. Whether a side suits OpenGL is BuildTexture's question.
constexpr uint64_t kMaxTGAPixels = uint64_t(1) << 26;

// The two headers accepted, byte for byte: image ID length 0, no colour map,
// image type 2 (uncompressed true colour) or 10 (run-length encoded true colour),
// all-zero colour map fields and origin (0, 0).
extern const uint8_t uTGAcompare[12];
extern const uint8_t cTGAcompare[12];

// The decoder's working records. They are process-wide and every decode
// overwrites them, so decoding is not re-entrant (assets load on one thread).
struct TGAHeader {
    uint8_t header[12];  // the first 12 bytes of the file, as read
};
struct TGA {
    uint8_t header[6];       // as read: width and height (16-bit little-endian), bits per pixel, descriptor
    uint32_t bytesPerPixel;  // 3 or 4
    uint32_t imageSize;      // bytes of decoded pixels: bytesPerPixel x width x height
    uint32_t height;         // pixels
    uint32_t width;          // pixels
    uint32_t bitsPerPixel;   // 24 or 32
};
extern TGAHeader tgaheader;
extern TGA tga;

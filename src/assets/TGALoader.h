// TGA decoding: true-colour images, uncompressed (type 2) or run-length encoded
// (type 10), 24 or 32 bits, with no image ID, colour map or origin offset. Pixels
// come out R, G, B(, A) with rows in file order. Every failure raises exactly one
// alert through MessageBox and leaves no pixel buffer behind.
#pragma once

#include <cstdio>
#include <istream>

struct Texture;

// From a stream positioned at the image (a container's stream after SeekLump).
// The stream is left positioned after the last byte read, never closed.
bool LoadTGA2(Texture* texture, std::istream* stream);
bool LoadUncompressedTGA2(Texture* texture, std::istream* stream);
bool LoadCompressedTGA2(Texture* texture, std::istream* stream);

// From a file path, through C stdio. The file is closed on every path.
bool LoadTGA(Texture* texture, const char* path);
bool LoadUncompressedTGA(Texture* texture, const char* path, FILE* file);
bool LoadCompressedTGA(Texture* texture, const char* path, FILE* file);

// Images wider or taller than this are refused as "Invalid texture information".
constexpr unsigned kMaxTGASide = 16384;

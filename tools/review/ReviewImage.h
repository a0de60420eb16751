// ReviewImage: composing pictures on the CPU (contact sheets, tiled views) out
// of frames read back with ReadFramebuffer. Reading and writing PNG files is
// the saver's own PNGWriter.
#pragma once

#include <cstdint>

#include "assets/PNGWriter.h"

// A width x height picture filled with one grey.
RGBImage BlankImage(int width, int height, uint8_t grey);
// The three bytes of pixel (x, y), counted from the top left.
uint8_t* PixelOf(RGBImage& image, int x, int y);
// Copies `part` with its top-left corner at (x, y), clipped to `into`.
void Paste(RGBImage& into, const RGBImage& part, int x, int y);
// The picture at half its width and height, each pixel the mean of four.
RGBImage HalfSize(const RGBImage& image);

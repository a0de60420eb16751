// Painting helpers for the texture table's images.
//
// The table's pictures are painted procedurally: text from FreeType, shapes
// from signed distance functions, soft shadows and glows from blurred coverage.
// Everything is in floats until the very end:
//   Mask    one coverage value 0..1 per pixel (text, a shape, a blurred halo);
//   Canvas  premultiplied R, G, B, A per pixel, 0..1, composited with "over".
// Both use row 0 at the top, the way one thinks about a picture; ToImage turns a
// canvas into an Image (bottom row first) at the very end.
//
// Fully transparent pixels still have a colour in the texture, and GL_LINEAR
// filtering mixes it into the edge pixels beside them. ToImage gives them a
// chosen matte colour (the shadow's), so edges never pick up a stray white or
// black fringe when the image is scaled.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "writers/Image.h"

struct Colour {
    float r = 0.0f, g = 0.0f, b = 0.0f;  // 0..1
};

Colour Mix(const Colour& a, const Colour& b, float t);
Colour FromHex(uint32_t rgb);  // 0xRRGGBB

struct Mask {
    Mask() = default;
    Mask(int w, int h) : width(w), height(h), value(static_cast<std::size_t>(w) * h, 0.0f) {}
    int width = 0;
    int height = 0;
    std::vector<float> value;  // coverage 0..1, row 0 at the top

    float& At(int x, int y) { return value[static_cast<std::size_t>(y) * width + x]; }
    float At(int x, int y) const { return value[static_cast<std::size_t>(y) * width + x]; }
    // Coverage at (x, y), 0 outside.
    float Get(int x, int y) const { return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : At(x, y); }
};

struct Canvas {
    Canvas(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0.0f) {}
    int width;
    int height;
    std::vector<float> rgba;  // premultiplied, row 0 at the top
};

// Copies src into dst with its top-left corner at (x, y); the values add up
// (clamped to 1), so several pieces of text can share one mask.
void Stamp(Mask* dst, const Mask& src, int x, int y);
// Gaussian blur of standard deviation sigma pixels (separable, edges clamp to 0).
Mask Blur(const Mask& src, float sigma);
// Every value multiplied by k and clamped to 0..1.
void Scale(Mask* mask, float k);

// Paints colour through mask with the given opacity ("over").
void Fill(Canvas* canvas, const Mask& mask, const Colour& colour, float opacity);
// Paints through mask with a colour chosen per pixel (x, y in pixels).
void FillShaded(Canvas* canvas, const Mask& mask, const std::function<Colour(int x, int y)>& shade, float opacity);

// Anti-aliased coverage of a shape given by its signed distance in pixels
// (negative inside), sampled at pixel centres.
Mask ShapeMask(int width, int height, const std::function<float(float x, float y)>& distance);

// Signed distances (negative inside) for building shapes.
float CircleDistance(float x, float y, float cx, float cy, float radius);
float EllipseDistance(float x, float y, float cx, float cy, float rx, float ry);
// A segment from a to b whose radius goes from ra to rb: a tapered limb.
float CapsuleDistance(float x, float y, float ax, float ay, float bx, float by, float ra, float rb);
// Smooth union of two shapes; k is the blend radius in pixels.
float SmoothUnion(float d1, float d2, float k);

// The canvas as an Image: 4 channels straight alpha, or 3 channels (alpha
// dropped, colour composited over black). Transparent pixels take matte.
Image ToImage(const Canvas& canvas, int channels, const Colour& matte);

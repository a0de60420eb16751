// The ground's pictures: sand, limestone, sandstone, palm and water.
//
// Every picture tiles: each is painted from noise and waves that repeat a
// whole number of times across it. The saver samples without mipmaps, so a
// picture seen far off and small shimmers in proportion to its fine
// contrast: every texel-sized detail turns into noise that crawls as the
// camera moves, and every regular wave beats against the pixel grid in
// moire bands once a pixel spans half its wavelength. The sand, which
// covers the horizon, therefore keeps to broad features: its ripples are
// plain sine waves (about 39 texels, 2.5 world units, from crest to crest)
// with none of the sharper harmonics a peaked crest would bring, bent
// strongly enough that their spacing and heading wander, so what still
// aliases far off breaks up instead of beating in coherent bands; its grain
// is faint and 8 texels across, and its character is in the mottling. Seen
// from a camel's back at 640x360, against the same views supersampled 4 x 4,
// this more than halves the distant sand's crawl from frame to frame while
// the near ripples stay.
#include <algorithm>
#include <cmath>

#include "GroundScene.h"
#include "NoiseField.h"
#include "NoisePalette.h"

namespace ground {
namespace {

float Frac(float v) { return v - std::floor(v); }

// Periodic noise over a square picture: `cells` lattice cells across it.
float Tiled(float u, float v, int cells, int octaves, float gain, uint32_t seed) {
    return FractalNoise(u * cells, v * cells, octaves, gain, cells, cells, seed);
}

// Desert varnish, 0..1: dark streaks washed down the face, running the
// picture's whole height so that they join from one repeat to the next above
// and below. Of eight columns across the picture only the strongest carry a
// streak, soft-edged, of its own width and strength, wandering a little as it
// runs down: on a cliff wrapped in a row of repeats, thin, even, ruled lines
// at the same place in every repeat read as seams between panels.
float Varnish(float u, float v) {
    const float wander = 0.05f * (Tiled(u, v, 2, 2, 0.5f, 0x20c5u) - 0.5f);
    const float across = (u + wander) * 8.0f;
    const float column = ValueNoise(across, 0.0f, 8, 1, 0x20c2u);
    const float along = ValueNoise(across, v * 2.0f, 8, 2, 0x20c6u);
    return SmoothStep(0.6f, 0.9f, 0.75f * column + 0.25f * along);
}

}  // namespace

Image PaintSand(int size) {
    Image image(size, size, 3);
    const Rgb light = Bytes(238, 208, 160), dark = Bytes(206, 168, 118);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            float mottle = Tiled(u, v, 4, 4, 0.55f, 0x5a4d1u);
            // Wind ripples: sine waves with a whole number of crests across
            // the tile, bent by periodic noise so they are not ruled lines,
            // stronger in some patches than in others.
            float bend = Tiled(u, v, 6, 3, 0.5f, 0x5a4d2u) - 0.5f;
            float phase = 2.0f * kPi * (7.0f * u + 11.0f * v) + 7.0f * bend;
            float ripple = (0.5f + 0.5f * std::sin(phase)) * (0.2f + 0.8f * Tiled(u, v, 5, 2, 0.5f, 0x5a4d4u));
            float grain = Tiled(u, v, 64, 1, 0.5f, 0x5a4d3u) - 0.5f;
            Rgb c = MixRgb(dark, light, 0.35f + 0.5f * mottle);
            c = c * (0.95f + 0.08f * ripple + 0.025f * grain);
            PutPixel(image, x, y, c);
        }
    }
    return image;
}

Image PaintStone(int size) {
    // Limestone courses: eight courses up the picture, eight blocks across,
    // each course offset by half a block, mortar a little darker.
    Image image(size, size, 4);
    const int courses = 8, blocks = 8;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            int course = static_cast<int>(v * courses);
            float bu = u * blocks + (course % 2 ? 0.5f : 0.0f);
            int block = static_cast<int>(std::floor(bu)) % blocks;
            float fu = Frac(bu), fv = Frac(v * courses);
            float edge = std::min({fu, 1.0f - fu, fv * 1.6f, (1.0f - fv) * 1.6f});
            float tone = LatticeValue(block, course, 0x57011u);
            float wear = Tiled(u, v, 8, 4, 0.55f, 0x57012u);
            Rgb c = MixRgb(Bytes(214, 196, 160), Bytes(236, 222, 188), tone);
            c = c * (0.88f + 0.2f * wear);
            c = MixRgb(Bytes(150, 132, 104), c, SmoothStep(0.0f, 0.06f, edge));
            PutPixel(image, x, y, c, 1.0f);
        }
    }
    return image;
}

Image PaintRock(int size) {
    // Sandstone strata: level bands of close, warm colours, some harder and
    // paler, streaked down the face by dark desert varnish.
    Image image(size, size, 3);
    const ColourRamp strata{
        {0.0f, Bytes(192, 118, 76)},   {0.16f, Bytes(204, 136, 88)}, {0.3f, Bytes(182, 108, 70)},
        {0.44f, Bytes(212, 156, 108)}, {0.5f, Bytes(200, 138, 92)},  {0.66f, Bytes(186, 112, 72)},
        {0.82f, Bytes(204, 132, 86)},  {1.0f, Bytes(192, 118, 76)},
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            float wobble = (Tiled(u, v, 4, 3, 0.5f, 0x20c1u) - 0.5f) * 0.1f;
            Rgb c = strata(Frac(v + wobble));
            float varnish = Varnish(u, v);
            float grain = Tiled(u, v, 32, 3, 0.5f, 0x20c3u) - 0.5f;
            float blotch = Tiled(u, v, 6, 3, 0.5f, 0x20c4u) - 0.5f;
            c = MixRgb(c, Bytes(110, 62, 44), 0.35f * varnish);
            c = c * (0.95f + 0.18f * grain + 0.16f * blotch);
            PutPixel(image, x, y, c);
        }
    }
    return image;
}

Image PaintPalm(int size) {
    // Left half: the trunk's bark, overlapping leaf-base scales in rings.
    // Right half: a frond, spine down the middle (s = 0.75), leaflets slanting
    // out from it toward the tip.
    Image image(size, size, 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            Rgb c;
            if (u < 0.5f) {
                float su = u * 2.0f;
                float row = v * 6.0f;
                float shift = (static_cast<int>(std::floor(row)) % 2) ? 0.5f : 0.0f;
                float fu = Frac(su * 6.0f + shift), fv = Frac(row);
                float scale = SmoothStep(0.0f, 0.5f, fv) * (1.0f - 0.5f * std::fabs(fu - 0.5f));
                c = MixRgb(Bytes(74, 56, 38), Bytes(150, 118, 82), scale);
                c = c * (0.9f + 0.2f * Tiled(u, v, 16, 2, 0.5f, 0x9a11u));
            } else {
                float across = (u - 0.75f) / 0.25f;  // -1 .. 1 over the leaf
                float slant = v * 40.0f + std::fabs(across) * 6.0f;
                float leaflet = 0.5f + 0.5f * std::cos(2.0f * kPi * slant);
                c = MixRgb(Bytes(46, 84, 36), Bytes(92, 136, 58), leaflet);
                c = MixRgb(c, Bytes(150, 150, 70), 0.35f * SmoothStep(0.6f, 1.0f, v));  // drier tips
                if (std::fabs(across) < 0.05f) c = Bytes(128, 120, 64);                 // the spine
                c = c * (0.9f + 0.2f * Tiled(u, v, 8, 2, 0.5f, 0x9a12u));
            }
            PutPixel(image, x, y, c);
        }
    }
    return image;
}

Image PaintWater(int size) {
    // Still, deep green-blue water with slow swells catching the sky.
    Image image(size, size, 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            float swell = Tiled(u, v, 4, 4, 0.5f, 0x3a7e1u);
            float glint = std::pow(Tiled(u, v, 16, 2, 0.5f, 0x3a7e2u), 4.0f);
            Rgb c = MixRgb(Bytes(34, 74, 78), Bytes(70, 118, 124), swell);
            c = MixRgb(c, Bytes(186, 206, 214), 0.6f * glint);
            PutPixel(image, x, y, c);
        }
    }
    return image;
}

}  // namespace ground

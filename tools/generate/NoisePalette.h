// NoisePalette: colours for painting the generated textures.
//
// Colours are linear floats 0..1 per channel while a texture is painted and
// become bytes only when stored, rounded and clamped, so a painter can mix and
// shade freely without wrapping around.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "MeshMath.h"
#include "writers/Image.h"

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
// A colour from 0..255 bytes, for readability of palettes.
inline Rgb Bytes(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

inline uint8_t ToByte(float v) {
    float c = Clamp01(v) * 255.0f + 0.5f;
    return static_cast<uint8_t>(c >= 255.0f ? 255 : static_cast<int>(c));
}

// Stores a colour (and, for a 4-channel image, an alpha) at pixel (x, y).
inline void PutPixel(Image& image, int x, int y, Rgb c, float alpha = 1.0f) {
    uint8_t* p = image.At(x, y);
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
    if (image.channels == 4) p[3] = ToByte(alpha);
}

// A piecewise-smooth colour ramp through (position, colour) stops in
// increasing position order; outside the stops the end colours hold.
class ColourRamp {
public:
    struct Stop {
        float at;
        Rgb colour;
    };
    ColourRamp(std::initializer_list<Stop> stops) : stops_(stops) {}

    Rgb operator()(float v) const {
        if (v <= stops_.front().at) return stops_.front().colour;
        for (std::size_t i = 1; i < stops_.size(); ++i) {
            if (v <= stops_[i].at) {
                const Stop& a = stops_[i - 1];
                const Stop& b = stops_[i];
                return MixRgb(a.colour, b.colour, SmoothStep(a.at, b.at, v));
            }
        }
        return stops_.back().colour;
    }

private:
    std::vector<Stop> stops_;
};

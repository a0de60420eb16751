// The lens-flare sprites.
//
// The flare draws each sprite as a camera-facing square, tinted by its colour,
// blended additively (source alpha, one), with alpha taken from the brightest
// channel of each pixel. So a sprite is a picture of light on black: whatever
// is black adds nothing, and every value adds roughly its own square, which
// steepens the falloffs painted here. Each sprite fades to exact black well
// inside its square, so no quad edge ever shows.
//
//   glow       three nested Gaussian falloffs, white-hot core to warm fringe
//   ring       a thin halo with a slight prismatic split (red outside, blue in)
//   spot       a hexagonal aperture ghost: faint body, brighter rim, soft edge
//   starburst  rays of uneven length and width around a small core, drawn
//              full size over the glow on the sun
#include <cmath>
#include <cstdint>

#include "TextureTable.h"
#include "TextureTablePaint.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kSupersample = 3;  // samples per pixel side, for the thin ring and rays

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// 1 out to r = 0.8, easing to exactly 0 at the square's inscribed circle.
float Window(float r) {
    float t = Clamp01((1.0f - r) / 0.2f);
    return t * t * (3.0f - 2.0f * t);
}

// A small deterministic generator (PCG32), so the rays are the same every build.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    float Next() {  // 0..1
        uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        uint32_t x = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        uint32_t rot = static_cast<uint32_t>(old >> 59u);
        uint32_t v = (x >> rot) | (x << ((32u - rot) & 31u));
        return static_cast<float>(v >> 8) / 16777216.0f;
    }

private:
    uint64_t state_;
};

// Paints size x size pixels from light(u, v), with u, v in -1..1 across the
// square (v up), averaging kSupersample^2 samples per pixel.
template <typename Light>
Image PaintLight(int size, Light light) {
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour sum;
            for (int sy = 0; sy < kSupersample; ++sy)
                for (int sx = 0; sx < kSupersample; ++sx) {
                    float u = ((x + (sx + 0.5f) / kSupersample) / size) * 2.0f - 1.0f;
                    float v = 1.0f - ((y + (sy + 0.5f) / kSupersample) / size) * 2.0f;
                    Colour c = light(u, v);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            float* p = &canvas.rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            const float n = static_cast<float>(kSupersample * kSupersample);
            p[0] = Clamp01(sum.r / n);
            p[1] = Clamp01(sum.g / n);
            p[2] = Clamp01(sum.b / n);
            p[3] = 1.0f;
        }
    }
    return ToImage(canvas, 3, Colour{});
}

Colour Scaled(const Colour& c, float k) { return Colour{c.r * k, c.g * k, c.b * k}; }

}  // namespace

Image PaintFlareGlow(int size) {
    const Colour core = FromHex(0xFFFBF2), warm = FromHex(0xFFD9A0), fringe = FromHex(0xFFB070);
    return PaintLight(size, [&](float u, float v) {
        float r2 = u * u + v * v, r = std::sqrt(r2);
        float hot = std::exp(-r2 / 0.006f);
        float body = 0.60f * std::exp(-r2 / 0.07f);
        float haze = 0.38f * std::exp(-r2 / 0.35f);
        Colour tint = Mix(Mix(core, warm, Clamp01(r * 3.0f)), fringe, Clamp01(r * 1.5f - 0.3f));
        return Scaled(tint, (hot + body + haze) * Window(r));
    });
}

Image PaintFlareRing(int size) {
    return PaintLight(size, [](float u, float v) {
        float r = std::sqrt(u * u + v * v);
        auto band = [r](float radius, float width) {
            float d = (r - radius) / width;
            return std::exp(-d * d);
        };
        // Each colour rings at a slightly different radius: a faint prism.
        float red = band(0.790f, 0.040f), green = band(0.780f, 0.040f), blue = band(0.770f, 0.042f);
        float inner = 0.12f * Clamp01(1.0f - r / 0.78f);  // a whisper of light inside the ring
        float w = Window(r);
        return Colour{(red + inner) * w, (0.96f * green + inner) * w, (blue + inner) * w};
    });
}

Image PaintFlareSpot(int size) {
    return PaintLight(size, [](float u, float v) {
        // A regular hexagon of apothem 0.7, turned so a flat side is at the top.
        const float apothem = 0.70f;
        float d = -1.0f;
        for (int k = 0; k < 6; ++k) {
            float a = kPi / 6.0f + k * kPi / 3.0f;
            d = std::fmax(d, u * std::cos(a) + v * std::sin(a));
        }
        float edge = Clamp01((apothem - d) / 0.035f);  // soft outline, 0 outside
        float rim = std::exp(-std::pow((apothem - d) / 0.06f, 2.0f)) * edge;
        float r = std::sqrt(u * u + v * v);
        float body = 0.50f + 0.12f * (1.0f - r);
        float light = (body * edge + 0.40f * rim) * Window(r);
        return Colour{light, light * 0.97f, light * 0.93f};
    });
}

Image PaintFlareStarburst(int size) {
    struct Ray {
        float angle;   // radians
        float length;  // 0..1 of the half-size
        float width;   // half-width at the centre, in u units
        float gain;
    };
    Random random(0x5A4D);
    std::vector<Ray> rays;
    const int major = 14;
    for (int i = 0; i < major; ++i) {
        float angle = (i + 0.35f * (random.Next() - 0.5f)) * 2.0f * kPi / major;
        rays.push_back(Ray{angle, 0.65f + 0.33f * random.Next(), 0.010f + 0.008f * random.Next(),
                           0.55f + 0.45f * random.Next()});
    }
    for (int i = 0; i < 40; ++i)  // fine, fainter streaks between the main rays
        rays.push_back(Ray{random.Next() * 2.0f * kPi, 0.30f + 0.45f * random.Next(), 0.005f,
                           0.15f + 0.20f * random.Next()});

    return PaintLight(size, [&rays](float u, float v) {
        float r = std::sqrt(u * u + v * v), theta = std::atan2(v, u);
        float light = 0.9f * std::exp(-(r * r) / 0.0015f) + 0.25f * std::exp(-(r * r) / 0.01f);
        for (const Ray& ray : rays) {
            if (r >= ray.length) continue;  // beyond the tip
            float delta = std::fabs(theta - ray.angle);
            if (delta > kPi) delta = 2.0f * kPi - delta;
            // sin(d) >= 0.63 d up to a right angle: a cheap test that the sample is
            // more than four widths to the side, where the ray adds nothing.
            if (delta > kPi / 2 || 0.63f * r * delta > 4.0f * ray.width) continue;
            float across = r * std::sin(delta);
            float along = 1.0f - r / ray.length;
            float width = ray.width * (0.4f + 0.6f * along);  // rays taper toward their tips
            light += ray.gain * along * std::exp(-(across * across) / (width * width));
        }
        light *= Window(r);
        return Colour{light, light * 0.96f, light * 0.88f};
    });
}

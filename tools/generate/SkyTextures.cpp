// The two sky pictures: a late-afternoon gradient with thin high cloud, and a
// hazy band along the horizon that fades into the fog's grey.
//
// Cloud is painted where a ray from the centre meets a flat cloud deck high
// above the ground, so its streaks shrink and crowd toward the horizon as real
// cirrus does; it thins out well above the split, where the dome picture's
// colour must be the plain gradient the band continues. No sun is painted: the
// lens flare draws it, wherever the scene puts it.
#include <cmath>

#include "NoiseField.h"
#include "SkyDome.h"

namespace {

constexpr uint32_t kCloudSeed = 0x5c1a0d5u;
constexpr uint32_t kHazeSeed = 0x4a2e11u;

const ColourRamp& SkyRamp() {
    static const ColourRamp ramp{
        {-90.0f, Rgb{kSkyFogGrey, kSkyFogGrey, kSkyFogGrey}},
        {0.4f, Rgb{kSkyFogGrey, kSkyFogGrey, kSkyFogGrey}},
        {4.0f, Bytes(190, 187, 181)},
        {10.0f, Bytes(201, 196, 187)},
        {19.0f, Bytes(172, 188, 208)},
        {34.0f, Bytes(132, 162, 204)},
        {58.0f, Bytes(98, 138, 196)},
        {90.0f, Bytes(78, 118, 184)},
    };
    return ramp;
}

// Cirrus: stretched, warped fractal noise on a deck, in deck units.
float CloudDensity(float deckX, float deckZ) {
    // Streaks run along a slanted wind direction; stretch across it.
    const float c = 0.906f, s = 0.423f;  // about 25 degrees
    float along = deckX * c + deckZ * s;
    float across = -deckX * s + deckZ * c;
    float warp = FractalNoise(along * 0.6f, across * 0.6f, 3, 0.5f, kCloudSeed + 7) - 0.5f;
    float n = FractalNoise(along * 0.35f + warp * 1.2f, across * 2.2f + warp * 0.8f, 5, 0.55f, kCloudSeed);
    float wisps = FractalNoise(along * 1.4f, across * 6.0f, 3, 0.5f, kCloudSeed + 3);
    float d = SmoothStep(0.50f, 0.78f, n) * (0.55f + 0.45f * wisps);
    return Clamp01(d);
}

}  // namespace

Rgb SkyColour(float elevationDegrees) { return SkyRamp()(elevationDegrees); }

Image PaintSkyDome(int size) {
    Image image(size, size, 3);
    const float span = 90.0f - kSkySplitDegrees;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size) - 0.5f;
            float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size) - 0.5f;
            float rho = std::min(1.0f, std::sqrt(u * u + v * v) / kSkyDomeTextureRadius);
            float elevation = 90.0f - rho * span;
            Rgb colour = SkyColour(elevation);

            // Cloud deck at unit height: a ray at this elevation meets it at
            // horizontal distance cot(elevation).
            float e = elevation * kPi / 180.0f;
            float reach = std::cos(e) / std::max(0.05f, std::sin(e));
            float azimuth = std::atan2(v, u);
            float deckX = std::cos(azimuth) * reach * 3.0f;
            float deckZ = std::sin(azimuth) * reach * 3.0f;
            float fade = SmoothStep(kSkySplitDegrees + 6.0f, kSkySplitDegrees + 22.0f, elevation);
            float cloud = CloudDensity(deckX, deckZ) * fade * 0.62f;
            Rgb lit = MixRgb(Bytes(255, 248, 236), colour, 0.25f);
            PutPixel(image, x, y, MixRgb(colour, lit, cloud));
        }
    }
    return image;
}

Image PaintHorizonBand(int width, int height) {
    Image image(width, height, 4);
    const float span = kSkySplitDegrees - kSkySkirtDegrees;
    for (int y = 0; y < height; ++y) {
        float elevation = kSkySkirtDegrees + span * static_cast<float>(y) / static_cast<float>(height - 1);
        // Haze streaks live between the horizon and the split, vanishing at
        // both so the band meets the fog below and the dome above exactly.
        float weight =
            SmoothStep(0.3f, 2.0f, elevation) * (1.0f - SmoothStep(5.0f, kSkySplitDegrees - 0.5f, elevation));
        for (int x = 0; x < width; ++x) {
            float u = static_cast<float>(x) / static_cast<float>(width) * 16.0f;
            float n = FractalNoise(u, elevation * 0.35f, 4, 0.5f, 16, 1 << 16, kHazeSeed) - 0.5f;
            Rgb base = SkyColour(elevation);
            Rgb dust = MixRgb(base, Bytes(214, 200, 178), 0.35f);
            Rgb colour = MixRgb(base, dust, weight * Clamp01(0.5f + 1.6f * n));
            PutPixel(image, x, y, colour, 1.0f);
        }
    }
    return image;
}

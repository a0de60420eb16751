// The camel's pictures: three coats, and three sets of tack to go with them.
//
// A coat is painted part by part from the atlas (CamelAtlas.h): each band
// knows which part of the body a texel lands on and where on it (along the
// part, round it), and shades from that: pale belly and legs, a richer back,
// shaggier hair on the hump, throat and tail, grey calluses on the knees,
// elbows, stifles, hocks and chest where a camel kneels, a darker muzzle with
// nostrils and a mouth line. Hair is fine noise stretched along the way it
// lies, kept faint: the saver samples without mipmaps, so strong fine detail
// would shimmer when the camel is small.
//
// Noise that runs round a part repeats exactly once round it, so the seams of
// the tubes do not show.
#include <cmath>

#include "CamelAtlas.h"
#include "NoiseField.h"
#include "NoisePalette.h"

namespace camel {
namespace {

struct CoatColours {
    Rgb back;    // the flanks and back
    Rgb belly;   // the pale underside and inner legs
    Rgb shag;    // longer, darker hair: hump, throat, tail
    Rgb muzzle;  // nose and lips
    Rgb callus;  // the hard grey pads of the joints
};

CoatColours ColoursOf(Coat coat) {
    switch (coat) {
        case Coat::kPaleSand:
            return {Bytes(226, 202, 160), Bytes(240, 226, 196), Bytes(196, 164, 120), Bytes(178, 160, 138),
                    Bytes(120, 110, 100)};
        case Coat::kTawny:
            return {Bytes(196, 144, 88), Bytes(224, 190, 142), Bytes(156, 104, 58), Bytes(150, 120, 96),
                    Bytes(104, 92, 82)};
        case Coat::kDarkBrown:
        default:
            return {Bytes(112, 76, 50), Bytes(150, 114, 84), Bytes(80, 52, 34), Bytes(92, 74, 62), Bytes(74, 66, 60)};
    }
}

uint32_t SeedOf(Coat coat) { return 0xca3e1u + 977u * static_cast<uint32_t>(coat); }

// Soft elliptical spot: 1 at the centre, 0 beyond the radii.
float Spot(float du, float dv, float ru, float rv) {
    float d = (du * du) / (ru * ru) + (dv * dv) / (rv * rv);
    return 1.0f - SmoothStep(0.45f, 1.0f, d);
}

// Distance on a unit circle (for coordinates that wrap round a part).
float Round(float a, float b) {
    float d = std::fabs(a - b);
    return std::min(d, 1.0f - d);
}

// Fine hair lying along `along` (wrapping every `period` cells round), faint.
float Hair(float along, float round, int period, uint32_t seed) {
    return FractalNoise(along, round, 3, 0.5f, 1 << 16, period, seed) - 0.5f;
}

Rgb Torso(const CoatColours& c, float s, float v, uint32_t seed) {
    const float height = std::cos(2.0f * kPi * v);  // 1 on the spine, -1 under the belly
    Rgb col = MixRgb(c.belly, c.back, SmoothStep(-0.75f, 0.1f, height));
    // Shaggy hair on the hump, and on the rump above the tail.
    float hump = SmoothStep(0.6f, 0.95f, height) * Spot(s - 0.47f, 0.0f, 0.3f, 1.0f);
    col = MixRgb(col, c.shag, 0.55f * hump);
    // The chest pad a camel kneels on.
    col = MixRgb(col, c.callus, 0.85f * Spot(s - 0.76f, Round(v, 0.5f), 0.05f, 0.07f));
    float mottle = FractalNoise(s * 8.0f, v * 6.0f, 4, 0.5f, 1 << 16, 6, seed) - 0.5f;
    float hair = Hair(s * 14.0f, v * 90.0f, 90, seed + 1);
    return col * (1.0f + 0.16f * mottle + 0.10f * hair * (1.0f + hump));
}

Rgb Neck(const CoatColours& c, float s, float v, uint32_t seed) {
    const float height = std::cos(2.0f * kPi * v);  // 1 on the crest, -1 at the throat
    Rgb col = MixRgb(c.belly, c.back, SmoothStep(-0.9f, 0.3f, height));
    // A dromedary's throat carries a fringe of longer, darker hair.
    float throat = SmoothStep(-0.5f, -0.9f, height) * Spot(s - 0.35f, 0.0f, 0.3f, 1.0f);
    col = MixRgb(col, c.shag, 0.6f * throat);
    float hair = Hair(s * 60.0f, v * 16.0f, 16, seed + 2);
    float mottle = FractalNoise(s * 5.0f, v * 4.0f, 3, 0.5f, 1 << 16, 4, seed + 3) - 0.5f;
    return col * (1.0f + 0.12f * mottle + 0.10f * hair * (1.0f + throat));
}

Rgb Head(const CoatColours& c, float s, float v, uint32_t seed) {
    const float height = std::cos(2.0f * kPi * v);  // 1 on the forehead, -1 under the jaw
    Rgb col = MixRgb(MixRgb(c.belly, c.back, 0.5f), c.back, SmoothStep(-0.5f, 0.5f, height));
    col = MixRgb(col, c.muzzle, SmoothStep(0.62f, 0.9f, s));
    // Nostrils: slits high on each side of the nose.
    float nostrils =
        std::max(Spot(s - 0.9f, Round(v, 0.085f), 0.035f, 0.03f), Spot(s - 0.9f, Round(v, 0.915f), 0.035f, 0.03f));
    col = MixRgb(col, Bytes(40, 30, 26), 0.85f * nostrils);
    // The mouth line along each side of the muzzle, under the drooping lip.
    float lips = std::max(Spot(Round(v, 0.36f), 0.0f, 0.018f, 1.0f), Spot(Round(v, 0.64f), 0.0f, 0.018f, 1.0f));
    col = MixRgb(col, Bytes(58, 44, 38), 0.75f * lips * SmoothStep(0.72f, 0.82f, s));
    // Darker rims round the eyes.
    float eyes =
        std::max(Spot(s - 0.30f, Round(v, 0.23f), 0.06f, 0.06f), Spot(s - 0.30f, Round(v, 0.77f), 0.06f, 0.06f));
    col = MixRgb(col, c.shag * 0.8f, 0.5f * eyes);
    float hair = Hair(s * 40.0f, v * 12.0f, 12, seed + 4);
    return col * (1.0f + 0.08f * hair);
}

Rgb Leg(const CoatColours& c, bool front, float s, float v, uint32_t seed) {
    // v: 0 at the pastern, 1 at the top; s: round from the front.
    Rgb col = MixRgb(MixRgb(c.belly, c.back, 0.35f), c.back, SmoothStep(0.55f, 0.9f, v));
    const float frontSide = Round(s, 0.0f), backSide = Round(s, 0.5f);
    float knee = front ? Spot(frontSide, v - kLegKneeAt, 0.16f, 0.06f) : Spot(backSide, v - kLegKneeAt, 0.14f, 0.05f);
    float upper =
        front ? Spot(backSide, v - kLegElbowAt, 0.16f, 0.06f) : Spot(frontSide, v - kLegElbowAt, 0.16f, 0.06f);
    col = MixRgb(col, c.callus, 0.85f * std::max(knee, upper));
    col = MixRgb(col, c.shag, 0.35f * SmoothStep(0.14f, 0.0f, v));
    float hair = Hair(v * 50.0f, s * 10.0f, 10, seed + 5);  // hair lies down the leg; s runs round it
    return col * (1.0f + 0.08f * hair);
}

}  // namespace

Image PaintCoat(Coat coat) {
    const CoatColours colours = ColoursOf(coat);
    const uint32_t seed = SeedOf(coat);
    Image image(kCoatSize, kCoatSize, 3);
    const Band bands[] = {kTorsoBand, kNeckBand, kFrontLegBand, kHindLegBand, kHeadBand};
    for (int y = 0; y < kCoatSize; ++y) {
        const float t = (static_cast<float>(y) + 0.5f) / kCoatSize;
        // The nearest band; texels in the gaps repeat its edge, so filtering
        // at a band's edge never mixes in a neighbour.
        int which = 0;
        float best = 1e9f;
        for (int b = 0; b < 5; ++b) {
            float d = t < bands[b].t0 ? bands[b].t0 - t : t > bands[b].t1 ? t - bands[b].t1 : 0.0f;
            if (d < best) best = d, which = b;
        }
        const float v = Clamp01((t - bands[which].t0) / (bands[which].t1 - bands[which].t0));
        for (int x = 0; x < kCoatSize; ++x) {
            const float s = (static_cast<float>(x) + 0.5f) / kCoatSize;
            Rgb col;
            switch (which) {
                case 0:
                    col = Torso(colours, s, v, seed);
                    break;
                case 1:
                    col = Neck(colours, s, v, seed);
                    break;
                case 2:
                    col = Leg(colours, true, s, v, seed);
                    break;
                case 3:
                    col = Leg(colours, false, s, v, seed + 9);
                    break;
                default:
                    col = Head(colours, s, v, seed);
                    break;
            }
            PutPixel(image, x, y, col);
        }
    }
    return image;
}

// ---- Tack ---------------------------------------------------------------------

namespace {

struct TackColours {
    Rgb field, border, accent, light, cord;
};

TackColours TackOf(Coat coat) {
    switch (coat) {
        case Coat::kPaleSand:  // deep red with indigo and gold, for the pale camel
            return {Bytes(150, 34, 38), Bytes(38, 44, 108), Bytes(222, 172, 62), Bytes(236, 226, 204),
                    Bytes(176, 40, 44)};
        case Coat::kTawny:  // indigo with saffron and cream
            return {Bytes(40, 62, 132), Bytes(206, 140, 44), Bytes(236, 224, 196), Bytes(226, 178, 84),
                    Bytes(214, 150, 52)};
        case Coat::kDarkBrown:
        default:  // saffron with green and cream, bright against the dark coat
            return {Bytes(214, 136, 42), Bytes(36, 92, 62), Bytes(236, 226, 200), Bytes(168, 40, 40),
                    Bytes(236, 200, 90)};
    }
}

Rgb Blanket(const TackColours& c, float along, float across, uint32_t seed) {
    // Borders along both hems, a stripe down the middle, and a lattice of
    // diamonds in the two fields between.
    float fromHem = std::min(across, 1.0f - across);
    Rgb col = c.field;
    if (fromHem < 0.10f) col = c.border;
    if (fromHem > 0.045f && fromHem < 0.06f) col = c.accent;
    if (std::fabs(across - 0.5f) < 0.035f) col = c.border;
    if (std::fabs(across - 0.5f) < 0.012f) col = c.accent;
    if (fromHem > 0.14f && std::fabs(across - 0.5f) > 0.06f) {
        float u = along * 10.0f, w = (fromHem - 0.14f) * 28.0f;
        float du = std::fabs(u - std::floor(u) - 0.5f), dw = std::fabs(w - std::floor(w) - 0.5f);
        float diamond = du + dw;
        if (diamond < 0.22f)
            col = c.light;
        else if (diamond > 0.36f && diamond < 0.44f)
            col = c.accent;
    }
    // The weave: a faint over-and-under texture and some wear.
    int gx = static_cast<int>(along * 256.0f), gy = static_cast<int>(across * 128.0f);
    float weave = ((gx + gy) & 1) ? 0.96f : 1.04f;
    float wear = FractalNoise(along * 6.0f, across * 6.0f, 3, 0.5f, seed) - 0.5f;
    return col * (weave + 0.18f * wear);
}

Rgb Dark(const CoatColours& coat, float s, float v, uint32_t seed) {
    float n = FractalNoise(s * 30.0f, v * 30.0f, 3, 0.5f, seed) - 0.5f;
    if (s < 0.25f) {  // eye: near black, a little lighter in the middle
        float d = std::hypot((s - kEyeSwatch) / kSwatchHalfWidth, v - 0.5f);
        return MixRgb(Bytes(54, 36, 26), Bytes(16, 12, 10), SmoothStep(0.1f, 0.7f, d));
    }
    if (s < 0.5f) {  // foot: the swatch's middle is the sole, its edges the top of the foot
        float fromSole = std::fabs(s - kSoleSwatch) / kSwatchHalfWidth;
        Rgb top = MixRgb(MixRgb(coat.belly, coat.back, 0.35f), coat.shag, 0.3f);
        return MixRgb(Bytes(86, 76, 68), top, SmoothStep(0.3f, 0.55f, fromSole)) * (1.0f + 0.2f * n);
    }
    if (s < 0.75f) {  // tuft: dark hair, streaked
        float hair = FractalNoise(s * 80.0f, v * 4.0f, 2, 0.5f, seed + 1) - 0.5f;
        return Bytes(62, 42, 30) * (1.0f + 0.5f * hair);
    }
    return Bytes(50, 42, 38) * (1.0f + 0.15f * n);  // toenail
}

}  // namespace

Image PaintTack(Coat coat) {
    const TackColours c = TackOf(coat);
    const CoatColours coatColours = ColoursOf(coat);
    const uint32_t seed = SeedOf(coat) + 31;
    const Rgb keyColour = c.cord * 0.45f;
    Image image(kTackSize, kTackSize, 3);
    const float strands = 16.0f;  // cords per repeat of the fringe along the hem
    for (int y = 0; y < kTackSize; ++y) {
        const float t = (static_cast<float>(y) + 0.5f) / kTackSize;
        for (int x = 0; x < kTackSize; ++x) {
            const float s = (static_cast<float>(x) + 0.5f) / kTackSize;
            Rgb col;
            bool gap = false;
            if (t < kFringeBand.t1) {
                // Cords hang from the hem; each ends in a small tassel.
                float v = (t - kFringeBand.t0) / (kFringeBand.t1 - kFringeBand.t0);
                float u = s * strands;
                float across = std::fabs(u - std::floor(u) - 0.5f);
                float width = 0.17f + 0.12f * SmoothStep(0.35f, 0.1f, v) * (v > 0.05f ? 1.0f : 0.0f);
                gap = across > width || v < 0.04f;
                col = (static_cast<int>(std::floor(u)) % 2 ? c.cord : c.accent) * (0.85f + 0.3f * (0.5f - across));
                if (v > 0.82f) col = c.border;  // the hem's binding
            } else if (t < kBlanketBand.t0 - 0.01f) {
                float v = Clamp01((t - kStrapBand.t0) / (kStrapBand.t1 - kStrapBand.t0));
                col = (v < 0.2f || v > 0.8f) ? c.border : c.accent;
                if (std::fabs(v - 0.5f) < 0.08f && static_cast<int>(s * 48.0f) % 2 == 0) col = c.light;
            } else if (t < kDarkBand.t0 - 0.01f) {
                col = Blanket(c, s, Clamp01((t - kBlanketBand.t0) / (kBlanketBand.t1 - kBlanketBand.t0)), seed);
            } else {
                col = Dark(coatColours, s, Clamp01((t - kDarkBand.t0) / (kDarkBand.t1 - kDarkBand.t0)), seed);
            }
            PutPixel(image, x, y, gap ? keyColour : col);
            // Only gaps may carry the key colour: nudge any other pixel that
            // happens to round to it.
            uint8_t* p = image.At(x, y);
            if (!gap && p[0] == ToByte(keyColour.r) && p[1] == ToByte(keyColour.g) && p[2] == ToByte(keyColour.b))
                p[0] = static_cast<uint8_t>(p[0] == 255 ? 254 : p[0] + 1);
        }
    }
    return image;
}

}  // namespace camel

// The pictures with words: the banner corner, the intro title, the caravan
// subtitle, the two messages and the emblem.
//
// They are shown over a moving desert scene, bright sand below and a pale
// evening sky above, so every piece of text carries its own contrast: a soft
// dark shadow (blurred coverage, offset a little down and right) and a thin
// dark edge (coverage blurred by a pixel or two, painted strongly) under warm
// gold or cream letters. Outside the text and its shadow everything is fully
// transparent, so the scene shows through.
#include <cmath>

#include "TextRender.h"
#include "TextureTable.h"
#include "TextureTablePaint.h"

namespace {

const Colour kShadow = FromHex(0x1C0E06);     // dark umber
const Colour kEdge = FromHex(0x3A1F0C);       // letter edge
const Colour kGoldLight = FromHex(0xFFF0C8);  // top of the gold gradient
const Colour kGoldDeep = FromHex(0xE39A40);   // bottom of the gold gradient
const Colour kCream = FromHex(0xFFF3DC);
const Colour kSilhouette = FromHex(0x26140A);
const Colour kSunset = FromHex(0xFFB45E);

struct Fonts {
    Font serif, serifBold, serifItalic;
};

// A text line ready to paint at pixel (x, y) = top-left of its mask.
struct PlacedText {
    TextLine line;
    int x = 0, y = 0;
};

// Renders text at the largest size (up to maxSize) whose inked width fits
// maxWidth, and centres it on (cx, baselineY).
bool PlaceCentred(const std::string& path, const std::string& text, int maxSize, int maxWidth, int tracking, int cx,
                  int baselineY, int margin, PlacedText* out, std::string* error) {
    for (int size = maxSize; size >= 6; size -= 2) {
        Font font;
        if (!font.Setup(path, size, error)) return false;
        TextLine line = font.Render(text, tracking, margin);
        if (line.advance <= maxWidth) {
            out->x = cx - line.advance / 2 - line.originX;
            out->y = baselineY - line.baseline;
            out->line = std::move(line);
            return true;
        }
    }
    if (error) *error = "text does not fit: " + text;
    return false;
}

// The text's coverage on a mask the size of the canvas.
Mask OnCanvas(const Canvas& canvas, const PlacedText& text) {
    Mask m(canvas.width, canvas.height);
    Stamp(&m, text.line.mask, text.x, text.y);
    return m;
}

Mask Shifted(const Mask& src, int dx, int dy) {
    Mask m(src.width, src.height);
    Stamp(&m, src, dx, dy);
    return m;
}

// Shadow, edge and fill for coverage `ink`. The sizes scale with the letters.
void PaintLettering(Canvas* canvas, const Mask& ink, float scale, const std::function<Colour(int, int)>& fill) {
    Mask shadow = Blur(Shifted(ink, static_cast<int>(std::lround(1.5f * scale)), static_cast<int>(std::lround(2.0f * scale))),
                       3.5f * scale);
    Scale(&shadow, 1.8f);
    Fill(canvas, shadow, kShadow, 0.75f);
    Mask edge = Blur(ink, 0.6f * scale);
    Scale(&edge, 2.5f);
    Fill(canvas, edge, kEdge, 0.9f);
    FillShaded(canvas, ink, fill, 1.0f);
}

// Gold from light at the top of the letters to deep at their baseline.
std::function<Colour(int, int)> GoldGradient(int top, int bottom) {
    return [top, bottom](int, int y) {
        float t = static_cast<float>(y - top) / static_cast<float>(bottom - top > 0 ? bottom - top : 1);
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        return Mix(kGoldLight, kGoldDeep, t * t * (3.0f - 2.0f * t));
    };
}

// A sun half risen over a dune line: the small emblem of the banner and title.
Mask SunOverDune(int width, int height, float cx, float cy, float radius) {
    return ShapeMask(width, height, [=](float x, float y) {
        float sun = CircleDistance(x, y, cx, cy - radius * 0.15f, radius * 0.62f);
        float below = y - (cy + radius * 0.25f);  // the horizon cuts the sun
        float disc = std::fmax(sun, below);
        float dune = y - (cy + radius * 0.45f + radius * 0.18f * std::sin((x - cx) / radius * 2.2f));
        float duneBand = std::fmax(-dune, dune - radius * 0.22f);  // a curved band under the sun
        float inside = std::fmax(CircleDistance(x, y, cx, cy, radius), -CircleDistance(x, y, cx, cy, radius * 0.86f));
        return std::fmin(std::fmin(disc, std::fmax(duneBand, CircleDistance(x, y, cx, cy, radius * 0.86f))), inside);
    });
}

Image PaintBanner(const std::string& boldPath, std::string* error) {
    // The emblem and the name side by side, the pair centred in the strip.
    Canvas canvas(256, 32);
    const int emblemSize = 26, gap = 7;
    PlacedText name;
    if (!PlaceCentred(boldPath, "Sandmere", 22, 256 - 2 * (emblemSize + gap), 1, 128, 23, 0, &name, error))
        return Image();
    const int shift = (emblemSize + gap) / 2;
    name.x += shift;
    const float emblemX = 128.0f + shift - name.line.advance / 2.0f - gap - emblemSize / 2.0f;
    Mask emblem = SunOverDune(256, 32, emblemX, 16.0f, emblemSize / 2.0f);
    PaintLettering(&canvas, emblem, 0.6f, GoldGradient(4, 28));
    const int baseline = name.y + name.line.baseline;
    PaintLettering(&canvas, OnCanvas(canvas, name), 0.6f, GoldGradient(baseline - 16, baseline));
    return ToImage(canvas, 4, kShadow);
}

// A thin line with a small diamond in its middle, under the title.
Mask Ornament(int width, int height, float cx, float cy, float halfLength) {
    return ShapeMask(width, height, [=](float x, float y) {
        float gap = 26.0f;
        float left = CapsuleDistance(x, y, cx - halfLength, cy, cx - gap, cy, 0.3f, 1.6f);
        float right = CapsuleDistance(x, y, cx + gap, cy, cx + halfLength, cy, 1.6f, 0.3f);
        float diamond = (std::fabs(x - cx) + std::fabs(y - cy)) / 1.4142f - 7.0f;
        float dots = std::fmin(CircleDistance(x, y, cx - 16.0f, cy, 2.2f), CircleDistance(x, y, cx + 16.0f, cy, 2.2f));
        return std::fmin(std::fmin(left, right), std::fmin(diamond, dots));
    });
}

Image PaintTitle(const std::string& serifPath, std::string* error) {
    Canvas canvas(1024, 256);
    PlacedText title;
    if (!PlaceCentred(serifPath, "SANDMERE", 150, 840, 22, 512, 168, 0, &title, error)) return Image();
    const int baseline = title.y + title.line.baseline;
    const int capTop = title.y;  // top of the tallest letter
    Mask ink = OnCanvas(canvas, title);
    Stamp(&ink, Ornament(1024, 256, 512.0f, baseline + 38.0f, 330.0f), 0, 0);
    PaintLettering(&canvas, ink, 2.0f, GoldGradient(capTop, baseline + 40));
    return ToImage(canvas, 4, kShadow);
}

// One dromedary in profile, facing left, in units where it stands 1.5 tall:
// x grows to the right, y grows up from the ground. stride (-1..1) swings the
// legs of one side against the other (camels pace).
float CamelDistance(float x, float y, float stride, bool rider) {
    float d = EllipseDistance(x, y, 0.02f, 1.06f, 0.46f, 0.21f);                 // barrel
    d = SmoothUnion(d, EllipseDistance(x, y, 0.06f, 1.24f, 0.25f, 0.20f), 0.08f);  // hump
    d = SmoothUnion(d, EllipseDistance(x, y, -0.34f, 1.02f, 0.17f, 0.19f), 0.06f); // chest
    d = SmoothUnion(d, CapsuleDistance(x, y, -0.40f, 1.08f, -0.62f, 0.98f, 0.10f, 0.065f), 0.04f);  // neck, down
    d = SmoothUnion(d, CapsuleDistance(x, y, -0.62f, 0.98f, -0.71f, 1.30f, 0.065f, 0.058f), 0.05f); // neck, up
    d = SmoothUnion(d, CapsuleDistance(x, y, -0.70f, 1.34f, -0.90f, 1.28f, 0.072f, 0.045f), 0.03f); // head, muzzle
    d = std::fmin(d, CapsuleDistance(x, y, -0.66f, 1.40f, -0.64f, 1.46f, 0.022f, 0.012f));          // ear
    d = std::fmin(d, CapsuleDistance(x, y, 0.46f, 1.12f, 0.52f, 0.80f, 0.028f, 0.014f));            // tail
    // Legs: hip, knee, foot. Front pair near x = -0.28, hind pair near x = 0.30.
    const float hipX[4] = {-0.30f, -0.22f, 0.26f, 0.34f};
    const float side[4] = {1.0f, -1.0f, 1.0f, -1.0f};
    for (int i = 0; i < 4; ++i) {
        float swing = 0.13f * stride * side[i];
        float kneeX = hipX[i] + swing * 0.6f + (i >= 2 ? 0.03f : 0.0f), kneeY = 0.48f;
        float footX = hipX[i] + swing;
        float leg = CapsuleDistance(x, y, hipX[i], 0.98f, kneeX, kneeY, 0.075f, 0.034f);
        leg = SmoothUnion(leg, CapsuleDistance(x, y, kneeX, kneeY, footX, 0.03f, 0.034f, 0.026f), 0.02f);
        leg = std::fmin(leg, EllipseDistance(x, y, footX - 0.02f, 0.025f, 0.055f, 0.025f));
        d = SmoothUnion(d, leg, 0.03f);
    }
    if (rider) {
        float body = CapsuleDistance(x, y, 0.04f, 1.42f, 0.0f, 1.74f, 0.085f, 0.07f);
        body = SmoothUnion(body, CircleDistance(x, y, -0.01f, 1.86f, 0.068f), 0.02f);
        body = std::fmin(body, CapsuleDistance(x, y, 0.03f, 1.90f, 0.16f, 1.80f, 0.03f, 0.012f));  // headcloth tail
        body = std::fmin(body, CapsuleDistance(x, y, 0.02f, 1.44f, -0.10f, 1.22f, 0.045f, 0.035f));  // leg
        body = std::fmin(body, CapsuleDistance(x, y, -0.02f, 1.66f, -0.18f, 1.50f, 0.03f, 0.025f));  // arm to the reins
        d = std::fmin(d, body);
    }
    return d;
}

// Height of the dune crest, in pixels from the top, at column x.
float CrestY(float x) { return 318.0f - 26.0f * std::sin((x - 120.0f) / 300.0f) - 10.0f * std::sin(x / 97.0f); }

Image PaintCaravan(const std::string& italicPath, std::string* error) {
    Canvas canvas(1024, 512);
    // The low sun behind the crest: a glow and a disc, cut by the dune.
    Mask sun = ShapeMask(1024, 512, [](float x, float y) {
        return std::fmax(CircleDistance(x, y, 700.0f, 300.0f, 62.0f), y - CrestY(x));
    });
    Mask glow(1024, 512);  // falls off like a wide blur of the disc, computed directly
    for (int y = 0; y < glow.height; ++y)
        for (int x = 0; x < glow.width; ++x) {
            float d = std::fmax(0.0f, CircleDistance(x + 0.5f, y + 0.5f, 700.0f, 300.0f, 40.0f)) / 55.0f;
            glow.At(x, y) = std::exp(-d * d);
        }
    Fill(&canvas, glow, kSunset, 0.55f);
    Fill(&canvas, sun, FromHex(0xFFD58A), 0.9f);

    // The dune: a dark band whose lower part fades away into the scene. The
    // picture is drawn in the middle of the screen over the scene, so the band
    // (with the sun's glow) also fades out towards both side edges: ending at
    // full strength, it would draw the picture's rectangle on the screen.
    Mask dune = ShapeMask(1024, 512, [](float x, float y) { return CrestY(x) - y; });
    FillShaded(&canvas, dune, [](int, int) { return kSilhouette; }, 1.0f);
    const float sideFade = 0.18f * canvas.width;  // pixels over which the band vanishes at each side
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            float below = std::fmax(0.0f, (y - CrestY(static_cast<float>(x))) / 55.0f);
            float side = std::fmin(1.0f, std::fmin(x + 0.5f, canvas.width - x - 0.5f) / sideFade);
            float keep = std::exp(-below * below) * side * side * (3.0f - 2.0f * side);
            float* p = &canvas.rgba[(static_cast<std::size_t>(y) * canvas.width + x) * 4];
            for (int c = 0; c < 4; ++c) p[c] *= keep;
        }

    // Four camels tied nose to tail, walking left along the crest.
    const float scale = 92.0f, startX = 250.0f, spacing = 175.0f;
    Mask camels = ShapeMask(1024, 512, [&](float px, float py) {
        float d = 1e9f;
        for (int i = 0; i < 4; ++i) {
            float cx = startX + spacing * i;
            float ground = CrestY(cx) + 5.0f;
            float lx = (px - cx) / scale, ly = (ground - py) / scale;
            float stride = std::sin(1.7f * i + 0.4f);
            // Only near its own box does a camel's distance matter for coverage.
            if (lx > -1.05f && lx < 0.7f && ly > -0.1f && ly < 2.05f)
                d = std::fmin(d, CamelDistance(lx, ly, stride, i == 0) * scale);
            if (i > 0) {  // the lead rope from this camel's muzzle to the tail before it
                float ax = cx - 0.88f * scale, ay = ground - 1.27f * scale;
                float bx = startX + spacing * (i - 1) + 0.50f * scale, by = CrestY(startX + spacing * (i - 1)) + 5.0f - 0.85f * scale;
                float mx = (ax + bx) / 2, my = (ay + by) / 2 + 14.0f;  // sagging
                d = std::fmin(d, CapsuleDistance(px, py, ax, ay, mx, my, 0.9f, 0.9f));
                d = std::fmin(d, CapsuleDistance(px, py, mx, my, bx, by, 0.9f, 0.9f));
            }
        }
        return d;
    });
    Mask rim = Blur(camels, 5.0f);
    Fill(&canvas, rim, kSunset, 0.45f);
    Fill(&canvas, camels, kSilhouette, 1.0f);

    PlacedText subtitle;
    if (!PlaceCentred(italicPath, "an evening on the sea of sand", 50, 760, 1, 512, 440, 0, &subtitle, error))
        return Image();
    PaintLettering(&canvas, OnCanvas(canvas, subtitle), 1.4f, [](int, int) { return kCream; });
    return ToImage(canvas, 4, kShadow);
}

Image PaintMessage(const std::string& italicPath, const std::string& text, std::string* error) {
    Canvas canvas(1024, 64);
    PlacedText line;
    if (!PlaceCentred(italicPath, text, 38, 940, 0, 512, 44, 0, &line, error)) return Image();
    PaintLettering(&canvas, OnCanvas(canvas, line), 1.1f, [](int, int) { return kCream; });
    return ToImage(canvas, 4, kShadow);
}

// The medallion. Keyed, its outline is hard-edged (coverage cut at one half)
// because its alpha comes from a colour key, and a key cannot be half
// transparent; inside, the painting is anti-aliased as usual. As a tile, it
// sits opaque on a square of warm sand.
Image PaintEmblem(bool keyed) {
    const int size = 128;
    const Colour key = FromHex(0xFF00FF);
    Canvas canvas(size, size);
    Mask all(size, size);
    for (float& v : all.value) v = 1.0f;
    if (keyed)
        Fill(&canvas, all, key, 1.0f);
    else
        FillShaded(&canvas, all, [](int, int y) { return Mix(FromHex(0xE8C48A), FromHex(0xC89456), y / 128.0f); }, 1.0f);
    Mask disc = ShapeMask(size, size, [](float x, float y) { return CircleDistance(x, y, 64.0f, 64.0f, 61.0f); });
    if (keyed)
        for (float& v : disc.value) v = v >= 0.5f ? 1.0f : 0.0f;
    FillShaded(&canvas, disc, [](int, int y) { return Mix(FromHex(0x5A2E14), FromHex(0x2A1208), y / 128.0f); }, 1.0f);
    Mask ring = ShapeMask(size, size, [](float x, float y) {
        float r = CircleDistance(x, y, 64.0f, 64.0f, 0.0f);
        return std::fabs(r - 54.0f) - 2.5f;
    });
    Fill(&canvas, ring, FromHex(0xF0B860), 1.0f);
    Mask sun = SunOverDune(size, size, 64.0f, 64.0f, 44.0f);
    FillShaded(&canvas, sun, GoldGradient(24, 100), 1.0f);
    return ToImage(canvas, 3, key);
}

}  // namespace

bool PaintTextureTable(std::vector<TableImage>* images, std::string* error) {
    const std::string serif = FindFontFile("DejaVu Serif", "Book", error);
    const std::string bold = serif.empty() ? "" : FindFontFile("DejaVu Serif", "Bold", error);
    const std::string italic = bold.empty() ? "" : FindFontFile("DejaVu Serif", "Italic", error);
    if (italic.empty()) return false;

    images->clear();
    auto add = [images](const char* role, Image image, LumpEncoding encoding, uint32_t alphaMode) {
        images->push_back(TableImage{role, std::move(image), encoding, alphaMode});
        return images->back().image.IsValid();
    };
    // Alpha modes: 1 colour key for the emblem; the text images carry their own
    // alpha (32 bits), so their mode is 0; the flares take alpha from brightness;
    // the emblem tile after them is opaque.
    return add("emblem", PaintEmblem(true), LumpEncoding::TGARLE, 1) &&
           add("banner corner", PaintBanner(bold, error), LumpEncoding::TGARLE, 0) &&
           add("intro title", PaintTitle(serif, error), LumpEncoding::TGARLE, 0) &&
           add("intro caravan", PaintCaravan(italic, error), LumpEncoding::TGA, 0) &&
           add("message 1", PaintMessage(italic, "Rest a while. The sand keeps time.", error), LumpEncoding::TGARLE, 0) &&
           add("message 2", PaintMessage(italic, "Long shadows, slow camels, a quiet wind.", error), LumpEncoding::TGARLE, 0) &&
           add("flare glow", PaintFlareGlow(256), LumpEncoding::JPEG, 2) &&
           add("flare ring", PaintFlareRing(256), LumpEncoding::TGA, 2) &&
           add("flare spot", PaintFlareSpot(256), LumpEncoding::TGARLE, 2) &&
           add("flare starburst", PaintFlareStarburst(256), LumpEncoding::TGA, 2) &&
           add("emblem tile", PaintEmblem(false), LumpEncoding::JPEG, 0);
}

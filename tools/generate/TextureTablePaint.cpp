#include "TextureTablePaint.h"

#include <algorithm>
#include <cmath>

namespace {

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

std::vector<float> GaussianKernel(float sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(sigma * 3.0f)));
    std::vector<float> kernel(static_cast<std::size_t>(radius) * 2 + 1);
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i) {
        float w = std::exp(-0.5f * (i * i) / (sigma * sigma));
        kernel[static_cast<std::size_t>(i + radius)] = w;
        sum += w;
    }
    for (float& w : kernel) w /= sum;
    return kernel;
}

// Columns x0..x1 and rows y0..y1 (exclusive ends) that hold every non-zero value.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

Box InkBox(const Mask& m) {
    Box box{m.width, m.height, 0, 0};
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            if (m.At(x, y) != 0.0f) {
                box.x0 = std::min(box.x0, x);
                box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x + 1);
                box.y1 = std::max(box.y1, y + 1);
            }
    return box;
}

// One pass of the separable blur, along x or along y, computed only inside
// box (outside it the result is zero anyway).
Mask BlurPass(const Mask& src, const std::vector<float>& kernel, bool alongX, const Box& box) {
    Mask out(src.width, src.height);
    const int radius = static_cast<int>(kernel.size() / 2);
    for (int y = box.y0; y < box.y1; ++y) {
        for (int x = box.x0; x < box.x1; ++x) {
            float sum = 0.0f;
            for (int i = -radius; i <= radius; ++i) {
                float v = alongX ? src.Get(x + i, y) : src.Get(x, y + i);
                sum += v * kernel[static_cast<std::size_t>(i + radius)];
            }
            out.At(x, y) = sum;
        }
    }
    return out;
}

void Over(float* dst, const Colour& c, float alpha) {
    dst[0] = c.r * alpha + dst[0] * (1.0f - alpha);
    dst[1] = c.g * alpha + dst[1] * (1.0f - alpha);
    dst[2] = c.b * alpha + dst[2] * (1.0f - alpha);
    dst[3] = alpha + dst[3] * (1.0f - alpha);
}

}  // namespace

Colour Mix(const Colour& a, const Colour& b, float t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour FromHex(uint32_t rgb) {
    return Colour{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f};
}

void Stamp(Mask* dst, const Mask& src, int x0, int y0) {
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x < src.width; ++x) {
            int tx = x0 + x, ty = y0 + y;
            if (tx < 0 || ty < 0 || tx >= dst->width || ty >= dst->height) continue;
            dst->At(tx, ty) = std::min(1.0f, dst->At(tx, ty) + src.At(x, y));
        }
    }
}

Mask Blur(const Mask& src, float sigma) {
    if (sigma <= 0.0f) return src;
    const std::vector<float> kernel = GaussianKernel(sigma);
    const int radius = static_cast<int>(kernel.size() / 2);
    Box ink = InkBox(src);
    if (ink.x1 <= ink.x0) return Mask(src.width, src.height);  // nothing to blur
    Box box{std::max(0, ink.x0 - radius), std::max(0, ink.y0 - radius), std::min(src.width, ink.x1 + radius),
            std::min(src.height, ink.y1 + radius)};
    Box firstPass{box.x0, ink.y0, box.x1, ink.y1};  // the x pass spreads only sideways
    return BlurPass(BlurPass(src, kernel, true, firstPass), kernel, false, box);
}

void Scale(Mask* mask, float k) {
    for (float& v : mask->value) v = Clamp01(v * k);
}

void Fill(Canvas* canvas, const Mask& mask, const Colour& colour, float opacity) {
    FillShaded(canvas, mask, [&colour](int, int) { return colour; }, opacity);
}

void FillShaded(Canvas* canvas, const Mask& mask, const std::function<Colour(int, int)>& shade, float opacity) {
    const int w = std::min(canvas->width, mask.width), h = std::min(canvas->height, mask.height);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float a = Clamp01(mask.At(x, y) * opacity);
            if (a <= 0.0f) continue;
            Over(&canvas->rgba[(static_cast<std::size_t>(y) * canvas->width + x) * 4], shade(x, y), a);
        }
    }
}

Mask ShapeMask(int width, int height, const std::function<float(float, float)>& distance) {
    Mask m(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) m.At(x, y) = Clamp01(0.5f - distance(x + 0.5f, y + 0.5f));
    return m;
}

namespace {
float Length(float x, float y) { return std::sqrt(x * x + y * y); }
}  // namespace

float CircleDistance(float x, float y, float cx, float cy, float radius) {
    return Length(x - cx, y - cy) - radius;
}

float EllipseDistance(float x, float y, float cx, float cy, float rx, float ry) {
    // Scaled circle distance, corrected by the gradient length: close to the
    // true distance near the outline, which is all anti-aliasing needs.
    float nx = (x - cx) / rx, ny = (y - cy) / ry;
    float k = Length(nx, ny);
    if (k == 0.0f) return -std::min(rx, ry);
    float gx = nx / rx, gy = ny / ry;
    return (k - 1.0f) * k / Length(gx, gy);
}

float CapsuleDistance(float x, float y, float ax, float ay, float bx, float by, float ra, float rb) {
    float px = x - ax, py = y - ay, vx = bx - ax, vy = by - ay;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0.0f ? Clamp01((px * vx + py * vy) / len2) : 0.0f;
    float dx = px - vx * t, dy = py - vy * t;
    return Length(dx, dy) - (ra + (rb - ra) * t);
}

float SmoothUnion(float d1, float d2, float k) {
    float h = Clamp01(0.5f + 0.5f * (d2 - d1) / k);
    return d2 + (d1 - d2) * h - k * h * (1.0f - h);
}

Image ToImage(const Canvas& canvas, int channels, const Colour& matte) {
    Image image(canvas.width, canvas.height, channels);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float* p = &canvas.rgba[(static_cast<std::size_t>(y) * canvas.width + x) * 4];
            uint8_t* out = image.At(x, canvas.height - 1 - y);  // the Image keeps its bottom row first
            float a = Clamp01(p[3]);
            if (channels == 3) {
                out[0] = ToByte(p[0]);
                out[1] = ToByte(p[1]);
                out[2] = ToByte(p[2]);
                continue;
            }
            uint8_t alpha = ToByte(a);
            if (alpha == 0) {
                out[0] = ToByte(matte.r);
                out[1] = ToByte(matte.g);
                out[2] = ToByte(matte.b);
            } else {
                out[0] = ToByte(p[0] / a);
                out[1] = ToByte(p[1] / a);
                out[2] = ToByte(p[2] / a);
            }
            out[3] = alpha;
        }
    }
    return image;
}

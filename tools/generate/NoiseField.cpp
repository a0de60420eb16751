#include "NoiseField.h"

#include <cmath>

namespace {

constexpr int kLargePeriod = 1 << 16;

uint32_t Mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

int Wrap(int v, int period) {
    int r = v % period;
    return r < 0 ? r + period : r;
}

float Quintic(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

uint32_t NoiseRandom::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

float NoiseRandom::Uniform(float low, float high) {
    float unit = static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
    return low + (high - low) * unit;
}

float LatticeValue(int x, int y, uint32_t seed) {
    uint32_t h = Mix32(static_cast<uint32_t>(x) * 0x8da6b343U ^ Mix32(static_cast<uint32_t>(y) * 0xd8163841U ^ seed));
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = Quintic(x - fx), ty = Quintic(y - fy);
    int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
    int y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
    float a = LatticeValue(x0, y0, seed), b = LatticeValue(x1, y0, seed);
    float c = LatticeValue(x0, y1, seed), d = LatticeValue(x1, y1, seed);
    float top = a + (b - a) * tx;
    float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float FractalNoise(float x, float y, int octaves, float gain, int periodX, int periodY, uint32_t seed) {
    float sum = 0.0f, weight = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * ValueNoise(x, y, periodX, periodY, seed + static_cast<uint32_t>(o) * 1013U);
        total += weight;
        weight *= gain;
        x *= 2.0f;
        y *= 2.0f;
        if (periodX < (1 << 28)) periodX *= 2;  // the large "never repeats" period stays put
        if (periodY < (1 << 28)) periodY *= 2;
    }
    return sum / total;
}

float ValueNoise(float x, float y, uint32_t seed) { return ValueNoise(x, y, kLargePeriod, kLargePeriod, seed); }

float FractalNoise(float x, float y, int octaves, float gain, uint32_t seed) {
    return FractalNoise(x, y, octaves, gain, kLargePeriod, kLargePeriod, seed);
}

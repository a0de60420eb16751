// The desert floor's shape: where it is flat and where the dunes are.
//
// Height is dunes times a mask. The mask is 0 within kFlatReach of any
// walkway or landmark pad and rises smoothly to 1 beyond, so camels walk on a
// floor that is exactly y = 0 and the dunes keep their distance. The dunes are
// transverse ridges across a north-easterly wind: each rises gently on its
// windward side to a crest and falls steeply on its lee, the ridges bend and
// break along their length, and smaller, rounder mounds ride on them. They
// grow with distance from the middle, so the horizon is a rampart of big dunes
// fading into the fog, and settle low again under the sky dome's rim. The
// oasis's pool is a basin cut into its flat pad.
#include <algorithm>
#include <cmath>

#include "GroundScene.h"
#include "GroundWalkways.h"
#include "NoiseField.h"

namespace {

constexpr uint32_t kDuneSeed = 0xd00e5u;

float SegmentDistance(float px, float pz, WalkPoint a, WalkPoint b) {
    float dx = b.x - a.x, dz = b.z - a.z;
    float len2 = dx * dx + dz * dz;
    float t = len2 > 0.0f ? std::clamp(((px - a.x) * dx + (pz - a.z) * dz) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - a.x - t * dx, pz - a.z - t * dz);
}

// 0..1: ridges, with crests that wander and vary, and mounds on them.
float Dunes(float x, float z) {
    const float r = std::hypot(x, z);
    const float c = 0.857f, s = 0.515f;  // the wind's direction, about 31 degrees
    const float u = x * c + z * s, v = -x * s + z * c;
    const float wavelength = 190.0f + 130.0f * SmoothStep(600.0f, 1600.0f, r);
    const float warp = FractalNoise(u / 800.0f, v / 520.0f, 3, 0.5f, kDuneSeed) - 0.5f;
    const float p = u / wavelength + 1.7f * warp + 0.22f * std::sin(v / 240.0f);
    const float q = p - std::floor(p);
    const float crestAt = 0.76f;
    float ridge = q < crestAt ? std::pow(SmoothStep(0.0f, crestAt, q), 1.25f) : 1.0f - SmoothStep(crestAt, 1.0f, q);
    const float strength = 0.35f + 0.65f * FractalNoise(v / 330.0f + 0.3f * p, 0.6f * p, 3, 0.5f, kDuneSeed + 1);
    const float mounds = FractalNoise(x / 120.0f, z / 120.0f, 2, 0.5f, kDuneSeed + 2);
    // Never quite 0: exact zeros mark the flat floor, which the mesh keeps exact.
    return 0.03f + std::max(0.0f, 0.78f * ridge * strength + 0.45f * (mounds - 0.35f));
}

// Depth of the pool's basin below the floor: a bowl with a wavering shore.
float Basin(float x, float z) {
    float dx = x - ground::kOasisX, dz = z - ground::kOasisZ;
    float r = std::hypot(dx, dz);
    if (r > ground::kPoolRadius * 1.6f) return 0.0f;
    float angle = std::atan2(dz, dx);
    float wobble = FractalNoise(std::cos(angle) * 1.5f + 5.0f, std::sin(angle) * 1.5f + 5.0f, 3, 0.5f, kDuneSeed + 3);
    float edge = ground::kPoolRadius * (0.8f + 0.45f * wobble);
    float t = r / edge;
    return 3.5f * (1.0f - SmoothStep(0.55f, 1.25f, t));
}

}  // namespace

float DistanceToWalkways(float x, float z) {
    float d = 1e30f;
    for (std::size_t i = 0; i < kTourRoute.size(); ++i)
        d = std::min(d, SegmentDistance(x, z, kTourRoute[i], kTourRoute[(i + 1) % kTourRoute.size()]));
    for (const WalkZone& zone : kRoamZones) {
        float dx = std::max({zone.minX - x, 0.0f, x - zone.maxX});
        float dz = std::max({zone.minZ - z, 0.0f, z - zone.maxZ});
        d = std::min(d, std::hypot(dx, dz));
    }
    return d;
}

namespace ground {

const std::vector<Landmark>& Landmarks() {
    static const std::vector<Landmark> landmarks{
        {"great pyramid", 800.0f, -150.0f, 175.0f, 42.0f},  {"oasis", kOasisX, kOasisZ, 95.0f, 7.0f},
        {"temple ruins", -68.0f, -205.0f, 48.0f, 6.0f},     {"rock arch", -900.0f, 60.0f, 62.0f, 24.0f},
        {"mesa", -380.0f, 1080.0f, 190.0f, 55.0f},          {"second pyramid", 935.0f, 205.0f, 120.0f, 28.0f},
        {"queen's pyramid", 745.0f, -480.0f, 70.0f, 16.0f},
    };
    return landmarks;
}

float TerrainHeight(float x, float z) {
    float d = DistanceToWalkways(x, z);
    for (const Landmark& l : Landmarks()) d = std::min(d, std::max(0.0f, std::hypot(x - l.x, z - l.z) - l.pad));
    const float mask = SmoothStep(kFlatReach, kFlatReach + 170.0f, d);
    // Dunes grow toward a rampart round the horizon, then sink again before
    // the sky dome (1,500 units), which would otherwise slice their tops off.
    const float r = std::hypot(x, z);
    const float amplitude =
        (10.0f + 78.0f * SmoothStep(450.0f, 1150.0f, r)) * (1.0f - 0.92f * SmoothStep(1250.0f, 1480.0f, r));
    float h = mask > 0.0f ? mask * amplitude * Dunes(x, z) : 0.0f;
    return h - Basin(x, z);
}

}  // namespace ground

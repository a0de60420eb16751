// s.kst: the sky dome, a sphere of 1,500 world units around the scene, drawn
// by the saver unlit and unfogged at scale 30 (Generators.h, GenerateSky).
//
// Seen from inside, so every face winds counter-clockwise from the centre. The
// rings crowd toward the horizon, where the gradient changes fastest and the
// camera looks most; the band below the horizon (the skirt) reaches 30 degrees
// down, so wherever the ground ends there is sky behind it. Lumps: the model,
// then the dome picture (24-bit uncompressed TGA) and the band (32-bit
// uncompressed TGA, opaque), texture k for material k.
#include <cmath>
#include <cstdio>

#include "Generators.h"
#include "MeshBuilder.h"
#include "Registry.h"
#include "SkyDome.h"
#include "writers/ContainerWriter.h"
#include "writers/TGAWriter.h"

namespace {

constexpr int kAzimuthSegments = 72;
constexpr int kDomePicture = 1024;
constexpr int kBandWidth = 512;
constexpr int kBandHeight = 128;

Vec3 DomePoint(float azimuthRadians, float elevationDegrees) {
    float e = elevationDegrees * kPi / 180.0f;
    return V3(kSkyRadius * std::cos(e) * std::cos(azimuthRadians), kSkyRadius * std::sin(e),
              kSkyRadius * std::cos(e) * std::sin(azimuthRadians));
}

// One band of rings between elevations, faces toward the centre.
// `uv` gives a ring point's texture coordinates from (azimuth step, elevation).
template <typename UV>
void AddRings(MeshBuilder& mesh, const std::vector<float>& elevations, UV uv) {
    std::vector<std::vector<uint32_t>> rings;
    for (float e : elevations) {
        std::vector<uint32_t> ring;
        for (int k = 0; k < kAzimuthSegments; ++k)
            ring.push_back(mesh.AddVertex(DomePoint(2.0f * kPi * k / kAzimuthSegments, e), -1));
        rings.push_back(ring);
    }
    for (std::size_t i = 0; i + 1 < rings.size(); ++i) {
        for (int k = 0; k < kAzimuthSegments; ++k) {
            int k1 = k + 1;
            auto corner = [&](std::size_t r, int step) {
                float s, t;
                uv(step, elevations[r], &s, &t);
                return MeshCorner{rings[r][step % kAzimuthSegments], s, t};
            };
            // Azimuth grows from +x toward +z; along the ring first, then up,
            // winds counter-clockwise as seen from the centre.
            mesh.AddQuad(corner(i, k), corner(i, k1), corner(i + 1, k1), corner(i + 1, k));
        }
    }
}

void BuildDome(MeshBuilder& mesh) {
    mesh.BeginGroup("dome", 0);
    std::vector<float> elevations{kSkySplitDegrees, 10, 12.5f, 15, 18, 22, 26, 31, 36, 42, 48, 55, 62, 70, 78, 85};
    auto uv = [](int step, float elevation, float* s, float* t) {
        float az = 2.0f * kPi * step / kAzimuthSegments;
        float rho = (90.0f - elevation) / (90.0f - kSkySplitDegrees) * kSkyDomeTextureRadius;
        *s = 0.5f + rho * std::cos(az);
        *t = 0.5f + rho * std::sin(az);
    };
    AddRings(mesh, elevations, uv);

    // Close the top with a fan around the zenith.
    uint32_t base = static_cast<uint32_t>(mesh.VertexCount()) - kAzimuthSegments;
    uint32_t zenith = mesh.AddVertex(V3(0, kSkyRadius, 0), -1);
    for (int k = 0; k < kAzimuthSegments; ++k) {
        float s0, t0, s1, t1;
        uv(k, elevations.back(), &s0, &t0);
        uv(k + 1, elevations.back(), &s1, &t1);
        mesh.AddTriangle(MeshCorner{base + k, s0, t0}, MeshCorner{base + (k + 1) % kAzimuthSegments, s1, t1},
                         MeshCorner{zenith, 0.5f, 0.5f});
    }
}

void BuildHorizonBand(MeshBuilder& mesh) {
    mesh.BeginGroup("horizon", 1);
    std::vector<float> elevations{kSkySkirtDegrees, -18, -9, -4, -1.5f, 0, 1, 2, 3, 4, 5, 6.5f, kSkySplitDegrees};
    const float span = kSkySplitDegrees - kSkySkirtDegrees;
    auto uv = [span](int step, float elevation, float* s, float* t) {
        *s = static_cast<float>(step) / kAzimuthSegments;
        // Texel centres, so the top and bottom rows are sampled without
        // wrapping into each other.
        float row = (elevation - kSkySkirtDegrees) / span * (kBandHeight - 1);
        *t = (row + 0.5f) / kBandHeight;
    };
    AddRings(mesh, elevations, uv);
}


}  // namespace

bool GenerateSky(const std::string& path) {
    MeshBuilder mesh;
    BuildDome(mesh);
    BuildHorizonBand(mesh);

    MS3DData model;
    std::string error;
    if (!mesh.Export(1.0f / kSkyModelScale, &model, &error)) {
        std::fprintf(stderr, "s.kst: %s\n", error.c_str());
        return false;
    }
    model.materials = {GreyMaterial("sky dome", 1.0f, 1.0f), GreyMaterial("horizon haze", 1.0f, 1.0f)};

    std::vector<LumpData> lumps(3);
    lumps[0].bytes = EncodeMS3D(model, &error);
    lumps[1] = LumpData{EncodeTGA(PaintSkyDome(kDomePicture), false), 1, 0};
    lumps[2] = LumpData{EncodeTGA(PaintHorizonBand(kBandWidth, kBandHeight), false), 1, 0};
    for (const LumpData& lump : lumps) {
        if (lump.bytes.empty()) {
            std::fprintf(stderr, "s.kst: encoding failed %s\n", error.c_str());
            return false;
        }
    }
    std::vector<uint8_t> file = BuildContainer(lumps);
    if (file.empty() || !WriteFileAtomically(path, file, &error)) {
        std::fprintf(stderr, "s.kst: %s\n", error.c_str());
        return false;
    }
    return true;
}

static const GeneratorRegistration kSky{"s.kst", GenerateSky};

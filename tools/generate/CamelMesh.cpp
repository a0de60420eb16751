// The camel's mesh: a dromedary shaped from lofted cross-sections.
//
// The torso is one smooth tube along the body's length whose cross-section is
// a rounded box with the hump raised out of its spine; the neck is a tube
// along a curve that dips forward from the chest and rises to the head; the
// head is a tube of asymmetric sections from the back of the skull to the
// drooping upper lip; each leg is one tube from inside the shoulder or hip
// down to the pastern, ending in a broad, flat-soled, two-toed pad.
//
// Skinning is rigid: a vertex follows one joint. Where a tube passes from one
// joint to the next, its rings change owner, so the triangles between them
// stretch and the surface never opens; parts that meet another part (legs,
// neck, tail into the torso) start inside it, so as they turn about their
// pivots no gap can show.
#include "CamelMesh.h"

#include <cmath>
#include <vector>

#include "CamelAtlas.h"
#include "CamelRig.h"

namespace camel {
namespace {

// Cubic Hermite through a table of samples, tangents by finite differences:
// smooth, and exact at every sample.
float Profile(const std::vector<float>& xs, const std::vector<float>& ys, float x) {
    const std::size_t n = xs.size();
    if (x <= xs.front()) return ys.front();
    if (x >= xs.back()) return ys.back();
    std::size_t i = 1;
    while (xs[i] < x) ++i;
    auto slope = [&](std::size_t k) {
        std::size_t lo = k == 0 ? 0 : k - 1, hi = k + 1 >= n ? n - 1 : k + 1;
        return (ys[hi] - ys[lo]) / (xs[hi] - xs[lo]);
    };
    const float h = xs[i] - xs[i - 1];
    const float t = (x - xs[i - 1]) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * ys[i - 1] + (t3 - 2 * t2 + t) * h * slope(i - 1) + (-2 * t3 + 3 * t2) * ys[i] +
           (t3 - t2) * h * slope(i);
}

// sign(v) |v|^(2/p): a superellipse's coordinate; p = 2 is an ellipse.
float Super(float v, float p) { return std::copysign(std::pow(std::fabs(v), 2.0f / p), v); }

Vec3 Bezier(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, float t) {
    float u = 1 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

// A frame for a curve in the camel's middle plane: side is always +x.
Frame SagittalFrame(Vec3 forward) {
    Frame f;
    f.forward = Normalized(forward);
    f.side = V3(1, 0, 0);
    f.up = Cross(f.forward, f.side);
    return f;
}

LoftOptions Uv(float aroundFrom, float aroundTo, float alongFrom, float alongTo, bool swap) {
    LoftOptions o;
    o.aroundOffset = aroundFrom;
    o.aroundScale = aroundTo - aroundFrom;
    o.alongOffset = alongFrom;
    o.alongScale = alongTo - alongFrom;
    o.swapST = swap;
    return o;
}

// A closed ellipsoid around centre (radii along the frame's side, up and
// forward), textured from one swatch of a picture.
void Ellipsoid(MeshBuilder& mesh, Vec3 centre, const Frame& f, Vec3 radii, int joint, float s, float halfWidth,
               Band band) {
    const int rings = 6, around = 10;
    std::vector<LoftRing> loft;
    for (int i = 1; i < rings; ++i) {
        float a = kPi * static_cast<float>(i) / rings;  // from the back pole to the front pole
        float r = std::sin(a);
        Vec3 c = centre - f.forward * (radii.z * std::cos(a));
        loft.push_back(
            LoftRing{EllipseRing(c, f, radii.x * r, radii.y * r, around), joint, static_cast<float>(i) / rings});
    }
    LoftOptions o = Uv(s - halfWidth, s + halfWidth, band.t0, band.t1, false);
    o.capStart = o.capEnd = true;
    o.startPole = centre - f.forward * radii.z;
    o.endPole = centre + f.forward * radii.z;
    o.startPoleJoint = o.endPoleJoint = joint;
    Loft(mesh, loft, o);
}

// ---- Torso -----------------------------------------------------------------

struct TorsoTable {
    std::vector<float> z{-0.99f, -0.94f, -0.84f, -0.66f, -0.44f, -0.22f, 0.00f,
                         0.20f,  0.40f,  0.56f,  0.72f,  0.86f,  0.95f,  0.99f};
    std::vector<float> top{1.56f, 1.66f, 1.73f, 1.77f, 1.79f, 1.81f, 1.83f,
                           1.85f, 1.87f, 1.86f, 1.80f, 1.71f, 1.62f, 1.55f};
    std::vector<float> bottom{1.46f, 1.38f, 1.32f, 1.26f, 1.19f, 1.13f, 1.10f,
                              1.08f, 1.05f, 1.04f, 1.10f, 1.20f, 1.30f, 1.40f};
    std::vector<float> width{0.05f, 0.17f, 0.24f, 0.28f, 0.31f, 0.33f, 0.335f,
                             0.32f, 0.30f, 0.28f, 0.26f, 0.22f, 0.15f, 0.06f};
    std::vector<float> hump{0.0f, 0.0f, 0.0f, 0.02f, 0.13f, 0.30f, 0.36f, 0.27f, 0.10f, 0.02f, 0.0f, 0.0f, 0.0f, 0.0f};
};

const TorsoTable& Torso() {
    static const TorsoTable table;
    return table;
}

constexpr float kTorsoFront = 0.99f;
constexpr float kTorsoBack = -0.99f;

void BuildTorso(MeshBuilder& mesh) {
    const int rings = 30, around = 28;
    std::vector<LoftRing> loft;
    for (int i = 0; i < rings; ++i) {
        // Crowd the rings toward the rounded ends.
        float z = -0.985f * std::cos(kPi * static_cast<float>(i) / (rings - 1));
        LoftRing ring;
        ring.joint = kBody;
        ring.along = (z - kTorsoBack) / (kTorsoFront - kTorsoBack);
        for (int k = 0; k < around; ++k) ring.points.push_back(TorsoSurface(z, 2.0f * kPi * k / around));
        loft.push_back(ring);
    }
    LoftOptions o = Uv(kTorsoBand.t0, kTorsoBand.t1, 0.0f, 1.0f, true);
    o.capStart = o.capEnd = true;
    o.startPole = V3(0, 1.50f, -1.0f);
    o.endPole = V3(0, 1.48f, 1.0f);
    o.startPoleJoint = o.endPoleJoint = kBody;
    Loft(mesh, loft, o);
}

// ---- Neck and head ------------------------------------------------------------

const Vec3 kNeck[4] = {V3(0, 1.55f, 0.60f), V3(0, 1.32f, 1.00f), V3(0, 1.22f, 1.42f), V3(0, 1.92f, 1.50f)};

void BuildNeck(MeshBuilder& mesh) {
    const std::vector<float> at{0.0f, 0.15f, 0.35f, 0.55f, 0.80f, 1.0f};
    const std::vector<float> depth{0.24f, 0.19f, 0.15f, 0.125f, 0.105f, 0.09f};  // half, along the frame's up
    const std::vector<float> width{0.17f, 0.13f, 0.10f, 0.088f, 0.078f, 0.07f};  // half, across
    const int rings = 22, around = 16;
    std::vector<LoftRing> loft;
    for (int i = 0; i < rings; ++i) {
        float t = static_cast<float>(i) / (rings - 1);
        Vec3 c = Bezier(kNeck[0], kNeck[1], kNeck[2], kNeck[3], t);
        Vec3 ahead = Bezier(kNeck[0], kNeck[1], kNeck[2], kNeck[3], std::min(1.0f, t + 0.01f)) -
                     Bezier(kNeck[0], kNeck[1], kNeck[2], kNeck[3], std::max(0.0f, t - 0.01f));
        int joint = t < 0.10f ? kBody : t < 0.5f ? kNeckBase : t < 0.93f ? kNeckMid : kHead;
        loft.push_back(LoftRing{
            EllipseRing(c, SagittalFrame(ahead), Profile(at, width, t), Profile(at, depth, t), around), joint, t});
    }
    LoftOptions o = Uv(kNeckBand.t0, kNeckBand.t1, 0.0f, 1.0f, true);
    o.capStart = o.capEnd = true;
    o.startPole = kNeck[0] + V3(0, 0.02f, -0.06f);
    o.endPole = kNeck[3] + V3(0, 0.05f, 0.0f);
    o.startPoleJoint = kBody;
    o.endPoleJoint = kHead;
    Loft(mesh, loft, o);
}

const Vec3 kSkull = V3(0, 1.97f, 1.44f);   // back of the skull, on the head's axis
const Vec3 kMuzzle = V3(0, 1.80f, 1.98f);  // tip of the upper lip

struct HeadSection {
    Vec3 centre;
    Frame frame;
    float halfWidth, top, bottom;
};

HeadSection HeadAt(float u) {
    static const std::vector<float> at{0.0f, 0.08f, 0.2f, 0.32f, 0.45f, 0.6f, 0.75f, 0.86f, 0.95f, 1.0f};
    static const std::vector<float> w{0.05f, 0.082f, 0.095f, 0.092f, 0.071f, 0.060f, 0.061f, 0.060f, 0.048f, 0.023f};
    static const std::vector<float> top{0.05f, 0.082f, 0.094f, 0.083f, 0.067f, 0.060f, 0.064f, 0.064f, 0.053f, 0.023f};
    static const std::vector<float> bottom{0.057f, 0.098f, 0.109f, 0.103f, 0.085f,
                                           0.069f, 0.069f, 0.062f, 0.046f, 0.023f};
    HeadSection h;
    h.frame = SagittalFrame(kMuzzle - kSkull);
    h.centre = Lerp(kSkull, kMuzzle, u);
    h.halfWidth = Profile(at, w, u);
    h.top = Profile(at, top, u);
    h.bottom = Profile(at, bottom, u);
    return h;
}

std::vector<Vec3> HeadRing(float u, int around, float grow) {
    HeadSection h = HeadAt(u);
    std::vector<Vec3> ring;
    for (int k = 0; k < around; ++k) {
        float a = 2.0f * kPi * k / around;
        float c = std::cos(a);
        float vertical = (c > 0 ? h.top : h.bottom) * c;
        ring.push_back(h.centre + h.frame.side * ((h.halfWidth + grow) * std::sin(a)) +
                       h.frame.up * (vertical + grow * c));
    }
    return ring;
}

void BuildHead(MeshBuilder& mesh) {
    const int rings = 18, around = 18;
    std::vector<LoftRing> loft;
    for (int i = 0; i < rings; ++i) {
        float u = 0.02f + 0.96f * static_cast<float>(i) / (rings - 1);
        loft.push_back(LoftRing{HeadRing(u, around, 0.0f), kHead, u});
    }
    LoftOptions o = Uv(kHeadBand.t0, kHeadBand.t1, 0.0f, 1.0f, true);
    o.capStart = o.capEnd = true;
    Frame f = HeadAt(0).frame;
    o.startPole = kSkull - f.forward * 0.02f + f.up * 0.005f;
    o.endPole = kMuzzle + f.forward * 0.006f - f.up * 0.01f;
    o.startPoleJoint = o.endPoleJoint = kHead;
    Loft(mesh, loft, o);
}

// Small, rounded ears at the back of the skull, turned up, back and out.
void BuildEars(MeshBuilder& mesh) {
    for (float side : {1.0f, -1.0f}) {
        HeadSection h = HeadAt(0.1f);
        Vec3 base = h.centre + h.frame.up * 0.06f + h.frame.side * (0.045f * side);
        Vec3 dir = Normalized(h.frame.up * 1.0f - h.frame.forward * 0.55f + h.frame.side * (0.45f * side));
        Frame f = FrameAround(dir, h.frame.forward);
        std::vector<LoftRing> loft;
        const float len = 0.07f;
        const float radius[] = {0.027f, 0.03f, 0.026f, 0.017f};
        for (int i = 0; i < 4; ++i) {
            float t = static_cast<float>(i) / 4;
            loft.push_back(LoftRing{EllipseRing(base + dir * (len * t), f, radius[i] * 0.55f, radius[i], 8), kHead,
                                    0.15f + 0.1f * t});
        }
        LoftOptions o = Uv(kHeadBand.t0, kHeadBand.t1, 0.0f, 1.0f, true);
        o.capEnd = true;
        o.endPole = base + dir * len;
        o.endPoleJoint = kHead;
        Loft(mesh, loft, o);
    }
}

// ---- Tail ----------------------------------------------------------------------

const Vec3 kTailPath[4] = {V3(0, 1.60f, -0.90f), V3(0, 1.52f, -1.02f), V3(0, 1.18f, -1.05f), V3(0, 0.98f, -1.00f)};

void BuildTail(MeshBuilder& mesh) {
    const int rings = 10;
    std::vector<LoftRing> loft;
    for (int i = 0; i < rings; ++i) {
        float t = static_cast<float>(i) / (rings - 1);
        Vec3 c = Bezier(kTailPath[0], kTailPath[1], kTailPath[2], kTailPath[3], t);
        Vec3 d = Bezier(kTailPath[0], kTailPath[1], kTailPath[2], kTailPath[3], std::min(1.0f, t + 0.02f)) -
                 Bezier(kTailPath[0], kTailPath[1], kTailPath[2], kTailPath[3], std::max(0.0f, t - 0.02f));
        float r = Mix(0.05f, 0.024f, t);
        loft.push_back(LoftRing{EllipseRing(c, SagittalFrame(d), r, r * 1.2f, 8), kTail, 0.02f * t});
    }
    LoftOptions o = Uv(kTorsoBand.t0, kTorsoBand.t1, 0.0f, 1.0f, true);
    o.capStart = o.capEnd = true;
    o.startPole = kTailPath[0] + V3(0, 0, 0.06f);
    o.endPole = kTailPath[3] + V3(0, -0.01f, 0);
    o.startPoleJoint = o.endPoleJoint = kTail;
    Loft(mesh, loft, o);
}

void BuildTuft(MeshBuilder& mesh) {
    Vec3 top = kTailPath[3] + V3(0, 0.04f, 0);
    Frame f = FrameAround(V3(0, -1, -0.1f), V3(0, 0, -1));
    Ellipsoid(mesh, top + f.forward * 0.09f, f, V3(0.038f, 0.045f, 0.11f), kTail, kTuftSwatch, kSwatchHalfWidth,
              kDarkBand);
}

// ---- Legs ------------------------------------------------------------------------

struct LegSample {
    Vec3 centre;
    Vec3 direction;
    float radius;
    float textureT;  // along the leg's band, 1 at the top, 0 at the pastern
    int joint;
};

std::vector<LegSample> LegSamples(int leg) {
    const bool front = IsFront(leg);
    const Vec3 pivot = LegPoint(leg, kUpper), mid = LegPoint(leg, kMiddle);
    const Vec3 low = LegPoint(leg, kLower), fet = LegPoint(leg, kFoot);
    const Vec3 pastern = PadCentre(leg) + V3(0, 0.035f, -0.03f);
    // The upper bone is mostly inside the body; the tube starts where the leg
    // leaves the body's underside, so no slab of it shows on the flank.
    const Vec3 top = Lerp(pivot, mid, front ? 0.5f : 0.45f);
    struct Span {
        Vec3 from, to;
        int joint, count;
        float r0, r1, t0, t1;
    };
    const Span spans[] = {
        {top, mid, LegJoint(leg, kUpper), 3, front ? 0.08f : 0.105f, front ? 0.08f : 0.10f, 1.0f, kLegElbowAt},
        {mid, low, LegJoint(leg, kMiddle), 7, front ? 0.085f : 0.11f, front ? 0.05f : 0.05f, kLegElbowAt, kLegKneeAt},
        {low, fet, LegJoint(leg, kLower), 6, 0.052f, 0.04f, kLegKneeAt, 0.12f},
        {fet, pastern, LegJoint(leg, kFoot), 3, 0.048f, 0.044f, 0.12f, 0.0f},
    };
    std::vector<LegSample> out;
    for (const Span& s : spans) {
        for (int i = 0; i < s.count; ++i) {
            float t = static_cast<float>(i) / s.count;
            float r = Mix(s.r0, s.r1, t);
            out.push_back(LegSample{Lerp(s.from, s.to, t), s.to - s.from, r, Mix(s.t0, s.t1, t), s.joint});
        }
    }
    out.push_back(LegSample{pastern, pastern - fet, 0.044f, 0.0f, LegJoint(leg, kFoot)});

    // Knobbly joints: the knee (or hock) and the fetlock bulge, and each ring at
    // a joint takes the average direction of the bones either side.
    for (std::size_t i = 1; i + 1 < out.size(); ++i) {
        if (out[i].joint != out[i - 1].joint) {
            out[i].direction = Normalized(out[i - 1].direction) + Normalized(out[i].direction);
            if (out[i].joint == LegJoint(leg, kLower)) out[i].radius *= 1.35f;
            if (out[i].joint == LegJoint(leg, kFoot)) out[i].radius *= 1.2f;
        }
    }
    return out;
}

void BuildLeg(MeshBuilder& mesh, int leg) {
    const std::vector<LegSample> samples = LegSamples(leg);
    const Band band = IsFront(leg) ? kFrontLegBand : kHindLegBand;
    std::vector<LoftRing> loft;
    for (const LegSample& s : samples) {
        // Legs are deeper front to back than across; the frame's up is forward.
        Frame f = FrameAround(s.direction, V3(0, 0, 1));
        loft.push_back(LoftRing{EllipseRing(s.centre, f, s.radius * 0.85f, s.radius * 1.12f, 12), s.joint, s.textureT});
    }
    LoftOptions o = Uv(0.0f, 1.0f, band.t0, band.t1, false);
    o.capStart = o.capEnd = true;
    o.startPole = samples.front().centre - Normalized(samples.front().direction) * (samples.front().radius * 0.8f);
    o.endPole = samples.back().centre + Normalized(samples.back().direction) * 0.02f;
    o.startPoleJoint = samples.front().joint;
    o.endPoleJoint = samples.back().joint;
    Loft(mesh, loft, o);
}

// The pad: broad, flat-soled (its lowest points lie exactly on y = 0 at rest),
// split into two toes at the front.
void BuildPad(MeshBuilder& mesh, int leg) {
    const Vec3 c = PadCentre(leg);
    const int joint = LegJoint(leg, kFoot);
    const float halfWidth = IsFront(leg) ? 0.10f : 0.09f;
    const float back = 0.11f, ahead = 0.14f, halfHeight = 0.06f;
    const int rings = 9, around = 16;
    std::vector<LoftRing> loft;
    for (int i = 1; i <= rings; ++i) {
        float v = -1.0f + 2.0f * static_cast<float>(i) / (rings + 1);  // -1 heel .. +1 toe
        float z = c.z + (v < 0 ? back : ahead) * v;
        float shape = std::sqrt(std::max(0.0f, 1.0f - v * v));
        LoftRing ring;
        ring.joint = joint;
        ring.along = (v + 1.0f) * 0.5f;
        for (int k = 0; k < around; ++k) {
            float a = 2.0f * kPi * k / around;
            float x = halfWidth * std::pow(shape, 0.7f) * Super(std::sin(a), 2.6f);
            float y = c.y + halfHeight * std::pow(shape, 0.8f) * Super(std::cos(a), 2.6f);
            // The cleft between the two toes, deepest at the front and on top.
            float cleft = std::max(0.0f, v) * std::exp(-(x * x) / (0.018f * 0.018f)) * std::max(0.0f, std::cos(a));
            y -= 0.025f * cleft;
            ring.points.push_back(V3(c.x + x, std::max(0.0f, y), z));
        }
        loft.push_back(ring);
    }
    LoftOptions o =
        Uv(kSoleSwatch - kSwatchHalfWidth, kSoleSwatch + kSwatchHalfWidth, kDarkBand.t0, kDarkBand.t1, false);
    o.capStart = o.capEnd = true;
    o.startPole = V3(c.x, c.y, c.z - back);
    o.endPole = V3(c.x, c.y, c.z + ahead);
    o.startPoleJoint = o.endPoleJoint = joint;
    Loft(mesh, loft, o);

    for (float side : {1.0f, -1.0f}) {
        Vec3 nail = c + V3(0.042f * side, 0.028f, ahead - 0.035f);
        Ellipsoid(mesh, nail, FrameAround(V3(0, -0.3f, 1), V3(0, 1, 0)), V3(0.02f, 0.012f, 0.025f), joint, kNailSwatch,
                  kSwatchHalfWidth, kDarkBand);
    }
}

// ---- Tack --------------------------------------------------------------------------

constexpr float kBlanketBack = -0.52f;
constexpr float kBlanketFront = 0.44f;
constexpr float kBlanketReach = 1.35f;  // radians round from the spine to each hem

Vec3 TorsoNormal(float z, float a) {
    const float e = 0.004f;
    Vec3 dz = TorsoSurface(z + e, a) - TorsoSurface(z - e, a);
    Vec3 da = TorsoSurface(z, a + e) - TorsoSurface(z, a - e);
    return Normalized(Cross(dz, da));
}

Vec3 BlanketPoint(float z, float a) {
    float edge = std::fabs(a) / kBlanketReach;
    return TorsoSurface(z, a) + TorsoNormal(z, a) * (0.018f + 0.03f * edge * edge);
}

void BuildBlanket(MeshBuilder& mesh) {
    const int along = 16, across = 20;
    std::vector<std::vector<uint32_t>> rows;  // along the body; each row runs from the left hem to the right
    for (int i = 0; i <= along; ++i) {
        float z = Mix(kBlanketBack, kBlanketFront, static_cast<float>(i) / along);
        std::vector<uint32_t> row;
        for (int j = 0; j <= across; ++j) {
            float a = Mix(kBlanketReach, -kBlanketReach, static_cast<float>(j) / across);
            row.push_back(mesh.AddVertex(BlanketPoint(z, a), kBody));
        }
        rows.push_back(row);
    }
    auto corner = [&](int i, int j) {
        return MeshCorner{rows[i][j], static_cast<float>(i) / along, kBlanketBand.At(static_cast<float>(j) / across)};
    };
    for (int i = 0; i < along; ++i)
        for (int j = 0; j < across; ++j)
            mesh.AddQuad(corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j));

    // The fringe hangs from both hems.
    for (float side : {1.0f, -1.0f}) {
        std::vector<uint32_t> top, bottom;
        for (int i = 0; i <= along; ++i) {
            float z = Mix(kBlanketBack, kBlanketFront, static_cast<float>(i) / along);
            Vec3 p = BlanketPoint(z, side * kBlanketReach);
            top.push_back(mesh.AddVertex(p, kBody));
            bottom.push_back(mesh.AddVertex(p + V3(0.012f * side, -0.11f, 0), kBody));
        }
        for (int i = 0; i < along; ++i) {
            float s0 = 6.0f * i / along, s1 = 6.0f * (i + 1) / along;
            MeshCorner a{top[i], s0, kFringeBand.At(0.98f)}, b{top[i + 1], s1, kFringeBand.At(0.98f)};
            MeshCorner c{bottom[i + 1], s1, kFringeBand.At(0.03f)}, d{bottom[i], s0, kFringeBand.At(0.03f)};
            if (side > 0)
                mesh.AddQuad(a, b, c, d);
            else
                mesh.AddQuad(a, d, c, b);
        }
    }
}

// A noseband and a headstall: bands just proud of the head's surface.
void BuildHalter(MeshBuilder& mesh) {
    for (float u : {0.73f, 0.16f}) {
        std::vector<LoftRing> loft;
        for (int i = 0; i < 2; ++i)
            loft.push_back(LoftRing{HeadRing(u + 0.035f * i, 18, 0.006f), kHead, static_cast<float>(i)});
        Loft(mesh, loft, Uv(0.0f, 3.0f, kStrapBand.t0, kStrapBand.t1, false));
    }
}

void BuildEyes(MeshBuilder& mesh) {
    for (float side : {1.0f, -1.0f}) {
        HeadSection h = HeadAt(0.3f);
        Vec3 centre = h.centre + h.frame.side * ((h.halfWidth - 0.006f) * side) + h.frame.up * 0.028f;
        Frame f = FrameAround(h.frame.side * side, h.frame.up);
        Ellipsoid(mesh, centre, f, V3(0.022f, 0.017f, 0.018f), kHead, kEyeSwatch, kSwatchHalfWidth, kDarkBand);
    }
}

}  // namespace

Vec3 TorsoSurface(float z, float around) {
    const TorsoTable& t = Torso();
    float top = Profile(t.z, t.top, z), bottom = Profile(t.z, t.bottom, z);
    float width = Profile(t.z, t.width, z), hump = Profile(t.z, t.hump, z);
    float centre = 0.5f * (top + bottom), half = 0.5f * (top - bottom);
    float s = std::sin(around), c = std::cos(around);
    float x = width * Super(s, 2.5f);
    float y = centre + half * Super(c, 2.3f) + hump * std::pow(std::max(0.0f, c), 6.0f);
    return V3(x, y, z);
}

void BuildCamelMesh(MeshBuilder& mesh) {
    mesh.BeginGroup("coat", 0);
    BuildTorso(mesh);
    BuildNeck(mesh);
    BuildHead(mesh);
    BuildEars(mesh);
    BuildTail(mesh);
    for (int leg = 0; leg < kLegCount; ++leg) BuildLeg(mesh, leg);

    mesh.BeginGroup("tack", 1);
    BuildBlanket(mesh);
    BuildHalter(mesh);
    BuildEyes(mesh);
    BuildTuft(mesh);
    for (int leg = 0; leg < kLegCount; ++leg) BuildPad(mesh, leg);
}

}  // namespace camel

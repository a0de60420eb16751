// The landmarks: what the camera director looks at, built where
// GroundScene.h's list puts them.
//
//   stone: three pyramids of coursed limestone, and a ruined temple, a
//     stepped platform with a colonnade, some columns whole and carrying
//     their lintels, some broken, some fallen in drums on the sand;
//   rock: a sandstone arch with a few fallen boulders, and a mesa on the
//     northern horizon, cliffs over a talus apron, its strata level with the
//     world because they are textured by height;
//   palms: date palms and reeds round the oasis pool.
//
// The ground is drawn with back faces culled, so anything thin (a frond, a
// reed) is built from two surfaces, one for each side. Rocks and columns are
// textured by planar projection in world units, so their patterns keep one
// scale whatever the size of the piece.
#include <cmath>

#include "GroundScene.h"
#include "NoiseField.h"

namespace ground {
namespace {

const Landmark& Site(const char* name) {
    for (const Landmark& l : Landmarks())
        if (l.name == name) return l;
    return Landmarks().front();
}

// A flat-shaded polygon face (counter-clockwise from outside), textured by
// projecting onto the plane of its two most spread axes.
void Face(MeshBuilder& mesh, const std::vector<Vec3>& points, float texel) {
    Vec3 n = Normalized(Cross(points[1] - points[0], points[2] - points[0]));
    std::vector<MeshCorner> corners;
    for (const Vec3& p : points) {
        uint32_t v = mesh.AddVertex(p, -1);
        float s, t;
        if (std::fabs(n.y) > 0.7f) {
            s = p.x / texel, t = p.z / texel;
        } else if (std::fabs(n.x) > std::fabs(n.z)) {
            s = p.z / texel, t = p.y / texel;
        } else {
            s = p.x / texel, t = p.y / texel;
        }
        corners.push_back(MeshCorner{v, s, t});
    }
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) mesh.AddTriangle(corners[0], corners[k], corners[k + 1]);
}

// A box turned by yaw (radians) about its vertical axis.
void Box(MeshBuilder& mesh, Vec3 centre, Vec3 half, float yaw, float texel) {
    Mat3 r = RotationY(yaw);
    auto p = [&](float sx, float sy, float sz) { return centre + r * V3(sx * half.x, sy * half.y, sz * half.z); };
    Face(mesh, {p(-1, -1, 1), p(1, -1, 1), p(1, 1, 1), p(-1, 1, 1)}, texel);      // +z
    Face(mesh, {p(1, -1, -1), p(-1, -1, -1), p(-1, 1, -1), p(1, 1, -1)}, texel);  // -z
    Face(mesh, {p(1, -1, 1), p(1, -1, -1), p(1, 1, -1), p(1, 1, 1)}, texel);      // +x
    Face(mesh, {p(-1, -1, -1), p(-1, -1, 1), p(-1, 1, 1), p(-1, 1, -1)}, texel);  // -x
    Face(mesh, {p(-1, 1, 1), p(1, 1, 1), p(1, 1, -1), p(-1, 1, -1)}, texel);      // top
}

// An upright or lying cylinder from `base` along `axis` (its length), smooth
// round its side, capped at the far end (and the near end when asked).
void Cylinder(MeshBuilder& mesh, Vec3 base, Vec3 axis, float radius, int sides, bool capBase, float texel) {
    Frame f = FrameAround(axis, std::fabs(axis.y) > 0.9f ? V3(0, 0, 1) : V3(0, 1, 0));
    const float length = Length(axis);
    std::vector<LoftRing> rings;
    for (int i = 0; i < 2; ++i)
        rings.push_back(LoftRing{EllipseRing(base + axis * static_cast<float>(i), f, radius, radius, sides), -1,
                                 length * i / texel});
    LoftOptions o;
    o.aroundScale = 2.0f * kPi * radius / texel;
    Loft(mesh, rings, o);
    std::vector<Vec3> top = rings[1].points;
    std::vector<Vec3> topFace(top.rbegin(), top.rend());
    Face(mesh, topFace, texel);
    if (capBase) Face(mesh, rings[0].points, texel);
}

// ---- Stone ------------------------------------------------------------------------

void Pyramid(MeshBuilder& mesh, float x, float z, float halfBase, float height, float yaw) {
    Mat3 r = RotationY(yaw);
    const float sunk = 3.0f;  // the base sits below the sand, so no seam shows
    const float grow = halfBase * (1.0f + sunk / height);
    Vec3 apex = V3(x, height, z);
    Vec3 c[4];
    const float sx[4] = {-1, 1, 1, -1}, sz[4] = {1, 1, -1, -1};
    for (int k = 0; k < 4; ++k) c[k] = V3(x, -sunk, z) + r * V3(sx[k] * grow, 0, sz[k] * grow);
    const float slant = std::hypot(height + sunk, grow);
    for (int k = 0; k < 4; ++k) {
        Vec3 a = c[k], b = c[(k + 1) % 4];
        // Courses run level round the pyramid: t climbs the slant, s runs
        // along the base, both in world units of the picture's repeat.
        const float width = 2.0f * grow / 24.0f, up = slant / 16.0f;
        MeshCorner ca{mesh.AddVertex(a, -1), 0.0f, 0.0f}, cb{mesh.AddVertex(b, -1), width, 0.0f};
        MeshCorner ct{mesh.AddVertex(apex, -1), width * 0.5f, up};
        mesh.AddTriangle(ca, cb, ct);
    }
}

void Temple(MeshBuilder& mesh) {
    const Landmark& site = Site("temple ruins");
    const Vec3 o = V3(site.x, 0, site.z);
    const float yaw = 0.35f;
    const Mat3 r = RotationY(yaw);
    NoiseRandom random(0x7e3913u);
    // The stepped platform.
    Box(mesh, o + V3(0, 0.2f, 0), V3(30, 1.4f, 20), yaw, 8.0f);
    Box(mesh, o + V3(0, 1.8f, 0), V3(27, 1.2f, 17.5f), yaw, 8.0f);
    const float deck = 3.0f;
    // The colonnade: six columns a side along the length, four across.
    struct Spot {
        float x, z;
    };
    std::vector<Spot> spots;
    for (int i = 0; i < 6; ++i)
        spots.push_back({-22.5f + 9.0f * i, 13.0f}), spots.push_back({-22.5f + 9.0f * i, -13.0f});
    for (int i = 1; i < 3; ++i)
        spots.push_back({-22.5f, -13.0f + 8.67f * i}), spots.push_back({22.5f, -13.0f + 8.67f * i});
    const float whole = 14.0f;
    std::vector<bool> standing;
    for (std::size_t k = 0; k < spots.size(); ++k) {
        Vec3 base = o + r * V3(spots[k].x, 0, spots[k].z) + V3(0, deck, 0);
        float roll = random.Uniform(0.0f, 1.0f);
        if (roll < 0.15f) {  // gone: only its base block is left
            Box(mesh, base + V3(0, 0.4f, 0), V3(1.9f, 0.4f, 1.9f), yaw, 4.0f);
            standing.push_back(false);
            continue;
        }
        bool intact = roll > 0.55f;
        float height = intact ? whole : random.Uniform(3.0f, 10.0f);
        Box(mesh, base + V3(0, 0.4f, 0), V3(1.9f, 0.4f, 1.9f), yaw, 4.0f);
        Cylinder(mesh, base + V3(0, 0.8f, 0), V3(0, height - 0.8f, 0), 1.45f, 14, false, 4.0f);
        if (intact) Box(mesh, base + V3(0, height + 0.45f, 0), V3(2.1f, 0.45f, 2.1f), yaw, 4.0f);
        standing.push_back(intact);
    }
    // Lintels over neighbouring whole columns on the long sides.
    for (std::size_t k = 0; k + 2 < 12; k += 2) {
        for (int side = 0; side < 2; ++side) {
            std::size_t a = k + side, b = k + 2 + side;
            if (!standing[a] || !standing[b]) continue;
            Vec3 mid = o + r * V3(0.5f * (spots[a].x + spots[b].x), 0, spots[a].z) + V3(0, deck + whole + 1.6f, 0);
            Box(mesh, mid, V3(5.6f, 0.7f, 1.6f), yaw, 4.0f);
        }
    }
    // Fallen drums on the sand beside the platform.
    for (int k = 0; k < 5; ++k) {
        float a = yaw + 0.5f + random.Uniform(-0.4f, 0.4f);
        Vec3 at = o + r * V3(random.Uniform(-26.0f, 26.0f), 0, random.Uniform(23.0f, 32.0f)) + V3(0, 1.4f, 0);
        Vec3 axis = V3(std::cos(a), 0, std::sin(a)) * random.Uniform(2.0f, 3.6f);
        Cylinder(mesh, at, axis, 1.4f, 12, true, 4.0f);
    }
}

// ---- Rock ---------------------------------------------------------------------------

// Rough sandstone: a ring's radius wavers with noise. `depth` stretches the
// ring along the frame's up, for fins deeper than they are thick.
std::vector<Vec3> RockRing(Vec3 centre, const Frame& f, float radius, float depth, int sides, float along,
                           uint32_t seed) {
    std::vector<Vec3> ring;
    for (int k = 0; k < sides; ++k) {
        float a = 2.0f * kPi * k / sides;
        float n = FractalNoise(std::cos(a) * 1.6f + along, std::sin(a) * 1.6f + along * 0.7f, 4, 0.6f, seed);
        float rr = radius * (0.66f + 0.68f * n);
        ring.push_back(centre + f.up * (rr * depth * std::cos(a)) + f.side * (rr * std::sin(a)));
    }
    return ring;
}

// A freestanding arch: a deep, thin fin of rock bent over an opening, its
// legs swelling into the ground, its lintel thinnest at the top.
void Arch(MeshBuilder& mesh) {
    const Landmark& site = Site("rock arch");
    const float span = 30.0f, rise = 36.0f;
    const Mat3 r = RotationY(1.45f);  // the opening faces the middle of the scene
    const int rings = 30;
    std::vector<LoftRing> loft;
    for (int i = 0; i < rings; ++i) {
        float a = -0.3f + (kPi + 0.6f) * static_cast<float>(i) / (rings - 1);  // feet start under the sand
        float up = std::max(0.0f, std::sin(a));
        Vec3 local = V3(-span * std::cos(a) * (1.0f + 0.12f * (1.0f - up)), rise * std::sin(a), 0);
        Vec3 ahead = V3(span * std::sin(a), rise * std::cos(a), 0);
        float thick = Mix(9.5f, 4.6f, std::pow(up, 1.5f));
        float depth = Mix(1.4f, 1.8f, up);
        Frame f = FrameAround(r * ahead, r * V3(0, 0, 1));
        Vec3 centre = V3(site.x, 0, site.z) + r * local;
        loft.push_back(LoftRing{RockRing(centre, f, thick, depth, 16, static_cast<float>(i) * 0.45f, 0xa4c4u), -1,
                                centre.y / 10.0f});
    }
    LoftOptions o;
    o.aroundScale = 5.0f;  // t follows each ring's height, so the strata stay level
    Loft(mesh, loft, o);
}

// A lumpy boulder: an ellipsoid whose rings waver.
void Boulder(MeshBuilder& mesh, Vec3 centre, float size, uint32_t seed) {
    Frame f = FrameAround(V3(0, 1, 0), V3(0, 0, 1));
    std::vector<LoftRing> loft;
    const int rings = 6;
    for (int i = 1; i < rings; ++i) {
        float a = kPi * i / rings;
        Vec3 c = centre + V3(0, -size * 0.8f * std::cos(a), 0);
        loft.push_back(
            LoftRing{RockRing(c, f, size * std::sin(a), 1.0f, 10, static_cast<float>(i), seed), -1, c.y / 10.0f});
    }
    LoftOptions o;
    o.aroundScale = 2.0f;
    o.capStart = o.capEnd = true;
    o.startPole = centre - V3(0, size * 0.8f, 0);
    o.endPole = centre + V3(0, size * 0.75f, 0);
    Loft(mesh, loft, o);
}

// A mesa: a talus apron, sheer cliffs cut by gullies, harder beds standing
// out as ledges, and a caprock rim over a flat top.
void Mesa(MeshBuilder& mesh) {
    const Landmark& site = Site("mesa");
    const std::vector<float> ys{-10, 4, 16, 26, 34, 46, 58, 70, 82, 94, 103, 108, 113, 116};
    const std::vector<float> radii{176, 150, 128, 116, 110, 108, 108, 105, 104, 102, 101, 104, 100, 92};
    const int sides = 72;
    Frame f = FrameAround(V3(0, 1, 0), V3(0, 0, 1));
    std::vector<LoftRing> loft;
    for (std::size_t i = 0; i < ys.size(); ++i) {
        LoftRing ring;
        ring.along = ys[i] / 14.0f;
        const float cliff = SmoothStep(20.0f, 40.0f, ys[i]);  // gullies cut the cliff, not the apron
        for (int k = 0; k < sides; ++k) {
            float a = 2.0f * kPi * k / sides;
            float outline = FractalNoise(std::cos(a) * 2.0f + 9.0f, std::sin(a) * 2.0f + 9.0f, 4, 0.5f, 0x3e5au);
            float gully = FractalNoise(std::cos(a) * 9.0f + 3.0f, std::sin(a) * 9.0f + ys[i] / 90.0f, 3, 0.5f, 0x3e5bu);
            float ledge = 3.0f * std::sin(ys[i] * 0.45f + 2.0f * outline);
            float rr = radii[i] * (0.78f + 0.44f * outline) - cliff * (22.0f * SmoothStep(0.45f, 0.8f, gully) - ledge);
            ring.points.push_back(V3(site.x, ys[i], site.z) + f.up * (rr * std::cos(a)) + f.side * (rr * std::sin(a)));
        }
        loft.push_back(ring);
    }
    // Twelve repeats round the cliffs, about 55 units each: the mesa stands
    // on the horizon and is seen from 300 units and more, where a texel is
    // then about a pixel wide (28 repeats squeezed the picture to half that,
    // and its streaks into rows of thin lines). Up the cliff a repeat is 14
    // units, so the strata stay fine and level.
    LoftOptions o;
    o.aroundScale = 12.0f;
    o.capEnd = true;
    o.endPole = V3(site.x, ys.back() + 2.0f, site.z);
    Loft(mesh, loft, o);
}

// ---- Palms and reeds -----------------------------------------------------------------

// Both sides of a thin surface: a strip of quads between two rows of points.
void TwoSided(MeshBuilder& mesh, const std::vector<Vec3>& a, const std::vector<Vec3>& b, float s0, float s1, float t0,
              float t1) {
    const std::size_t n = a.size();
    for (int side = 0; side < 2; ++side) {
        std::vector<MeshCorner> ra, rb;
        for (std::size_t i = 0; i < n; ++i) {
            float t = Mix(t0, t1, static_cast<float>(i) / (n - 1));
            ra.push_back(MeshCorner{mesh.AddVertex(a[i], -1), s0, t});
            rb.push_back(MeshCorner{mesh.AddVertex(b[i], -1), s1, t});
        }
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (side == 0)
                mesh.AddQuad(ra[i], rb[i], rb[i + 1], ra[i + 1]);
            else
                mesh.AddQuad(ra[i], ra[i + 1], rb[i + 1], rb[i]);
        }
    }
}

void Frond(MeshBuilder& mesh, Vec3 top, float azimuth, float elevation, float length, NoiseRandom& random) {
    const int segments = 5;
    const Vec3 out =
        V3(std::cos(azimuth) * std::cos(elevation), std::sin(elevation), std::sin(azimuth) * std::cos(elevation));
    const Vec3 across = Normalized(V3(-std::sin(azimuth), 0, std::cos(azimuth)));
    const float droop = length * random.Uniform(0.45f, 0.75f);
    std::vector<Vec3> spine, left, right;
    for (int i = 0; i <= segments; ++i) {
        float t = static_cast<float>(i) / segments;
        Vec3 p = top + out * (length * t) + V3(0, -droop * t * t, 0);
        float width = length * 0.16f * std::sin(kPi * std::pow(t, 0.7f)) * (i % 2 ? 0.75f : 1.0f);
        // The leaf folds down from its spine on both sides.
        spine.push_back(p);
        left.push_back(p + across * width + V3(0, -0.45f * width, 0));
        right.push_back(p - across * width + V3(0, -0.45f * width, 0));
    }
    TwoSided(mesh, left, spine, 0.52f, 0.75f, 0.02f, 0.98f);
    TwoSided(mesh, spine, right, 0.75f, 0.98f, 0.02f, 0.98f);
}

void Palm(MeshBuilder& mesh, float x, float z, float height, float lean, float leanDir, NoiseRandom& random) {
    const Vec3 base = V3(x, -1.0f, z);
    const Vec3 top = V3(x + lean * std::cos(leanDir), height, z + lean * std::sin(leanDir));
    const Vec3 bend = Lerp(base, top, 0.5f) + V3(lean * 0.3f * std::cos(leanDir), 0, lean * 0.3f * std::sin(leanDir));
    std::vector<LoftRing> loft;
    const int rings = 9;
    for (int i = 0; i < rings; ++i) {
        float t = static_cast<float>(i) / (rings - 1);
        Vec3 p = Lerp(Lerp(base, bend, t), Lerp(bend, top, t), t);
        Vec3 d = Lerp(bend - base, top - bend, t);
        float radius = Mix(0.62f, 0.36f, t) + 0.25f * std::max(0.0f, 0.15f - t);
        loft.push_back(LoftRing{EllipseRing(p, FrameAround(d, V3(0, 0, 1)), radius, radius, 8), -1, p.y / 2.5f});
    }
    LoftOptions o;
    o.aroundOffset = 0.02f;
    o.aroundScale = 0.46f;
    o.capEnd = true;
    o.endPole = top + V3(0, 0.4f, 0);
    Loft(mesh, loft, o);

    const int fronds = 9;
    const float turn = random.Uniform(0.0f, 2.0f * kPi);
    for (int k = 0; k < fronds; ++k) {
        float az = turn + 2.0f * kPi * k / fronds + random.Uniform(-0.2f, 0.2f);
        Frond(mesh, top, az, random.Uniform(0.15f, 0.75f), random.Uniform(5.5f, 7.5f), random);
    }
    Frond(mesh, top, turn + 0.4f, 1.25f, 4.0f, random);  // a young leaf, upright
}

void Reeds(MeshBuilder& mesh, float x, float z, NoiseRandom& random) {
    const int blades = 7;
    for (int k = 0; k < blades; ++k) {
        float a = random.Uniform(0.0f, 2.0f * kPi);
        float h = random.Uniform(1.6f, 3.2f);
        float w = 0.18f;
        Vec3 root = V3(x + random.Uniform(-0.8f, 0.8f), -0.2f, z + random.Uniform(-0.8f, 0.8f));
        Vec3 lean = V3(std::cos(a), 0, std::sin(a)) * (h * 0.35f);
        Vec3 side = V3(-std::sin(a), 0, std::cos(a)) * w;
        std::vector<Vec3> l{root + side, root + lean * 0.5f + V3(0, h * 0.55f, 0) + side * 0.6f,
                            root + lean + V3(0, h, 0)};
        std::vector<Vec3> r{root - side, root + lean * 0.5f + V3(0, h * 0.55f, 0) - side * 0.6f,
                            root + lean + V3(0, h, 0) + side * 0.05f};
        TwoSided(mesh, l, r, 0.55f, 0.62f, 0.1f, 0.6f);
    }
}

}  // namespace

void BuildStone(MeshBuilder& mesh) {
    const Landmark& great = Site("great pyramid");
    const Landmark& second = Site("second pyramid");
    const Landmark& queen = Site("queen's pyramid");
    Pyramid(mesh, great.x, great.z, 112.0f, 138.0f, 0.12f);
    Pyramid(mesh, second.x, second.z, 78.0f, 94.0f, 0.12f);
    Pyramid(mesh, queen.x, queen.z, 40.0f, 46.0f, 0.12f);
    Temple(mesh);
}

void BuildRock(MeshBuilder& mesh) {
    Arch(mesh);
    const Landmark& arch = Site("rock arch");
    Boulder(mesh, V3(arch.x + 30.0f, 3.0f, arch.z - 14.0f), 7.0f, 0xb01u);
    Boulder(mesh, V3(arch.x - 24.0f, 2.0f, arch.z + 26.0f), 5.0f, 0xb02u);
    Boulder(mesh, V3(arch.x + 8.0f, 1.5f, arch.z + 34.0f), 3.5f, 0xb03u);
    Mesa(mesh);
}

void BuildPalms(MeshBuilder& mesh) {
    NoiseRandom random(0x9a1a5u);
    const int palms = 11;
    for (int k = 0; k < palms; ++k) {
        float a = 2.0f * kPi * k / palms + random.Uniform(-0.2f, 0.2f);
        float d = kPoolRadius * random.Uniform(1.12f, 1.55f);
        float x = kOasisX + d * std::cos(a), z = kOasisZ + d * std::sin(a);
        Palm(mesh, x, z, random.Uniform(11.0f, 19.0f), random.Uniform(0.5f, 3.5f), a + random.Uniform(-0.5f, 0.5f),
             random);
    }
    for (int k = 0; k < 26; ++k) {
        float a = random.Uniform(0.0f, 2.0f * kPi);
        float d = kPoolRadius * random.Uniform(0.85f, 1.1f);
        Reeds(mesh, kOasisX + d * std::cos(a), kOasisZ + d * std::sin(a), random);
    }
}

}  // namespace ground

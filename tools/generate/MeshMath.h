// MeshMath: the few value types the model generators shape their meshes with.
//
// Everything is in float, y up, right-handed, angles in radians. Mat3 is a
// plain row-major 3x3 rotation; Euler triples are read the way the saver's
// skeleton reads a key: rotate about X first, then Y, then Z (R = Rz * Ry * Rx),
// so a pose built here is the pose the saver will show.
#pragma once

#include <algorithm>
#include <cmath>

constexpr float kPi = 3.14159265358979323846f;

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec3 V3(float x, float y, float z) { return Vec3{x, y, z}; }
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3& operator+=(Vec3& a, Vec3 b) {
    a = a + b;
    return a;
}
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// A zero vector stays zero.
inline Vec3 Normalized(Vec3 a) {
    float l = Length(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

inline float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
// 0 below edge0, 1 above edge1, a smooth cubic between.
inline float SmoothStep(float edge0, float edge1, float v) {
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

struct Mat3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // m[row][column]

    Vec3 operator*(Vec3 v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Mat3 operator*(const Mat3& b) const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
        return r;
    }
};

inline Mat3 RotationX(float a) {
    Mat3 r;
    float c = std::cos(a), s = std::sin(a);
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}
inline Mat3 RotationY(float a) {
    Mat3 r;
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
}
inline Mat3 RotationZ(float a) {
    Mat3 r;
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    return r;
}
// The skeleton's reading of an Euler triple: X first, then Y, then Z.
inline Mat3 EulerXYZ(Vec3 a) { return RotationZ(a.z) * RotationY(a.y) * RotationX(a.x); }

// A right-handed frame around a direction: `forward` normalised, `side` and
// `up` perpendicular to it, `up` as close to the hint as the direction allows.
struct Frame {
    Vec3 side;
    Vec3 up;
    Vec3 forward;
};

inline Frame FrameAround(Vec3 forward, Vec3 upHint) {
    Frame f;
    f.forward = Normalized(forward);
    f.side = Normalized(Cross(upHint, f.forward));
    if (Length(f.side) < 1e-6f) f.side = Normalized(Cross(V3(1, 0, 0), f.forward));
    f.up = Cross(f.forward, f.side);
    return f;
}

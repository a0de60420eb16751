// NiftyMaths: see the header for the conventions. Every expression below keeps
// the evaluation order and the float/double split that the header promises, so
// results match bit for bit wherever a caller compares them exactly.
#include "maths/NiftyMaths.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRadToDeg = 57.29577951308232;

double DegToRad(double degrees) { return degrees * kPi / 180.0; }

// Float sum of squares in the order (x*x + y*y) + z*z.
float SumOfSquares(VECTOR3D v) { return (v.x * v.x + v.y * v.y) + v.z * v.z; }

}  // namespace

// ---- Vectors ------------------------------------------------------------------

void VECTOR3D::Normalize() {
    const float length = std::sqrt(SumOfSquares(*this));
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
}

VECTOR3D MakePoint(float x, float y, float z) { return VECTOR3D{x, y, z}; }
point2d Make2DPoint(float x, float y) { return point2d{x, y}; }
COLOUR MakeColour(float r, float g, float b, float a) { return COLOUR{r, g, b, a}; }

VECTOR3D AddVectors(VECTOR3D a, VECTOR3D b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
VECTOR3D SubtractVectors(VECTOR3D a, VECTOR3D b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
VECTOR3D MultiplyVectors(VECTOR3D a, VECTOR3D b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
VECTOR3D DivideVectors(VECTOR3D a, VECTOR3D b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }

VECTOR3D ScaleVector(VECTOR3D v, double s) {
    return {static_cast<float>(v.x * s), static_cast<float>(v.y * s), static_cast<float>(v.z * s)};
}

VECTOR3D VectorCrossProduct(VECTOR3D a, VECTOR3D b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

VECTOR3D CalculateNormal(VECTOR3D a, VECTOR3D b, VECTOR3D c) {
    return VectorCrossProduct(SubtractVectors(a, b), SubtractVectors(b, c));
}

double VectorLengthNOSQRT(VECTOR3D v) { return SumOfSquares(v); }

double VectorLength(VECTOR3D v) { return std::sqrt(static_cast<double>(SumOfSquares(v))); }

double VectorDotProduct(VECTOR3D a, VECTOR3D b) {
    const float dot = (a.x * b.x + a.y * b.y) + a.z * b.z;
    return dot;
}

double DistanceBetweenVectors(VECTOR3D a, VECTOR3D b) {
    return SumOfSquares(SubtractVectors(a, b));
}

bool CompareVectors(VECTOR3D a, VECTOR3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

VECTOR3D NormalizeVector(VECTOR3D v) {
    const double length = VectorLength(v);
    return {static_cast<float>(v.x / length), static_cast<float>(v.y / length),
            static_cast<float>(v.z / length)};
}

void Rotate(VECTOR3D* v, float ax, float ay, float az) {
    if (ax == 0.0f && ay == 0.0f && az == 0.0f) return;
    const float rx = static_cast<float>(DegToRad(ax));
    const float ry = static_cast<float>(DegToRad(ay));
    const float rz = static_cast<float>(DegToRad(az));
    if (rx != 0.0f) {
        const double c = std::cos(static_cast<double>(rx)), s = std::sin(static_cast<double>(rx));
        const double y = v->y, z = v->z;
        v->y = static_cast<float>(c * y - s * z);
        v->z = static_cast<float>(s * y + c * z);
    }
    if (ry != 0.0f) {
        const double c = std::cos(static_cast<double>(ry)), s = std::sin(static_cast<double>(ry));
        const double x = v->x, z = v->z;
        v->x = static_cast<float>(c * x + s * z);
        v->z = static_cast<float>(c * z - s * x);
    }
    if (rz != 0.0f) {
        const double c = std::cos(static_cast<double>(rz)), s = std::sin(static_cast<double>(rz));
        const double x = v->x, y = v->y;
        v->x = static_cast<float>(c * x - s * y);
        v->y = static_cast<float>(s * x + c * y);
    }
}

double clamp(double value, double low, double high) {
    while (low > value) value += high;
    while (value >= high) value -= high;
    return value;
}

// ---- Matrices -----------------------------------------------------------------

void MATRIX::Zero() {
    for (double& e : m) e = 0.0;
}

void MATRIX::Identity() {
    Zero();
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

void MATRIX::SetTranslation(VECTOR3D t) {
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
}

MATRIX MultiplyMatrix(MATRIX A, MATRIX B) {
    MATRIX out;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += A.m[k * 4 + r] * B.m[c * 4 + k];
            out.m[c * 4 + r] = sum;
        }
    }
    return out;
}

MATRIX AddMatrix(MATRIX A, MATRIX B) {
    for (int i = 0; i < 16; ++i) A.m[i] += B.m[i];
    return A;
}

MATRIX SubtractMatrix(MATRIX A, MATRIX B) {
    for (int i = 0; i < 16; ++i) A.m[i] -= B.m[i];
    return A;
}

MATRIX TransposeMatrix(MATRIX A) {
    MATRIX out;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) out.m[c * 4 + r] = A.m[r * 4 + c];
    return out;
}

VECTOR3D MatrixRotatePoint(MATRIX M, VECTOR3D p) {
    const double* m = M.m;
    const double x = p.x, y = p.y, z = p.z;
    return {static_cast<float>(x * m[0] + y * m[4] + z * m[8]),
            static_cast<float>(x * m[1] + y * m[5] + z * m[9]),
            static_cast<float>(x * m[2] + y * m[6] + z * m[10])};
}

VECTOR3D MatrixInverseRotatePoint(MATRIX M, VECTOR3D p) {
    const double* m = M.m;
    const double x = p.x, y = p.y, z = p.z;
    return {static_cast<float>(x * m[0] + y * m[1] + z * m[2]),
            static_cast<float>(x * m[4] + y * m[5] + z * m[6]),
            static_cast<float>(x * m[8] + y * m[9] + z * m[10])};
}

VECTOR3D MatrixTranslatePoint(MATRIX M, VECTOR3D p) {
    return {static_cast<float>(p.x + M.m[12]), static_cast<float>(p.y + M.m[13]),
            static_cast<float>(p.z + M.m[14])};
}

VECTOR3D MatrixInverseTranslatePoint(MATRIX M, VECTOR3D p) {
    return {static_cast<float>(p.x - M.m[12]), static_cast<float>(p.y - M.m[13]),
            static_cast<float>(p.z - M.m[14])};
}

VECTOR3D MatrixPointMultiply(MATRIX M, VECTOR3D p) {
    const double* m = M.m;
    const double x = p.x, y = p.y, z = p.z;
    return {static_cast<float>(((x * m[0] + y * m[4]) + z * m[8]) + m[12]),
            static_cast<float>(((x * m[1] + y * m[5]) + z * m[9]) + m[13]),
            static_cast<float>(((x * m[2] + y * m[6]) + z * m[10]) + m[14])};
}

MATRIX MatrixFromAngle(VECTOR3D angles) {
    const double rx = DegToRad(angles.x), ry = DegToRad(angles.y), rz = DegToRad(angles.z);
    const double A = std::cos(rx), B = std::sin(rx);
    const double C = std::cos(ry), D = std::sin(ry);
    const double E = std::cos(rz), F = std::sin(rz);
    MATRIX out;
    out.Zero();
    double* m = out.m;
    m[0] = C * E;
    m[1] = -C * F;
    m[2] = -D;
    m[4] = A * F - B * D * E;
    m[5] = B * D * F + A * E;
    m[6] = -B * C;
    m[8] = A * D * E + B * F;
    m[9] = B * E - A * D * F;
    m[10] = A * C;
    m[15] = 1.0;
    return out;
}

VECTOR3D AngleFromMatrix(MATRIX M) {
    const double* m = M.m;
    const float yRadians = static_cast<float>(-std::asin(m[2]));
    const double C = std::cos(static_cast<double>(yRadians));
    double x, z;
    if (std::fabs(C) > 0.005) {
        x = std::atan2(-m[6] / C, m[10] / C) * kRadToDeg;
        z = std::atan2(-m[1] / C, m[0] / C) * kRadToDeg;
    } else {  // gimbal lock: the X and Z rotations share one axis
        x = 0.0;
        z = std::atan2(m[4], m[5]) * kRadToDeg;
    }
    const double y = yRadians * kRadToDeg;
    return {static_cast<float>(clamp(x, 0.0, 360.0)), static_cast<float>(clamp(y, 0.0, 360.0)),
            static_cast<float>(clamp(z, 0.0, 360.0))};
}

MATRIX MatrixAngleBetweenVectors(VECTOR3D a, VECTOR3D b) {
    VECTOR3D d = SubtractVectors(a, b);
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) d.z = 1.0f;
    const VECTOR3D f = NormalizeVector(d);
    VECTOR3D up{0.0f, 1.0f, 0.0f};
    if (f.x == 0.0f && f.z == 0.0f) up = {-f.y, 0.0f, 0.0f};  // looking straight up or down
    VECTOR3D side = VectorCrossProduct(up, f);
    side.Normalize();
    up = VectorCrossProduct(side, f);
    up.Normalize();
    MATRIX out;
    out.Zero();
    double* m = out.m;
    m[0] = side.x;
    m[1] = side.y;
    m[2] = side.z;
    m[4] = -up.x;
    m[5] = -up.y;
    m[6] = -up.z;
    m[8] = f.x;
    m[9] = f.y;
    m[10] = f.z;
    m[15] = 1.0;
    return out;
}

VECTOR3D AngleBetweenVectors(VECTOR3D a, VECTOR3D b) {
    VECTOR3D d = SubtractVectors(b, a);
    if (b.x == a.x) {
        d.x = static_cast<float>(d.x + 0.1);
        if (b.y == a.y && b.z == a.z) d.z = static_cast<float>(d.z + 1.0);
    }
    const double length = VectorLength(d);
    const VECTOR3D r{0.0f, 0.0f, 1.0f};
    VECTOR3D axis = VectorCrossProduct(r, d);
    const double axisLength = VectorLength(axis);
    if (axisLength != 0.0) {
        axis = {static_cast<float>(axis.x / axisLength), static_cast<float>(axis.y / axisLength),
                static_cast<float>(axis.z / axisLength)};
    }
    const double angle = std::acos(VectorDotProduct(d, r) / length) * 180.0 / kPi;
    return {static_cast<float>(axis.x * angle), static_cast<float>(axis.y * angle),
            static_cast<float>(axis.z * angle)};
}

// ---- Quaternions --------------------------------------------------------------

QUAT RotationToQuat(VECTOR3D angles) {
    const double hx = DegToRad(angles.x) * 0.5;
    const double hy = DegToRad(angles.y) * 0.5;
    const double hz = DegToRad(angles.z) * 0.5;
    const double sx = std::sin(hx), cx = std::cos(hx);
    const double sy = std::sin(hy), cy = std::cos(hy);
    const double sz = std::sin(hz), cz = std::cos(hz);
    QUAT q;
    q.x = cz * (sx * cy) - sz * (cx * sy);
    q.y = (cx * sy) * cz + sz * (sx * cy);
    q.z = sz * (cy * cx) - cz * (sx * sy);
    q.w = (cy * cx) * cz + sz * (sx * sy);
    return q;
}

QUAT AxisAndAngleToQuat(VECTOR3D axis, double angleRadians) {
    const double s = std::sin(angleRadians * 0.5), c = std::cos(angleRadians * 0.5);
    QUAT q;
    q.x = axis.x * s;
    q.y = axis.y * s;
    q.z = axis.z * s;
    q.w = c;
    return q;
}

MATRIX QuatToRotationMatrix(QUAT q) {
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    MATRIX out;
    double* m = out.m;
    const double xy_zw = x * y + z * w, xz_yw = x * z - y * w;
    const double xy_mzw = x * y - z * w, yz_xw = y * z + x * w;
    const double xz_pyw = x * z + y * w, yz_mxw = y * z - x * w;
    m[0] = (y * y + z * z) * -2.0 + 1.0;
    m[1] = xy_zw + xy_zw;
    m[2] = xz_yw + xz_yw;
    m[4] = xy_mzw + xy_mzw;
    m[5] = (z * z + x * x) * -2.0 + 1.0;
    m[6] = yz_xw + yz_xw;
    m[8] = xz_pyw + xz_pyw;
    m[9] = yz_mxw + yz_mxw;
    m[10] = (x * x + y * y) * -2.0 + 1.0;
    m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0;
    m[15] = 1.0;
    return out;
}

QUAT QuatFromMatrix(MATRIX M) {
    const double* m = M.m;
    QUAT q;
    const double trace = m[0] + m[5] + m[10];
    if (trace > 0.0) {
        double s = std::sqrt(trace + 1.0);
        q.w = s * 0.5;
        s = 0.5 / s;
        q.x = (m[6] - m[9]) * s;
        q.y = (m[8] - m[2]) * s;
        q.z = (m[1] - m[4]) * s;
        return q;
    }
    static const int next[3] = {1, 2, 0};
    int i = 0;
    if (m[5] > m[0]) i = 1;
    if (m[10] > m[i * 5]) i = 2;
    const int j = next[i], k = next[j];
    auto at = [m](int a, int b) { return m[a * 4 + b]; };
    double s = std::sqrt(at(i, i) - (at(j, j) + at(k, k)) + 1.0);
    double v[3];
    v[i] = s * 0.5;
    if (s != 0.0) s = 0.5 / s;
    q.w = (at(j, k) - at(k, j)) * s;
    v[j] = (at(i, j) + at(j, i)) * s;
    v[k] = (at(i, k) + at(k, i)) * s;
    q.x = v[0];
    q.y = v[1];
    q.z = v[2];
    return q;
}

QUAT MultiplyQuats(QUAT p, QUAT q) {
    QUAT r;
    r.w = p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z;
    r.x = p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y;
    r.y = p.w * q.y + p.y * q.w + p.z * q.x - p.x * q.z;
    r.z = p.w * q.z + p.z * q.w + p.x * q.y - p.y * q.x;
    return r;
}

QUAT InverseQuat(QUAT q) {
    q.x = -q.x;
    q.y = -q.y;
    q.z = -q.z;
    return q;
}

QUAT QuatSlerp(const QUAT* from, const QUAT* to, double t) {
    QUAT target = *to;
    double cosom = from->x * to->x + from->y * to->y + from->z * to->z + from->w * to->w;
    if (cosom < 0.0) {  // take the shorter arc
        cosom = -cosom;
        target.x = -target.x;
        target.y = -target.y;
        target.z = -target.z;
        target.w = -target.w;
    }
    double scale0, scale1;
    if (1.0 - cosom > 1e-05) {
        const double omega = std::acos(cosom);
        const double sinom = std::sin(omega);
        scale0 = std::sin((1.0 - t) * omega) / sinom;
        scale1 = std::sin(t * omega) / sinom;
    } else {  // nearly equal: linear, not renormalised
        scale0 = 1.0 - t;
        scale1 = t;
    }
    QUAT r;
    r.x = scale0 * from->x + scale1 * target.x;
    r.y = scale0 * from->y + scale1 * target.y;
    r.z = scale0 * from->z + scale1 * target.z;
    r.w = scale0 * from->w + scale1 * target.w;
    return r;
}

double QuatMagnitude(QUAT q) { return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w); }

QUAT NormalizeQuat(QUAT q) {
    const double length = QuatMagnitude(q);
    q.x /= length;
    q.y /= length;
    q.z /= length;
    q.w /= length;
    return q;
}

// ---- Planes -------------------------------------------------------------------

PLANE CalcPlane(VECTOR3D p1, VECTOR3D p2, VECTOR3D p3) {
    PLANE p;
    p.a = p1.y * (p2.z - p3.z) + p2.y * (p3.z - p1.z) + p3.y * (p1.z - p2.z);
    p.b = p1.z * (p2.x - p3.x) + p2.z * (p3.x - p1.x) + p3.z * (p1.x - p2.x);
    p.c = p1.x * (p2.y - p3.y) + p2.x * (p3.y - p1.y) + p3.x * (p1.y - p2.y);
    p.d = -(p1.x * (p2.y * p3.z - p3.y * p2.z) + p2.x * (p3.y * p1.z - p1.y * p3.z) +
            p3.x * (p1.y * p2.z - p2.y * p1.z));
    return p;
}

PLANE CalcPlane(const float* p1, const float* p2, const float* p3) {
    return CalcPlane(MakePoint(p1[0], p1[1], p1[2]), MakePoint(p2[0], p2[1], p2[2]),
                     MakePoint(p3[0], p3[1], p3[2]));
}

// The maths of NiftyMaths, where a plausible implementation goes wrong. Vectors:
// a square root where none belongs, a tolerance in an exact comparison, a sum in
// double, an axis that passes through cos/sin although its angle is 0, a wrong
// wrap period. Matrices, quaternions and planes: application order, the three
// rotation conventions, both branches of QuatFromMatrix and QuatSlerp, gimbal
// lock, the cross terms of the quaternion product and the bases of look-at matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "maths/NiftyMaths.h"

namespace {

void ExpectNear(VECTOR3D v, VECTOR3D want, double tolerance = 1e-5) {
    EXPECT_NEAR(v.x, want.x, tolerance);
    EXPECT_NEAR(v.y, want.y, tolerance);
    EXPECT_NEAR(v.z, want.z, tolerance);
}

void ExpectNear(const MATRIX& a, const MATRIX& b, double tolerance) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

// q or -q (the same rotation) near want.
void ExpectSameRotation(QUAT q, QUAT want, double tolerance = 1e-9) {
    const double sign = q.x * want.x + q.y * want.y + q.z * want.z + q.w * want.w < 0 ? -1 : 1;
    EXPECT_NEAR(q.x, sign * want.x, tolerance);
    EXPECT_NEAR(q.y, sign * want.y, tolerance);
    EXPECT_NEAR(q.z, sign * want.z, tolerance);
    EXPECT_NEAR(q.w, sign * want.w, tolerance);
}

bool SameBits(VECTOR3D a, VECTOR3D b) { return std::memcmp(&a, &b, sizeof a) == 0; }

VECTOR3D Rotated(VECTOR3D v, float ax, float ay, float az) {
    Rotate(&v, ax, ay, az);
    return v;
}

TEST(Vectors, ScalarResultsAreExact) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const VECTOR3D big = MakePoint(4096, 1, 0);  // 4096^2 + 1 = 2^24 + 1 is not a float
    const struct { const char* name; double got, want; } cases[] = {
        {"distance is squared", DistanceBetweenVectors(MakePoint(1, 1, 1), MakePoint(4, 5, 1)), 25},
        {"length", VectorLength(MakePoint(1, 2, 2)), 3},
        {"length without the root", VectorLengthNOSQRT(MakePoint(1, 2, 2)), 9},
        {"dot product", VectorDotProduct(MakePoint(1, 2, 3), MakePoint(4, -5, 6)), 12},
        {"squared length summed in float", VectorLengthNOSQRT(big), 16777216},
        {"dot product summed in float", VectorDotProduct(big, big), 16777216},
        {"compare is exact", double(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, std::nextafter(3.0f, 4.0f)))), 0},
        {"-0 equals +0", double(CompareVectors(MakePoint(0, 0, 0), MakePoint(-0.0f, 0, 0))), 1},
        {"NaN never equal", double(CompareVectors(MakePoint(nan, 0, 0), MakePoint(nan, 0, 0))), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
    for (const auto& [value, wrapped] : {std::pair<double, double>{370, 10}, {-30, 330}, {360, 0}, {-720, 0},
                                         {0, 0}, {359.5, 359.5}, {1090, 10}})
        EXPECT_EQ(clamp(value, 0, 360), wrapped) << value;
}

TEST(Vectors, VectorResults) {
    VECTOR3D zero, v = MakePoint(3, 0, 4);
    zero.Normalize();
    v.Normalize();
    const struct { const char* name; VECTOR3D got, want; } cases[] = {
        {"zero stays zero", zero, MakePoint(0, 0, 0)},
        {"normalised in place", v, MakePoint(0.6f, 0, 0.8f)},
        {"normalised by value", NormalizeVector(MakePoint(0, -5, 0)), MakePoint(0, -1, 0)},
        {"cross product", VectorCrossProduct(MakePoint(1, 0, 0), MakePoint(0, 1, 0)), MakePoint(0, 0, 1)},
        {"normal, not normalised", CalculateNormal(MakePoint(0, 0, 0), MakePoint(2, 0, 0), MakePoint(2, 2, 0)),
         MakePoint(0, 0, 4)},
        {"scale in double", ScaleVector(MakePoint(0.1f, 1, -2), 3.0), MakePoint(float(double(0.1f) * 3.0), 3, -6)},
        {"x90 turns +y to +z", Rotated(MakePoint(0, 1, 0), 90, 0, 0), MakePoint(0, 0, 1)},
        {"y90 turns +x to -z", Rotated(MakePoint(1, 0, 0), 0, 90, 0), MakePoint(0, 0, -1)},
        {"z90 turns +x to +y", Rotated(MakePoint(1, 0, 0), 0, 0, 90), MakePoint(0, 1, 0)},
        {"x, then y, then z", Rotated(MakePoint(0, 1, 0), 90, 90, 0), MakePoint(1, 0, 0)},
        {"negative angle", Rotated(MakePoint(1, 0, 0), 0, 0, -90), MakePoint(0, -1, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectNear(c.got, c.want, 1e-6);
    }
    EXPECT_TRUE(SameBits(zero, MakePoint(0, 0, 0)));
    EXPECT_EQ(cases[5].got.x, float(double(0.1f) * 3.0)) << "not 0.1f * 3.0f";
}

TEST(Rotate, ZeroAxesAreSkippedBitForBit) {
    const VECTOR3D before = MakePoint(0.1f, -7.3f, 1e-30f);
    EXPECT_TRUE(SameBits(Rotated(before, 0, 0, 0), before));
    EXPECT_EQ(Rotated(before, 0, 0, 33).z, before.z) << "a turn about Z alone leaves z alone";
    // A turn about X by 0 would make y = 1 * -0 - 0 * -0.25 = +0.
    EXPECT_TRUE(std::signbit(Rotated(MakePoint(0.5f, -0.0f, -0.25f), 0, 33, 0).y)) << "y stays -0";
    const float y = Rotated(MakePoint(0, 1, 0), 90, 0, 0).y;  // cos(pi/2) rounds, it is not 0
    EXPECT_NE(y, 0.0f);
    EXPECT_NEAR(y, 0.0f, 1e-7f);
}

QUAT AxisAngle(float ax, float ay, float az, double degrees) {
    return AxisAndAngleToQuat(MakePoint(ax, ay, az), degrees * M_PI / 180.0);
}

VECTOR3D Column(const MATRIX& m, int c) { return MakePoint(float(m.m[4 * c]), float(m.m[4 * c + 1]), float(m.m[4 * c + 2])); }

TEST(Matrix, ProductsTransformsAndTheirInverses) {
    MATRIX translate;
    translate.SetTranslation(MakePoint(1, 0, 0));
    const MATRIX rotate = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 0, 90)));
    ExpectNear(MatrixPointMultiply(MultiplyMatrix(translate, rotate), MakePoint(1, 0, 0)), MakePoint(1, 1, 0));
    ExpectNear(MatrixPointMultiply(MultiplyMatrix(rotate, translate), MakePoint(1, 0, 0)), MakePoint(0, 2, 0));

    MATRIX m = MatrixFromAngle(MakePoint(10, 20, 30));
    m.SetTranslation(MakePoint(5, -3, 2));
    const VECTOR3D p = MakePoint(1.5f, -2.0f, 0.25f);
    const VECTOR3D posed = MatrixTranslatePoint(m, MatrixRotatePoint(m, p));
    ExpectNear(posed, MatrixPointMultiply(m, p));
    ExpectNear(MatrixInverseRotatePoint(m, MatrixInverseTranslatePoint(m, posed)), p);

    const MATRIX transposed = TransposeMatrix(m), sum = AddMatrix(m, translate), none = SubtractMatrix(m, m);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(transposed.m[i], m.m[(i % 4) * 4 + i / 4]) << i;
        EXPECT_EQ(sum.m[i], m.m[i] + translate.m[i]) << i;
        EXPECT_EQ(none.m[i], 0.0) << i;
    }
}

// MatrixFromAngle turns -x about X, +y about Y, -z about Z (Rotate turns +x, +z).
TEST(Matrix, EulerAnglesBothWays) {
    ExpectNear(MatrixFromAngle(MakePoint(0, 0, 0)), MATRIX(), 0.0);
    const struct { VECTOR3D angles, in, out; } turns[] = {
        {MakePoint(0, 90, 0), MakePoint(1, 0, 0), MakePoint(0, 0, -1)},
        {MakePoint(90, 0, 0), MakePoint(0, 1, 0), MakePoint(0, 0, -1)},
        {MakePoint(0, 0, 90), MakePoint(1, 0, 0), MakePoint(0, -1, 0)},
    };
    for (const auto& t : turns) ExpectNear(MatrixRotatePoint(MatrixFromAngle(t.angles), t.in), t.out);
    const struct { VECTOR3D in, out; } angles[] = {
        {MakePoint(10, 20, 30), MakePoint(10, 20, 30)}, {MakePoint(0, 0, 0), MakePoint(0, 0, 0)},
        {MakePoint(-10, -10, -10), MakePoint(350, 350, 350)}, {MakePoint(170, 45, 300), MakePoint(170, 45, 300)},
    };
    for (const auto& a : angles) ExpectNear(AngleFromMatrix(MatrixFromAngle(a.in)), a.out, 1e-3);
    // Gimbal lock: with y = 90, X and Z share an axis; z takes the whole turn.
    const MATRIX locked = MatrixFromAngle(MakePoint(30, 90, 0));
    const VECTOR3D a = AngleFromMatrix(locked);
    EXPECT_EQ(a.x, 0.0f);
    ExpectNear(MatrixFromAngle(a), locked, 1e-4);
}

TEST(Quaternion, FromAnglesAndMatrices) {
    ExpectSameRotation(RotationToQuat(MakePoint(0, 0, 90)), QUAT{0, 0, std::sqrt(0.5), std::sqrt(0.5)});
    const VECTOR3D angles = MakePoint(25, -40, 110), v = MakePoint(0.3f, -1.2f, 2.0f);
    VECTOR3D rotated = v;
    Rotate(&rotated, angles.x, angles.y, angles.z);
    ExpectNear(MatrixRotatePoint(QuatToRotationMatrix(RotationToQuat(angles)), v), rotated);
    // trace > 0 gives the same q back; 180 about X (trace -1) takes branch i = 0
    // and gives (1, 0, 0, 0); large turns about Y and Z take i = 1 and i = 2.
    const QUAT small = AxisAngle(0.6f, 0.8f, 0, 50);
    const QUAT back = QuatFromMatrix(QuatToRotationMatrix(small));
    EXPECT_GT(back.w, 0.0);
    ExpectSameRotation(back, small, 1e-7);
    const QUAT halfTurn = QuatFromMatrix(QuatToRotationMatrix(AxisAngle(1, 0, 0, 180)));
    EXPECT_TRUE(halfTurn.x == 1 && halfTurn.y == 0 && halfTurn.z == 0 && std::fabs(halfTurn.w) < 1e-9);
    for (const QUAT q : {AxisAngle(0, 1, 0, 170), AxisAngle(0, 0, 1, 200)})
        ExpectSameRotation(QuatFromMatrix(QuatToRotationMatrix(q)), q);
}

// The product's matrix is the product of the matrices (the right one turns
// first); oblique axes give every cross term a part to play.
TEST(Quaternion, ProductInverseAndSlerp) {
    const QUAT a = AxisAngle(0.48f, 0.6f, 0.64f, 70), b = AxisAngle(-0.8f, 0.36f, 0.48f, 125);
    const std::pair<QUAT, QUAT> pairs[] = {{a, b}, {b, a}, {AxisAngle(0, 1, 0, 90), AxisAngle(1, 0, 0, 90)}};
    for (const auto& [p, q] : pairs)
        ExpectNear(QuatToRotationMatrix(MultiplyQuats(p, q)),
                   MultiplyMatrix(QuatToRotationMatrix(p), QuatToRotationMatrix(q)), 1e-6);
    ExpectSameRotation(MultiplyQuats(QUAT{1, 0, 0, 0}, QUAT{0, 1, 0, 0}), QUAT{0, 0, 1, 0});  // i j = k
    const QUAT ji = MultiplyQuats(QUAT{0, 1, 0, 0}, QUAT{1, 0, 0, 0});
    EXPECT_EQ(ji.z, -1.0) << "j i = -k";
    const QUAT none = MultiplyQuats(a, InverseQuat(a));
    EXPECT_NEAR(none.w, 1.0, 1e-12);
    EXPECT_NEAR(QuatMagnitude(NormalizeQuat(QUAT{1, 2, 3, 4})), 1.0, 1e-12);
    EXPECT_EQ(QuatMagnitude(QUAT{0, 3, 0, 4}), 5.0);

    const QUAT from = AxisAngle(0, 1, 0, 10), to = AxisAngle(0, 1, 0, 100);
    const QUAT negated{-to.x, -to.y, -to.z, -to.w};
    const struct { const QUAT* to; double t; QUAT want; } slerps[] = {
        {&to, 0.0, from}, {&to, 1.0, to}, {&to, 0.5, AxisAngle(0, 1, 0, 55)},
        {&negated, 1.0, to},  // the shorter arc
    };
    for (const auto& s : slerps) {
        const QUAT got = QuatSlerp(&from, s.to, s.t);
        EXPECT_GT(got.w * s.want.w + got.y * s.want.y, 0.0) << s.t;
        ExpectSameRotation(got, s.want);
    }
    const QUAT same = QuatSlerp(&from, &from, 0.3);  // the linear branch returns `from` exactly
    EXPECT_TRUE(same.IsEqualTo(from));
}

// Columns: side (level), up, and the direction from b to a, orthonormal.
TEST(LookAt, BasesFaceFromBToA) {
    const struct { VECTOR3D a, b, forward; } views[] = {
        {MakePoint(3, 5, 8), MakePoint(1, 2, 2), MakePoint(2 / 7.0f, 3 / 7.0f, 6 / 7.0f)},
        {MakePoint(-4, -1, 2), MakePoint(0, 3, 0), MakePoint(-2 / 3.0f, -2 / 3.0f, 1 / 3.0f)},
        {MakePoint(10, 0, 0), MakePoint(0, 0, 0), MakePoint(1, 0, 0)},
        {MakePoint(3, 3, 3), MakePoint(3, 3, 3), MakePoint(0, 0, 1)},  // a = b: +Z
        {MakePoint(0, 5, 0), MakePoint(0, 0, 0), MakePoint(0, 1, 0)},  // straight up
    };
    for (const auto& v : views) {
        SCOPED_TRACE(::testing::Message() << v.forward.x << "," << v.forward.y << "," << v.forward.z);
        const MATRIX m = MatrixAngleBetweenVectors(v.a, v.b);
        const VECTOR3D side = Column(m, 0), up = Column(m, 1), forward = Column(m, 2);
        ExpectNear(forward, v.forward, 1e-6);
        EXPECT_NEAR(VectorLength(side), 1.0, 1e-6);
        EXPECT_NEAR(VectorLength(up), 1.0, 1e-6);
        EXPECT_NEAR(VectorDotProduct(side, up) + VectorDotProduct(side, forward) + VectorDotProduct(up, forward),
                    0.0, 1e-6);
        EXPECT_EQ(m.m[15], 1.0);
        EXPECT_EQ(m.m[12], 0.0);
        if (v.forward.y == 1) continue;
        EXPECT_NEAR(side.y, 0.0, 1e-7) << "the side stays level";
        EXPECT_GT(up.y, 0.0f) << "up leans up";
    }
    ExpectNear(AngleBetweenVectors(MakePoint(0, 0, 0), MakePoint(5, 0, 0)), MakePoint(0, 90, 0), 1e-4);
    // Equal points: the nudges make the direction (0.1, 0, 1).
    ExpectNear(AngleBetweenVectors(MakePoint(1, 1, 1), MakePoint(1, 1, 1)),
               MakePoint(0, float(std::atan(0.1) * 180.0 / M_PI), 0), 1e-3);
}

TEST(Plane, ThroughThreePoints) {
    const PLANE p = CalcPlane(MakePoint(0, 0, 0), MakePoint(1, 0, 0), MakePoint(0, 1, 0));
    EXPECT_TRUE(p.a == 0 && p.b == 0 && p.c == 1 && p.d == 0);
    const float p1[] = {0, 0, 2}, p2[] = {1, 0, 2}, p3[] = {0, 1, 2};
    const PLANE raised = CalcPlane(p1, p2, p3);
    EXPECT_TRUE(raised.c == 1 && raised.d == -2) << "z = 2";
}

}  // namespace

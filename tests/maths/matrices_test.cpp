// Matrices, quaternions and planes: application order, the three rotation
// conventions, both branches of QuatFromMatrix and QuatSlerp, gimbal lock, and
// the vertical case of MatrixAngleBetweenVectors.
#include <gtest/gtest.h>

#include <cmath>

#include "maths/NiftyMaths.h"

namespace {

void ExpectNear(VECTOR3D v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void ExpectQuatNear(QUAT q, double x, double y, double z, double w, double tolerance = 1e-9) {
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
    EXPECT_NEAR(q.w, w, tolerance);
}

// A unit quaternion for a rotation of `degrees` about a unit axis.
QUAT AxisAngle(float ax, float ay, float az, double degrees) {
    return AxisAndAngleToQuat(MakePoint(ax, ay, az), degrees * 3.141592653589793 / 180.0);
}

TEST(Matrix, MultiplyAppliesRightOperandFirst) {
    MATRIX translate;
    translate.SetTranslation(MakePoint(1, 0, 0));
    const MATRIX rotate = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 0, 90)));
    ExpectNear(MatrixPointMultiply(MultiplyMatrix(translate, rotate), MakePoint(1, 0, 0)), 1, 1, 0);
    ExpectNear(MatrixPointMultiply(MultiplyMatrix(rotate, translate), MakePoint(1, 0, 0)), 0, 2, 0);
}

TEST(Matrix, TransposeAndElementWise) {
    MATRIX t;
    t.SetTranslation(MakePoint(4, 5, 6));
    const MATRIX once = TransposeMatrix(t);
    EXPECT_EQ(once.m[3], 4.0);
    EXPECT_EQ(once.m[7], 5.0);
    EXPECT_EQ(once.m[11], 6.0);
    EXPECT_EQ(once.m[12], 0.0);
    const MATRIX twice = TransposeMatrix(once);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(twice.m[i], t.m[i]);
    const MATRIX sum = AddMatrix(t, t);
    const MATRIX none = SubtractMatrix(t, t);
    EXPECT_EQ(sum.m[13], 10.0);
    EXPECT_EQ(sum.m[0], 2.0);
    for (double e : none.m) EXPECT_EQ(e, 0.0);
}

TEST(Matrix, PointTransformsAndTheirInverses) {
    MATRIX m = MatrixFromAngle(MakePoint(10, 20, 30));
    m.SetTranslation(MakePoint(5, -3, 2));
    const VECTOR3D p = MakePoint(1.5f, -2.0f, 0.25f);
    const VECTOR3D posed = MatrixTranslatePoint(m, MatrixRotatePoint(m, p));
    ExpectNear(posed, MatrixPointMultiply(m, p).x, MatrixPointMultiply(m, p).y,
               MatrixPointMultiply(m, p).z);
    ExpectNear(MatrixInverseRotatePoint(m, MatrixInverseTranslatePoint(m, posed)), p.x, p.y, p.z);
}

TEST(MatrixFromAngle, SignConventionDiffersFromRotate) {
    const MATRIX identity = MatrixFromAngle(MakePoint(0, 0, 0));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(identity.m[i], MATRIX().m[i]) << i;
    ExpectNear(MatrixRotatePoint(MatrixFromAngle(MakePoint(0, 90, 0)), MakePoint(1, 0, 0)), 0, 0, -1);
    // -x about X: +y goes to -z (Rotate would send it to +z).
    ExpectNear(MatrixRotatePoint(MatrixFromAngle(MakePoint(90, 0, 0)), MakePoint(0, 1, 0)), 0, 0, -1);
    // -z about Z: +x goes to -y.
    ExpectNear(MatrixRotatePoint(MatrixFromAngle(MakePoint(0, 0, 90)), MakePoint(1, 0, 0)), 0, -1, 0);
}

TEST(AngleFromMatrix, RoundTripsAndWraps) {
    const struct {
        VECTOR3D in, out;
    } cases[] = {
        {MakePoint(10, 20, 30), MakePoint(10, 20, 30)},
        {MakePoint(0, 0, 0), MakePoint(0, 0, 0)},
        {MakePoint(-10, -10, -10), MakePoint(350, 350, 350)},
        {MakePoint(170, 45, 300), MakePoint(170, 45, 300)},
    };
    for (const auto& c : cases) {
        const VECTOR3D a = AngleFromMatrix(MatrixFromAngle(c.in));
        ExpectNear(a, c.out.x, c.out.y, c.out.z, 1e-3f);
        EXPECT_GE(a.x, 0.0f);
        EXPECT_LT(a.x, 360.0f);
    }
}

TEST(AngleFromMatrix, GimbalLockPutsTheTurnIntoZ) {
    // With y = 90 the X and Z rotations share an axis: x comes back 0 and z
    // carries the combined turn, and the matrix it describes is the same.
    const MATRIX m = MatrixFromAngle(MakePoint(30, 90, 0));
    const VECTOR3D a = AngleFromMatrix(m);
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_NEAR(a.y, 90.0f, 1e-3f);
    const MATRIX back = MatrixFromAngle(a);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(back.m[i], m.m[i], 1e-4) << i;
}

TEST(Quaternion, RotationToQuatMatchesRotate) {
    const QUAT q = RotationToQuat(MakePoint(0, 0, 90));
    ExpectQuatNear(q, 0, 0, std::sqrt(0.5), std::sqrt(0.5));
    ExpectNear(MatrixRotatePoint(QuatToRotationMatrix(q), MakePoint(1, 0, 0)), 0, 1, 0);
    // Any triple: the quaternion's matrix does what Rotate does.
    const VECTOR3D angles = MakePoint(25, -40, 110);
    VECTOR3D v = MakePoint(0.3f, -1.2f, 2.0f);
    const VECTOR3D byQuat = MatrixRotatePoint(QuatToRotationMatrix(RotationToQuat(angles)), v);
    Rotate(&v, angles.x, angles.y, angles.z);
    ExpectNear(byQuat, v.x, v.y, v.z);
}

TEST(Quaternion, FromMatrixBothBranches) {
    // trace > 0: the same quaternion comes back.
    const QUAT small = AxisAngle(0.6f, 0.8f, 0.0f, 50);
    const QUAT a = QuatFromMatrix(QuatToRotationMatrix(small));
    ExpectQuatNear(a, small.x, small.y, small.z, small.w, 1e-7);  // the float axis is unit to 1e-8
    // 180 degrees about X, trace -1: branch i = 0 gives (1, 0, 0, 0).
    ExpectQuatNear(QuatFromMatrix(QuatToRotationMatrix(AxisAngle(1, 0, 0, 180))), 1, 0, 0, 0);
    // Large turns about Y and Z pick i = 1 and i = 2; q or -q, same rotation.
    for (const QUAT q : {AxisAngle(0, 1, 0, 170), AxisAngle(0, 0, 1, 200)}) {
        const QUAT r = QuatFromMatrix(QuatToRotationMatrix(q));
        const double sign = (r.w * q.w + r.x * q.x + r.y * q.y + r.z * q.z) < 0 ? -1.0 : 1.0;
        ExpectQuatNear(r, sign * q.x, sign * q.y, sign * q.z, sign * q.w);
    }
}

// The product of two rotations is the rotation doing the right one first: its
// matrix is the product of their matrices. Rotations about different, oblique
// axes give every cross term of the product a part to play.
TEST(Quaternion, MultiplyAndInverse) {
    const struct { const char* name; QUAT p, q; } pairs[] = {
        {"quarter turns about Z", AxisAngle(0, 0, 1, 90), AxisAngle(0, 0, 1, 90)},
        {"X then Y", AxisAngle(0, 1, 0, 90), AxisAngle(1, 0, 0, 90)},
        {"oblique axes", AxisAngle(0.48f, 0.6f, 0.64f, 70), AxisAngle(-0.8f, 0.36f, 0.48f, 125)},
        {"oblique axes, other order", AxisAngle(-0.8f, 0.36f, 0.48f, 125), AxisAngle(0.48f, 0.6f, 0.64f, 70)},
    };
    for (const auto& c : pairs) {
        const MATRIX product = QuatToRotationMatrix(MultiplyQuats(c.p, c.q));
        const MATRIX expected = MultiplyMatrix(QuatToRotationMatrix(c.p), QuatToRotationMatrix(c.q));
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], expected.m[i], 1e-6) << c.name << ", element " << i;
    }
    ExpectQuatNear(MultiplyQuats(QUAT{1, 0, 0, 0}, QUAT{0, 1, 0, 0}), 0, 0, 1, 0);  // i j = k
    ExpectQuatNear(MultiplyQuats(QUAT{0, 1, 0, 0}, QUAT{1, 0, 0, 0}), 0, 0, -1, 0);  // j i = -k
    const QUAT q = AxisAngle(0, 0, 1, 90);
    const QUAT twice = MultiplyQuats(q, q);
    ExpectQuatNear(twice, 0, 0, 1, 0);  // 180 degrees about Z
    const QUAT none = MultiplyQuats(q, InverseQuat(q));
    ExpectQuatNear(none, 0, 0, 0, 1);
    EXPECT_TRUE(QUAT().IsEqualTo(none) || std::fabs(none.w - 1.0) < 1e-12);
    EXPECT_NEAR(QuatMagnitude(NormalizeQuat(QUAT{1, 2, 3, 4})), 1.0, 1e-12);
}

TEST(Quaternion, SlerpEndsShortArcAndLinearBranch) {
    const QUAT from = AxisAngle(0, 1, 0, 10);
    const QUAT to = AxisAngle(0, 1, 0, 100);
    ExpectQuatNear(QuatSlerp(&from, &to, 0.0), from.x, from.y, from.z, from.w);
    ExpectQuatNear(QuatSlerp(&from, &to, 1.0), to.x, to.y, to.z, to.w);
    const QUAT mid = QuatSlerp(&from, &to, 0.5);
    const QUAT expectedMid = AxisAngle(0, 1, 0, 55);
    ExpectQuatNear(mid, expectedMid.x, expectedMid.y, expectedMid.z, expectedMid.w);
    // A negative dot product takes the shorter arc: t = 1 gives -to.
    const QUAT negated{-to.x, -to.y, -to.z, -to.w};
    ExpectQuatNear(QuatSlerp(&from, &negated, 1.0), to.x, to.y, to.z, to.w);
    // Equal inputs take the linear branch and return from exactly.
    const QUAT same = QuatSlerp(&from, &from, 0.3);
    EXPECT_DOUBLE_EQ(same.y, from.y);
    EXPECT_DOUBLE_EQ(same.w, from.w);
}

// Columns: side (level), up, and the direction from b to a; an orthonormal
// basis for any direction.
TEST(MatrixAngleBetweenVectors, FacesFromBToA) {
    const struct { VECTOR3D a, b, forward; } views[] = {
        {MakePoint(3, 5, 8), MakePoint(1, 2, 2), MakePoint(2 / 7.0f, 3 / 7.0f, 6 / 7.0f)},
        {MakePoint(-4, -1, 2), MakePoint(0, 3, 0), MakePoint(-2 / 3.0f, -2 / 3.0f, 1 / 3.0f)},
        {MakePoint(10, 0, 0), MakePoint(0, 0, 0), MakePoint(1, 0, 0)},
    };
    for (const auto& v : views) {
        const MATRIX m = MatrixAngleBetweenVectors(v.a, v.b);
        const VECTOR3D side = MakePoint(m.m[0], m.m[1], m.m[2]);
        const VECTOR3D up = MakePoint(m.m[4], m.m[5], m.m[6]);
        const VECTOR3D forward = MakePoint(m.m[8], m.m[9], m.m[10]);
        SCOPED_TRACE(::testing::Message() << v.forward.x << "," << v.forward.y << "," << v.forward.z);
        ExpectNear(forward, v.forward.x, v.forward.y, v.forward.z, 1e-6f);
        EXPECT_NEAR(VectorLength(side), 1.0, 1e-6);
        EXPECT_NEAR(VectorLength(up), 1.0, 1e-6);
        EXPECT_NEAR(VectorDotProduct(side, up), 0.0, 1e-6);
        EXPECT_NEAR(VectorDotProduct(side, forward), 0.0, 1e-6);
        EXPECT_NEAR(VectorDotProduct(up, forward), 0.0, 1e-6);
        EXPECT_NEAR(side.y, 0.0, 1e-7) << "the side stays level";
        EXPECT_GT(up.y, 0.0f) << "the second column leans up";
    }

    const MATRIX m = MatrixAngleBetweenVectors(MakePoint(0, 0, 10), MakePoint(0, 0, 0));
    EXPECT_NEAR(m.m[10], 1.0, 1e-7);
    EXPECT_EQ(m.m[15], 1.0);
    EXPECT_EQ(m.m[12], 0.0);
    // a = b: the direction defaults to +Z.
    const MATRIX same = MatrixAngleBetweenVectors(MakePoint(3, 3, 3), MakePoint(3, 3, 3));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(same.m[i], m.m[i], 1e-7) << i;
    // Straight up: up becomes (-1, 0, 0), so the basis stays finite and orthonormal.
    const MATRIX up = MatrixAngleBetweenVectors(MakePoint(0, 5, 0), MakePoint(0, 0, 0));
    EXPECT_NEAR(up.m[9], 1.0, 1e-7);
    const VECTOR3D side = MakePoint(up.m[0], up.m[1], up.m[2]);
    const VECTOR3D down = MakePoint(up.m[4], up.m[5], up.m[6]);
    EXPECT_NEAR(VectorLength(side), 1.0, 1e-6);
    EXPECT_NEAR(VectorLength(down), 1.0, 1e-6);
    EXPECT_NEAR(VectorDotProduct(side, down), 0.0, 1e-6);
}

TEST(AngleBetweenVectors, AxisTimesDegrees) {
    // From the origin towards +X: a quarter turn about +Y.
    ExpectNear(AngleBetweenVectors(MakePoint(0, 0, 0), MakePoint(5, 0, 0)), 0, 90, 0, 1e-4f);
    // Equal points: the nudges make the direction (0.1, 0, 1), a small turn about +Y.
    const VECTOR3D same = AngleBetweenVectors(MakePoint(1, 1, 1), MakePoint(1, 1, 1));
    EXPECT_NEAR(same.y, std::atan(0.1) * 180.0 / 3.141592653589793, 1e-3);
    EXPECT_TRUE(std::isfinite(same.x) && std::isfinite(same.z));
}

TEST(Plane, ThroughThreePoints) {
    const PLANE p = CalcPlane(MakePoint(0, 0, 0), MakePoint(1, 0, 0), MakePoint(0, 1, 0));
    EXPECT_EQ(p.a, 0.0f);
    EXPECT_EQ(p.b, 0.0f);
    EXPECT_EQ(p.c, 1.0f);
    EXPECT_EQ(p.d, 0.0f);
    const float p1[] = {0, 0, 2}, p2[] = {1, 0, 2}, p3[] = {0, 1, 2};
    const PLANE raised = CalcPlane(p1, p2, p3);
    EXPECT_EQ(raised.c, 1.0f);
    EXPECT_EQ(raised.d, -2.0f);  // z = 2
}

}  // namespace

// Vectors, points and colours: the cases where a plausible implementation goes
// wrong (a square root where none belongs, a tolerance in an exact comparison, an
// axis that passes through cos/sin although its angle is 0, a wrong wrap period).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "maths/NiftyMaths.h"

namespace {

bool SameBits(VECTOR3D a, VECTOR3D b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectNear(VECTOR3D v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(Vectors, DistanceIsSquared) {
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(0, 0, 0), MakePoint(3, 4, 0)), 25.0);
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(1, 1, 1), MakePoint(1, 1, 4)), 9.0);
}

TEST(Vectors, CompareIsExact) {
    const float above3 = std::nextafter(3.0f, 4.0f);
    EXPECT_FALSE(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, above3)));
    EXPECT_TRUE(CompareVectors(MakePoint(0, 0, 0), MakePoint(-0.0f, 0, 0)));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(CompareVectors(MakePoint(nan, 0, 0), MakePoint(nan, 0, 0)));
}

TEST(Vectors, Lengths) {
    EXPECT_EQ(VectorLength(MakePoint(1, 2, 2)), 3.0);
    EXPECT_EQ(VectorLengthNOSQRT(MakePoint(1, 2, 2)), 9.0);
    EXPECT_EQ(VectorDotProduct(MakePoint(1, 2, 3), MakePoint(4, -5, 6)), 12.0);
}

TEST(Vectors, SumsAreTakenInFloat) {
    // 2^24 + 1 is not a float: a float sum loses the 1, a double sum keeps it.
    const float big = 4096.0f;  // big^2 = 2^24
    EXPECT_EQ(VectorLengthNOSQRT(MakePoint(big, 1, 0)), 16777216.0);
    EXPECT_EQ(VectorDotProduct(MakePoint(big, 1, 0), MakePoint(big, 1, 0)), 16777216.0);
}

TEST(Vectors, NormalizeInPlaceAndByValue) {
    VECTOR3D zero;
    zero.Normalize();
    EXPECT_TRUE(SameBits(zero, MakePoint(0, 0, 0)));
    VECTOR3D v = MakePoint(3, 0, 4);
    v.Normalize();
    ExpectNear(v, 0.6f, 0.0f, 0.8f);
    ExpectNear(NormalizeVector(MakePoint(0, -5, 0)), 0, -1, 0, 0);
}

TEST(Vectors, CrossProductAndNormal) {
    ExpectNear(VectorCrossProduct(MakePoint(1, 0, 0), MakePoint(0, 1, 0)), 0, 0, 1, 0);
    const VECTOR3D a = MakePoint(0, 0, 0);
    ExpectNear(CalculateNormal(a, MakePoint(1, 0, 0), MakePoint(1, 1, 0)), 0, 0, 1, 0);
    // Not normalised: twice the triangle, four times the normal.
    ExpectNear(CalculateNormal(a, MakePoint(2, 0, 0), MakePoint(2, 2, 0)), 0, 0, 4, 0);
}

TEST(Vectors, ScaleWidensToDouble) {
    // 0.1f * 3.0 in double, then rounded, differs from 0.1f * 3.0f in float.
    const VECTOR3D v = ScaleVector(MakePoint(0.1f, 1, -2), 3.0);
    EXPECT_EQ(v.x, static_cast<float>(static_cast<double>(0.1f) * 3.0));
    EXPECT_EQ(v.y, 3.0f);
    EXPECT_EQ(v.z, -6.0f);
}

struct RotateCase {
    const char* name;
    VECTOR3D in;
    float ax, ay, az;
    VECTOR3D expected;
};

TEST(Rotate, RightHandedAboutEachAxis) {
    const RotateCase cases[] = {
        {"x90 turns +y to +z", MakePoint(0, 1, 0), 90, 0, 0, MakePoint(0, 0, 1)},
        {"y90 turns +x to -z", MakePoint(1, 0, 0), 0, 90, 0, MakePoint(0, 0, -1)},
        {"z90 turns +x to +y", MakePoint(1, 0, 0), 0, 0, 90, MakePoint(0, 1, 0)},
        {"x then y then z", MakePoint(0, 1, 0), 90, 90, 0, MakePoint(1, 0, 0)},
        {"negative angle", MakePoint(1, 0, 0), 0, 0, -90, MakePoint(0, -1, 0)},
    };
    for (const RotateCase& c : cases) {
        SCOPED_TRACE(c.name);
        VECTOR3D v = c.in;
        Rotate(&v, c.ax, c.ay, c.az);
        ExpectNear(v, c.expected.x, c.expected.y, c.expected.z);
    }
}

TEST(Rotate, ZeroAxesAreSkippedBitForBit) {
    VECTOR3D v = MakePoint(0.1f, -7.3f, 1e-30f);
    const VECTOR3D before = v;
    Rotate(&v, 0, 0, 0);
    EXPECT_TRUE(SameBits(v, before));
    // A rotation about Z alone leaves z untouched to the bit, although x and y move.
    Rotate(&v, 0, 0, 33);
    EXPECT_EQ(v.z, before.z);
    // And the near-zero result of cos(pi/2) is a rounding, not an exact zero.
    VECTOR3D up = MakePoint(0, 1, 0);
    Rotate(&up, 90, 0, 0);
    EXPECT_NE(up.y, 0.0f);
    EXPECT_NEAR(up.y, 0.0f, 1e-7f);
}

TEST(Clamp, WrapsByWholePeriods) {
    const struct {
        double value, expected;
    } cases[] = {{370, 10}, {-30, 330}, {360, 0}, {-720, 0}, {0, 0}, {359.5, 359.5}, {1090, 10}};
    for (const auto& c : cases) EXPECT_EQ(clamp(c.value, 0, 360), c.expected) << c.value;
}

}  // namespace

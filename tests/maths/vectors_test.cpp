// Vectors, points and colours: the cases where a plausible implementation goes
// wrong (a square root where none belongs, a tolerance in an exact comparison, a
// sum in double, an axis that passes through cos/sin although its angle is 0, a
// wrong wrap period).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "maths/NiftyMaths.h"

namespace {

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
        EXPECT_NEAR(c.got.x, c.want.x, 1e-6) << c.name;
        EXPECT_NEAR(c.got.y, c.want.y, 1e-6) << c.name;
        EXPECT_NEAR(c.got.z, c.want.z, 1e-6) << c.name;
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

}  // namespace

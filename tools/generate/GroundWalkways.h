// GroundWalkways: where the camels walk, in world units on the plane y = 0.
//
// The leader tours the seventeen route points in order and back to the first;
// the other camels roam inside four rectangles. The ground must be flat at
// y = 0 over all of this, with a margin, because camels never leave y = 0.
#pragma once

#include <array>

struct WalkPoint {
    float x;
    float z;
};

struct WalkZone {
    float minX, minZ, maxX, maxZ;
};

inline constexpr std::array<WalkPoint, 17> kTourRoute{{
    {266.304f, 536.696f},
    {-60.152f, 480.924f},
    {25.696f, 25.696f},
    {150.234f, -330.69f},
    {-188.924f, -403.69f},
    {-276.538f, -283.386f},
    {-220.696f, 425.152f},
    {-566.772f, 463.696f},
    {-566.772f, -369.234f},
    {-648.386f, -498.152f},
    {-644.152f, -626.924f},
    {-416.538f, -584.0f},
    {429.386f, -416.538f},
    {489.538f, -292.0f},
    {502.386f, -81.614f},
    {416.538f, 261.924f},
    {356.386f, 356.386f},
}};

inline constexpr std::array<WalkZone, 4> kRoamZones{{
    {-416.0f, -369.0f, -232.0f, 476.0f},
    {-75.0f, 30.0f, 62.0f, 378.0f},
    {-401.0f, -639.0f, 206.0f, -377.0f},
    {-672.0f, -389.0f, -571.0f, 426.0f},
}};

// The flat margin kept around every walkway, world units.
constexpr float kWalkMargin = 20.0f;

// Distance in the ground plane from (x, z) to the nearest walkway: a route
// point, a straight leg between consecutive points, or a zone (0 inside).
float DistanceToWalkways(float x, float z);

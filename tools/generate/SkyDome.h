// SkyDome: the shared description of the sky dome, between its mesh
// (SkyModel.cpp) and its two pictures (SkyTextures.cpp).
//
// The dome is a sphere of kSkyRadius world units around the origin, split by
// elevation into two groups that meet edge to edge at kSkySplitDegrees:
//   group 0, the dome proper, from the split up to the zenith, painted in an
//     azimuthal projection (the zenith at the picture's centre, the split on
//     the inscribed circle) with the gradient and a veil of high cloud;
//   group 1, the horizon band, from kSkySkirtDegrees below the horizon up to
//     the split, painted around the azimuth, haze over the horizon and the
//     fog's own grey below it.
// Both pictures take their colour from SkyColour, so the two groups agree
// exactly where they meet, and the band is the fog colour at and below the
// horizon, so distant fogged dunes meet the sky without a line.
#pragma once

#include "NoisePalette.h"

constexpr float kSkyRadius = 1500.0f;  // world units (the saver scales the model by 30)
constexpr float kSkyModelScale = 30.0f;
constexpr float kSkySplitDegrees = 8.0f;    // elevation where group 0 meets group 1
constexpr float kSkySkirtDegrees = -30.0f;  // lowest elevation of the band
constexpr float kSkyFogGrey = 0.7f;         // the scene's fog colour, every channel

// Radius, in texture coordinates, of the split circle in the dome picture: a
// little inside the picture's edge, so the split ring samples only the plain
// gradient and never wraps to the opposite edge.
constexpr float kSkyDomeTextureRadius = 0.49f;

// Clear-sky colour at an elevation in degrees (negative below the horizon).
Rgb SkyColour(float elevationDegrees);

// The dome picture (size x size), azimuthal: texture point (0.5, 0.5) is the
// zenith, distance kSkyDomeTextureRadius from it
// the split elevation, the angle the azimuth.
Image PaintSkyDome(int size);

// The band picture: s runs once around the azimuth (and wraps), t from the
// skirt (0) to the split elevation (1). Four channels, opaque.
Image PaintHorizonBand(int width, int height);

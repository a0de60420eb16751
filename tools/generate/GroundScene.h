// GroundScene: the desert the saver's scene stands on, shared by the ground's
// generator files.
//
// World units throughout (the saver draws the model at scale 146). The floor
// is flat at y = 0 wherever camels walk (GroundWalkways.h) and for a margin
// well beyond; dunes rise outside it, growing toward the horizon; the
// landmarks stand on flat pads of their own. The camera looks at the
// landmarks by the model's joints: joint 0 is a root at the origin that is
// never looked at, joint k > 0 the point of interest of landmark k.
#pragma once

#include <string>
#include <vector>

#include "MeshBuilder.h"
#include "writers/Image.h"

namespace ground {

constexpr float kModelScale = 146.0f;
constexpr float kGroundRadius =
    1540.0f;  // just past the sky dome (1,500): a 16-bit depth buffer cannot hide much more behind it
// Dunes begin this far from a walkway: well beyond the walkways' margin plus
// a grid cell's diagonal, so no sloping triangle reaches into the margin.
constexpr float kFlatReach = 45.0f;
constexpr float kFloorCell = 12.0f;  // the finest grid spacing over the middle, world units

// Materials, in the order of the container's pictures.
enum Material : int { kSand = 0, kStone, kRock, kPalm, kWater, kMaterialCount };

struct Landmark {
    std::string name;
    float x, z;    // where it stands
    float pad;     // radius of the flat ground it stands on
    float lookAt;  // height of the point the camera looks at
};

// Landmark k + 1 is joint k + 1.
const std::vector<Landmark>& Landmarks();

// The oasis pool: centre, and the water's level below the floor.
constexpr float kOasisX = 262.0f;
constexpr float kOasisZ = 40.0f;
constexpr float kPoolRadius = 48.0f;
constexpr float kWaterLevel = -0.9f;

// Height of the desert floor (dunes, pads, the pool's basin) at (x, z).
float TerrainHeight(float x, float z);

// The floor in group "sand": a fine grid of heights, simplified where the
// ground allows. Returns the floor's triangles near the pool, from which
// BuildWater cuts the water (group "water"): the part of them below the water
// level, clipped exactly.
struct FloorTriangle {
    Vec3 corners[3];  // counter-clockwise seen from above
};
std::vector<FloorTriangle> BuildTerrain(MeshBuilder& mesh);
void BuildWater(MeshBuilder& mesh, const std::vector<FloorTriangle>& shore);

// The landmarks' geometry: groups "stone", "rock" and "palms".
void BuildStone(MeshBuilder& mesh);
void BuildRock(MeshBuilder& mesh);
void BuildPalms(MeshBuilder& mesh);

// The pictures, one per material.
Image PaintSand(int size);
Image PaintStone(int size);
Image PaintRock(int size);
Image PaintPalm(int size);
Image PaintWater(int size);

// Texture repeat of the sand, world units per picture.
constexpr float kSandTile = 32.0f;

}  // namespace ground

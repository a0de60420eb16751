// ONEBG: the ground of the scene. The MilkShape model "g.kst" is loaded once,
// scaled to world size, compiled into display lists and thrown away; its
// joints survive as landmarks, the world positions the camera picks as targets.
//
// The lists are pieces of the ground, each a patch of one group with a sphere
// round it, so a frame can leave out the pieces the view frustum rejects.
#pragma once

#include <cstdint>
#include <vector>

#include "maths/NiftyMaths.h"

struct Texture;
class FRUSTUM;
class MS3D;

// One display list of the ground: a run of consecutive triangles of one group
// whose plan fits one tile, binding that group's texture first.
struct GROUNDPIECE {
    uint32_t list = 0;       // GL display list
    VECTOR3D centre;         // bounding sphere of the piece's vertices, world units
    float radius = 0.0f;
    int32_t triangleCount = 0;
};

class ONEBG {
public:
    // The ground model is scaled by this factor when it is loaded; landmark
    // positions are in the scaled (world) units.
    static constexpr float kScale = 146.0f;
    // The camera starts out looking at landmark 1, so a ground needs two joints.
    static constexpr int kMinLandmarks = 2;
    // A piece's plan fits a square tile of 1 / kTilesAcross of the ground's
    // extent (chosen by bench/ground_bench.cpp; see BG.cpp).
    static constexpr int kTilesAcross = 8;
    static constexpr int kMaxTilesAcross = 64;

    ONEBG() = default;
    ~ONEBG();  // runs Cleanup (needs the GL context current if anything was built)
    ONEBG(const ONEBG&) = delete;
    ONEBG& operator=(const ONEBG&) = delete;

    // Loads path + "g.kst" (path ends with '/'). True when the model was loaded
    // and the lists and landmarks were built; on false nothing is left built.
    // tilesAcross (1..kMaxTilesAcross) sets how finely the ground is cut.
    bool Setup(const char* path);
    bool Setup(const char* path, int tilesAcross);
    // Calls the list of the whole ground. Sets no state of its own beyond the
    // groups' texture binds: the caller's lighting, fog, culling and texturing
    // apply.
    void Draw() const;
    // Calls the pieces whose spheres the frustum does not reject, in the order
    // the whole ground draws them, then binds the texture the whole ground
    // leaves bound, so what follows finds the same state either way. The
    // frustum must have been extracted for the current view.
    void Draw(const FRUSTUM& frustum) const;
    // Releases the lists, the textures, the landmarks and the height grid; a
    // second call finds nothing to release.
    void Cleanup();

    // The height of the ground at (x, z): the highest of its upward-facing
    // triangles whose plan holds the point, world units. kNoGround where none
    // does (off the ground, a NaN coordinate, or nothing set up). Costs a few
    // dozen triangle tests; needs no GL context.
    static constexpr float kNoGround = -1e30f;
    float HeightAt(float x, float z) const;

    uint32_t displayList = 0;        // GL list calling every piece in order; 0 while none
    Texture* textures = nullptr;     // owned array (delete[]), textureCount entries
    int32_t textureCount = 0;
    VECTOR3D* landmarks = nullptr;   // owned array (delete[]), landmarkCount entries, world units
    int32_t landmarkCount = 0;       // the ground model's joint count
    std::vector<GROUNDPIECE> pieces; // lists displayList + 1 ..., group by group, tile by tile
    bool bindsLastTexture = false;   // whether the whole ground binds a texture at all
    uint32_t lastTexture = 0;        // the texture it leaves bound when it does

private:
    bool BuildPieces(const MS3D& model, int tilesAcross);
    void BuildHeightGrid(const MS3D& model);

    // The height grid: the plan's box cut into kHeightCells square cells a
    // side, each listing the triangles whose plan box touches it. A triangle
    // touching more than kMaxCellsPerTriangle cells is listed once, in
    // wideTriangles_, and tested at every point, so that no model, however
    // drawn, can make the lists grow beyond a few entries a triangle.
    static constexpr int kHeightCells = 64;
    static constexpr int kMaxCellsPerTriangle = 64;
    struct PlanTriangle {
        float x[3], y[3], z[3];
    };
    std::vector<PlanTriangle> heightTriangles_;
    std::vector<uint32_t> cellStart_;      // kHeightCells^2 + 1 offsets into cellTriangles_
    std::vector<uint32_t> cellTriangles_;  // indices into heightTriangles_, cell by cell
    std::vector<uint32_t> wideTriangles_;
    float gridMinX_ = 0.0f, gridMinZ_ = 0.0f, cellSize_ = 0.0f;
};

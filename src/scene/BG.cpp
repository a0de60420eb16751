// The ground and its landmarks.
//
// The ground never moves or animates, so it is drawn from display lists
// compiled once from the model: a few glCallLists a frame instead of thousands
// of immediate-mode calls. The model is needed only for that compilation and
// for its skeleton, and is destroyed at the end of Setup.
//
// Pieces. The ground reaches the horizon all round while the camera sees a
// wedge of it, so most of its triangles lie outside the view, and a software
// renderer pays for transforming, lighting and clipping each of them. So the
// ground is cut at load into pieces the view frustum can reject, each its own
// display list with the sphere round its vertices, and a frame calls only the
// pieces whose sphere the frustum does not reject.
//
// A piece is a run of consecutive triangles of one group, as long as the run's
// plan (x and z) fits a square tile, a tilesAcross-th of the ground's extent.
// Pieces never reorder anything: the whole ground calls them group by group,
// each group's triangles in the model's own order, so it draws exactly what
// the model's Render draws in exactly that order, and a culled frame draws a
// subsequence of it. That matters with a 16-bit depth buffer: far off, dunes
// a few dozen units apart fall on the same depth value, and the depth test
// (GL_LEQUAL) then lets the later triangle win, so an order changed anywhere
// would change the horizon. A rejected piece lies wholly outside the view and
// would have produced no pixel; the ones drawn meet in the same order as
// before, so the culled picture is the whole picture. The runs are compact
// because the generator lays the floor out block by block of its quadtree (a
// model in some other order still draws right, in smaller pieces).
//
// A piece binds the texture its group would have bound (a group without a
// material keeps the one bound before it: in the whole draw, the texture of
// the nearest earlier group with one), so it looks the same whichever pieces
// were drawn before it. displayList calls every piece in turn: the whole
// ground as one list, as before.
//
// How many tiles: smaller tiles fit the view more tightly but cost a list call
// and a sphere test each, and cut the groups' batches into smaller ones. On
// the generated ground (55,556 triangles, 3,080 units across) and Mesa's
// software renderer, 4 to 16 tiles across came out alike within the noise
// (bench/ground_bench.cpp, BM_GroundTiles), a view at camel height then
// calling about a third of the triangles; 8 across (94 pieces) keeps the
// lists few. What the culled draw saves is the transforming and clipping of
// what is out of view, about a sixth of the ground's cost at 320 x 180; the
// triangles in view and their pixels cost the rest.
//
// Height. The camera keeps its eye above the ground, so it asks every frame
// how high the ground is under a point. The answer comes from the triangles
// themselves, kept at load (their corners only) in a coarse grid over the
// plan: a cell lists the triangles whose plan box touches it, and a query
// tests the few in its cell. Only upward-facing triangles count (the ones seen
// from above: sand, the tops of rocks), and the highest one holding the point
// wins, so an eye that would be inside a rock or a dune is told the height of
// its top. A triangle with no area in plan (a wall seen edge on) has no height
// to give and is left out, as is one with a corner that is not finite.
//
// The skeleton is not used for animation here. The scene's author places joints
// in the ground model to mark its points of interest (a ridge, an oasis, a
// rock), and each joint's rest transform in model space (`absolute`, built by
// InitialSetup) carries it to its place. Applied to the origin, that transform
// gives the landmark. The ground is drawn with no transform of its own, so model
// space is world space and the landmarks can be handed to the camera as they are.
//
// The lists record the mesh as InitialSetup leaves it. Vertices bound to a joint
// are then in that joint's local space, so a ground model should bind none of
// its mesh to joints: its joints are markers, not bones. The spheres are taken
// round the positions as recorded, so they hold what is drawn either way.
#include "scene/BG.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "assets/Texture.h"
#include "models/MilkshapeModel.h"
#include "scene/Frustum.h"

namespace {

constexpr std::size_t kPathSize = 1024;  // bytes, like every resource path buffer

// The longest side of the model's plan (x and z), world units.
float PlanExtent(const MS3D& model) {
    float low[2] = {1e30f, 1e30f}, high[2] = {-1e30f, -1e30f};
    for (int i = 0; i < model.numVertices; ++i) {
        const float* p = model.vertices[i].position;
        low[0] = std::min(low[0], p[0]), high[0] = std::max(high[0], p[0]);
        low[1] = std::min(low[1], p[2]), high[1] = std::max(high[1], p[2]);
    }
    return std::max({0.0f, high[0] - low[0], high[1] - low[1]});
}

// A growing box in the ground plan (x and z).
struct PlanBox {
    float minX = 1e30f, maxX = -1e30f, minZ = 1e30f, maxZ = -1e30f;
    void Add(const float* p) {
        minX = std::min(minX, p[0]), maxX = std::max(maxX, p[0]);
        minZ = std::min(minZ, p[2]), maxZ = std::max(maxZ, p[2]);
    }
    // A box made unknowable by a non-finite corner counts as within: such a
    // triangle joins the run it follows instead of starting a list of its own.
    bool Within(float span) const { return !(maxX - minX > span) && !(maxZ - minZ > span); }
};

const float* CornerPosition(const MS3D& model, const MS3D_TRIANGLE& t, int corner) {
    return model.vertices[t.vertexIndices[corner]].position;
}

// The sphere round every corner of the triangles: centred in their box, its
// radius a hair larger than the farthest corner, so that the frustum's float
// arithmetic never rejects a piece whose corner is only just in view.
void BoundTriangles(const MS3D& model, const std::vector<uint16_t>& triangles, GROUNDPIECE* piece) {
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (uint16_t i : triangles)
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 3; ++a) {
                const float v = CornerPosition(model, model.triangles[i], c)[a];
                low[a] = std::min(low[a], v), high[a] = std::max(high[a], v);
            }
    const VECTOR3D centre = MakePoint(0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.5f * (low[2] + high[2]));
    double farthest = 0.0;
    for (uint16_t i : triangles)
        for (int c = 0; c < 3; ++c) {
            const float* p = CornerPosition(model, model.triangles[i], c);
            const double dx = p[0] - centre.x, dy = p[1] - centre.y, dz = p[2] - centre.z;
            farthest = std::max(farthest, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
    piece->centre = centre;
    piece->radius = static_cast<float>(farthest) * 1.001f + 0.01f;
    piece->triangleCount = static_cast<int32_t>(triangles.size());
}

// What a group does to the bound texture when the whole model is rendered with
// its table: binds its material's texture, or leaves the one an earlier group
// bound (none at all before the first group with a material).
struct TextureBind {
    bool binds = false;
    uint32_t texture = 0;
};

std::vector<TextureBind> GroupBinds(const MS3D& model, const Texture* textures) {
    std::vector<TextureBind> binds(model.numGroups);
    TextureBind current;
    for (int g = 0; g < model.numGroups; ++g) {
        const int material = model.groups[g].materialIndex;
        if (textures != nullptr && material >= 0) current = TextureBind{true, textures[material].textureName};
        binds[g] = current;
    }
    return binds;
}

// Records one piece exactly as MS3D::DrawGroup draws those triangles: per
// corner the triangle's normal, the texture coordinate (s, 1 - t), the position.
void CompilePiece(const MS3D& model, const std::vector<uint16_t>& triangles, TextureBind bind, uint32_t list) {
    glNewList(list, GL_COMPILE);
    if (bind.binds) glBindTexture(GL_TEXTURE_2D, bind.texture);
    glBegin(GL_TRIANGLES);
    for (uint16_t i : triangles) {
        const MS3D_TRIANGLE& triangle = model.triangles[i];
        for (int c = 0; c < 3; ++c) {
            glNormal3fv(triangle.normals[c]);
            glTexCoord2f(triangle.s[c], 1.0f - triangle.t[c]);
            glVertex3fv(CornerPosition(model, triangle, c));
        }
    }
    glEnd();
    glEndList();
}

}  // namespace

ONEBG::~ONEBG() { Cleanup(); }

bool ONEBG::Setup(const char* path) { return Setup(path, kTilesAcross); }

bool ONEBG::Setup(const char* path, int tilesAcross) {
    Cleanup();  // a second Setup starts from nothing rather than leaking the first
    if (!path || tilesAcross < 1 || tilesAcross > kMaxTilesAcross) return false;
    char file[kPathSize];
    const int length = std::snprintf(file, sizeof file, "%sg.kst", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof file) return false;

    auto model = std::make_unique<MS3D>();
    // The loader gives every material a slot in the table, so indexing the
    // table by material stays inside it even when textures are missing.
    if (!LoadModel(file, model.get(), &textures, &textureCount) ||
        model->numJoints < kMinLandmarks) {
        Cleanup();  // LoadModel may have handed over a table before failing
        return false;
    }

    model->Scale(kScale);
    model->InitialSetup();
    if (!model->skeleton || !BuildPieces(*model, tilesAcross)) {
        Cleanup();
        return false;
    }

    BuildHeightGrid(*model);
    landmarkCount = model->numJoints;
    landmarks = new VECTOR3D[landmarkCount];
    for (int i = 0; i < landmarkCount; ++i)
        landmarks[i] = MatrixPointMultiply(model->skeleton[i].absolute, MakePoint(0, 0, 0));
    return true;
}

bool ONEBG::BuildPieces(const MS3D& model, int tilesAcross) {
    const float span = PlanExtent(model) / static_cast<float>(tilesAcross);
    const std::vector<TextureBind> binds = GroupBinds(model, textures);

    // Group by group, each group's triangles in its own order, cut into runs
    // whose plan stays within a tile's span.
    struct Batch {
        int group;
        std::vector<uint16_t> triangles;
    };
    std::vector<Batch> batches;
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& group = model.groups[g];
        PlanBox box;
        for (int k = 0; k < group.triangleCount; ++k) {
            const uint16_t i = group.triangleIndices[k];
            PlanBox grown = box;
            for (int c = 0; c < 3; ++c) grown.Add(CornerPosition(model, model.triangles[i], c));
            if (k == 0 || !grown.Within(span)) {
                batches.push_back(Batch{g, {}});
                grown = PlanBox();
                for (int c = 0; c < 3; ++c) grown.Add(CornerPosition(model, model.triangles[i], c));
            }
            batches.back().triangles.push_back(i);
            box = grown;
        }
    }

    displayList = glGenLists(static_cast<GLsizei>(batches.size() + 1));
    if (displayList == 0) return false;
    pieces.resize(batches.size());
    for (std::size_t k = 0; k < batches.size(); ++k) {
        GROUNDPIECE& piece = pieces[k];
        piece.list = displayList + 1 + static_cast<uint32_t>(k);
        BoundTriangles(model, batches[k].triangles, &piece);
        CompilePiece(model, batches[k].triangles, binds[batches[k].group], piece.list);
    }
    glNewList(displayList, GL_COMPILE);
    for (const GROUNDPIECE& piece : pieces) glCallList(piece.list);
    glEndList();

    if (!binds.empty()) {
        bindsLastTexture = binds.back().binds;
        lastTexture = binds.back().texture;
    }
    return true;
}

namespace {

// Twice the signed area of the plan triangle (a, b, c), positive when it turns
// counter-clockwise seen from above (its normal has a positive y).
double PlanArea(double ax, double az, double bx, double bz, double cx, double cz) {
    return (bz - az) * (cx - ax) - (bx - ax) * (cz - az);
}

bool Finite(const float* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// How far a point may lie outside a triangle, as a fraction of it, and still
// count as on it: enough that a point on an edge shared by two triangles is
// on one of them whatever the rounding.
constexpr double kEdgeSlack = 1e-6;

}  // namespace

void ONEBG::BuildHeightGrid(const MS3D& model) {
    double minX = 1e300, maxX = -1e300, minZ = 1e300, maxZ = -1e300;
    for (int i = 0; i < model.numTriangles; ++i) {
        const MS3D_TRIANGLE& t = model.triangles[i];
        PlanTriangle p;
        bool usable = true;
        for (int c = 0; c < 3; ++c) {
            const float* v = CornerPosition(model, t, c);
            usable = usable && Finite(v);
            p.x[c] = v[0], p.y[c] = v[1], p.z[c] = v[2];
        }
        if (!usable || !(PlanArea(p.x[0], p.z[0], p.x[1], p.z[1], p.x[2], p.z[2]) > 0.0)) continue;
        heightTriangles_.push_back(p);
        for (int c = 0; c < 3; ++c) {
            minX = std::min(minX, double(p.x[c])), maxX = std::max(maxX, double(p.x[c]));
            minZ = std::min(minZ, double(p.z[c])), maxZ = std::max(maxZ, double(p.z[c]));
        }
    }
    if (heightTriangles_.empty()) return;
    const double cell = std::max(maxX - minX, maxZ - minZ) / kHeightCells;
    if (!(cell > 0.0) || !std::isfinite(cell) || cell > std::numeric_limits<float>::max()) {
        heightTriangles_.clear();  // a plan no float grid can cut: no heights
        return;
    }
    gridMinX_ = static_cast<float>(minX), gridMinZ_ = static_cast<float>(minZ);
    cellSize_ = static_cast<float>(cell);

    // Each triangle's range of cells, its box widened a little so that a point
    // just outside it, still on it by kEdgeSlack, finds it listed.
    const auto cellOf = [&](double v, double low) {
        return static_cast<int>(std::clamp(std::floor((v - low) / cellSize_), 0.0, double(kHeightCells - 1)));
    };
    struct Range { int x0, x1, z0, z1; };
    std::vector<Range> ranges(heightTriangles_.size());
    std::vector<uint32_t> counts(kHeightCells * kHeightCells, 0);
    for (std::size_t i = 0; i < heightTriangles_.size(); ++i) {
        const PlanTriangle& p = heightTriangles_[i];
        const double margin = 1e-4 * cellSize_;
        Range& r = ranges[i];
        r.x0 = cellOf(std::min({p.x[0], p.x[1], p.x[2]}) - margin, gridMinX_);
        r.x1 = cellOf(std::max({p.x[0], p.x[1], p.x[2]}) + margin, gridMinX_);
        r.z0 = cellOf(std::min({p.z[0], p.z[1], p.z[2]}) - margin, gridMinZ_);
        r.z1 = cellOf(std::max({p.z[0], p.z[1], p.z[2]}) + margin, gridMinZ_);
        if ((r.x1 - r.x0 + 1) * (r.z1 - r.z0 + 1) > kMaxCellsPerTriangle) {
            wideTriangles_.push_back(static_cast<uint32_t>(i));
            r.x1 = r.x0 - 1;  // listed in no cell
            continue;
        }
        for (int cz = r.z0; cz <= r.z1; ++cz)
            for (int cx = r.x0; cx <= r.x1; ++cx) ++counts[cz * kHeightCells + cx];
    }
    cellStart_.assign(counts.size() + 1, 0);
    for (std::size_t c = 0; c < counts.size(); ++c) cellStart_[c + 1] = cellStart_[c] + counts[c];
    cellTriangles_.resize(cellStart_.back());
    std::vector<uint32_t> next(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < heightTriangles_.size(); ++i) {
        const Range& r = ranges[i];
        for (int cz = r.z0; cz <= r.z1; ++cz)
            for (int cx = r.x0; cx <= r.x1; ++cx) cellTriangles_[next[cz * kHeightCells + cx]++] = static_cast<uint32_t>(i);
    }
}

float ONEBG::HeightAt(float x, float z) const {
    if (heightTriangles_.empty()) return kNoGround;
    const double px = x, pz = z;
    const double u = (px - gridMinX_) / cellSize_, v = (pz - gridMinZ_) / cellSize_;
    double best = -std::numeric_limits<double>::infinity();
    const auto test = [&](uint32_t index) {
        const PlanTriangle& t = heightTriangles_[index];
        const double area = PlanArea(t.x[0], t.z[0], t.x[1], t.z[1], t.x[2], t.z[2]);
        const double a = PlanArea(px, pz, t.x[1], t.z[1], t.x[2], t.z[2]) / area;
        const double b = PlanArea(t.x[0], t.z[0], px, pz, t.x[2], t.z[2]) / area;
        const double c = 1.0 - a - b;
        if (a >= -kEdgeSlack && b >= -kEdgeSlack && c >= -kEdgeSlack)
            best = std::max(best, a * t.y[0] + b * t.y[1] + c * t.y[2]);
    };
    // Inside the grid (which a NaN never is) the point's cell, and always the wide ones.
    if (u >= 0.0 && u <= kHeightCells && v >= 0.0 && v <= kHeightCells) {
        const int cell = std::min(int(v), kHeightCells - 1) * kHeightCells + std::min(int(u), kHeightCells - 1);
        for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) test(cellTriangles_[k]);
    }
    for (uint32_t index : wideTriangles_) test(index);
    if (!(best > double(kNoGround))) return kNoGround;
    return static_cast<float>(std::min(best, 1e30));
}

void ONEBG::Draw() const {
    if (displayList != 0) glCallList(displayList);
}

void ONEBG::Draw(const FRUSTUM& frustum) const {
    if (displayList == 0) return;
    for (const GROUNDPIECE& piece : pieces)
        if (frustum.SphereInFrustum(piece.centre, piece.radius) != 0.0f) glCallList(piece.list);
    if (bindsLastTexture) glBindTexture(GL_TEXTURE_2D, lastTexture);
}

void ONEBG::Cleanup() {
    if (displayList != 0) {
        glDeleteLists(displayList, static_cast<GLsizei>(pieces.size() + 1));
        displayList = 0;  // never delete a name GL may since have handed to someone else
    }
    pieces.clear();
    bindsLastTexture = false;
    lastTexture = 0;
    delete[] textures;
    textures = nullptr;
    textureCount = 0;
    delete[] landmarks;
    landmarks = nullptr;
    landmarkCount = 0;
    heightTriangles_.clear();
    cellStart_.clear();
    cellTriangles_.clear();
    wideTriangles_.clear();
    gridMinX_ = gridMinZ_ = cellSize_ = 0.0f;
}

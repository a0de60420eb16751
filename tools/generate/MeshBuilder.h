// MeshBuilder: collects a model's mesh while a generator shapes it, then hands
// it to the MS3D writer.
//
// Vertices carry a position (world units, scaled into model units on export)
// and the joint that moves them. Triangles carry a texture coordinate per
// corner, so a closed ring can share its seam vertices and still wrap its
// texture. Shading is decided by sharing: every corner of a vertex gets that
// vertex's normal, the area-weighted average of the faces around it, so a
// surface whose vertices are shared is smooth and one built from separate
// vertices per face is faceted. A corner normal may also be set by hand.
//
// The lofting helpers build most shapes: a tube is a list of rings (closed
// cross-sections), each ring a list of points, joined ring to ring with quads,
// optionally closed at either end by a pole vertex.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "MeshMath.h"
#include "writers/MS3DWriter.h"

// Texture coordinates are OpenGL's: (0, 0) is the first stored pixel, row 0 of
// an Image. The file stores t' = 1 - t because the saver draws (s, 1 - t').
struct MeshCorner {
    uint32_t vertex = 0;
    float s = 0.0f;
    float t = 0.0f;
};

class MeshBuilder {
public:
    // Starts a new group drawn with the given material (-1 for none); the
    // triangles added from now on belong to it. Returns its index.
    int BeginGroup(const std::string& name, int materialIndex);

    uint32_t AddVertex(Vec3 position, int joint);
    // Corners in counter-clockwise order seen from the front.
    void AddTriangle(MeshCorner a, MeshCorner b, MeshCorner c);
    // Two triangles a-b-c and a-c-d.
    void AddQuad(MeshCorner a, MeshCorner b, MeshCorner c, MeshCorner d);

    // Replaces one corner's normal (by triangle index and corner 0..2); such a
    // corner keeps its normal when the smooth normals are computed.
    void SetCornerNormal(std::size_t triangle, int corner, Vec3 normal);

    std::size_t VertexCount() const { return vertices_.size(); }
    std::size_t TriangleCount() const { return triangles_.size(); }
    Vec3 Position(uint32_t vertex) const { return vertices_[vertex].position; }
    void SetPosition(uint32_t vertex, Vec3 p) { vertices_[vertex].position = p; }
    int Joint(uint32_t vertex) const { return vertices_[vertex].joint; }

    // Fills the mesh part of an MS3D description: positions multiplied by
    // scale, smooth normals, groups. False, with the reason, when a count or
    // index does not fit the format.
    bool Export(float scale, MS3DData* out, std::string* error) const;

private:
    struct Vertex {
        Vec3 position;
        int joint = -1;
    };
    struct Triangle {
        std::array<MeshCorner, 3> corners;
        std::array<Vec3, 3> normals;
        std::array<bool, 3> fixedNormal{false, false, false};
        int group = 0;
    };
    struct Group {
        std::string name;
        int material = -1;
    };

    std::vector<Vec3> SmoothNormals() const;

    std::vector<Vertex> vertices_;
    std::vector<Triangle> triangles_;
    std::vector<Group> groups_;
};

// ---- Lofting ------------------------------------------------------------------

// One cross-section of a tube: its points in order around (counter-clockwise
// seen from the tube's end, looking back along the tube), the joint that moves
// them and the texture coordinate along the tube.
struct LoftRing {
    std::vector<Vec3> points;
    int joint = -1;
    float along = 0.0f;  // texture coordinate along the tube
};

struct LoftOptions {
    bool capStart = false;  // close the first ring with a pole vertex
    bool capEnd = false;    // close the last ring with a pole vertex
    Vec3 startPole;         // pole positions when capped
    Vec3 endPole;
    int startPoleJoint = -1;
    int endPoleJoint = -1;
    // Texture coordinates: s = aroundOffset + aroundScale * (k / n) around the
    // ring, t = alongOffset + alongScale * ring.along; with swapST the two swap.
    float aroundOffset = 0.0f;
    float aroundScale = 1.0f;
    float alongOffset = 0.0f;
    float alongScale = 1.0f;
    bool swapST = false;
    bool inward = false;  // faces point into the tube (seen from inside)
};

// Joins consecutive rings (all with the same number of points) into a tube in
// the builder's current group. Returns the index of the first vertex made.
// A grey material: ambient and diffuse as the given levels of white (the
// texture carries the colour); everything else as MilkShape's defaults.
inline MS3DData::Material GreyMaterial(const char* name, float ambient, float diffuse) {
    MS3DData::Material m;
    m.name = name;
    m.ambient = {ambient, ambient, ambient, 1.0f};
    m.diffuse = {diffuse, diffuse, diffuse, 1.0f};
    return m;
}

uint32_t Loft(MeshBuilder& mesh, const std::vector<LoftRing>& rings, const LoftOptions& options);

// An ellipse ring around centre in the plane of frame.side / frame.up, with
// radii along those axes; point 0 is on +up, and the ring runs towards +side.
std::vector<Vec3> EllipseRing(Vec3 centre, const Frame& frame, float radiusSide, float radiusUp, int count);

#include "MeshBuilder.h"

namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

int MeshBuilder::BeginGroup(const std::string& name, int materialIndex) {
    groups_.push_back(Group{name, materialIndex});
    return static_cast<int>(groups_.size()) - 1;
}

uint32_t MeshBuilder::AddVertex(Vec3 position, int joint) {
    vertices_.push_back(Vertex{position, joint});
    return static_cast<uint32_t>(vertices_.size() - 1);
}

void MeshBuilder::AddTriangle(MeshCorner a, MeshCorner b, MeshCorner c) {
    if (groups_.empty()) BeginGroup("mesh", -1);
    Triangle t;
    t.corners = {a, b, c};
    t.group = static_cast<int>(groups_.size()) - 1;
    triangles_.push_back(t);
}

void MeshBuilder::AddQuad(MeshCorner a, MeshCorner b, MeshCorner c, MeshCorner d) {
    AddTriangle(a, b, c);
    AddTriangle(a, c, d);
}

void MeshBuilder::SetCornerNormal(std::size_t triangle, int corner, Vec3 normal) {
    triangles_[triangle].normals[corner] = Normalized(normal);
    triangles_[triangle].fixedNormal[corner] = true;
}

std::vector<Vec3> MeshBuilder::SmoothNormals() const {
    // The cross product's length is twice the face's area, so summing the raw
    // products weights each face by its area: slivers barely count.
    std::vector<Vec3> sum(vertices_.size());
    for (const Triangle& t : triangles_) {
        Vec3 a = vertices_[t.corners[0].vertex].position;
        Vec3 b = vertices_[t.corners[1].vertex].position;
        Vec3 c = vertices_[t.corners[2].vertex].position;
        Vec3 n = Cross(b - a, c - a);
        for (const MeshCorner& k : t.corners) sum[k.vertex] += n;
    }
    for (Vec3& n : sum) {
        n = Normalized(n);
        if (Length(n) == 0.0f) n = V3(0, 1, 0);
    }
    return sum;
}

bool MeshBuilder::Export(float scale, MS3DData* out, std::string* error) const {
    if (vertices_.size() > 65535) return Fail(error, "too many vertices: " + std::to_string(vertices_.size()));
    if (triangles_.size() > 65535) return Fail(error, "too many triangles: " + std::to_string(triangles_.size()));
    if (groups_.size() > 255) return Fail(error, "too many groups");

    out->vertices.clear();
    out->triangles.clear();
    out->groups.clear();
    for (const Vertex& v : vertices_) {
        if (v.joint < -1 || v.joint > 127) return Fail(error, "joint index out of range");
        MS3DData::Vertex w;
        w.position = {v.position.x * scale, v.position.y * scale, v.position.z * scale};
        w.jointIndex = static_cast<int8_t>(v.joint);
        out->vertices.push_back(w);
    }

    const std::vector<Vec3> smooth = SmoothNormals();
    for (const Group& g : groups_) {
        MS3DData::Group w;
        w.name = g.name;
        w.materialIndex = static_cast<int8_t>(g.material);
        out->groups.push_back(w);
    }
    for (std::size_t i = 0; i < triangles_.size(); ++i) {
        const Triangle& t = triangles_[i];
        MS3DData::Triangle w;
        for (int c = 0; c < 3; ++c) {
            w.vertexIndices[c] = static_cast<uint16_t>(t.corners[c].vertex);
            Vec3 n = t.fixedNormal[c] ? t.normals[c] : smooth[t.corners[c].vertex];
            w.normals[c] = {n.x, n.y, n.z};
            w.s[c] = t.corners[c].s;
            w.t[c] = 1.0f - t.corners[c].t;  // drawn as 1 - t
        }
        w.groupIndex = static_cast<uint8_t>(t.group);
        out->triangles.push_back(w);
        out->groups[t.group].triangleIndices.push_back(static_cast<uint16_t>(i));
    }
    for (const MS3DData::Group& g : out->groups)
        if (g.triangleIndices.size() > 65535) return Fail(error, "group " + g.name + " has too many triangles");
    return true;
}

// ---- Lofting ------------------------------------------------------------------

std::vector<Vec3> EllipseRing(Vec3 centre, const Frame& frame, float radiusSide, float radiusUp, int count) {
    std::vector<Vec3> ring;
    ring.reserve(count);
    for (int k = 0; k < count; ++k) {
        float a = 2.0f * kPi * static_cast<float>(k) / static_cast<float>(count);
        ring.push_back(centre + frame.up * (radiusUp * std::cos(a)) + frame.side * (radiusSide * std::sin(a)));
    }
    return ring;
}

namespace {

MeshCorner Corner(uint32_t vertex, float around, float along, const LoftOptions& o) {
    float s = o.aroundOffset + o.aroundScale * around;
    float t = o.alongOffset + o.alongScale * along;
    return o.swapST ? MeshCorner{vertex, t, s} : MeshCorner{vertex, s, t};
}

void Face(MeshBuilder& mesh, bool inward, MeshCorner a, MeshCorner b, MeshCorner c) {
    if (inward)
        mesh.AddTriangle(a, c, b);
    else
        mesh.AddTriangle(a, b, c);
}

}  // namespace

uint32_t Loft(MeshBuilder& mesh, const std::vector<LoftRing>& rings, const LoftOptions& o) {
    const uint32_t first = static_cast<uint32_t>(mesh.VertexCount());
    if (rings.empty()) return first;
    const int n = static_cast<int>(rings[0].points.size());
    std::vector<uint32_t> base;
    for (const LoftRing& r : rings) {
        base.push_back(static_cast<uint32_t>(mesh.VertexCount()));
        for (const Vec3& p : r.points) mesh.AddVertex(p, r.joint);
    }
    auto around = [n](int k) { return static_cast<float>(k) / static_cast<float>(n); };

    // Rings run along the tube's forward direction and their points from +up
    // towards +side, so (a, d, c) faces outward for a quad a-b on one ring and
    // d-c on the next.
    for (std::size_t i = 0; i + 1 < rings.size(); ++i) {
        for (int k = 0; k < n; ++k) {
            int k1 = (k + 1) % n;
            MeshCorner a = Corner(base[i] + k, around(k), rings[i].along, o);
            MeshCorner b = Corner(base[i] + k1, around(k + 1), rings[i].along, o);
            MeshCorner c = Corner(base[i + 1] + k1, around(k + 1), rings[i + 1].along, o);
            MeshCorner d = Corner(base[i + 1] + k, around(k), rings[i + 1].along, o);
            Face(mesh, o.inward, a, d, c);
            Face(mesh, o.inward, a, c, b);
        }
    }
    if (o.capStart) {
        uint32_t pole = mesh.AddVertex(o.startPole, o.startPoleJoint);
        for (int k = 0; k < n; ++k) {
            float mid = (static_cast<float>(k) + 0.5f) / static_cast<float>(n);
            Face(mesh, o.inward, Corner(pole, mid, rings.front().along, o),
                 Corner(base.front() + k, around(k), rings.front().along, o),
                 Corner(base.front() + (k + 1) % n, around(k + 1), rings.front().along, o));
        }
    }
    if (o.capEnd) {
        uint32_t pole = mesh.AddVertex(o.endPole, o.endPoleJoint);
        for (int k = 0; k < n; ++k) {
            float mid = (static_cast<float>(k) + 0.5f) / static_cast<float>(n);
            Face(mesh, o.inward, Corner(pole, mid, rings.back().along, o),
                 Corner(base.back() + (k + 1) % n, around(k + 1), rings.back().along, o),
                 Corner(base.back() + k, around(k), rings.back().along, o));
        }
    }
    return first;
}

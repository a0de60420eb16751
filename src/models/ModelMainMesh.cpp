// Building an instance's mesh from a model: corner de-duplication through a hash
// of the attribute bits, index and group ranges, the 16-bit limits, and the check
// that lets instances share a mesh built once. ModelMainMesh.h explains the rule.
#include "models/ModelMainMesh.h"

#include <cmath>
#include <cstring>

#include "models/MilkshapeModel.h"

namespace {

// The eight float attributes of a record, in a fixed order.
void Attributes(const MODELVERTEX& v, float out[8]) {
    out[0] = v.position.x;
    out[1] = v.position.y;
    out[2] = v.position.z;
    out[3] = v.normal.x;
    out[4] = v.normal.y;
    out[5] = v.normal.z;
    out[6] = v.texCoord.x;
    out[7] = v.texCoord.y;
}

// Bit pattern of a float, with -0 folded onto +0 so that equal floats hash alike.
uint32_t HashBits(float f) {
    if (f == 0.0f) return 0;
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

bool HasNaN(const MODELVERTEX& v) {
    float a[8];
    Attributes(v, a);
    for (float f : a)
        if (std::isnan(f)) return true;
    return false;
}

uint64_t HashVertex(const MODELVERTEX& v) {
    float a[8];
    Attributes(v, a);
    uint64_t h = static_cast<uint8_t>(v.jointIndex) * 0x9E3779B97F4A7C15ull;
    for (float f : a) {
        h = (h ^ HashBits(f)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    return h ^ (h >> 32);
}

bool SameBits(const MODELVERTEX& a, const MODELVERTEX& b) {
    return std::memcmp(&a, &b, sizeof(MODELVERTEX)) == 0;
}

constexpr std::size_t kFirstSlotCount = 64;

// The matching rule, inlined into the loops that run it for every corner.
inline bool Same(const MODELVERTEX& a, const MODELVERTEX& b) {
    return a.position.x == b.position.x && a.position.y == b.position.y &&
           a.position.z == b.position.z && a.normal.x == b.normal.x &&
           a.normal.y == b.normal.y && a.normal.z == b.normal.z &&
           a.texCoord.x == b.texCoord.x && a.texCoord.y == b.texCoord.y &&
           a.jointIndex == b.jointIndex;
}

inline MODELVERTEX Corner(const MS3D& model, const MS3D_TRIANGLE& tri, int c) {
    const float* position = model.vertices[tri.vertexIndices[c]].position;
    MODELVERTEX out;
    out.position.x = position[0];
    out.position.y = position[1];
    out.position.z = position[2];
    out.normal.x = tri.normals[c][0];
    out.normal.y = tri.normals[c][1];
    out.normal.z = tri.normals[c][2];
    out.texCoord.x = tri.s[c];
    out.texCoord.y = static_cast<float>(1.0 - tri.t[c]);
    out.jointIndex = model.vertices[tri.vertexIndices[c]].jointIndex;
    return out;
}

}  // namespace

bool SameVertex(const MODELVERTEX& a, const MODELVERTEX& b) { return Same(a, b); }

// ---- VERTEXTABLE -------------------------------------------------------------

void VERTEXTABLE::Reserve(std::size_t expected) {
    if (expected > kMaxMeshVertices) expected = kMaxMeshVertices;
    records.reserve(expected);
    std::size_t wanted = kFirstSlotCount;
    while (wanted < expected * 2) wanted *= 2;
    if (wanted > slots.size()) Rehash(wanted);
}

void VERTEXTABLE::Rehash(std::size_t slotCount) {
    slots.assign(slotCount, kEmptySlot);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!HasNaN(records[i])) Insert(static_cast<uint16_t>(i));
    }
}

void VERTEXTABLE::Insert(uint16_t index) {
    const std::size_t mask = slots.size() - 1;
    std::size_t slot = HashVertex(records[index]) & mask;
    while (slots[slot] != kEmptySlot) slot = (slot + 1) & mask;
    slots[slot] = index;
}

uint16_t VERTEXTABLE::Add(const MODELVERTEX& v) {
    const bool hashable = !HasNaN(v);
    if (hashable && !slots.empty()) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = HashVertex(v) & mask; slots[slot] != kEmptySlot;
             slot = (slot + 1) & mask) {
            if (Same(records[slots[slot]], v)) return slots[slot];
        }
    }
    if (records.size() >= kMaxMeshVertices) return kNoVertex;
    const auto index = static_cast<uint16_t>(records.size());
    records.push_back(v);
    // Keep the load at one half or less, so probes stay short and always end.
    if (slots.size() < (records.size() + 1) * 2) {
        Rehash(slots.empty() ? kFirstSlotCount : slots.size() * 2);
    } else if (hashable) {
        Insert(index);
    }
    return index;
}

// ---- Building from a model ----------------------------------------------------

MODELVERTEX CornerVertex(const MS3D& model, const MS3D_TRIANGLE& tri, int c) {
    return Corner(model, tri, c);
}

namespace {

// Checks every index a mesh build would follow, and the triangle limit.
bool ModelIndicesValid(const MS3D& model, int jointCount) {
    if ((model.numGroups && !model.groups) || (model.numTriangles && !model.triangles) ||
        (model.numVertices && !model.vertices))
        return false;
    std::size_t triangles = 0;
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& group = model.groups[g];
        if (group.materialIndex < -1 || group.materialIndex >= model.numMaterials) return false;
        if (group.triangleCount && !group.triangleIndices) return false;
        triangles += group.triangleCount;
        if (triangles > kMaxMeshTriangles) return false;
        for (int i = 0; i < group.triangleCount; ++i) {
            const uint16_t t = group.triangleIndices[i];
            if (t >= model.numTriangles) return false;
            for (uint16_t v : model.triangles[t].vertexIndices) {
                if (v >= model.numVertices) return false;
                const int joint = model.vertices[v].jointIndex;
                if (joint < -1 || joint >= jointCount) return false;
            }
        }
    }
    return true;
}

std::size_t CornerCount(const MS3D& model) {
    std::size_t corners = 0;
    for (int g = 0; g < model.numGroups; ++g) corners += 3u * model.groups[g].triangleCount;
    return corners;
}

}  // namespace

bool BuildModelMesh(const MS3D& model, int jointCount, MODELMESH* out) {
    *out = MODELMESH();
    if (!ModelIndicesValid(model, jointCount)) return false;

    MODELMESH mesh;
    const std::size_t corners = CornerCount(model);
    mesh.indices.reserve(corners);
    mesh.groups.reserve(model.numGroups);
    mesh.vertices.Reserve(corners);
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& source = model.groups[g];
        MODELGROUP group;
        group.materialIndex = source.materialIndex;
        group.triangleCount = source.triangleCount;
        group.firstIndex = static_cast<uint32_t>(mesh.indices.size());
        mesh.groups.push_back(group);
        for (int i = 0; i < source.triangleCount; ++i) {
            const MS3D_TRIANGLE& tri = model.triangles[source.triangleIndices[i]];
            for (int c = 0; c < 3; ++c) {
                const uint16_t index = mesh.vertices.Add(Corner(model, tri, c));
                if (index == kNoVertex) return false;  // beyond 65,535 distinct vertices
                mesh.indices.push_back(index);
            }
        }
    }
    mesh.poseBlocks.Build(mesh.vertices.Records().data(), mesh.vertices.Count());
    *out = std::move(mesh);
    return true;
}

bool MeshMatchesModel(const MODELMESH& mesh, const MS3D& model, int jointCount) {
    if (!ModelIndicesValid(model, jointCount)) return false;
    if (mesh.groups.size() != model.numGroups || mesh.indices.size() != CornerCount(model))
        return false;
    const std::vector<MODELVERTEX>& records = mesh.vertices.Records();
    std::size_t p = 0;         // position in the index list
    std::size_t appended = 0;  // records a fresh build would have appended so far
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& source = model.groups[g];
        const MODELGROUP& group = mesh.groups[g];
        if (group.materialIndex != source.materialIndex ||
            group.triangleCount != source.triangleCount || group.firstIndex != p)
            return false;
        for (int i = 0; i < source.triangleCount; ++i) {
            const MS3D_TRIANGLE& tri = model.triangles[source.triangleIndices[i]];
            for (int c = 0; c < 3; ++c, ++p) {
                const MODELVERTEX corner = Corner(model, tri, c);
                const std::size_t index = mesh.indices[p];
                // The first corner of a record must be that record, bit for bit; a
                // later corner must match it by the float rule. Since the records
                // are pairwise distinct, it then matches no earlier one either.
                if (index == appended) {
                    if (index >= records.size() || !SameBits(records[index], corner)) return false;
                    ++appended;
                } else if (index > appended || !Same(records[index], corner)) {
                    return false;
                }
            }
        }
    }
    return appended == records.size();
}

// ModelMainMesh: the drawable mesh of an animated instance, built from a loaded
// model: one interleaved vertex array with shared vertices, and one list of
// 16-bit indices divided into a range per group.
//
// De-duplication. A model stores its mesh as triangles whose corners each carry
// a vertex position, a normal and a texture coordinate. OpenGL's vertex arrays
// want one record per distinct combination, so the corners are folded into
// records: two corners share a record exactly when their three position
// components, three normal components, s, t (each compared as floats, so -0
// equals +0 and a NaN equals nothing) and joint index are equal. A corner that
// matches no earlier record appends one; records keep the order of their first
// corner. The obvious way to do that, searching every record for every corner,
// is quadratic. VERTEXTABLE gives exactly the same records and indices in linear
// time: it hashes the bit patterns of the attributes (with -0 hashed as +0) and
// compares candidates with the float rule. A record holding a NaN can match
// nothing, so it is appended and never entered in the hash.
//
// Why the result is unique: every record was appended because it matched none
// before it, and the float rule is an equivalence on NaN-free records, so a new
// corner can match at most one record. The hash finds that one or none.
//
// Sharing. Every instance of one model holds the same rest mesh, so it is built
// once, by the animation template, and instances share it read-only. An
// instance handed a model checks that the shared mesh is exactly what it would
// have built from that model (MeshMatchesModel) before sharing it; otherwise it
// builds its own. The check costs one pass over the corners and no hashing.
//
// Limits. Indices and counts are 16-bit: a mesh holds at most 65,535 records
// and its groups at most 65,535 triangles in all. A model beyond either limit,
// or whose indices point outside their arrays, is refused (BuildModelMesh
// returns false) rather than built with wrapped indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "maths/NiftyMaths.h"

class MS3D;
struct MS3D_TRIANGLE;

// One record of the interleaved vertex array handed to OpenGL (stride 36).
struct MODELVERTEX {
    VECTOR3D position;         // joint space at rest; model space once posed
    VECTOR3D normal;           // rotated with its joint, never renormalised
    point2d texCoord;          // s and 1 - t of the model's corner
    uint8_t unused0[2] = {0, 0};
    int8_t jointIndex = -1;    // the one joint that moves this vertex; -1 for none
    uint8_t unused1 = 0;
};
static_assert(sizeof(MODELVERTEX) == 36, "the vertex arrays are drawn with a 36-byte stride");
static_assert(offsetof(MODELVERTEX, position) == 0, "vertex pointer at byte 0");
static_assert(offsetof(MODELVERTEX, normal) == 12, "normal pointer at byte 12");
static_assert(offsetof(MODELVERTEX, texCoord) == 24, "texture-coordinate pointer at byte 24");
static_assert(offsetof(MODELVERTEX, jointIndex) == 34, "joint index at byte 34");

// One group's range of the index list.
struct MODELGROUP {
    int8_t materialIndex = -1;  // into the instance's materials; -1 for none
    uint16_t triangleCount = 0;
    uint32_t firstIndex = 0;    // position in the index list of the group's first index
};

constexpr std::size_t kMaxMeshVertices = 65535;
constexpr std::size_t kMaxMeshTriangles = 65535;
// AddVertToBuffer's answer when the table is full: never a valid index, since at
// most 65,535 records (indices 0 ... 65,534) exist.
constexpr uint16_t kNoVertex = 0xFFFF;

// True when the two records match under the float rule above.
bool SameVertex(const MODELVERTEX& a, const MODELVERTEX& b);

// The de-duplicated vertex records of one mesh and a hash index over them.
class VERTEXTABLE {
public:
    // The index of the record matching v, appending v when none does;
    // kNoVertex when v is new and the table already holds kMaxMeshVertices.
    uint16_t Add(const MODELVERTEX& v);
    const std::vector<MODELVERTEX>& Records() const { return records; }
    std::size_t Count() const { return records.size(); }
    void Reserve(std::size_t expected);

private:
    static constexpr uint16_t kEmptySlot = 0xFFFF;
    std::vector<MODELVERTEX> records;
    std::vector<uint16_t> slots;  // open addressing, linear probing; a power of two long

    void Rehash(std::size_t slotCount);
    void Insert(uint16_t index);
};

// Rest records regrouped for the vector skinning paths (OneModelSkinning.cpp).
// Records 8b ... 8b + 7 make block b, their positions and normals stored
// component by component and widened to double (the same values exactly), so
// that four or eight records are posed with whole-register arithmetic and no
// shuffling of vertex data. Each aligned quad of four records, 4q ... 4q + 3,
// notes the joint all four follow; only such quads are posed from the blocks.
struct alignas(64) POSEBLOCK {  // six whole cache lines
    double position[3][8];  // [x, y, z][record 8b + k]
    double normal[3][8];
};

// Storage aligned to a cache line, carved from plain operator new with one line
// to spare; the distance back to the start is kept in the byte before. The
// standard allocator would take over-aligned memory from the aligned operator
// new, which glibc serves through memalign; with that, building and releasing a
// herd over and over ran several times slower, its memory handed back to the
// system and faulted in again each time.
template <typename T>
struct CACHELINEALLOCATOR {
    static constexpr std::size_t kLine = 64;
    static_assert(alignof(T) <= kLine, "at most a line of alignment");
    using value_type = T;

    CACHELINEALLOCATOR() = default;
    template <typename U>
    CACHELINEALLOCATOR(const CACHELINEALLOCATOR<U>&) {}

    T* allocate(std::size_t n) {
        if (n > (SIZE_MAX - kLine) / sizeof(T)) throw std::bad_array_new_length();
        auto* raw = static_cast<unsigned char*>(::operator new(n * sizeof(T) + kLine));
        unsigned char* start = raw + (kLine - reinterpret_cast<std::uintptr_t>(raw) % kLine);  // 1 ... 64 on
        start[-1] = static_cast<unsigned char>(start - raw);
        return reinterpret_cast<T*>(start);
    }
    void deallocate(T* p, std::size_t) {
        auto* start = reinterpret_cast<unsigned char*>(p);
        ::operator delete(start - start[-1]);
    }
    template <typename U>
    bool operator==(const CACHELINEALLOCATOR<U>&) const { return true; }
    template <typename U>
    bool operator!=(const CACHELINEALLOCATOR<U>&) const { return false; }
};

struct POSEBLOCKS {
    std::vector<POSEBLOCK, CACHELINEALLOCATOR<POSEBLOCK>> blocks;  // two quads each; the last may hold only one
    std::vector<int8_t> quadJoints;  // per quad: the joint all four records follow, or -1 (mixed or none)

    // Rebuilds from the first `count` records; records after the last whole quad are left out.
    void Build(const MODELVERTEX* records, std::size_t count);
    // How many leading records the blocks describe.
    std::size_t Covered() const { return 4 * quadJoints.size(); }
};

// The instance-independent part of a model's drawable mesh, in joint space.
struct MODELMESH {
    VERTEXTABLE vertices;
    std::vector<uint16_t> indices;    // three per triangle, group after group
    std::vector<MODELGROUP> groups;   // one per model group, in order
    // The records as built, in blocks for posing. Records are only ever
    // appended, so the blocks stay true of the first Covered() records.
    POSEBLOCKS poseBlocks;
};

// The record of corner c of triangle tri, as drawn: texture t becomes 1 - t.
MODELVERTEX CornerVertex(const MS3D& model, const MS3D_TRIANGLE& tri, int c);

// Builds the mesh of the model's groups for a skeleton of jointCount joints.
// False, with out left empty, when an index points outside its array (vertex,
// triangle, material, or a joint other than -1 ... jointCount - 1) or the mesh
// exceeds the 16-bit limits.
bool BuildModelMesh(const MS3D& model, int jointCount, MODELMESH* out);

// True when BuildModelMesh(model, jointCount) would give exactly this mesh, the
// same records bit for bit and the same indices and groups.
bool MeshMatchesModel(const MODELMESH& mesh, const MS3D& model, int jointCount);

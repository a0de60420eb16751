// Reading a MilkShape 3D model, and the model's lifetime.
//
// An MS3D file is a 14-byte header ("MS3D000000" and a 32-bit version) followed
// by sections with no directory: vertices, triangles, groups, materials, an
// animation block and joints, each section a 16-bit count and that many packed
// little-endian records. Nothing in the format says how long the file is, so a
// hostile count could ask for far more records than the file holds.
//
// The reader therefore works in three steps. Parse: every record is decoded field
// by field from the stream into growable local storage, so memory grows only with
// the bytes that really arrive and a short file simply ends the parse. Validate:
// every vertex, triangle, material and joint index must point inside its array
// (-1 alone means "none") and the frame rate, which later divides times, must be
// finite and positive. The numbers the skeleton is posed from must be finite
// too, and stay finite in the units the pose is computed in: the skeleton takes
// key times in milliseconds and angles in degrees, so a key at -1e38 s would
// become -inf ms there and turn every interpolation of its joint, and of the
// joints below it, into NaN. Rest rotations and positions and key times and
// values are checked that way. Build: only a model that passed both is handed
// over to the MS3D's own arrays. A failure at any step leaves the model untouched.
#include "models/MilkshapeModel.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <utility>

#include "maths/Misc.h"

namespace {

const char kNotValid[] = "Not a valid MS3D file!";
const char kIdentifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr double kRadToDeg = 57.29577951308232;  // 180 / pi: file angles become degrees
constexpr double kSecondsToMs = 1000.0;           // file key times become milliseconds

// Little-endian fields from a stream. The first short read marks the reader
// failed; every later read then yields zeros, so a parse can run on and check
// ok() at the points where it matters.
class FieldReader {
public:
    explicit FieldReader(std::istream& in) : in_(in) {}

    bool ok() const { return ok_; }

    void Bytes(void* out, std::size_t n) {
        if (ok_) {
            in_.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
            ok_ = in_.gcount() == static_cast<std::streamsize>(n);
        }
        if (!ok_) std::memset(out, 0, n);
    }
    uint8_t U8() {
        uint8_t b = 0;
        Bytes(&b, 1);
        return b;
    }
    int8_t I8() { return static_cast<int8_t>(U8()); }
    uint16_t U16() {
        uint8_t b[2];
        Bytes(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint32_t U32() {
        uint8_t b[4];
        Bytes(b, 4);
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() {
        const uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    void Floats(float* out, int n) {
        for (int i = 0; i < n; ++i) out[i] = F32();
    }

private:
    std::istream& in_;
    bool ok_ = true;
};

// Everything the file holds, before it is trusted.
struct ParsedModel {
    std::vector<MS3D_VERTEX> vertices;
    std::vector<MS3D_TRIANGLE> triangles;
    std::vector<MS3D_GROUP> groups;
    std::vector<MS3D_MATERIAL> materials;
    float fps = 0.0f;
    int32_t totalFrames = 0;
    std::vector<MS3D_JOINT> joints;
};

bool ReadHeader(FieldReader& in) {
    char identifier[sizeof kIdentifier];
    in.Bytes(identifier, sizeof identifier);
    const int32_t version = in.I32();
    return in.ok() && std::memcmp(identifier, kIdentifier, sizeof kIdentifier) == 0 &&
           (version == 3 || version == 4);
}

// Reads a 16-bit count and then records with readOne until the count is met or
// the input ends. Storage grows with what was actually read.
template <typename T, typename ReadOne>
bool ReadSection(FieldReader& in, std::vector<T>& out, ReadOne readOne) {
    const uint16_t count = in.U16();
    for (uint16_t i = 0; i < count && in.ok(); ++i) {
        T record;
        readOne(in, record);
        out.push_back(std::move(record));
    }
    return in.ok();
}

void ReadVertex(FieldReader& in, MS3D_VERTEX& v) {
    v.flags = in.U8();
    in.Floats(v.position, 3);
    v.jointIndex = in.I8();
    v.referenceCount = in.U8();
}

void ReadTriangle(FieldReader& in, MS3D_TRIANGLE& t) {
    t.flags = in.U16();
    for (uint16_t& index : t.vertexIndices) index = in.U16();
    for (auto& normal : t.normals) in.Floats(normal, 3);
    in.Floats(t.s, 3);
    in.Floats(t.t, 3);
    t.smoothingGroup = in.U8();
    t.groupIndex = in.U8();
}

// An array of exactly the elements read; null for none.
template <typename T>
std::unique_ptr<T[]> ToArray(std::vector<T>& items) {
    if (items.empty()) return nullptr;
    std::unique_ptr<T[]> array(new T[items.size()]);
    for (std::size_t i = 0; i < items.size(); ++i) array[i] = std::move(items[i]);
    return array;
}

void ReadGroup(FieldReader& in, MS3D_GROUP& g) {
    g.flags = in.U8();
    in.Bytes(g.name, sizeof g.name);
    std::vector<uint16_t> indices;
    ReadSection(in, indices, [](FieldReader& r, uint16_t& index) { index = r.U16(); });
    g.triangleCount = static_cast<uint16_t>(indices.size());
    g.triangleIndices = ToArray(indices);
    g.materialIndex = in.I8();
}

void ReadMaterial(FieldReader& in, MS3D_MATERIAL& m) {
    in.Bytes(m.name, sizeof m.name);
    in.Floats(m.ambient, 4);
    in.Floats(m.diffuse, 4);
    in.Floats(m.specular, 4);
    in.Floats(m.emissive, 4);
    m.shininess = in.F32();
    m.transparency = in.F32();
    m.mode = in.U8();
    in.Bytes(m.textureFile, sizeof m.textureFile);
    in.Bytes(m.alphaMapFile, sizeof m.alphaMapFile);
}

void ReadKey(FieldReader& in, MS3D_KEYFRAME& key) {
    key.time = in.F32();
    in.Floats(key.value, 3);
}

// Reads `count` keys, growing with the input; the result holds what arrived.
std::vector<MS3D_KEYFRAME> ReadKeys(FieldReader& in, uint16_t count) {
    std::vector<MS3D_KEYFRAME> keys;
    for (uint16_t i = 0; i < count && in.ok(); ++i) {
        keys.emplace_back();
        ReadKey(in, keys.back());
    }
    return keys;
}

void ReadJoint(FieldReader& in, MS3D_JOINT& j) {
    j.flags = in.U8();
    in.Bytes(j.name, sizeof j.name);
    in.Bytes(j.parentName, sizeof j.parentName);
    in.Floats(j.rotation, 3);
    in.Floats(j.position, 3);
    const uint16_t rotationCount = in.U16();
    const uint16_t translationCount = in.U16();
    std::vector<MS3D_KEYFRAME> rotationKeys = ReadKeys(in, rotationCount);
    std::vector<MS3D_KEYFRAME> translationKeys = ReadKeys(in, translationCount);
    j.rotationKeyCount = static_cast<uint16_t>(rotationKeys.size());
    j.translationKeyCount = static_cast<uint16_t>(translationKeys.size());
    j.rotationKeys = ToArray(rotationKeys);
    j.translationKeys = ToArray(translationKeys);
}

bool Parse(FieldReader& in, ParsedModel& out) {
    if (!ReadSection(in, out.vertices, ReadVertex)) return false;
    if (!ReadSection(in, out.triangles, ReadTriangle)) return false;
    if (!ReadSection(in, out.groups, ReadGroup)) return false;
    if (!ReadSection(in, out.materials, ReadMaterial)) return false;
    out.fps = in.F32();
    in.F32();  // the file's current time: not used
    out.totalFrames = in.I32();
    return ReadSection(in, out.joints, ReadJoint);
}

// An index into an array of `size`, or -1 for none where that is allowed.
bool IndexOk(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

// Whether value x unit is a finite float, as the skeleton will compute it
// (in double, then stored as float). False for NaN and infinities.
bool FiniteAs(float value, double unit) {
    return std::fabs(static_cast<double>(value) * unit) <= std::numeric_limits<float>::max();
}

bool AllFiniteAs(const float* values, int n, double unit) {
    for (int i = 0; i < n; ++i) {
        if (!FiniteAs(values[i], unit)) return false;
    }
    return true;
}

bool KeysValid(const MS3D_KEYFRAME* keys, int count, double valueUnit) {
    for (int k = 0; k < count; ++k) {
        if (!FiniteAs(keys[k].time, kSecondsToMs) || !AllFiniteAs(keys[k].value, 3, valueUnit)) return false;
    }
    return true;
}

bool JointNumbersValid(const MS3D_JOINT& j) {
    return AllFiniteAs(j.rotation, 3, kRadToDeg) && AllFiniteAs(j.position, 3, 1.0) &&
           KeysValid(j.rotationKeys.get(), j.rotationKeyCount, kRadToDeg) &&
           KeysValid(j.translationKeys.get(), j.translationKeyCount, 1.0);
}

bool Validate(const ParsedModel& m) {
    if (!std::isfinite(m.fps) || m.fps <= 0.0f) return false;
    for (const MS3D_JOINT& j : m.joints) {
        if (!JointNumbersValid(j)) return false;
    }
    for (const MS3D_VERTEX& v : m.vertices) {
        if (v.jointIndex != -1 && !IndexOk(v.jointIndex, m.joints.size())) return false;
    }
    for (const MS3D_TRIANGLE& t : m.triangles) {
        for (uint16_t index : t.vertexIndices) {
            if (!IndexOk(index, m.vertices.size())) return false;
        }
    }
    for (const MS3D_GROUP& g : m.groups) {
        for (uint16_t i = 0; i < g.triangleCount; ++i) {
            if (!IndexOk(g.triangleIndices[i], m.triangles.size())) return false;
        }
        if (g.materialIndex != -1 && !IndexOk(g.materialIndex, m.materials.size())) return false;
    }
    return true;
}

template <typename T>
T* Release(std::vector<T>& items) {
    return ToArray(items).release();
}

}  // namespace

MS3D::~MS3D() { Clear(); }

void MS3D::Clear() {
    delete[] vertices;
    delete[] triangles;
    delete[] groups;  // each group releases its triangle indices
    delete[] materials;
    delete[] joints;  // each joint releases its keys
    delete[] skeleton;
    vertices = nullptr;
    triangles = nullptr;
    groups = nullptr;
    materials = nullptr;
    joints = nullptr;
    skeleton = nullptr;
    numVertices = numTriangles = numGroups = numMaterials = numJoints = 0;
    haveRestMesh = false;
    restPositions.clear();
    restNormals.clear();
}

bool MS3D::Load(const char* path) {
    std::ifstream file;
    if (path != nullptr) file.open(path, std::ios::binary);
    if (!file.is_open()) {
        ERRORCLOSE("Coun't open the damn MS3D file!");
        return false;
    }
    return LoadFromFStream(&file);
}

bool MS3D::LoadFromFStream(std::istream* stream) {
    if (stream == nullptr) {
        ERRORCLOSE(kNotValid);
        return false;
    }
    FieldReader in(*stream);
    ParsedModel parsed;
    if (!ReadHeader(in) || !Parse(in, parsed) || !Validate(parsed)) {
        ERRORCLOSE(kNotValid);
        return false;
    }

    // Counts fit: every section was read with a 16-bit count.
    Clear();
    numVertices = static_cast<uint16_t>(parsed.vertices.size());
    vertices = Release(parsed.vertices);
    numTriangles = static_cast<uint16_t>(parsed.triangles.size());
    triangles = Release(parsed.triangles);
    numGroups = static_cast<uint16_t>(parsed.groups.size());
    groups = Release(parsed.groups);
    numMaterials = static_cast<uint16_t>(parsed.materials.size());
    materials = Release(parsed.materials);
    fps = parsed.fps;
    totalFrames = parsed.totalFrames;
    totalTime = static_cast<float>(static_cast<double>(totalFrames) * 1000.0 / fps);
    numJoints = static_cast<uint16_t>(parsed.joints.size());
    joints = Release(parsed.joints);
    return true;
}

void MS3D::Scale(float factor) {
    for (int i = 0; i < numVertices; ++i) {
        for (float& c : vertices[i].position) c *= factor;
    }
    for (int j = 0; j < numJoints; ++j) {
        MS3D_JOINT& joint = joints[j];
        for (float& c : joint.position) c *= factor;
        for (int k = 0; k < joint.translationKeyCount; ++k) {
            for (float& c : joint.translationKeys[k].value) c *= factor;
        }
    }
}

void MS3D::InitialSetup() {
    if (numJoints == 0 || skeleton != nullptr) return;
    SetupSkeleton();
    UpdateSkeleton();
    RevertPoints();
}

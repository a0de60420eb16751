#include "writers/MS3DWriter.h"

#include <cmath>
#include <set>

#include "writers/ByteWriter.h"

namespace {

constexpr std::size_t kMaxCount = 65535;  // every count is a 16-bit field
constexpr std::size_t kNameField = 32;
constexpr std::size_t kFileField = 128;

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

bool CheckName(const std::string& name, std::size_t field, const std::string& what, std::string* error) {
    if (name.size() >= field) return Fail(error, what + " is longer than " + std::to_string(field - 1) + " characters");
    if (name.find('\0') != std::string::npos) return Fail(error, what + " holds a zero byte");
    return true;
}

bool CheckCount(std::size_t count, const std::string& what, std::string* error) {
    if (count > kMaxCount) return Fail(error, "too many " + what + " (" + std::to_string(count) + ")");
    return true;
}

bool ValidateMesh(const MS3DData& m, std::string* error) {
    for (std::size_t i = 0; i < m.vertices.size(); ++i) {
        int j = m.vertices[i].jointIndex;
        if (j < -1 || j >= static_cast<int>(m.joints.size()))
            return Fail(error, "vertex " + std::to_string(i) + " names joint " + std::to_string(j));
    }
    for (std::size_t i = 0; i < m.triangles.size(); ++i)
        for (uint16_t v : m.triangles[i].vertexIndices)
            if (v >= m.vertices.size())
                return Fail(error, "triangle " + std::to_string(i) + " names vertex " + std::to_string(v));
    for (std::size_t i = 0; i < m.groups.size(); ++i) {
        const MS3DData::Group& g = m.groups[i];
        const std::string what = "group " + std::to_string(i);
        if (!CheckName(g.name, kNameField, what + " name", error)) return false;
        if (!CheckCount(g.triangleIndices.size(), what + " triangles", error)) return false;
        for (uint16_t t : g.triangleIndices)
            if (t >= m.triangles.size()) return Fail(error, what + " names triangle " + std::to_string(t));
        if (g.materialIndex < -1 || g.materialIndex >= static_cast<int>(m.materials.size()))
            return Fail(error, what + " names material " + std::to_string(g.materialIndex));
    }
    return true;
}

bool ValidateSkeleton(const MS3DData& m, std::string* error) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < m.joints.size(); ++i) {
        const MS3DData::Joint& j = m.joints[i];
        const std::string what = "joint " + std::to_string(i);
        if (j.name.empty()) return Fail(error, what + " has no name");
        if (!CheckName(j.name, kNameField, what + " name", error)) return false;
        if (!CheckName(j.parentName, kNameField, what + " parent name", error)) return false;
        if (!CheckCount(j.rotationKeys.size(), what + " rotation keys", error)) return false;
        if (!CheckCount(j.translationKeys.size(), what + " translation keys", error)) return false;
        // A parent must come earlier, so a reader can build the hierarchy in one pass.
        if (!j.parentName.empty() && names.count(j.parentName) == 0)
            return Fail(error, what + " has parent '" + j.parentName + "' that does not come before it");
        if (!names.insert(j.name).second) return Fail(error, what + " repeats the name '" + j.name + "'");
    }
    return true;
}

void WriteVertex(ByteWriter& w, const MS3DData::Vertex& v) {
    w.U8(v.flags);
    for (float c : v.position) w.F32(c);
    w.I8(v.jointIndex);
    w.U8(v.referenceCount);
}

void WriteTriangle(ByteWriter& w, const MS3DData::Triangle& t) {
    w.U16(t.flags);
    for (uint16_t i : t.vertexIndices) w.U16(i);
    for (const auto& normal : t.normals)
        for (float c : normal) w.F32(c);
    for (float s : t.s) w.F32(s);
    for (float tt : t.t) w.F32(tt);
    w.U8(t.smoothingGroup);
    w.U8(t.groupIndex);
}

void WriteGroup(ByteWriter& w, const MS3DData::Group& g) {
    w.U8(g.flags);
    w.FixedString(g.name, kNameField);
    w.U16(static_cast<uint16_t>(g.triangleIndices.size()));
    for (uint16_t t : g.triangleIndices) w.U16(t);
    w.I8(g.materialIndex);
}

void WriteMaterial(ByteWriter& w, const MS3DData::Material& m) {
    w.FixedString(m.name, kNameField);
    for (const auto* colour : {&m.ambient, &m.diffuse, &m.specular, &m.emissive})
        for (float c : *colour) w.F32(c);
    w.F32(m.shininess);
    w.F32(m.transparency);
    w.U8(m.mode);
    w.FixedString(m.textureFile, kFileField);
    w.FixedString(m.alphaMapFile, kFileField);
}

void WriteKeys(ByteWriter& w, const std::vector<MS3DData::Keyframe>& keys) {
    for (const MS3DData::Keyframe& k : keys) {
        w.F32(k.time);
        for (float c : k.value) w.F32(c);
    }
}

void WriteJoint(ByteWriter& w, const MS3DData::Joint& j) {
    w.U8(j.flags);
    w.FixedString(j.name, kNameField);
    w.FixedString(j.parentName, kNameField);
    for (float c : j.rotation) w.F32(c);
    for (float c : j.position) w.F32(c);
    w.U16(static_cast<uint16_t>(j.rotationKeys.size()));
    w.U16(static_cast<uint16_t>(j.translationKeys.size()));
    WriteKeys(w, j.rotationKeys);
    WriteKeys(w, j.translationKeys);
}

}  // namespace

bool ValidateMS3D(const MS3DData& m, std::string* error) {
    if (!CheckCount(m.vertices.size(), "vertices", error) || !CheckCount(m.triangles.size(), "triangles", error) ||
        !CheckCount(m.groups.size(), "groups", error) || !CheckCount(m.materials.size(), "materials", error) ||
        !CheckCount(m.joints.size(), "joints", error))
        return false;
    // Joint indices are signed bytes and material indices too.
    if (m.joints.size() > 128) return Fail(error, "more than 128 joints cannot be named by a vertex");
    if (m.materials.size() > 128) return Fail(error, "more than 128 materials cannot be named by a group");
    if (!(m.fps > 0.0f) || !std::isfinite(m.fps)) return Fail(error, "fps must be above 0");
    if (m.totalFrames < 0) return Fail(error, "totalFrames is negative");
    for (std::size_t i = 0; i < m.materials.size(); ++i) {
        const MS3DData::Material& mat = m.materials[i];
        const std::string what = "material " + std::to_string(i);
        if (!CheckName(mat.name, kNameField, what + " name", error) ||
            !CheckName(mat.textureFile, kFileField, what + " texture file", error) ||
            !CheckName(mat.alphaMapFile, kFileField, what + " alpha map file", error))
            return false;
    }
    return ValidateMesh(m, error) && ValidateSkeleton(m, error);
}

std::vector<uint8_t> EncodeMS3D(const MS3DData& m, std::string* error) {
    if (!ValidateMS3D(m, error)) return {};
    std::vector<uint8_t> file;
    ByteWriter w(&file);
    w.Bytes("MS3D000000", 10);
    w.I32(4);
    w.U16(static_cast<uint16_t>(m.vertices.size()));
    for (const auto& v : m.vertices) WriteVertex(w, v);
    w.U16(static_cast<uint16_t>(m.triangles.size()));
    for (const auto& t : m.triangles) WriteTriangle(w, t);
    w.U16(static_cast<uint16_t>(m.groups.size()));
    for (const auto& g : m.groups) WriteGroup(w, g);
    w.U16(static_cast<uint16_t>(m.materials.size()));
    for (const auto& mat : m.materials) WriteMaterial(w, mat);
    w.F32(m.fps);
    w.F32(m.currentTime);
    w.I32(m.totalFrames);
    w.U16(static_cast<uint16_t>(m.joints.size()));
    for (const auto& j : m.joints) WriteJoint(w, j);
    return file;
}

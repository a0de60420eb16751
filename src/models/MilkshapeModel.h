// MilkshapeModel: one MilkShape 3D model (binary MS3D, versions 3 and 4) as it
// was read, its joint skeleton, its keyframe clock and its immediate-mode drawing.
//
// In this program a model is a loading vehicle: it is filled from a container
// (LoadModel: model in lump 0, textures in lumps 1...), scaled, set up, then either
// drawn once into a display list or turned into a shared animation template, and
// destroyed. Calling order:
//
//     MS3D* model = new MS3D;
//     LoadModel(path, model, &textures, &count);   // or Load / LoadFromFStream
//     model->Scale(0.1f);                          // optional; before InitialSetup
//     model->InitialSetup();                       // skeleton, mesh into joint space
//     ... draw it, or build a template from it ...
//     delete model;
//
// Ownership. The MS3D owns its top-level arrays (vertices, triangles, groups,
// materials, joints, skeleton) as plain array-allocated pointers and releases them
// in its destructor; it cannot be copied. A group owns its triangle indices and a
// joint its key arrays through std::unique_ptr<T[]>, so they are released with
// the record (read them as group.triangleIndices[i]; .get() gives the pointer).
// A class derived from SKELETON_JOINT therefore must not release rotationKeys or
// translationKeys itself.
//
// Readers trust nothing in the file: every count is read against the bytes that
// are really there, every index is range-checked (-1 is the only "none"), the
// frame rate must be finite and positive, and every joint's rest values and key
// times and values must be finite, also once times are in milliseconds and
// angles in degrees. A bad file fails with "Not a valid MS3D file!" and leaves
// the model exactly as it was (empty).
//
// Skinning (MilkshapeAnimation.cpp explains it in full): after InitialSetup the
// mesh in `vertices`/`triangles` is in joint space. UpdatePoints poses it into
// model space with the joints' current absolute matrices, RevertPoints brings it
// back to joint space. Both work from a joint-space copy kept by InitialSetup, so
// a posed frame is always computed from the same rest data and nothing
// accumulates, however many frames are played.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <vector>

#include "maths/NiftyMaths.h"

struct Texture;

// Sizes of the names in the file records, in bytes (not necessarily terminated).
constexpr int kMS3DNameSize = 32;
constexpr int kMS3DFileNameSize = 128;

struct MS3D_VERTEX {
    uint8_t flags = 0;           // not used after loading
    uint8_t referenceCount = 0;  // not used after loading
    int8_t jointIndex = -1;      // index into joints, -1 for none
    float position[3] = {0.0f, 0.0f, 0.0f};  // x, y, z; joint space after InitialSetup
};

struct MS3D_TRIANGLE {
    uint16_t flags = 0;                      // not used after loading
    uint16_t vertexIndices[3] = {0, 0, 0};   // corners 0, 1, 2, into vertices
    float normals[3][3] = {};                // per corner: x, y, z (not renormalised)
    float s[3] = {0.0f, 0.0f, 0.0f};         // per corner
    float t[3] = {0.0f, 0.0f, 0.0f};         // per corner; drawn as 1 - t
    uint8_t smoothingGroup = 0;              // not used after loading
    uint8_t groupIndex = 0;                  // not used after loading
};

struct MS3D_GROUP {
    uint8_t flags = 0;                 // not used after loading
    char name[kMS3DNameSize] = {};     // not used after loading
    uint16_t triangleCount = 0;
    std::unique_ptr<uint16_t[]> triangleIndices;  // triangleCount entries, into triangles
    int8_t materialIndex = -1;         // into materials and the texture table, -1 for none
};

struct MS3D_MATERIAL {
    char name[kMS3DNameSize] = {};
    float ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};   // r, g, b, a
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float emissive[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float shininess = 0.0f;
    float transparency = 0.0f;
    uint8_t mode = 0;                  // flags; 0x80 asks for texture-coordinate generation
    char textureFile[kMS3DFileNameSize] = {};   // never used: textures come by position
    char alphaMapFile[kMS3DFileNameSize] = {};  // never used
};

struct MS3D_KEYFRAME {
    float time = 0.0f;   // seconds in the file; milliseconds in a skeleton's copy
    float value[3] = {0.0f, 0.0f, 0.0f};  // Euler angles in radians, or an offset
};

struct MS3D_JOINT {
    uint8_t flags = 0;
    char name[kMS3DNameSize] = {};
    char parentName[kMS3DNameSize] = {};   // empty for a root
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // rest rotation: radians as read, degrees after SetupSkeleton
    float position[3] = {0.0f, 0.0f, 0.0f};  // rest offset from the parent
    uint16_t rotationKeyCount = 0;
    uint16_t translationKeyCount = 0;
    std::unique_ptr<MS3D_KEYFRAME[]> rotationKeys;     // rotationKeyCount entries
    std::unique_ptr<MS3D_KEYFRAME[]> translationKeys;  // translationKeyCount entries
};

// One joint of a built skeleton: its place in the hierarchy, its rest transform,
// its keys in milliseconds, and the state of its current pose.
struct SKELETON_JOINT {
    SKELETON_JOINT() = default;
    SKELETON_JOINT(const SKELETON_JOINT&) = delete;
    SKELETON_JOINT& operator=(const SKELETON_JOINT&) = delete;
    SKELETON_JOINT(SKELETON_JOINT&&) = default;
    SKELETON_JOINT& operator=(SKELETON_JOINT&&) = default;
    ~SKELETON_JOINT() = default;

    int32_t parent = -1;             // index of the parent joint, -1 for a root
    uint8_t flags = 0;               // copy of the file joint's flags
    VECTOR3D localRotation;          // rest rotation relative to the parent, degrees
    VECTOR3D localTranslation;       // rest offset from the parent
    VECTOR3D currentTranslation;     // animated translation; zero at rest
    MATRIX relative;                 // transform relative to the parent, current pose
    MATRIX absolute;                 // transform in model space, current pose
    int32_t rotationKeyCount = 0;
    int32_t translationKeyCount = 0;
    std::unique_ptr<MS3D_KEYFRAME[]> rotationKeys;     // time in ms, value radians
    std::unique_ptr<MS3D_KEYFRAME[]> translationKeys;  // time in ms, value an offset
    int32_t translationKey = 0;      // search position in translationKeys
    int32_t rotationKey = 0;         // search position in rotationKeys
    int32_t lastRotationKey = -1;    // rotationKey after the previous step
    QUAT rotationQuat;               // animated rotation of the current pose
    MATRIX rotationMatrix;           // matrix of rotationQuat
    QUAT blendFromQuat;              // rotationQuat when the clip was set
    VECTOR3D blendFromTranslation;   // currentTranslation when the clip was set
};

class MS3D {
public:
    MS3D() = default;
    ~MS3D();
    MS3D(const MS3D&) = delete;
    MS3D& operator=(const MS3D&) = delete;

    // ---- Loading (MilkshapeModel.cpp) ----
    // Reads a whole MS3D file. Fails with "Coun't open the damn MS3D file!" when
    // it cannot be opened and "Not a valid MS3D file!" for anything malformed.
    bool Load(const char* path);
    // Reads an MS3D image from the stream's current position and leaves the
    // stream just after the last joint record. Fails as Load for a bad image.
    bool LoadFromFStream(std::istream* stream);
    // Multiplies vertex positions, joint rest positions and translation keys by
    // factor. Call before InitialSetup.
    void Scale(float factor);
    // SetupSkeleton, UpdateSkeleton, RevertPoints; nothing for a model without
    // joints. Once per model.
    void InitialSetup();

    // ---- Skeleton and clock (MilkshapeAnimation.cpp) ----
    void SetupSkeleton();
    void UpdateSkeleton();
    void RevertPoints();   // posed -> joint space
    void UpdatePoints();   // joint space -> posed with the current absolute matrices
    float Frame(int frame);  // milliseconds of that frame
    void SetAnimation(double startFrame, double endFrame, double speed, bool loop, bool blend);
    void RestartAnim();
    void Animate(double seconds);

    // ---- Immediate-mode drawing (MilkshapeDraw.cpp) ----
    // Draw the mesh as it currently stands; no state other than the bound
    // texture is touched. Out-of-range groups draw nothing.
    void DrawGroup(int group);
    void DrawGroup(int group, const Texture* textures);
    void Render();
    void Render(const Texture* textures);

    uint16_t numVertices = 0;
    MS3D_VERTEX* vertices = nullptr;      // owned, numVertices entries
    uint16_t numTriangles = 0;
    MS3D_TRIANGLE* triangles = nullptr;   // owned, numTriangles entries
    uint16_t numGroups = 0;
    MS3D_GROUP* groups = nullptr;         // owned, numGroups entries
    uint16_t numMaterials = 0;
    MS3D_MATERIAL* materials = nullptr;   // owned, numMaterials entries
    uint16_t numJoints = 0;
    MS3D_JOINT* joints = nullptr;         // owned, numJoints entries, as read
    SKELETON_JOINT* skeleton = nullptr;   // owned, numJoints entries; null until InitialSetup
    int32_t totalFrames = 0;              // animation length in frames
    float fps = 0.0f;                     // frames per second; finite and > 0 once loaded
    float totalTime = 0.0f;               // animation length, ms
    float currentTime = 0.0f;             // animation clock, ms
    bool loop = true;
    float speed = 1000.0f;                // ms of animation per second of real time
    float startTime = 0.0f;               // clip start, ms
    float endTime = 0.0f;                 // clip end, ms
    bool blending = false;                // a transition blend is in progress
    float blend = 0.0f;                   // transition progress, 0..1

private:
    // The joint-space mesh captured by the first RevertPoints (in InitialSetup):
    // x, y, z per vertex, and x, y, z per triangle corner for the normals.
    bool haveRestMesh = false;
    std::vector<float> restPositions;  // 3 * numVertices
    std::vector<float> restNormals;    // 9 * numTriangles

    void Clear();  // releases everything; the model is as constructed, clock aside
    void CaptureRestMesh();
    void BreakParentCycles();
    void AnimateBlend(double seconds);
    void AnimatePlayback(double seconds);
    void ResetKeySearch();
    void DrawTriangles(const MS3D_GROUP& group) const;
};

// Reads the model from lump 0 of a container and the textures from lumps 1...,
// slot k for material k. On success *textureCount is lumpCount - 1 and *textures
// an array of that many records, grown with empty records (texture name 0) to at
// least numMaterials so drawing with it never reads past its end. The table is
// handed over before any texture is read, so after a texture failure the caller
// still owns it (release with delete[]). Needs the GL context for the textures.
bool LoadModel(const char* path, MS3D* model, Texture** textures, int* textureCount);

// ModelMain: many animated copies of one model (the camels of the herd).
//
// An ONEMODEL is one copy. It shares an ANIMATIONTEMPLATE (skeleton, keys, rest
// mesh; AnimationTemplate.h) with every other copy of the model and holds only
// what is its own: its animation clock and clip, the transition blend, the pose
// of each joint, its posed copy of the vertices, its materials (so copies can
// wear different textures) and its placement in the world.
//
// Calling order, as the herd does it:
//
//     ANIMATIONTEMPLATE* t = new ANIMATIONTEMPLATE;
//     if (!t->Setup(model)) ... fail        // model loaded, scaled, InitialSetup run
//     camel.Setup(t, model, &textures[k])   // per instance; false on a bad model
//     delete model;                         // the template and instances keep what they need
//     camel.SetAnimation(2, 26, 1250, true, true);
//     every frame: camel.Update(dt); camel.Draw();
//
// Skinning (OneModelSkinning.cpp) is rigid, one joint per vertex, on the CPU. Each
// frame poses every vertex from the untouched rest mesh, so the drawn mesh is a
// function of the current clock state alone and nothing accumulates over a run
// of any length. Drawing (OneModelDraw.cpp) uses client vertex arrays, one
// glDrawElements per group.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "maths/NiftyMaths.h"
#include "models/AnimationTemplate.h"
#include "models/ModelMainMesh.h"

struct Texture;

// The per-instance state of one joint (meanings as in SKELETON_JOINT).
struct BASICJOINT {
    int32_t parent = -1;            // copied from the template at setup
    uint8_t flags = 0;              // copied from the template at setup
    VECTOR3D currentTranslation;    // animated translation
    MATRIX relative;                // relative to the parent, current pose
    MATRIX absolute;                // model space, current pose
    int32_t translationKey = 0;     // search position in the template's translation keys
    int32_t rotationKey = 0;        // search position in the template's rotation keys
    int32_t lastRotationKey = -1;   // rotationKey after the previous step
    QUAT rotationQuat;              // animated rotation
    MATRIX rotationMatrix;          // matrix of rotationQuat
    QUAT blendFromQuat;             // rotationQuat when the clip was set
    VECTOR3D blendFromTranslation;  // currentTranslation when the clip was set
};

// The ways of posing records, slowest first. All give the same bits.
enum class POSEPATH : uint8_t {
    Plain,   // one record at a time in scalar code; the reference, and the path off x86-64
    Avx2,    // four doubles to a register: a record at a time, or a quad of a POSEBLOCK
    Avx512,  // eight doubles to a register: both quads of a POSEBLOCK at once
};

// The fastest path this processor can take.
POSEPATH FastestPosePath();

// Poses `count` joint-space records into `out`, each by the absolute matrix of
// its own joint in `joints` (records with joint -1 are not written; nor is
// anything past `count`). `blocks`, when not null, must have been built from
// these same records (it may cover fewer or more than `count`). `path` is taken
// if the processor has it, else the fastest it has.
void PoseRecords(const MODELVERTEX* rest, const POSEBLOCKS* blocks, MODELVERTEX* out,
                 std::size_t count, const BASICJOINT* joints, POSEPATH path = POSEPATH::Avx512);

// How one material of an instance is drawn. The texture name belongs to the
// texture table the instance was handed; the material never deletes it.
struct MODELMATERIAL {
    uint32_t texture = 0;        // OpenGL texture name
    uint8_t mode = 0;            // the model material's mode; 0x80 asks for texture-coordinate generation
    float transparency = 1.0f;   // copied from the model; not used in drawing
    float ambient[3] = {0.0f, 0.0f, 0.0f};  // r, g, b; copied from the model; not used in drawing
};

constexpr uint8_t kMaterialTexGen = 0x80;  // MODELMATERIAL::mode bit: generate S and T

class ONEMODEL {
public:
    ONEMODEL() = default;
    virtual ~ONEMODEL();
    ONEMODEL(const ONEMODEL&) = delete;
    ONEMODEL& operator=(const ONEMODEL&) = delete;

    // Makes this instance a copy of the model animated by animTemplate, material
    // i taking textures[i] (a run of at least numMaterials records; null draws
    // untextured). Clock and placement are reset. False, with the instance left
    // empty, when either pointer is null, the model does not fit the template's
    // skeleton or 16-bit limits, or memory runs out ("Unable to allocate memory!"
    // for the materials and groups).
    bool Setup(ANIMATIONTEMPLATE* animTemplate, const MS3D* model, const Texture* textures);
    // Releases the instance's arrays; safe to call twice. The template is not touched.
    void Cleanup();

    // Adds a joint-space vertex to this instance's mesh, or finds the existing
    // one with equal attributes (floats compared as floats, NaN equal to nothing).
    // Returns its index, or kNoVertex when the mesh already holds 65,535 vertices.
    uint16_t AddVertToBuffer(const float* position, const float* normal, float s, float t,
                             char jointIndex);

    // Selects frames startFrame ... endFrame at `speed` ms of animation per second.
    // With blend, the first quarter second glides from the current pose.
    void SetAnimation(double startFrame, double endFrame, double speed, bool loop, bool blend);
    void RestartAnim();  // rewinds the clip; starts no blend
    // One frame: advance the clock by dt seconds, pose the joints and the mesh.
    void Update(double dt);
    void Animate(double dt);
    void UpdateSkeleton();
    // Poses vertexBuffer from the rest mesh with jointArray's absolute matrices.
    void UpdatePoints(const BASICJOINT* jointArray);
    // Puts vertexBuffer back into joint space (the rest mesh), whatever the matrices.
    void RevertPoints(const BASICJOINT* jointArray);

    // Draws at position and orientation with the current modelview matrix.
    // Leaves the client array states and the bound texture as described in
    // OneModelDraw.cpp.
    void Draw();
    void DrawGroup(int group);

    // The shared or own rest mesh the vertices are posed from; null before Setup.
    const MODELMESH* RestMesh() const { return restMesh.get(); }

    ANIMATIONTEMPLATE* animTemplate = nullptr;  // shared, not owned
    uint16_t numJoints = 0;
    std::unique_ptr<BASICJOINT[]> joints;        // numJoints entries
    uint16_t numMaterials = 0;
    std::unique_ptr<MODELMATERIAL[]> materials;  // numMaterials entries
    uint16_t numGroups = 0;
    std::unique_ptr<MODELGROUP[]> groups;        // numGroups entries
    uint16_t numTriangles = 0;                   // over all groups
    std::unique_ptr<uint16_t[]> indices;         // 3 * numTriangles, group after group
    uint16_t numVertices = 0;
    std::vector<MODELVERTEX> vertexBuffer;       // numVertices records, posed each Update

    float currentTime = 0.0f;   // clock, ms of animation time
    bool loop = false;
    float speed = 1000.0f;      // ms of animation per second of real time
    float startTime = 0.0f;     // ms
    float endTime = 0.0f;       // ms
    bool blending = false;      // a transition is in progress
    float blend = 0.0f;         // transition progress 0 ... 1
    float blendSpeed = 4.0f;    // transition progress per second: a quarter-second glide

    VECTOR3D position;          // world position, applied by Draw
    VECTOR3D direction;         // facing direction; kept by the owner
    VECTOR3D angles;            // orientation angles, degrees; kept by the owner
    MATRIX orientation;         // rotation applied by Draw after the translation
    QUAT orientationQuat;       // kept for the owner; not read here

private:
    // The joint-space mesh vertexBuffer is posed from: the template's when the
    // model matches it, else built for this instance. Never changed while shared.
    std::shared_ptr<const MODELMESH> restMesh;
    MODELMESH* ownMesh = nullptr;  // restMesh when this instance built it and may extend it

    bool SetupMaterials(const MS3D& model, const Texture* textures);
    bool SetupMesh(const MS3D& model);
    void AnimateBlend(double dt);
    void AnimatePlayback(double dt);
    void ResetKeySearch();
};

// AnimationTemplate: what every animated copy of one model shares.
//
// A herd of camels plays the same keyframes on the same skeleton, each camel at
// its own pace. Everything that does not differ between copies is prepared once
// here, from a model that went through MS3D::InitialSetup: the joint hierarchy,
// each joint's rest transform as a ready matrix (localMatrix), the keys with
// times in milliseconds, every rotation key already turned into a quaternion,
// and the de-duplicated rest mesh the instances draw (ModelMainMesh.h). An
// instance (ONEMODEL, ModelMain.h) then holds only its clock, its pose and its
// own posed copy of the vertices.
//
// Setup refuses, before any instance exists, what instances could not animate
// or draw safely: no model, a model whose skeleton was never built, a frame rate
// that is not finite and positive, a parent index outside the joints, a joint
// hierarchy that loops back on itself (its matrices would compound every frame),
// and a mesh beyond the 16-bit vertex and triangle limits or with indices
// outside their arrays. A template must outlive every instance made from it.
#pragma once

#include <cstdint>
#include <memory>

#include "maths/NiftyMaths.h"
#include "models/MilkshapeModel.h"
#include "models/ModelMainMesh.h"

// A skeleton joint with its keys in the form instances consume. Of the inherited
// fields the template fills parent, flags, localRotation, localTranslation, the
// key counts and the key arrays (times in milliseconds), and the rest-pose
// relative, absolute and currentTranslation; the other pose fields stay initial.
struct ANIMJOINT : SKELETON_JOINT {
    std::unique_ptr<QUAT[]> rotationKeyQuats;  // one per rotation key
    QUAT localQuat;                            // rest rotation
    MATRIX localMatrix;                        // rest transform relative to the parent
};

class ANIMATIONTEMPLATE {
public:
    ANIMATIONTEMPLATE() = default;
    ~ANIMATIONTEMPLATE();
    ANIMATIONTEMPLATE(const ANIMATIONTEMPLATE&) = delete;
    ANIMATIONTEMPLATE& operator=(const ANIMATIONTEMPLATE&) = delete;

    // Builds the template from a model already through InitialSetup. False (and
    // the template left empty) for the refusals listed at the top of this file;
    // "Unable to allocate memory!" goes to ERRORCLOSE when the joints cannot be had.
    bool Setup(const MS3D* model);
    // Releases the joints, their keys and the mesh. Safe to call twice.
    void Cleanup();

    // The rest mesh built from the model of Setup; null before Setup.
    const std::shared_ptr<const MODELMESH>& Mesh() const { return mesh; }

    int32_t numJoints = 0;
    std::unique_ptr<ANIMJOINT[]> joints;  // numJoints entries, in the model's joint order
    int32_t totalFrames = 0;              // copied from the model
    float fps = 0.0f;                     // frames per second; turns frames into milliseconds
    float totalTime = 0.0f;               // milliseconds

private:
    std::shared_ptr<const MODELMESH> mesh;

    bool CopyJoint(const MS3D& model, int j);
};

// True when following parents from every joint ends at a root: every parent is
// -1 or a valid index and no chain comes back to a joint already on it.
bool JointHierarchyIsAcyclic(const int32_t* parents, int count);

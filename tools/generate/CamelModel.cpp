// c.kst: the camel, a dromedary with its walk (GenerateCamel, Generators.h).
//
// Lumps: the MilkShape model, then three runs of two pictures, one run per
// coat: pale sand, tawny, dark brown. The herd gives each camel the run that
// starts at picture 2k, so material 0 (the coat) takes picture 2k and
// material 1 (the tack) picture 2k + 1. Coats are run-length encoded 24-bit
// TGA, opaque; tack is run-length encoded 24-bit TGA with a colour key, whose
// first pixel's colour marks the gaps between the fringe's cords.
//
// The walk's keys are solved from the rig (CamelRig.cpp) two per frame from
// frame 2 to frame 26, the last pose the same as the first, and every solved
// pose is checked before anything is written: each fetlock must be where its
// foot's plan puts it.
#include <cmath>
#include <cstdio>

#include "CamelAtlas.h"
#include "CamelMesh.h"
#include "CamelRig.h"
#include "Generators.h"
#include "MeshBuilder.h"
#include "Registry.h"
#include "writers/ContainerWriter.h"
#include "writers/TGAWriter.h"

namespace {

using namespace camel;

constexpr float kModelScale = 10.0f;  // the herd draws the model at 0.1
constexpr int kKeysPerCycle = 48;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "c.kst: %s\n", what.c_str());
    return false;
}

MS3DData::Keyframe Key(float time, Vec3 v) {
    MS3DData::Keyframe k;
    k.time = time;
    k.value = {v.x, v.y, v.z};
    return k;
}

// The joints with their rest offsets and the walk's keys.
bool BuildSkeleton(MS3DData* model) {
    const auto& joints = Joints();
    for (int j = 0; j < kJointCount; ++j) {
        MS3DData::Joint joint;
        joint.name = joints[j].name;
        Vec3 offset = joints[j].rest;
        if (joints[j].parent >= 0) {
            joint.parentName = joints[joints[j].parent].name;
            offset = offset - joints[joints[j].parent].rest;
        }
        joint.position = {offset.x * kModelScale, offset.y * kModelScale, offset.z * kModelScale};
        model->joints.push_back(joint);
    }

    for (int i = 0; i <= kKeysPerCycle; ++i) {
        const float phase = static_cast<float>(i % kKeysPerCycle) / kKeysPerCycle;  // the last key repeats the first
        const float frame = kFirstFrame + (kLastFrame - kFirstFrame) * static_cast<float>(i) / kKeysPerCycle;
        const float time = frame / kFps;
        Pose pose;
        if (!PoseAt(phase, &pose)) return Fail("a leg cannot reach its foot at phase " + std::to_string(phase));

        const auto transforms = PoseTransforms(pose);
        for (int leg = 0; leg < kLegCount; ++leg) {
            const int foot = LegJoint(leg, kFoot);
            const float miss = Length(transforms[foot].origin - PlanFoot(leg, phase).fetlock);
            if (miss > 1e-3f) return Fail("the walk misplaces a foot by " + std::to_string(miss));
        }
        for (int j = 0; j < kJointCount; ++j) model->joints[j].rotationKeys.push_back(Key(time, pose.rotation[j]));
        model->joints[kBody].translationKeys.push_back(Key(time, pose.bodyTranslation * kModelScale));
    }
    model->fps = kFps;
    model->totalFrames = kTotalFrames;
    return true;
}


}  // namespace

bool GenerateCamel(const std::string& path) {
    MeshBuilder mesh;
    BuildCamelMesh(mesh);

    MS3DData model;
    std::string error;
    if (!mesh.Export(kModelScale, &model, &error)) return Fail(error);
    if (!BuildSkeleton(&model)) return false;
    model.materials = {GreyMaterial("coat", 0.6f, 0.8f), GreyMaterial("tack", 0.6f, 0.8f)};

    std::vector<LumpData> lumps;
    lumps.push_back(LumpData{EncodeMS3D(model, &error), 0, 0});
    for (Coat coat : {Coat::kPaleSand, Coat::kTawny, Coat::kDarkBrown}) {
        lumps.push_back(LumpData{EncodeTGA(PaintCoat(coat), true), 1, 0});
        lumps.push_back(LumpData{EncodeTGA(PaintTack(coat), true), 1, 1});
    }
    for (const LumpData& lump : lumps)
        if (lump.bytes.empty()) return Fail("encoding failed " + error);
    std::vector<uint8_t> file = BuildContainer(lumps);
    if (file.empty() || !WriteFileAtomically(path, file, &error)) return Fail(error);
    return true;
}

static const GeneratorRegistration kCamel{"c.kst", GenerateCamel};

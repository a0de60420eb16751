// Fuzzes the MS3D reader, and puts every model it accepts through what a loaded
// model goes through in the saver: Scale, InitialSetup, a clip with a transition
// and a few frames of animation and skinning. Anything the reader lets through
// must be safe to animate, and must animate to numbers: every joint's animated
// rotation and translation stay finite (they interpolate finite keys), so a NaN
// there is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "models/MilkshapeModel.h"

namespace {

bool Finite(const MATRIX& m) {
    for (double e : m.m)
        if (!std::isfinite(e)) return false;
    return true;
}

bool Finite(VECTOR3D v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    MS3D model;
    if (!model.LoadFromFStream(&in)) return 0;
    model.Scale(0.1f);
    model.InitialSetup();
    model.SetAnimation(0.0, model.totalFrames, 1250.0, size % 2 == 0, true);
    for (int frame = 0; frame < 12; ++frame) {
        model.RevertPoints();
        model.Animate(frame < 6 ? 0.1 : 0.35);
        model.UpdateSkeleton();
        model.UpdatePoints();
        for (int j = 0; model.skeleton && j < model.numJoints; ++j)
            if (!Finite(model.skeleton[j].rotationMatrix) || !Finite(model.skeleton[j].currentTranslation))
                __builtin_trap();
    }
    model.RestartAnim();
    model.Animate(0.01);
    return 0;
}

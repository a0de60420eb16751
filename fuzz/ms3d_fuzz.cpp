// Fuzzes the MS3D reader, and puts every model it accepts through what a loaded
// model goes through in the saver: Scale, InitialSetup, a clip with a transition
// and a few frames of animation and skinning. Anything the reader lets through
// must be safe to animate.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "models/MilkshapeModel.h"

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
    }
    model.RestartAnim();
    model.Animate(0.01);
    return 0;
}

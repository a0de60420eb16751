// ONEBG: the ground of the scene. The MilkShape model "g.kst" is loaded once,
// scaled to world size, compiled into one display list and thrown away; its
// joints survive as landmarks, the world positions the camera picks as targets.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"

struct Texture;

class ONEBG {
public:
    // The ground model is scaled by this factor when it is loaded; landmark
    // positions are in the scaled (world) units.
    static constexpr float kScale = 146.0f;
    // The camera starts out looking at landmark 1, so a ground needs two joints.
    static constexpr int kMinLandmarks = 2;

    ONEBG() = default;
    ~ONEBG();  // runs Cleanup (needs the GL context current if anything was built)
    ONEBG(const ONEBG&) = delete;
    ONEBG& operator=(const ONEBG&) = delete;

    // Loads path + "g.kst" (path ends with '/'). True when the model was loaded
    // and the list and landmarks were built; on false nothing is left built.
    bool Setup(const char* path);
    // Calls the display list. Sets no state: the caller's lighting, fog,
    // culling and texturing apply.
    void Draw() const;
    // Releases the list, the textures and the landmarks; a second call finds
    // nothing to release.
    void Cleanup();

    uint32_t displayList = 0;        // GL display list drawing the whole ground; 0 while none
    Texture* textures = nullptr;     // owned array (delete[]), textureCount entries
    int32_t textureCount = 0;
    VECTOR3D* landmarks = nullptr;   // owned array (delete[]), landmarkCount entries, world units
    int32_t landmarkCount = 0;       // the ground model's joint count
};

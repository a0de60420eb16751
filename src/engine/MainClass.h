// MAINCLASS: the scene, everything drawn in 3D. The frame driver creates one,
// sets it up once, extracts its frustum and draws it every frame, and cleans it
// up at the end. The scene's parts read one another through it: the camera looks
// at the ground's landmarks, visibility tests use the frustum.
//
// Of the scene's parts, the view frustum and the ground exist so far. The
// camera director (which supplies the projection's zoom and the view), the camel
// herd, the sky dome and the sun's lens flare do not, so Setup always reports
// the scene incomplete (false) after setting up what it can, and the frame
// driver draws nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/Settings.h"
#include "maths/NiftyMaths.h"
#include "scene/BG.h"
#include "scene/Frustum.h"

struct Texture;

class MAINCLASS {
public:
    MAINCLASS() = default;
    ~MAINCLASS();  // runs Cleanup
    MAINCLASS(const MAINCLASS&) = delete;
    MAINCLASS& operator=(const MAINCLASS&) = delete;

    // settings: the user's choices; mainTextures: the frame driver's table
    // (at least ten entries); path: the resource folder ending with '/'.
    // True when every part was set up. On false, what was created stays until
    // Cleanup.
    bool Setup(const SETTINGS* settings, const Texture* mainTextures, const char* path);
    // Draws sky and ground into the current modelview, in that order.
    void Draw();
    // Releases everything the scene owns; safe to call again.
    void Cleanup();

    FRUSTUM frustum;                 // extracted every frame before anything is drawn
    std::unique_ptr<ONEBG> ground;   // the ground and its landmarks
    uint32_t skyList = 0;            // GL display list of the sky dome; 0 while none
    Texture* skyTextures = nullptr;  // owned array (delete[]), skyTextureCount entries
    int32_t skyTextureCount = 0;
    VECTOR3D sunPosition;            // world units; light 0 is placed here every frame
};

// MAINCLASS: the scene, everything drawn in 3D: the camera director (with the
// lens flare), the view frustum, the ground with its landmarks, the camel herd,
// the sky dome and the sun. The frame driver creates one, sets it up once, and
// every frame calls its Move, moves its camera, extracts its frustum and calls
// its Draw; at the end it calls Cleanup. The scene's parts read one another
// through it: the camera looks at the ground's landmarks and the camels, the
// herd and the lens flare test visibility against the frustum.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/Settings.h"
#include "maths/NiftyMaths.h"
#include "scene/BG.h"
#include "scene/Camel.h"
#include "scene/Camera.h"
#include "scene/Frustum.h"

struct Texture;

class MAINCLASS {
public:
    static constexpr float kSkyScale = 30.0f;
    static constexpr float kSunDistance = 1000.0f;  // world units from the origin, before lifting
    static constexpr float kLowestSun = 200.0f;     // the sun's height is at least this
    static constexpr int kFirstFlareTexture = 6;    // main table entries 6..9 are the flare's

    MAINCLASS() = default;  // constructs the camera, which draws one rand()
    ~MAINCLASS();           // runs Cleanup
    MAINCLASS(const MAINCLASS&) = delete;
    MAINCLASS& operator=(const MAINCLASS&) = delete;

    // settings: the user's choices; mainTextures: the frame driver's table
    // (at least ten entries); path: the resource folder ending with '/'.
    // True when every part was set up. On false, what was created stays until
    // Cleanup. A sky model of fewer than two groups or two textures fails.
    bool Setup(const SETTINGS* settings, const Texture* mainTextures, const char* path);
    // Advances the herd by `seconds`; the frame driver moves the camera after.
    void Move(double seconds);
    // Draws ground, sky (where the ground left room), camels and the lens
    // flare, in that order, into the current modelview; the picture is the
    // one drawing the sky first gives.
    void Draw();
    // Releases everything the scene owns; safe to call again.
    void Cleanup();

    // The sun for three rand() results in the order drawn: (0, 0, 1000) turned
    // by r3 % 360 degrees about x, r2 % 360 about y and r1 % 360 about z, then
    // lifted to a height of max(|y|, 200).
    static VECTOR3D SunFromDraws(int r1, int r2, int r3);

    CAMERA camera;                         // the camera director; first member
    FRUSTUM frustum;                       // extracted every frame before anything is drawn
    std::unique_ptr<ONEBG> ground;         // the ground and its landmarks
    std::unique_ptr<CAMELCONTROL> herd;    // the camel herd
    uint32_t skyList = 0;                  // GL display list of the sky dome; 0 while none
    Texture* skyTextures = nullptr;        // owned array (delete[]), skyTextureCount entries
    int32_t skyTextureCount = 0;
    VECTOR3D sunPosition;                  // world units; light 0 is placed here every frame

private:
    bool SetupSky(const char* path);
};

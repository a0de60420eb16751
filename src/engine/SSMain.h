// SSMAIN: the frame driver, one per screen-saver view. It owns the main
// texture table (from "kestrel.workshops") and the scene, sets the OpenGL state
// that stays fixed for the run, and draws each frame: the 3D scene, then the 2D
// layer (banner, centred message, intro) unless it runs in the preview.
//
// The host drives it: construct, Setup once, then Update and Draw for every
// drawn frame (the host clears the buffers before Draw and presents after),
// SetSize when the drawable changes size, Cleanup at the end. The OpenGL context
// is current during every call. Nothing here knows the windowing system.
//
// Main texture table, by entry: 1 banner corner image, 2 and 3 the upper and
// lower intro images, 4 and 5 the two message images, 6 to 9 the lens flare.
// Entry 0 and entries past 9 are loaded and unused. Setup refuses a table of
// fewer than ten entries.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/MainClass.h"
#include "engine/Settings.h"
#include "maths/NiftyMaths.h"

struct Texture;

class SSMAIN {
public:
    static constexpr int kMinTextures = 10;        // entries 0..9 are addressed by index
    static constexpr std::size_t kPathSize = 1024; // bytes, terminator included

    SSMAIN();
    ~SSMAIN();  // runs Cleanup
    SSMAIN(const SSMAIN&) = delete;
    SSMAIN& operator=(const SSMAIN&) = delete;

    // resourcePath may end with '/' or not. True when the texture table and the
    // scene were both set up. When the table cannot be loaded (missing, short,
    // or a path too long for kPathSize) it returns false before the size, light
    // and fog are set.
    bool Setup(bool isPreview, int32_t viewWidth, int32_t viewHeight, const SETTINGS* settings,
               const char* resourcePath);
    // Stores the drawable size, nothing else.
    void SetSize(int32_t viewWidth, int32_t viewHeight);
    // Advances time by one frame of `seconds`.
    void Update(double seconds);
    // Renders one frame. Draws nothing while there is no scene or its Setup
    // failed, so the frame stays as the host cleared it.
    void Draw();
    // Viewport over the drawable; projection: 45 * zoom degrees vertical field,
    // near 0.5, far 3000; modelview: identity.
    void ReshapeAndZoom(float zoom);
    // Releases the scene, then the texture table; safe to call again, and on an
    // object whose Setup failed.
    void Cleanup();

    // The 2D layer (Overlay.cpp). DoOverlay advances the banner, message and
    // intro timelines by frameTime and draws them; in the preview it does
    // nothing at all. DoIntro is its last step while the intro runs.
    void DoOverlay();
    void DoIntro();

    double elapsedTime = 0.0;  // seconds since construction: the sum of all Update arguments
    double frameTime = 0.0;    // seconds covered by the current frame
    int32_t width = 0;         // drawable, pixels
    int32_t height = 0;
    bool preview = false;      // running in the host's small preview: no 2D layer

    // Banner: a 32-pixel strip gliding in from the top or bottom edge.
    float bannerTimer = 120.0f;  // seconds until the banner next comes on or leaves
    bool bannerShowing = false;  // on screen or gliding in
    bool bannerAtTop = false;    // uses the top edge (else the bottom); flips at every show
    point2d bannerPos;           // pixels from bottom left: corner image; y is the strip's y
    uint32_t messageIndex = 5;   // texture entry of the current message image: 4 or 5

    // Centred message: a veil and the message image across the middle, every 60 s.
    float messageTimer = 90.0f;  // seconds until the next message; negative while shown
    float messageAlpha = 0.0f;   // opacity, 0..1 (the veil uses 0.9 of it)

    // Intro: two images fading in and out at the start of a run.
    bool introDone = false;          // once true, stays true
    float introUpperAlpha = -5.0f;   // opacity of entry 2; below 0 shows nothing (a delay)
    float introLowerAlpha = -1.0f;   // opacity of entry 3

    int32_t textureCount = 0;        // entries in textures
    Texture* textures = nullptr;     // the main texture table: owned array (delete[])
    std::unique_ptr<MAINCLASS> scene;

private:
    bool sceneReady = false;  // the scene's Setup succeeded: only then is it drawn

    void ReleaseTextures();
    void BindEntry(uint32_t index) const;
    void DrawBanner();
    void AdvanceBanner();
    void AdvanceMessage();
    void DrawMessage();
};

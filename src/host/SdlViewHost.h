// VIEWHOST on SDL 2: a window (SDL's own, a borderless one per monitor, a
// foreign X window, or an offscreen one), its OpenGL context, the monotonic
// clock, the main-screen answer the mode worked out, and the sound on
// SDL_mixer.
#pragma once

#include <SDL.h>

#include <functional>

#include "host/ViewHost.h"

// Seconds on the monotonic clock.
double MonotonicSeconds();

// Sets SDL's GL attributes for the saver's pixel format: double buffering,
// 8 bits per colour channel, a 16-bit depth buffer, an accelerated visual.
// withAlpha adds an alpha channel (kept off screen: on a desktop with a
// compositor an alpha visual shows the window's cleared alpha as see-through).
// Set before a window is created.
void SetPixelFormat(bool withAlpha, bool accelerated);

class SDLVIEWHOST : public VIEWHOST {
public:
    // window: owned (destroyed with the host; a foreign X window itself stays).
    // silent: this host never plays sound (headless renders run faster than
    // real time).
    SDLVIEWHOST(SDL_Window* window, bool mainScreen, unsigned int seed, bool silent = false,
                std::function<double()> clock = MonotonicSeconds);
    ~SDLVIEWHOST() override;
    SDLVIEWHOST(const SDLVIEWHOST&) = delete;
    SDLVIEWHOST& operator=(const SDLVIEWHOST&) = delete;

    double Now() override { return clock(); }
    bool CreateGLView() override;
    bool MakeCurrent() override;
    void Present() override;
    bool OnMainScreen() override { return mainScreen; }
    unsigned int Seed() override { return seed; }
    void PrepareSound() override;
    std::unique_ptr<SOUNDPLAYER> CreateSound(const std::string& path) override;

    // The drawable no longer exists: no more GL work on it.
    void SetDrawableGone();
    bool DrawableGone() const { return drawableGone; }
    SDL_Window* Window() const { return window; }
    // The drawable's size in pixels (HiDPI screens included).
    VIEWSIZE DrawableSize() const;

    // Runs after a frame is drawn and before it is presented (headless
    // snapshots read the back buffer here).
    std::function<void()> beforePresent;

private:
    SDL_Window* window;
    SDL_GLContext context = nullptr;
    bool mainScreen;
    unsigned int seed;
    bool silent;
    std::function<double()> clock;
    bool drawableGone = false;
};

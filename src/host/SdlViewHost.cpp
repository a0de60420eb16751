#include "host/SdlViewHost.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "host/MixerSound.h"

double MonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SetPixelFormat(bool withAlpha, bool accelerated) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, withAlpha ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, accelerated ? 1 : -1);
}

SDLVIEWHOST::SDLVIEWHOST(SDL_Window* w, bool main, unsigned int s, bool quiet, std::function<double()> c)
    : window(w), mainScreen(main), seed(s), silent(quiet), clock(std::move(c)) {}

SDLVIEWHOST::~SDLVIEWHOST() {
    // A drawable that is gone takes its window with it: SDL would wait for
    // events of a window that no longer exists, and the context's teardown
    // would address it. The process is ending; it releases both.
    if (drawableGone) return;
    if (context) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }
    if (window) SDL_DestroyWindow(window);
}

bool SDLVIEWHOST::CreateGLView() {
    if (!window) return false;
    context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "sandmere: no OpenGL context: %s\n", SDL_GetError());
        return false;
    }
    // The host loop paces the frames; with several views a swap that waited
    // for the vertical blank would halve the rate of each.
    SDL_GL_SetSwapInterval(0);
    return true;
}

bool SDLVIEWHOST::MakeCurrent() {
    if (drawableGone || !context) {
        SDL_GL_MakeCurrent(window, nullptr);  // nothing of this view reaches another's context
        return false;
    }
    return SDL_GL_MakeCurrent(window, context) == 0;
}

void SDLVIEWHOST::Present() {
    if (drawableGone) return;
    if (beforePresent) beforePresent();
    SDL_GL_SwapWindow(window);
}

void SDLVIEWHOST::PrepareSound() {
    if (!silent) OpenSoundOutput();
}

std::unique_ptr<SOUNDPLAYER> SDLVIEWHOST::CreateSound(const std::string& path) {
    if (silent) return nullptr;
    return MIXERSOUND::Load(path);
}

void SDLVIEWHOST::SetDrawableGone() { drawableGone = true; }

VIEWSIZE SDLVIEWHOST::DrawableSize() const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    return {static_cast<double>(w), static_cast<double>(h)};
}

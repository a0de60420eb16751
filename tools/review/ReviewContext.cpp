#include "ReviewContext.h"

#include <SDL.h>

#include <cstdio>

ReviewContext::ReviewContext(int width, int height) : width_(width), height_(height) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "sandmere-review: SDL_Init failed: %s\n", SDL_GetError());
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);  // as the saver asks for
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window_ = SDL_CreateWindow("sandmere-review", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) {
        std::fprintf(stderr, "sandmere-review: no window: %s\n", SDL_GetError());
        return;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) std::fprintf(stderr, "sandmere-review: no GL context: %s\n", SDL_GetError());
}

ReviewContext::~ReviewContext() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
}

#include "GLFixture.h"

#include <SDL.h>

#include "assets/PNGWriter.h"

#include <cstdio>

namespace {

struct SharedContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    SharedContext() {
        // Force the display-less driver even when a DISPLAY happens to be set.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "GL fixture: SDL_Init failed: %s\n", SDL_GetError());
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window = SDL_CreateWindow("sandmere-test", 0, 0, GLTest::kSurfaceWidth,
                                  GLTest::kSurfaceHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) {
            std::fprintf(stderr, "GL fixture: no window: %s\n", SDL_GetError());
            return;
        }
        context = SDL_GL_CreateContext(window);
        if (!context) std::fprintf(stderr, "GL fixture: no context: %s\n", SDL_GetError());
    }
};

// The context lives until the process ends and is never torn down: unloading
// the GL driver at exit would leave its allocations unattributable to the leak
// checker ("unknown module"), and the operating system reclaims it all anyway.
SharedContext& Shared() {
    static SharedContext* shared = new SharedContext;
    return *shared;
}

}  // namespace

bool GLContextAvailable() { return Shared().context != nullptr; }

void GLTest::SetUp() {
    SharedContext& shared = Shared();
    ASSERT_NE(shared.context, nullptr) << "no OpenGL context (SDL offscreen/EGL)";
    ASSERT_EQ(SDL_GL_MakeCurrent(shared.window, shared.context), 0) << SDL_GetError();
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void GLTest::TearDown() {
    // Leave the shared context as the next test expects to find it.
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left pending";
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

std::array<uint8_t, 4> GLTest::PixelAt(int x, int y) const {
    std::array<uint8_t, 4> rgba{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

float GLTest::DepthAt(int x, int y) const {
    float depth = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

void GLTest::UseViewport(int width, int height) {
    ASSERT_LE(width, kSurfaceWidth);
    ASSERT_LE(height, kSurfaceHeight);
    glViewport(0, 0, width, height);
}

bool GLTest::SaveFrame(const char* path, int width, int height) const {
    return WritePNG(path, ReadFramebuffer(width, height));
}

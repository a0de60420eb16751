// A real OpenGL context for tests, with no display at all.
//
// SDL's "offscreen" video driver creates the window and the context through EGL on
// Mesa's software renderer (llvmpipe), so every test that draws runs the same
// fixed-function pipeline the saver uses, on any machine, with DISPLAY unset.
// One context is created for the whole test program and made current for each
// test; each test starts with a cleared 256x256 viewport and default matrices.
// The drawable itself is kSurfaceWidth x kSurfaceHeight, so a test may widen
// the viewport (up to 2048x1024) to try wide screens.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 256;
    static constexpr int kSurfaceWidth = 2048;
    static constexpr int kSurfaceHeight = 1024;

protected:
    void SetUp() override;
    void TearDown() override;

    // Colour at a pixel of the back buffer (origin bottom left), 0..255 per channel.
    std::array<uint8_t, 4> PixelAt(int x, int y) const;
    // Depth at a pixel, 0..1.
    float DepthAt(int x, int y) const;
    // Sets the viewport to width x height at the origin (at most the surface).
    void UseViewport(int width, int height);
    // Writes the back buffer to a PNG, for looking at a failing test.
    bool SaveFrame(const char* path, int width = kWidth, int height = kHeight) const;
};

// True once the shared context exists (false when SDL or EGL cannot make one).
bool GLContextAvailable();

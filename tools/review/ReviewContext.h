// ReviewContext: an OpenGL compatibility context with no display, for rendering
// review pictures. SDL's offscreen video driver makes the window and context
// through EGL on Mesa's software renderer, as the test fixture does.
#pragma once

struct SDL_Window;

class ReviewContext {
public:
    ReviewContext(int width, int height);
    ~ReviewContext();
    ReviewContext(const ReviewContext&) = delete;
    ReviewContext& operator=(const ReviewContext&) = delete;

    bool Ready() const { return context_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    int width_;
    int height_;
};

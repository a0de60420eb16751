// The 2D layer over the scene: a sliding banner, a centred message and the intro.
//
// Everything here is a textured quad from the main texture table, drawn with
// blending after the 3D scene, with lighting and depth testing off. Two spaces
// are used. The banner lives in pixel space (an orthographic projection of the
// drawable, origin bottom left), so it keeps its size on any screen: a 32-pixel
// strip with a 256-pixel corner image at the left or right edge and a
// 512-pixel message image in the middle. The centred message and the intro live
// in canvas space, a 1024 x 768 canvas stretched over the drawable whatever its
// aspect, so they keep their place relative to the screen.
//
// Timelines. The banner first appears 120 s into the run, stays 20 s, leaves
// for 30 s and comes back, alternating between the top and the bottom edge
// (top first). Each show starts 40 pixels beyond its edge and glides in with a
// first-order step, y += (target - y) * dt: each frame covers the fraction dt of
// the remaining distance, which is smooth at any frame rate but is not clamped,
// so a frame longer than one second overshoots the target (a 2-second frame
// lands as far beyond it as it was short), and the next frames glide back.
//
// The centred message comes 90 s into the run and then every 60 s: a black veil
// at 0.9 of the message's opacity darkens the picture and the current message
// image (the one the banner last chose) spans the canvas at its middle, fading
// in and out at 0.5 opacity per second. The intro is timed by the run's elapsed
// time: the upper image fades in from 5 to 6 s, the lower one from 7 to 8 s
// (their opacities start below zero, which draws nothing and works as a delay),
// both stand until 12 s, then fade out one after the other, and the intro ends.
// Only one of the two opacities moves per frame.
//
// Times are added and subtracted in double and stored back as float. OpenGL
// clamps the colours, so opacities just outside 0..1 are passed as they are.
// Nothing of this runs in the preview: no drawing and no change of state.
//
// State left changed: GL_LIGHTING and GL_DEPTH_TEST on, GL_BLEND off, the
// projection and modelview matrices replaced (the next frame sets both), the
// colour white, the bound texture one of the table's.
#include <GL/gl.h>

#include <cstdlib>

#include "assets/Texture.h"
#include "engine/SSMain.h"

namespace {

constexpr float kCanvasWidth = 1024.0f;
constexpr float kCanvasHeight = 768.0f;
constexpr float kBannerHeight = 32.0f;    // pixels
constexpr float kCornerWidth = 256.0f;    // pixels
constexpr float kMessageWidth = 512.0f;   // pixels
constexpr float kBannerOffEdge = 40.0f;   // pixels beyond the edge when hidden
constexpr float kBannerBottom = 5.0f;     // pixels above the bottom edge when shown

constexpr uint32_t kCornerEntry = 1;
constexpr uint32_t kIntroUpperEntry = 2;
constexpr uint32_t kIntroLowerEntry = 3;
constexpr uint32_t kFirstMessageEntry = 4;

constexpr double kBannerShowSeconds = 20.0;
constexpr double kBannerHideSeconds = 30.0;
constexpr double kMessageWaitSeconds = 40.0;   // after a show, until the next one
constexpr double kMessageShowSeconds = 20.0;
constexpr double kMessageFadeRate = 0.5;       // opacity per second
constexpr double kVeilOpacity = 0.9;           // of the message's opacity
constexpr double kIntroFadeOutAt = 12.0;       // seconds of elapsed time

// A quad from (x0, y0) to (x1, y1) with the whole texture on it.
void TexturedQuad(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x0, y0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(x1, y0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(x1, y1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x0, y1);
    glEnd();
}

// An intro image of the bound texture in canvas space: 512 units wide and
// 4 * halfHeight high (a quad scaled by two), centred on (512, centreY).
void IntroImage(float centreY, float halfHeight, float alpha) {
    glPushMatrix();
    glTranslatef(512.0f, centreY, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    glScalef(2.0f, 2.0f, 1.0f);
    TexturedQuad(-128.0f, -halfHeight, 128.0f, halfHeight);
    glPopMatrix();
}

float AddSeconds(float value, double seconds) {
    return static_cast<float>(static_cast<double>(value) + seconds);
}

}  // namespace

void SSMAIN::BindEntry(uint32_t index) const {
    const bool present = textures && index < static_cast<uint32_t>(textureCount > 0 ? textureCount : 0);
    glBindTexture(GL_TEXTURE_2D, present ? textures[index].textureName : 0);
}

void SSMAIN::AdvanceBanner() {
    bannerTimer = AddSeconds(bannerTimer, -frameTime);
    if (bannerTimer < 0.0f) {
        bannerTimer = static_cast<float>(kBannerHideSeconds);
        if (!bannerShowing) {  // about to appear: choose message, side and edge
            messageIndex = kFirstMessageEntry + static_cast<uint32_t>(std::rand() % 2);
            bannerPos.x = (std::rand() % 2 == 1) ? static_cast<float>(width - kCornerWidth) : 0.0f;
            bannerAtTop = !bannerAtTop;
            bannerPos.y = bannerAtTop ? static_cast<float>(height + kBannerOffEdge) : -kBannerOffEdge;
            bannerTimer = static_cast<float>(kBannerShowSeconds);
        }
        bannerShowing = !bannerShowing;
    }

    double target;
    if (bannerShowing)
        target = bannerAtTop ? static_cast<double>(height) - kBannerOffEdge : kBannerBottom;
    else
        target = bannerAtTop ? static_cast<double>(height) + kBannerOffEdge : -kBannerOffEdge;
    const double y = bannerPos.y;
    bannerPos.y = static_cast<float>(y + (target - y) * frameTime);
}

void SSMAIN::DrawBanner() {
    glPushMatrix();
    glTranslatef(bannerPos.x, bannerPos.y, 0.0f);
    BindEntry(kCornerEntry);
    TexturedQuad(0.0f, 0.0f, kCornerWidth, kBannerHeight);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(static_cast<float>(width * 0.5 - kMessageWidth * 0.5), bannerPos.y, 0.0f);  // centred
    BindEntry(messageIndex);
    TexturedQuad(0.0f, 0.0f, kMessageWidth, kBannerHeight);
    glPopMatrix();
}

// Advances the centred message's timer and opacity.
void SSMAIN::AdvanceMessage() {
    messageTimer = AddSeconds(messageTimer, -frameTime);
    if (messageTimer < 0.0f) {
        if (messageAlpha < 1.0f)
            messageAlpha = AddSeconds(messageAlpha, kMessageFadeRate * frameTime);
        else
            messageAlpha = 1.0f;
        if (messageTimer < -kMessageShowSeconds) messageTimer = static_cast<float>(kMessageWaitSeconds);
    } else if (messageAlpha > 0.0f) {
        messageAlpha = AddSeconds(messageAlpha, -kMessageFadeRate * frameTime);
    } else {
        messageAlpha = 0.0f;
    }
}

void SSMAIN::DrawMessage() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);

    glColor4f(0.0f, 0.0f, 0.0f, static_cast<float>(kVeilOpacity * messageAlpha));
    glDisable(GL_TEXTURE_2D);
    TexturedQuad(0.0f, 0.0f, kCanvasWidth, kCanvasHeight);
    glEnable(GL_TEXTURE_2D);

    // A strip 64 units high centred on the canvas (352 + 32 = 384).
    glColor4f(1.0f, 1.0f, 1.0f, messageAlpha);
    glPushMatrix();
    glTranslatef(0.0f, 352.0f, 0.0f);
    BindEntry(messageIndex);
    TexturedQuad(0.0f, 0.0f, kCanvasWidth, 64.0f);
    glPopMatrix();

    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void SSMAIN::DoOverlay() {
    if (preview) return;

    AdvanceBanner();

    // Pixel space.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);

    // Drawn whether showing or not: when hidden it sits beyond its edge.
    DrawBanner();
    glDisable(GL_BLEND);

    // Canvas space, for the rest of the layer and the intro.
    glScaled(width / static_cast<double>(kCanvasWidth), height / static_cast<double>(kCanvasHeight), 1.0);

    AdvanceMessage();
    if (messageAlpha > 0.0f) DrawMessage();

    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    if (!introDone) DoIntro();
}

void SSMAIN::DoIntro() {
    if (preview) return;

    glPushMatrix();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);

    // Only one of the two opacities moves per frame.
    if (elapsedTime < kIntroFadeOutAt) {
        if (introUpperAlpha < 1.0f)
            introUpperAlpha = AddSeconds(introUpperAlpha, frameTime);
        else if (introLowerAlpha < 1.0f)
            introLowerAlpha = AddSeconds(introLowerAlpha, frameTime);
    } else {
        if (introUpperAlpha > 0.0f)
            introUpperAlpha = AddSeconds(introUpperAlpha, -frameTime);
        else if (introLowerAlpha > 0.0f)
            introLowerAlpha = AddSeconds(introLowerAlpha, -frameTime);
        else
            introDone = true;
    }

    // Upper image: 512 x 128 canvas units centred on (512, 614.4);
    // lower image: 512 x 256 canvas units centred on (512, 192).
    BindEntry(kIntroUpperEntry);
    IntroImage(614.4f, 32.0f, introUpperAlpha);
    BindEntry(kIntroLowerEntry);
    IntroImage(192.0f, 64.0f, introLowerAlpha);

    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
}

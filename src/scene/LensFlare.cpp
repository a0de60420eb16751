// The sun's lens flare: a glow on the sun and a chain of rings and spots along
// the line from the sun through the centre of the view and beyond, as light
// reflected between the elements of a camera lens would show.
//
// Where the elements go. Let centre be the point on the view axis as far from
// the eye as the sun. The chain runs along the axis from the sun towards
// centre: an element at k sits at sun + k * span * axis, with axis the unit
// vector from the sun to centre and span twice their distance, so k = 0.5 is the
// middle of the view and k = 1 the sun mirrored through it. As the camera
// turns, the chain swings across the picture; with the sun dead ahead, the axis
// has no length (the zero-safe Normalize leaves it zero) and every element sits
// on the sun.
//
// How strong. The intensity is the sun's smallest distance inside the six
// planes of the view volume (FRUSTUM::SphereInFrustum2) times 0.05, capped at 1:
// full 20 units or more inside, fading out towards the edges of the picture,
// and nothing at all once the sun is outside, in which case no GL state is
// touched. The glow (the first two elements) takes the full intensity, the rest
// half of it.
//
// Hidden sun. The flare is drawn last, after everything that can stand in front
// of the sun, so the depth buffer at the sun's pixel says whether a dune or a
// camel hides it (FRUSTUM::IsOccluded); then no element is drawn.
//
// Each element is a square quad facing the eye (the camera's billboard corners
// of this frame), 20 * size units wide at the element's place, drawn additively
// (source alpha, one), unlit, unfogged and without the depth test. State left
// changed, whenever the sun was in view: blending off with the function source
// alpha / one minus source alpha, depth test, fog and lighting on, colour white,
// and the last element's texture bound.
#include <GL/gl.h>

#include <cmath>

#include "engine/MainClass.h"
#include "scene/Camera.h"

namespace {

struct FLAREELEMENT {
    int texture;  // index into the camera's flareTextures
    float k;      // place along the axis: 0 the sun, 0.5 the centre of the view
    float size;   // the quad is 20 * size units wide
    float r, g, b;
    bool glow;    // full intensity (else half)
};

constexpr FLAREELEMENT kElements[] = {
    {0, 0.0f, 16.0f, 0.6f, 0.6f, 0.8f, true},      {3, 0.0f, 16.0f, 0.6f, 0.6f, 0.8f, true},
    {1, 0.0f, 3.5f, 0.8f, 0.8f, 1.0f, false},      {1, 0.1f, 0.6f, 0.9f, 0.6f, 0.4f, false},
    {2, 0.15f, 1.7f, 0.8f, 0.5f, 0.6f, false},     {2, 0.175f, 0.83f, 0.9f, 0.2f, 0.1f, false},
    {2, 0.285f, 1.6f, 0.7f, 0.7f, 0.4f, false},    {1, 0.2755f, 0.8f, 0.9f, 0.9f, 0.2f, false},
    {1, 0.4775f, 1.0f, 0.93f, 0.82f, 0.73f, false}, {2, 0.49f, 1.6f, 0.7f, 0.6f, 0.5f, false},
    {1, 0.65f, 2.1f, 0.7f, 0.8f, 0.3f, false},     {1, 0.63f, 1.8f, 0.4f, 0.3f, 0.2f, false},
    {2, 0.8f, 1.9f, 0.7f, 0.5f, 0.5f, false},      {1, 0.7825f, 2.2f, 0.8f, 0.5f, 0.1f, false},
    {2, 1.0f, 3.4f, 0.5f, 0.5f, 0.7f, false},      {1, 0.975f, 4.0f, 0.4f, 0.1f, 0.9f, false},
};

constexpr float kSunRadius = 2.0f;       // world units, for the fade
constexpr double kFadePerUnit = 0.05;    // intensity per unit inside the view

float Length(VECTOR3D v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

void CAMERA::RenderLensFlare(MAINCLASS* scene, VECTOR3D sun) {
    const float inside = scene->frustum.SphereInFrustum2(sun, kSunRadius);
    if (!(inside > 0.0f)) return;
    double strength = inside * kFadePerUnit;
    if (strength > 1.0) strength = 1.0;
    const float intensity = static_cast<float>(strength);

    const float distance = Length(SubtractVectors(eyeSmoothed, sun));
    VECTOR3D view = SubtractVectors(lookAtSmoothed, eyeSmoothed);
    view.Normalize();
    const VECTOR3D centre = MakePoint(eyeSmoothed.x + distance * view.x, eyeSmoothed.y + distance * view.y,
                                      eyeSmoothed.z + distance * view.z);
    VECTOR3D axis = SubtractVectors(centre, sun);
    const float span = 2.0f * Length(axis);
    axis.Normalize();

    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);

    if (!scene->frustum.IsOccluded(sun)) {
        for (const FLAREELEMENT& e : kElements) {
            const float along = e.k * span;
            const VECTOR3D at = e.k == 0.0f ? sun
                                            : MakePoint(along * axis.x + sun.x, along * axis.y + sun.y,
                                                        along * axis.z + sun.z);
            RenderFlare(flareTextures[e.texture], e.r, e.g, e.b, e.glow ? intensity : intensity / 2.0f, at,
                        e.size);
        }
    }

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_FOG);
    glEnable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void CAMERA::RenderFlare(unsigned int texture, float r, float g, float b, float a, VECTOR3D position,
                         float size) {
    static const float kTexCoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const float half = size * 10.0f;
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glColor4f(r, g, b, a);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(kTexCoords[i][0], kTexCoords[i][1]);
        glVertex3f(position.x + half * billboardCorners[i].x, position.y + half * billboardCorners[i].y,
                   position.z + half * billboardCorners[i].z);
    }
    glEnd();
}

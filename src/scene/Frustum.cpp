// The view frustum, taken straight from the matrices OpenGL is drawing with.
//
// A point p is inside the view volume when its clip coordinates (x, y, z, w) =
// Projection * Modelview * p satisfy -w < x < w, -w < y < w and -w < z < w. Each
// of those six inequalities is linear in p, so each is a plane: w - x > 0 is the
// right plane, w + x > 0 the left one, and so on. With C_k the k-th row of the
// combined matrix (as four coefficients acting on (p.x, p.y, p.z, 1)), the planes
// are simply sums and differences of rows: right = C3 - C0, left = C3 + C0,
// bottom = C3 + C1, top = C3 - C1, far = C3 - C2, near = C3 + C2. Dividing each
// plane by the length of its normal turns the expression into a true signed
// distance in world units, which is what the sphere tests need: a sphere is out
// of view as soon as its centre lies at least one radius behind any plane.
//
// The combined matrix costs 64 multiplications. gluPerspective fills only five
// of the projection's sixteen elements, so the per-frame extraction multiplies
// by those alone (ExtractFrustumFaster) and gets the same planes for a fraction
// of the work. The full product is kept for any other projection.
//
// IsOccluded does not use the planes at all: it projects a point to the window
// with gluProject and compares its depth with the depth buffer at that pixel.
// The lens flare uses it to hide itself when the sun is behind a dune or a
// camel, so it only means something after the frame's occluders are drawn.
#include "scene/Frustum.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {

// clip[4r + c]: the product of the modelview M and the projection P as OpenGL
// stores them, both column-major.
void MultiplyClip(const float M[16], const float P[16], float clip[16]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            clip[4 * r + c] = M[4 * r] * P[c] + M[4 * r + 1] * P[4 + c] +
                              M[4 * r + 2] * P[8 + c] + M[4 * r + 3] * P[12 + c];
        }
    }
}

// The same product with every projection element other than 0, 5, 10, 11 and
// 14 taken as zero, as gluPerspective leaves them.
void MultiplyClipPerspective(const float M[16], const float P[16], float clip[16]) {
    for (int r = 0; r < 4; ++r) {
        clip[4 * r] = M[4 * r] * P[0];
        clip[4 * r + 1] = M[4 * r + 1] * P[5];
        clip[4 * r + 2] = M[4 * r + 2] * P[10] + M[4 * r + 3] * P[14];
        clip[4 * r + 3] = M[4 * r + 2] * P[11];
    }
}

}  // namespace

void FRUSTUM::PlanesFromClip(const float clip[16]) {
    // Plane i is C3 + sign * Ck, with Ck = (clip[k], clip[4+k], clip[8+k], clip[12+k]).
    // Negating a float is exact, so C3 + (-Ck) is bit for bit C3 - Ck.
    struct Row { int k; float sign; };
    static const Row kRows[kPlaneCount] = {
        {0, -1.0f},  // right
        {0, +1.0f},  // left
        {1, +1.0f},  // bottom
        {1, -1.0f},  // top
        {2, -1.0f},  // far
        {2, +1.0f},  // near
    };
    for (int i = 0; i < kPlaneCount; ++i) {
        float* p = planes[i];
        for (int j = 0; j < 4; ++j) p[j] = clip[4 * j + 3] + kRows[i].sign * clip[4 * j + kRows[i].k];
        const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (int j = 0; j < 4; ++j) p[j] /= length;  // no guard: a degenerate matrix gives NaN
    }
}

void FRUSTUM::ExtractFrustum() {
    float P[16];
    float M[16];
    float clip[16];
    glGetFloatv(GL_PROJECTION_MATRIX, P);
    glGetFloatv(GL_MODELVIEW_MATRIX, M);
    MultiplyClip(M, P, clip);
    PlanesFromClip(clip);
}

void FRUSTUM::ExtractFrustumFaster() {
    float P[16];
    float M[16];
    float clip[16];
    glGetFloatv(GL_PROJECTION_MATRIX, P);
    glGetFloatv(GL_MODELVIEW_MATRIX, M);
    MultiplyClipPerspective(M, P, clip);
    PlanesFromClip(clip);
}

float FRUSTUM::Distance(int plane, VECTOR3D p) const {
    const float* q = planes[plane];
    return q[0] * p.x + q[1] * p.y + q[2] * p.z + q[3];
}

bool FRUSTUM::PointInFrustum(VECTOR3D p) const {
    for (int i = 0; i < kPlaneCount; ++i) {
        if (Distance(i, p) <= 0.0f) return false;
    }
    return true;
}

float FRUSTUM::SphereInFrustum(VECTOR3D centre, float radius) const {
    float d = 0.0f;
    for (int i = 0; i < kPlaneCount; ++i) {
        d = Distance(i, centre);
        if (d <= -radius) return 0.0f;
    }
    return d + radius;  // d is the near plane's distance: the last one tested
}

float FRUSTUM::SphereInFrustum2(VECTOR3D centre, float radius) const {
    float nearest = 9999.0f;
    for (int i = 0; i < kPlaneCount; ++i) {
        const float d = Distance(i, centre);
        if (d <= -radius) return 0.0f;
        if (d < nearest) nearest = d;
    }
    return nearest;
}

bool FRUSTUM::SphereInsideSinglePlaneFrustum(int plane, VECTOR3D centre, float radius) const {
    if (plane < 0 || plane >= kPlaneCount) return false;
    return Distance(plane, centre) > -radius;
}

VECTOR3D FRUSTUM::PointAtEdgeOfFrustum(int plane, VECTOR3D p) const {
    if (plane < 0 || plane >= kPlaneCount) return VECTOR3D{};
    const float a = planes[plane][0];
    const float b = planes[plane][1];
    const float c = planes[plane][2];
    const float d = planes[plane][3];
    switch (plane) {
        case kRight:
        case kLeft:
            return MakePoint(-(b * p.y + d + c * p.z) / a, p.y, p.z);
        case kBottom:
        case kTop:
            return MakePoint(p.x, -(c * p.z + d + a * p.x) / b, p.z);
        default:  // far, near
            return MakePoint(p.x, p.y, -(b * p.y + d + a * p.x) / c);
    }
}

bool FRUSTUM::IsOccluded(VECTOR3D p) const {
    GLint viewport[4];
    GLdouble modelview[16];
    GLdouble projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);

    GLdouble wx = 0.0;
    GLdouble wy = 0.0;
    GLdouble wz = 0.0;
    if (gluProject(p.x, p.y, p.z, modelview, projection, viewport, &wx, &wy, &wz) != GL_TRUE)
        return false;  // a point in the eye's plane has no window position

    // Only pixels of the viewport are read. The comparisons also reject NaN, so
    // the truncation to int below is always defined.
    const bool insideX = wx >= viewport[0] && wx < static_cast<double>(viewport[0]) + viewport[2];
    const bool insideY = wy >= viewport[1] && wy < static_cast<double>(viewport[1]) + viewport[3];
    if (!insideX || !insideY) return false;

    GLfloat depth = 1.0f;
    glReadPixels(static_cast<GLint>(wx), static_cast<GLint>(wy), 1, 1, GL_DEPTH_COMPONENT,
                 GL_FLOAT, &depth);
    return wz > static_cast<double>(depth);
}

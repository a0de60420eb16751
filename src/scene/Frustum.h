// FRUSTUM: the six planes of the current view volume and the visibility
// questions asked of them, plus a depth-buffer test for "is this point hidden".
//
// Each plane is (a, b, c, d) for a*x + b*y + c*z + d = 0, normalised so that
// (a, b, c) has length 1 and the expression is the signed distance in world
// units, positive on the inside. The order is fixed and callers rely on it:
//
//   0 right   1 left   2 bottom   3 top   4 far   5 near
//
// The planes mean nothing until the first extraction; the frame driver extracts
// them every frame right after the camera has set the view.
#pragma once

#include "maths/NiftyMaths.h"

class FRUSTUM {
public:
    static constexpr int kPlaneCount = 6;
    enum PlaneIndex { kRight = 0, kLeft, kBottom, kTop, kFar, kNear };

    // Refills the planes from GL's current projection and modelview matrices.
    void ExtractFrustum();
    // The same, reading only the five elements a gluPerspective projection
    // fills (0, 5, 10, 11, 14). Wrong for any other kind of projection.
    void ExtractFrustumFaster();

    // True when p is strictly inside all six planes (on a plane is outside).
    bool PointInFrustum(VECTOR3D p) const;
    // 0.0 when the sphere is outside some plane (touching from outside counts
    // as outside); otherwise the distance of its centre in front of the near
    // plane plus the radius, which is then always positive.
    float SphereInFrustum(VECTOR3D centre, float radius) const;
    // 0.0 when the sphere is outside; otherwise the smallest signed distance of
    // the centre from any plane, capped at 9999.0 (negative when only part of
    // the sphere reaches in).
    float SphereInFrustum2(VECTOR3D centre, float radius) const;
    // Whether the sphere reaches the inside of one plane. An index outside 0..5
    // answers false.
    bool SphereInsideSinglePlaneFrustum(int plane, VECTOR3D centre, float radius) const;
    // p moved onto a plane along one axis: x for right/left, y for bottom/top,
    // z for far/near. An index outside 0..5 gives (0, 0, 0).
    VECTOR3D PointAtEdgeOfFrustum(int plane, VECTOR3D p) const;

    // Whether the depth buffer already holds something nearer than p at p's
    // pixel, under the current viewport and matrices. A point that projects
    // outside the viewport (or cannot be projected) is not occluded, and no
    // pixel is read for it.
    bool IsOccluded(VECTOR3D p) const;

    float planes[kPlaneCount][4] = {};  // (a, b, c, d) per plane, normalised

private:
    float Distance(int plane, VECTOR3D p) const;
    void PlanesFromClip(const float clip[16]);
};

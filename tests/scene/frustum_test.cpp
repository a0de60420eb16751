// The view frustum: plane extraction from real GL matrices, the point and
// sphere tests on and around plane boundaries, and the depth read-back test.
#include "scene/Frustum.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "GLFixture.h"

namespace {

float Dist(const FRUSTUM& f, int i, VECTOR3D p) {
    return f.planes[i][0] * p.x + f.planes[i][1] * p.y + f.planes[i][2] * p.z + f.planes[i][3];
}

// Loads a projection and returns to the modelview, reset.
template <typename F>
void Project(F projection) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    projection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

class FrustumGLTest : public GLTest {};

// A real view seen from above at an angle, wider than high. Points are placed
// in the camera's own frame (depth along the view, then right and up), so each
// one lies just beyond exactly one plane, or just inside all six.
TEST_F(FrustumGLTest, EachPlaneOfARealViewSitsAtItsIndexForBothExtractions) {
    const double fovY = 60.0, aspect = 16.0 / 9.0;
    Project([&] { gluPerspective(fovY, aspect, 0.5, 3000.0); });
    const VECTOR3D eye = MakePoint(120, 35, -60), target = MakePoint(-40, 5, 200);
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0, 1, 0);
    const VECTOR3D forward = NormalizeVector(SubtractVectors(target, eye));
    const VECTOR3D right = NormalizeVector(VectorCrossProduct(forward, MakePoint(0, 1, 0)));
    const VECTOR3D up = VectorCrossProduct(right, forward);
    const auto at = [&](double depth, double x, double y) {
        return AddVectors(AddVectors(AddVectors(eye, ScaleVector(forward, depth)), ScaleVector(right, x)),
                          ScaleVector(up, y));
    };
    const double tanY = std::tan(fovY * 3.141592653589793 / 360.0), tanX = aspect * tanY;
    const int inside = -1;
    const struct { const char* name; VECTOR3D p; int beyond; } cases[] = {
        {"the look-at point", target, inside},
        {"just inside the right side", at(100, 0.99 * 100 * tanX, 0), inside},
        {"just beyond the right side", at(100, 1.01 * 100 * tanX, 0), FRUSTUM::kRight},
        {"just inside the left side", at(100, -0.99 * 100 * tanX, 0), inside},
        {"just beyond the left side", at(100, -1.01 * 100 * tanX, 0), FRUSTUM::kLeft},
        {"just above the bottom", at(100, 0, -0.99 * 100 * tanY), inside},
        {"just below the bottom", at(100, 0, -1.01 * 100 * tanY), FRUSTUM::kBottom},
        {"just below the top", at(100, 0, 0.99 * 100 * tanY), inside},
        {"just above the top", at(100, 0, 1.01 * 100 * tanY), FRUSTUM::kTop},
        {"just before the far plane", at(2990, 0, 0), inside},
        {"past the far plane", at(3010, 0, 0), FRUSTUM::kFar},
        {"just past the near plane", at(0.6, 0, 0), inside},
        {"between the eye and the near plane", at(0.4, 0, 0), FRUSTUM::kNear},
    };
    FRUSTUM full, fast;
    full.ExtractFrustum();
    fast.ExtractFrustumFaster();
    for (const FRUSTUM* f : {&full, &fast}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << (f == &full ? "full: " : "faster: ") << c.name);
            EXPECT_EQ(f->PointInFrustum(c.p), c.beyond == inside);
            for (int i = 0; i < 6; ++i) EXPECT_EQ(Dist(*f, i, c.p) < 0.0f, i == c.beyond) << "plane " << i;
        }
    }
    // Normalised planes measure world units: the eye is 0.5 before the near
    // plane and 3000 from the far one.
    EXPECT_NEAR(Dist(full, FRUSTUM::kNear, eye), -0.5f, 1e-2f);
    EXPECT_NEAR(Dist(full, FRUSTUM::kFar, eye), 3000.0f, 0.5f);

    const VECTOR3D p = MakePoint(12, 5, -4);
    for (int i = 0; i < 6; ++i) {
        const VECTOR3D q = full.PointAtEdgeOfFrustum(i, p);
        EXPECT_NEAR(Dist(full, i, q), 0.0f, 1e-2f) << i;
        const int moved = i / 2;  // x for right/left, y for bottom/top, z for far/near
        EXPECT_TRUE((moved == 0 || q.x == p.x) && (moved == 1 || q.y == p.y) && (moved == 2 || q.z == p.z)) << i;
    }
}

TEST(FrustumTests, PointAndSphereTestsOnAndAroundBoundaries) {
    // x and y in (-10, 10), z in (-100, 0): right 10 - x, left x + 10, near -z, far z + 100.
    const float planes[6][4] = {{-1, 0, 0, 10}, {1, 0, 0, 10}, {0, 1, 0, 10},
                                {0, -1, 0, 10}, {0, 0, 1, 100}, {0, 0, -1, 0}};
    FRUSTUM f;
    std::copy(&planes[0][0], &planes[0][0] + 24, &f.planes[0][0]);
    const struct { const char* name; VECTOR3D p; float r; bool point; float sphere1; float sphere2; } cases[] = {
        {"3 past left, 10 before near", MakePoint(-13, 0, -10), 4, false, 14.0f, -3.0f},
        {"touching left from outside", MakePoint(-14, 0, -50), 4, false, 0.0f, 0.0f},
        {"just reaching in", MakePoint(-13.99f, 0, -50), 4, false, 54.0f, -3.99f},
        {"centre on the top plane", MakePoint(0, 10, -50), 2, false, 52.0f, 0.0f},
        {"deep inside", MakePoint(0, 0, -50), 1, true, 51.0f, 10.0f},
        {"behind the eye", MakePoint(0, 0, 5), 4, false, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f.PointInFrustum(c.p), c.point) << c.name;
        EXPECT_NEAR(f.SphereInFrustum(c.p, c.r), c.sphere1, 1e-4f) << c.name;
        EXPECT_NEAR(f.SphereInFrustum2(c.p, c.r), c.sphere2, 1e-4f) << c.name;
    }
    EXPECT_TRUE(f.SphereInsideSinglePlaneFrustum(FRUSTUM::kLeft, MakePoint(-13, 0, -10), 4));
    EXPECT_FALSE(f.SphereInsideSinglePlaneFrustum(FRUSTUM::kLeft, MakePoint(-13, 0, -10), 3));
    for (int bad : {6, -1, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(f.SphereInsideSinglePlaneFrustum(bad, MakePoint(0, 0, -50), 1e9f)) << bad;
        const VECTOR3D q = f.PointAtEdgeOfFrustum(bad, MakePoint(1, 2, 3));
        EXPECT_TRUE(q.x == 0 && q.y == 0 && q.z == 0) << bad;
    }
}

TEST_F(FrustumGLTest, IsOccludedReadsTheDepthAtThePointsPixelInsideTheViewportOnly) {
    // Pixel space with window depth -z / 10: a square at depth 0.5 over
    // 64..192, a strip at 0.1 over y 200..256.
    Project([] { glOrtho(0, kWidth, 0, kHeight, 0, 10); });
    glEnable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    glVertex3f(64, 64, -5), glVertex3f(192, 64, -5), glVertex3f(192, 192, -5), glVertex3f(64, 192, -5);
    glVertex3f(0, 200, -1), glVertex3f(256, 200, -1), glVertex3f(256, 256, -1), glVertex3f(0, 256, -1);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    FRUSTUM f;
    EXPECT_TRUE(f.IsOccluded(MakePoint(128.5f, 128.5f, -8)));   // behind the square
    EXPECT_FALSE(f.IsOccluded(MakePoint(128.5f, 128.5f, -2)));  // in front of it
    EXPECT_FALSE(f.IsOccluded(MakePoint(20.5f, 20.5f, -8)));    // nothing drawn there
    // Left of the viewport, though truncation toward zero would give column 0,
    // where the near strip lies.
    EXPECT_FALSE(f.IsOccluded(MakePoint(-0.5f, 220.5f, -5)));

    // In a 128 x 128 viewport, pixels beyond it hold depths of the old drawing;
    // points projecting there are not judged by them.
    glViewport(0, 0, 128, 128);
    Project([] { glOrtho(0, 128, 0, 128, 0, 10); });
    EXPECT_TRUE(f.IsOccluded(MakePoint(100.5f, 100.5f, -8)));
    EXPECT_FALSE(f.IsOccluded(MakePoint(64.5f, 220.5f, -5)));
    EXPECT_FALSE(f.IsOccluded(MakePoint(150.5f, 100.5f, -8)));
}

}  // namespace

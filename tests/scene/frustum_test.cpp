// The view frustum: plane extraction from real GL matrices, the point and
// sphere tests on and around plane boundaries, and the depth read-back test.
#include "scene/Frustum.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <climits>

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

TEST_F(FrustumGLTest, BothExtractionsAgreeAndPointAtEdgeMovesOneAxisOntoThePlane) {
    Project([] { gluPerspective(90.0, 4.0 / 3.0, 0.5, 3000.0); });
    gluLookAt(100, 40, 800, 0, 10, 0, 0, 1, 0);
    FRUSTUM full, fast;
    full.ExtractFrustum();
    fast.ExtractFrustumFaster();
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(full.planes[i][j], fast.planes[i][j], 1e-3f) << i << "," << j;
    // Normalised planes measure world units: the eye is 0.5 before the near
    // plane, 3000 from the far one, and on the 45-degree top plane.
    const VECTOR3D eye = MakePoint(100, 40, 800);
    EXPECT_NEAR(Dist(full, FRUSTUM::kNear, eye), -0.5f, 1e-2f);
    EXPECT_NEAR(Dist(full, FRUSTUM::kFar, eye), 3000.0f, 0.5f);
    EXPECT_NEAR(Dist(full, FRUSTUM::kTop, eye), 0.0f, 1e-2f);

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

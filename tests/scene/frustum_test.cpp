// The view frustum: plane extraction from real GL matrices, the point and
// sphere tests on and around plane boundaries, and the depth read-back test.
#include "scene/Frustum.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <climits>

#include "GLFixture.h"

namespace {

// An axis-aligned box: x and y in (-10, 10), z in (-100, 0), as glOrtho would
// give it with the eye at the origin looking down -z. Distances inside are easy
// to read off: right 10 - x, left x + 10, near -z, far z + 100.
FRUSTUM BoxFrustum() {
    FRUSTUM f;
    const float planes[6][4] = {
        {-1, 0, 0, 10},   // right
        {1, 0, 0, 10},    // left
        {0, 1, 0, 10},    // bottom
        {0, -1, 0, 10},   // top
        {0, 0, 1, 100},   // far
        {0, 0, -1, 0},    // near
    };
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j) f.planes[i][j] = planes[i][j];
    return f;
}

void ExpectSamePlanes(const FRUSTUM& a, const FRUSTUM& b, float tolerance) {
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.planes[i][j], b.planes[i][j], tolerance) << "plane " << i << " term " << j;
}

float Dist(const FRUSTUM& f, int i, VECTOR3D p) {
    return f.planes[i][0] * p.x + f.planes[i][1] * p.y + f.planes[i][2] * p.z + f.planes[i][3];
}

}  // namespace

// ---- Extraction --------------------------------------------------------------

class FrustumExtractTest : public GLTest {};

TEST_F(FrustumExtractTest, BothExtractionsAgreeForAPerspectiveViewAndMatchItsGeometry) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 4.0 / 3.0, 0.5, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(100.0, 40.0, 800.0, 0.0, 10.0, 0.0, 0.0, 1.0, 0.0);

    FRUSTUM full;
    FRUSTUM fast;
    full.ExtractFrustum();
    fast.ExtractFrustumFaster();
    ExpectSamePlanes(full, fast, 1e-3f);

    for (int i = 0; i < 6; ++i) {
        const float* p = full.planes[i];
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f, 1e-5f) << "plane " << i;
    }
    // The eye sits 0.5 in front of the near plane and 3000 from the far plane,
    // on the wrong side of both.
    const VECTOR3D eye = MakePoint(100, 40, 800);
    EXPECT_NEAR(Dist(full, FRUSTUM::kNear, eye), -0.5f, 1e-2f);
    EXPECT_NEAR(Dist(full, FRUSTUM::kFar, eye), 3000.0f, 0.5f);
    // With a 90-degree vertical field the top and bottom planes are at 45
    // degrees to the line of sight: the eye lies on both.
    EXPECT_NEAR(Dist(full, FRUSTUM::kTop, eye), 0.0f, 1e-2f);
    EXPECT_NEAR(Dist(full, FRUSTUM::kBottom, eye), 0.0f, 1e-2f);
    EXPECT_TRUE(full.PointInFrustum(MakePoint(0, 10, 0)));
    EXPECT_FALSE(full.PointInFrustum(MakePoint(100, 40, 900)));  // behind the eye
}

TEST_F(FrustumExtractTest, FullExtractionHandlesAnOrthographicProjection) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, 0, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    FRUSTUM extracted;
    extracted.ExtractFrustum();
    ExpectSamePlanes(extracted, BoxFrustum(), 1e-5f);
}

// ---- Point and sphere tests ----------------------------------------------------

TEST(FrustumTests, PointsOnAPlaneAreOutside) {
    const FRUSTUM f = BoxFrustum();
    struct Case { const char* name; VECTOR3D p; bool inside; };
    const Case cases[] = {
        {"centre", MakePoint(0, 0, -50), true},
        {"just inside right", MakePoint(9.999f, 0, -50), true},
        {"on right", MakePoint(10, 0, -50), false},
        {"on near", MakePoint(0, 0, 0), false},
        {"on far", MakePoint(0, 0, -100), false},
        {"beyond top", MakePoint(0, 11, -50), false},
    };
    for (const Case& c : cases) EXPECT_EQ(f.PointInFrustum(c.p), c.inside) << c.name;
}

TEST(FrustumTests, SphereTestsOnAndAroundBoundaries) {
    const FRUSTUM f = BoxFrustum();
    struct Case {
        const char* name;
        VECTOR3D centre;
        float radius;
        float expect1;  // SphereInFrustum
        float expect2;  // SphereInFrustum2
    };
    const Case cases[] = {
        // 3 outside the left plane, 10 in front of the near plane.
        {"partly past left", MakePoint(-13, 0, -10), 4.0f, 14.0f, -3.0f},
        {"touching left from outside", MakePoint(-14, 0, -50), 4.0f, 0.0f, 0.0f},
        {"touching far from outside", MakePoint(0, 0, -102), 2.0f, 0.0f, 0.0f},
        {"just reaching in", MakePoint(-13.99f, 0, -50), 4.0f, 54.0f, -3.99f},
        {"centre on top plane", MakePoint(0, 10, -50), 2.0f, 52.0f, 0.0f},
        {"deep inside", MakePoint(0, 0, -50), 1.0f, 51.0f, 10.0f},
        {"far outside", MakePoint(500, 0, -50), 4.0f, 0.0f, 0.0f},
        {"behind the eye", MakePoint(0, 0, 5), 4.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(f.SphereInFrustum(c.centre, c.radius), c.expect1, 1e-4f) << c.name;
        EXPECT_NEAR(f.SphereInFrustum2(c.centre, c.radius), c.expect2, 1e-4f) << c.name;
    }
}

TEST(FrustumTests, SphereInFrustum2IsCappedForAHugeVolume) {
    FRUSTUM f = BoxFrustum();
    for (auto& plane : f.planes) plane[3] = 1e6f;  // every plane a million units away
    EXPECT_FLOAT_EQ(f.SphereInFrustum2(MakePoint(0, 0, 0), 1.0f), 9999.0f);
}

TEST(FrustumTests, SinglePlaneTestAndBadIndices) {
    const FRUSTUM f = BoxFrustum();
    const VECTOR3D centre = MakePoint(-13, 0, -10);  // 3 beyond the left plane
    EXPECT_TRUE(f.SphereInsideSinglePlaneFrustum(FRUSTUM::kLeft, centre, 4.0f));
    EXPECT_FALSE(f.SphereInsideSinglePlaneFrustum(FRUSTUM::kLeft, centre, 3.0f));  // touching
    EXPECT_TRUE(f.SphereInsideSinglePlaneFrustum(FRUSTUM::kRight, centre, 0.0f));
    for (int bad : {6, -1, 100, INT_MIN, INT_MAX})
        EXPECT_FALSE(f.SphereInsideSinglePlaneFrustum(bad, centre, 1e9f)) << bad;
}

TEST_F(FrustumExtractTest, PointAtEdgeLandsOnThePlaneAlongOneAxis) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.5, 1.0, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(3.0, 7.0, 20.0, 40.0, 2.0, -30.0, 0.0, 1.0, 0.0);
    FRUSTUM f;
    f.ExtractFrustum();

    const VECTOR3D p = MakePoint(12.0f, 5.0f, -4.0f);
    for (int i = 0; i < 6; ++i) {
        const VECTOR3D q = f.PointAtEdgeOfFrustum(i, p);
        EXPECT_NEAR(Dist(f, i, q), 0.0f, 1e-2f) << "plane " << i;
        // Only the axis belonging to the plane's pair moves.
        const int axis = i / 2;
        if (axis != 0) { EXPECT_EQ(q.x, p.x) << "plane " << i; }
        if (axis != 1) { EXPECT_EQ(q.y, p.y) << "plane " << i; }
        if (axis != 2) { EXPECT_EQ(q.z, p.z) << "plane " << i; }
    }
    for (int bad : {6, -1, 7, INT_MIN}) {
        const VECTOR3D q = f.PointAtEdgeOfFrustum(bad, p);
        EXPECT_TRUE(q.x == 0.0f && q.y == 0.0f && q.z == 0.0f) << bad;
    }
}

// ---- Depth read-back -----------------------------------------------------------

class OcclusionTest : public GLTest {
protected:
    // Pixel space over a size x size viewport, depth 0 at z = 0 and 1 at z = -10,
    // so a point (x, y, z) lands on pixel (x, y) with window depth -z / 10.
    void PixelView(int size) {
        glViewport(0, 0, size, size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, size, 0, size, 0, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // A depth-only square over [x0, x1) x [y0, y1) at depth z.
    void DrawSquare(float x0, float y0, float x1, float y1, float z) {
        glEnable(GL_DEPTH_TEST);
        glBegin(GL_QUADS);
        glVertex3f(x0, y0, z);
        glVertex3f(x1, y0, z);
        glVertex3f(x1, y1, z);
        glVertex3f(x0, y1, z);
        glEnd();
        glDisable(GL_DEPTH_TEST);
    }
};

TEST_F(OcclusionTest, PointBehindOrInFrontOfAQuad) {
    PixelView(kWidth);
    DrawSquare(64, 64, 192, 192, -5.0f);
    const FRUSTUM f{};
    struct Case { const char* name; VECTOR3D p; bool occluded; };
    const Case cases[] = {
        {"behind the quad", MakePoint(128.5f, 128.5f, -8.0f), true},
        {"in front of the quad", MakePoint(128.5f, 128.5f, -2.0f), false},
        {"beside the quad, nothing drawn", MakePoint(20.5f, 20.5f, -8.0f), false},
        {"just behind the quad's edge", MakePoint(64.5f, 191.5f, -6.0f), true},
    };
    for (const Case& c : cases) EXPECT_EQ(f.IsOccluded(c.p), c.occluded) << c.name;
}

TEST_F(OcclusionTest, PointOutsideTheViewportIsNotOccluded) {
    // The whole window is covered by a near surface, then the viewport shrinks to
    // its lower-left quarter: pixels outside it hold the near depth, but a point
    // projecting there is not in view and must not be judged by them.
    PixelView(kWidth);
    DrawSquare(0, 0, kWidth, kHeight, -1.0f);
    PixelView(kWidth / 2);
    const FRUSTUM f{};
    EXPECT_TRUE(f.IsOccluded(MakePoint(64.5f, 64.5f, -5.0f)));
    EXPECT_FALSE(f.IsOccluded(MakePoint(200.5f, 64.5f, -5.0f)));
    EXPECT_FALSE(f.IsOccluded(MakePoint(64.5f, 128.5f, -5.0f)));
    EXPECT_FALSE(f.IsOccluded(MakePoint(-0.5f, 64.5f, -5.0f)));  // truncation would give column 0
    EXPECT_FALSE(f.IsOccluded(MakePoint(64.5f, -3.0f, -5.0f)));
}

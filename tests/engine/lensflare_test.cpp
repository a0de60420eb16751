// The lens flare: the sun out of view, the fade, the glow against the rest, the
// elements along the axis, a hidden sun, and the state left. The elements are
// caught in GL's feedback mode under a wide orthographic view (nothing clipped),
// with the frustum of the real 45-degree view.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GLFixture.h"
#include "engine/MainClass.h"

namespace {

struct ELEMENT {
    double x = 0, y = 0;  // window coordinates of the quad's centre
    float r = 0, g = 0, b = 0, a = 0;
};

class FlareTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Perspective();
        scene.frustum.ExtractFrustum();
        CAMERA& c = scene.camera;
        c.eyeSmoothed = MakePoint(0, 0, 0);
        c.lookAtSmoothed = MakePoint(0, 0, -1);
        const MATRIX facing = MatrixAngleBetweenVectors(c.lookAtSmoothed, c.eyeSmoothed);
        const VECTOR3D unit[4] = {{1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
        for (int i = 0; i < 4; ++i) c.billboardCorners[i] = MatrixRotatePoint(facing, unit[i]);
        glGenTextures(4, c.flareTextures);
    }
    void TearDown() override {
        glDeleteTextures(4, scene.camera.flareTextures);
        for (uint32_t& name : scene.camera.flareTextures) name = 0;
        GLTest::TearDown();
    }
    static void Perspective() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45, 1, 0.5, 3000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // The flare towards `sun`, caught under a 10,000-unit orthographic view.
    std::vector<ELEMENT> Elements(VECTOR3D sun) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-5000, 5000, -5000, 5000, -5000, 5000);
        glMatrixMode(GL_MODELVIEW);
        std::vector<GLfloat> buffer(1 << 16);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        glEnable(GL_CULL_FACE);  // as the frame draws the scene: the quads must face the eye
        scene.camera.RenderLensFlare(&scene, sun);
        glDisable(GL_CULL_FACE);
        const GLint used = glRenderMode(GL_RENDER);
        Perspective();

        // Polygons of 7 floats a vertex (x, y, z, r, g, b, a); a quad may come
        // back whole or as two triangles.
        std::vector<std::vector<const GLfloat*>> polygons;
        for (GLint i = 0; i < used;) {
            if (buffer[i] != GL_POLYGON_TOKEN) { ADD_FAILURE() << "unexpected token " << buffer[i]; break; }
            const int n = static_cast<int>(buffer[i + 1]);
            std::vector<const GLfloat*> vertices;
            for (int v = 0; v < n; ++v) vertices.push_back(&buffer[i + 2 + 7 * v]);
            polygons.push_back(vertices);
            i += 2 + 7 * n;
        }
        const std::size_t perQuad = polygons.size() % 16 == 0 && !polygons.empty() ? polygons.size() / 16 : 1;
        std::vector<ELEMENT> elements;
        for (std::size_t p = 0; p + perQuad <= polygons.size(); p += perQuad) {
            ELEMENT e;
            int n = 0;
            for (std::size_t q = p; q < p + perQuad; ++q)
                for (const GLfloat* v : polygons[q]) e.x += v[0], e.y += v[1], ++n;
            e.x /= n, e.y /= n;
            const GLfloat* v = polygons[p][0];
            e.r = v[3], e.g = v[4], e.b = v[5], e.a = v[6];
            elements.push_back(e);
        }
        return elements;
    }
    // Window position of a world point under the feedback's orthographic view.
    static void Window(VECTOR3D p, double* x, double* y) {
        *x = (p.x + 5000.0) / 10000.0 * kWidth;
        *y = (p.y + 5000.0) / 10000.0 * kHeight;
    }
    // The blend function and the current colour, which the flare sets or leaves.
    static std::vector<float> BlendAndColour() {
        GLint blend[2];
        glGetIntegerv(GL_BLEND_SRC, &blend[0]);
        glGetIntegerv(GL_BLEND_DST, &blend[1]);
        std::vector<float> v{float(blend[0]), float(blend[1]), 0, 0, 0, 0};
        glGetFloatv(GL_CURRENT_COLOR, &v[2]);
        return v;
    }
    MAINCLASS scene;
};

// A point on the view axis whose nearest planes, the four sides, are `inside` away.
VECTOR3D OnAxis(double inside) {
    return MakePoint(0, 0, static_cast<float>(-inside / std::sin(22.5 * 3.141592653589793 / 180.0)));
}

TEST_F(FlareTest, ASunOutOfViewDrawsNothingAndTouchesNoState) {
    const VECTOR3D outside[] = {{0, 0, 100}, {0, 0, -4000}, {3000, 0, -100}};
    for (const VECTOR3D& sun : outside) {
        glBlendFunc(GL_ONE, GL_ZERO);
        glEnable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
        EXPECT_TRUE(Elements(sun).empty());
        EXPECT_EQ(BlendAndColour(), (std::vector<float>{GL_ONE, GL_ZERO, 0.2f, 0.3f, 0.4f, 0.5f}));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_DEPTH_TEST));
        glDisable(GL_LIGHTING);
    }
}

TEST_F(FlareTest, TheGlowTakesTheFullIntensityTheRestHalf) {
    const struct { double inside; float intensity; } cases[] = {{10, 0.5f}, {40, 1.0f}};
    for (const auto& c : cases) {
        const std::vector<ELEMENT> e = Elements(OnAxis(c.inside));
        ASSERT_EQ(e.size(), 16u) << c.inside;
        for (std::size_t i = 0; i < e.size(); ++i)
            EXPECT_NEAR(e[i].a, i < 2 ? c.intensity : c.intensity / 2, 1e-4) << c.inside << " element " << i;
        EXPECT_NEAR(e[0].r, 0.6, 1e-6);
        EXPECT_NEAR(e[0].b, 0.8, 1e-6);
        EXPECT_NEAR(e[15].g, 0.1, 1e-6);
        // On the view axis the chain has no direction: every element is on the sun.
        for (const ELEMENT& el : e) EXPECT_TRUE(std::fabs(el.x - kWidth / 2.0) < 1e-3 && std::fabs(el.y - kHeight / 2.0) < 1e-3);
    }
}

TEST_F(FlareTest, TheChainRunsFromTheSunThroughTheCentreOfTheView) {
    const VECTOR3D sun = MakePoint(300, 200, -1000);
    const std::vector<ELEMENT> e = Elements(sun);
    ASSERT_EQ(e.size(), 16u);
    // centre: on the view axis as far from the eye as the sun.
    const VECTOR3D centre = MakePoint(0, 0, -static_cast<float>(VectorLength(sun)));
    const float k[16] = {0, 0, 0, 0.1f, 0.15f, 0.175f, 0.285f, 0.2755f, 0.4775f, 0.49f, 0.65f, 0.63f, 0.8f, 0.7825f, 1.0f, 0.975f};
    for (int i = 0; i < 16; ++i) {
        // Along the line: k = 0.5 is the centre, k = 1 the sun mirrored through it.
        const VECTOR3D at = AddVectors(sun, ScaleVector(SubtractVectors(centre, sun), 2.0 * k[i]));
        double x, y;
        Window(at, &x, &y);
        EXPECT_NEAR(e[i].x, x, 0.01) << i;
        EXPECT_NEAR(e[i].y, y, 0.01) << i;
    }
}

TEST_F(FlareTest, AHiddenSunDrawsNoElementButStateIsRestored) {
    const VECTOR3D sun = MakePoint(50, 30, -1000);
    for (const bool hidden : {true, false}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glColor3f(0.2f, 0.2f, 0.2f);
        const float z = hidden ? -20.0f : -2000.0f;  // in front of the sun, or behind it
        glBegin(GL_QUADS);
        glVertex3f(-2 * z, -2 * z, z);
        glVertex3f(2 * z, -2 * z, z);
        glVertex3f(2 * z, 2 * z, z);
        glVertex3f(-2 * z, 2 * z, z);
        glEnd();
        std::vector<uint8_t> before(kWidth * kHeight * 4), after(before.size());
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, before.data());

        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glDisable(GL_FOG);
        scene.camera.RenderLensFlare(&scene, sun);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, after.data());
        EXPECT_EQ(before == after, hidden) << (hidden ? "drawn over the sun's cover" : "not drawn in the open");

        EXPECT_EQ(BlendAndColour(), (std::vector<float>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 1, 1, 1, 1})) << hidden;
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_FOG) &&
                    glIsEnabled(GL_LIGHTING)) << hidden;
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
    }
}

}  // namespace

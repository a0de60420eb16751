// The scene: setting up its parts in order, and drawing them in order.
//
// The sky dome is a model ("s.kst") scaled by 30 and compiled, with its two
// textures, into one display list that turns fog and lighting off for the dome
// and back on after it: the sky is painted as it should look, not shaded by the
// sun or greyed by the fog. It is drawn after the ground (see Draw), and
// nothing the scene draws lies behind it but the ground beyond its rim, which
// it hides in either order. The dome, 1,500 units from the origin, lies inside
// the far plane (3,000) for any eye within 1,500 units of the origin.
//
// The sun is placed once, at 1000 units from the origin turned by three random
// angles, and lifted to at least 200 units above the ground so that it always
// shines from above the horizon.
#include "engine/MainClass.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "assets/Texture.h"
#include "models/MilkshapeModel.h"

namespace {
constexpr std::size_t kPathSize = 1024;  // bytes, like every resource path buffer
}  // namespace

MAINCLASS::~MAINCLASS() { Cleanup(); }

bool MAINCLASS::Setup(const SETTINGS* settings, const Texture* mainTextures, const char* path) {
    if (!settings || !mainTextures || !path) return false;
    for (int i = 0; i < 4; ++i) camera.flareTextures[i] = mainTextures[kFirstFlareTexture + i].textureName;

    ground = std::make_unique<ONEBG>();
    if (!ground->Setup(path)) return false;

    herd = std::make_unique<CAMELCONTROL>();
    if (!herd->Setup(static_cast<int32_t>(settings->NUM_CAMELS), path)) return false;

    if (!SetupSky(path)) return false;
    const int r1 = std::rand();
    const int r2 = std::rand();
    const int r3 = std::rand();
    sunPosition = SunFromDraws(r1, r2, r3);
    return true;
}

bool MAINCLASS::SetupSky(const char* path) {
    char file[kPathSize];
    const int length = std::snprintf(file, sizeof file, "%ss.kst", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof file) return false;

    auto model = std::make_unique<MS3D>();
    if (!LoadModel(file, model.get(), &skyTextures, &skyTextureCount)) return false;
    // The dome is drawn as two groups with a texture each.
    if (model->numGroups < 2 || skyTextureCount < 2) return false;
    model->Scale(kSkyScale);

    skyList = glGenLists(1);
    if (skyList == 0) return false;
    glNewList(skyList, GL_COMPILE);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, skyTextures[0].textureName);
    model->DrawGroup(0);
    glBindTexture(GL_TEXTURE_2D, skyTextures[1].textureName);
    model->DrawGroup(1);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    glEndList();
    return true;
}

VECTOR3D MAINCLASS::SunFromDraws(int r1, int r2, int r3) {
    VECTOR3D sun = MakePoint(0.0f, 0.0f, kSunDistance);
    Rotate(&sun, static_cast<float>(r3 % 360), static_cast<float>(r2 % 360), static_cast<float>(r1 % 360));
    const float height = std::fabs(sun.y);
    sun.y = height > kLowestSun ? height : kLowestSun;
    return sun;
}

void MAINCLASS::Move(double seconds) {
    if (herd) herd->Move(ground.get(), seconds);
}

void MAINCLASS::Draw() {
    if (ground) ground->Draw(frustum);  // only the pieces in view
    if (skyList != 0) {
        // Behind the ground, so it fills only what the ground left: drawn
        // after it, under GL_LESS, it gives each pixel what drawing it first
        // gave (where the two tie, the ground won then under GL_LEQUAL and
        // keeps its pixel now), and a software renderer shades most of the
        // screen once instead of twice.
        GLint depthFunc = GL_LEQUAL;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        glDepthFunc(GL_LESS);
        glCallList(skyList);
        glDepthFunc(static_cast<GLenum>(depthFunc));
    }
    // The camels blend their edges over what lies behind them, sky included,
    // and the flare reads back the depth of everything else.
    if (herd) herd->Draw(this);
    camera.RenderLensFlare(this, sunPosition);
}

void MAINCLASS::Cleanup() {
    if (ground) {
        ground->Cleanup();
        ground.reset();
    }
    if (herd) {
        herd->Cleanup();
        herd.reset();
    }
    // The flare's names belong to the frame driver's table, which deletes them
    // again right after; each is deleted once here and forgotten, so a second
    // Cleanup cannot delete a name GL has since handed to someone else.
    glDeleteTextures(4, camera.flareTextures);  // 0, as before any Setup, is ignored
    for (uint32_t& name : camera.flareTextures) name = 0;
    delete[] skyTextures;  // each record deletes its GL texture
    skyTextures = nullptr;
    skyTextureCount = 0;
    if (skyList != 0) {
        glDeleteLists(skyList, 1);
        skyList = 0;
    }
}

// The frame driver: fixed GL state, the main texture table, the scene, and the
// order of each frame.
#include "engine/SSMain.h"
#include "engine/SceneState.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "assets/Texture.h"

namespace {

// Writes folder, then '/' unless folder already ends with one, then file, into
// buffer. False (buffer unspecified) when the result would not fit or the
// folder is empty: an empty folder would turn into the file system's root.
bool JoinResourcePath(char* buffer, std::size_t size, const char* folder, const char* file) {
    if (!folder || folder[0] == '\0') return false;
    const std::size_t folderLength = std::strlen(folder);
    const bool slash = folder[folderLength - 1] != '/';
    const std::size_t fileLength = std::strlen(file);
    if (folderLength + (slash ? 1 : 0) + fileLength >= size) return false;
    char* end = buffer;
    std::memcpy(end, folder, folderLength);
    end += folderLength;
    if (slash) *end++ = '/';
    std::memcpy(end, file, fileLength + 1);  // with its terminator
    return true;
}

}  // namespace

SSMAIN::SSMAIN() : bannerPos(Make2DPoint(static_cast<float>(width - 256), -35.0f)) {}

SSMAIN::~SSMAIN() { Cleanup(); }

bool SSMAIN::Setup(bool isPreview, int32_t viewWidth, int32_t viewHeight, const SETTINGS* settings,
                   const char* resourcePath) {
    preview = isPreview;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // blending itself stays off

    sceneReady = false;
    if (scene) scene->Cleanup();
    scene = std::make_unique<MAINCLASS>();
    ReleaseTextures();

    char path[kPathSize];
    if (!JoinResourcePath(path, sizeof path, resourcePath, "kestrel.workshops")) return false;
    if (!LoadTexturesFromDataFile(path, &textures, &textureCount)) return false;
    if (textureCount < kMinTextures) return false;

    width = viewWidth;
    height = viewHeight;
    SetSceneLight();
    SetSceneFog();

    if (!JoinResourcePath(path, sizeof path, resourcePath, "")) return false;
    sceneReady = scene->Setup(settings, textures, path);
    return sceneReady;
}

void SSMAIN::SetSize(int32_t viewWidth, int32_t viewHeight) {
    width = viewWidth;
    height = viewHeight;
}

void SSMAIN::Update(double seconds) {
    frameTime = seconds;
    elapsedTime += seconds;
}

void SSMAIN::Draw() {
    if (!scene || !sceneReady) return;

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_FOG);
    ReshapeAndZoom(scene->camera.zoom);  // the zoom the camera left last frame
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    scene->Move(frameTime);
    scene->camera.Move(scene.get(), static_cast<float>(frameTime));  // the view, onto the identity

    const GLfloat sun[] = {scene->sunPosition.x, scene->sunPosition.y, scene->sunPosition.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);  // after the view: a world position
    scene->frustum.ExtractFrustumFaster();

    glEnable(GL_CULL_FACE);
    glPushMatrix();
    scene->Draw();
    glPopMatrix();

    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    if (!preview) DoOverlay();
}

void SSMAIN::ReshapeAndZoom(float zoom) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // An empty drawable (a minimised window) has no aspect: a zero height would
    // make it infinite, a zero width 0, which gluPerspective ignores, leaving no
    // perspective at all. Either way the projection is made square.
    const bool empty = width <= 0 || height <= 0;
    const float aspect = empty ? 1.0f : static_cast<float>(width) / static_cast<float>(height);
    gluPerspective(45.0 * zoom, aspect, 0.5, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SSMAIN::ReleaseTextures() {
    delete[] textures;  // each record deletes its GL texture
    textures = nullptr;
}

void SSMAIN::Cleanup() {
    sceneReady = false;
    if (scene) {
        scene->Cleanup();
        scene.reset();
    }
    ReleaseTextures();  // textureCount keeps its value
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
}

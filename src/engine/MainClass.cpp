#include "engine/MainClass.h"

#include <GL/gl.h>

#include "assets/Texture.h"

MAINCLASS::~MAINCLASS() { Cleanup(); }

bool MAINCLASS::Setup(const SETTINGS* settings, const Texture* mainTextures, const char* path) {
    if (!settings || !mainTextures || !path) return false;

    ground = std::make_unique<ONEBG>();
    if (!ground->Setup(path)) return false;

    // The herd, the sky and the camera with its lens flare come next; without
    // them the scene is incomplete and must not be drawn.
    return false;
}

void MAINCLASS::Draw() {
    if (skyList != 0) glCallList(skyList);
    if (ground) ground->Draw();
}

void MAINCLASS::Cleanup() {
    if (ground) {
        ground->Cleanup();
        ground.reset();
    }
    delete[] skyTextures;
    skyTextures = nullptr;
    skyTextureCount = 0;
    if (skyList != 0) {
        glDeleteLists(skyList, 1);
        skyList = 0;
    }
}

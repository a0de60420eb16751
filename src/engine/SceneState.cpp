// The fixed light and fog the desert is drawn under, set once by the frame
// driver (and by the review renderer, so its pictures match the saver's).
#include "engine/SceneState.h"

#include <GL/gl.h>

void SetSceneLight() {
    const GLfloat ambient[] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat specular[] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat position[] = {5.0f, 5.0f, 5.0f, 1.0f};  // replaced every frame by the sun
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glCullFace(GL_BACK);  // culling itself is switched on per frame
}

void SetSceneFog() {
    const GLfloat colour[] = {0.7f, 0.7f, 0.7f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, colour);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, 20.0f);
    glFogf(GL_FOG_END, 1750.0f);  // world units; fog is switched on per frame
}


void SetViewState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

#include "Film.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "engine/SSMain.h"

void HostGLState(int width, int height) {
    glViewport(0, 0, width, height);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

bool RunFilm(const FILMSETTINGS& film, const FILMSNAPSHOT& snapshot, const FILMFRAME& everyFrame) {
    HostGLState(film.width, film.height);
    std::srand(film.seed);
    SETTINGS settings;
    settings.NUM_CAMELS = film.camels;
    settings.PLAYSOUND = false;
    SSMAIN driver;
    if (!driver.Setup(film.preview, film.width, film.height, &settings, film.resourceDir.c_str())) return false;

    // Whole frames between snapshots, so the schedule does not drift with the
    // rounding of a running sum.
    const long framesPerSnapshot = std::lround(film.every / film.step) > 0 ? std::lround(film.every / film.step) : 1;
    const long frames = std::lround(film.duration / film.step);
    for (long frame = 1; frame <= frames; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        driver.Update(film.step);
        driver.Draw();
        if (everyFrame) everyFrame(driver);
        if (frame % framesPerSnapshot == 0)
            snapshot(static_cast<int>(frame / framesPerSnapshot), driver.elapsedTime, driver);
    }
    return true;
}

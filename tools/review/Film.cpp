#include "Film.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "engine/SSMain.h"
#include "engine/SceneState.h"

bool RunFilm(const FILMSETTINGS& film, const FILMSNAPSHOT& snapshot, const FILMFRAME& everyFrame) {
    // Films start from the state the view sets before its frame driver exists.
    glViewport(0, 0, film.width, film.height);
    SetViewState();
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

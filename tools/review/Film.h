// Film: the whole saver run headless, frame by frame, for people to watch.
//
// A film is the frame driver (SSMAIN) driven as the host drives it, from the
// host's OpenGL state and then clear, Update, Draw for every frame, but with a
// fixed time step and a seeded random generator, so
// the same settings always give the same frames. Every `every` seconds of
// simulated time the caller gets the finished frame to save or inspect.
#pragma once

#include <functional>
#include <string>

class SSMAIN;

struct FILMSETTINGS {
    std::string resourceDir;  // the folder with kestrel.workshops and the models
    unsigned seed = 1;        // handed to srand before the driver is made
    double step = 1.0 / 30.0; // seconds per frame
    double every = 2.0;       // seconds of simulated time between snapshots
    double duration = 180.0;  // seconds of simulated time in all
    int width = 640;          // pixels; the current GL drawable must be at least this big
    int height = 360;
    int camels = 10;
    bool preview = false;     // the preview has no 2D layer
};

// Called after the frame that completes each `every` seconds, with the frame
// still in the back buffer. `index` counts snapshots from 1.
using FILMSNAPSHOT = std::function<void(int index, double seconds, const SSMAIN& driver)>;

// Called after every frame, for checks that must not miss a frame.
using FILMFRAME = std::function<void(const SSMAIN& driver)>;

// Runs the film in the current GL context. False when the driver's Setup fails
// (nothing is then handed to `snapshot`).
bool RunFilm(const FILMSETTINGS& settings, const FILMSNAPSHOT& snapshot, const FILMFRAME& everyFrame = {});

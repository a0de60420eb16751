// The trace: one JSON object per drawn frame (JSON Lines), with the system's
// own names, so a developer or a test can follow what the director, the herd
// and the 2D layer decide, frame by frame.
//
//   {"view":0,"frame":12,"t":0.4,"dt":0.0333,
//    "camera":{...},"sun":[x,y,z],"camels":[{...}],"overlay":{...}}
//
// `t` is the frame driver's elapsedTime and `dt` its frameTime (seconds);
// vectors are [x, y, z] (or [x, y]) arrays; a value that is not finite is written null.
// `camera` carries the director's mode, look, timers, eye, look-at, zoom and
// follow rate; `camels` one object per camel, leader first (position,
// direction, destination, action, zone, routeIndex, speedFactor).
// `camera`, `sun` and `camels` are null, null and [] while the view has no scene.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class SSMAIN;

// One line for frame `frame` (1 for the first drawn frame) of view `view`.
std::string TraceLine(int view, uint64_t frame, const SSMAIN& driver);

class TRACEWRITER {
public:
    TRACEWRITER() = default;
    ~TRACEWRITER();
    TRACEWRITER(const TRACEWRITER&) = delete;
    TRACEWRITER& operator=(const TRACEWRITER&) = delete;

    // Truncates or creates `path`; keeps every `every`th drawn frame, the first
    // one included. False with the reason on standard error when it cannot.
    bool Open(const std::string& path, int every);
    bool IsOpen() const { return file != nullptr; }
    // Frame `frame` of view `view` was just drawn.
    void Frame(int view, uint64_t frame, const SSMAIN& driver);

private:
    std::FILE* file = nullptr;
    int every = 1;
};

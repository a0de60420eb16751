// Misc: error reporting and debugging aids.
//
// Two functions are on the running system's paths: MessageBox, the modal alert the
// TGA decoder raises once per failure, and ERRORCLOSE, the hook the model loaders
// call with a message on a fatal error (it takes no action; the caller decides).
// The rest are aids for developers that nothing in the saver calls.
//
// MessageBox never includes a platform header: the host installs a handler (an SDL
// message box when a person is at the screen). With no handler the alert goes to
// standard error, so headless runs and tests never block on an invisible dialog.
// Every alert is also kept in a small log that tests read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maths/NiftyMaths.h"

// ---- Alerts -----------------------------------------------------------------

using AlertHandler = void (*)(const char* title, const char* text);

// Shows a modal alert with the title, the text and one "OK" button. owner and
// flags are accepted for the callers' sake and ignored.
void MessageBox(void* owner, const char* text, const char* title, int flags);

// Installs the host's alert handler; nullptr restores standard error. Returns the
// handler it replaces.
AlertHandler SetAlertHandler(AlertHandler handler);

struct Alert {
    std::string title;
    std::string text;
};
// The alerts raised since the last ClearAlerts, oldest first. The log keeps the
// most recent kMaxKeptAlerts so a long run cannot grow it without bound.
constexpr std::size_t kMaxKeptAlerts = 256;
std::vector<Alert> RaisedAlerts();
void ClearAlerts();

// The model loaders' error hook, and its twin: no action.
void ERRORCLOSE(const char* message);
void ERRORBOX(const char* message);

// ---- Frame rate -------------------------------------------------------------

extern int32_t fCount;         // frames counted by whoever samples the rate
extern double frameRate;       // frames per second at the last sample
extern double lastcountTime;   // seconds, time of the last sample
extern int32_t lastcountFrame; // fCount at the last sample

// Samples the frame rate at most every 0.25 s; ignores times below 0.25 s.
void CalcFrameRate(double now);

// ---- Debug log --------------------------------------------------------------
// Each call appends one line to the per-user debug log,
// $XDG_STATE_HOME/sandmere/debug.txt (~/.local/state when the variable is unset).
// When the file cannot be opened nothing is written and the call returns quietly.

std::string DebugLogPath();
void DEBUGp3d(VECTOR3D v);       // "%f,%f,%f\n"
void DEBUGstr(const char* text); // "%s\n"
void DEBUG(double value);        // "%f\n"

// Appends m to "test.txt" in the current directory: an empty line, then four
// lines of four elements in storage order, each written "%4.5f ".
void SaveMatrix(MATRIX m);

// ---- Environment ------------------------------------------------------------

// Whether the current OpenGL context lists name as a whole extension token.
// False for an empty name, a name with a space, or no current context.
bool isExtensionSupported(const char* name);
// The token search behind it, over a space-separated list (null: false).
bool ExtensionInList(const char* extensions, const char* name);

// The local time of day.
void Clock(int32_t* hours, int32_t* minutes, int32_t* seconds);

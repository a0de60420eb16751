// What a SandmereView needs from the desktop it runs on.
//
// The view's logic (the order of set-up, frame pacing, the main-screen rule, the
// sound countdown) knows no windowing system. Everything it asks of the platform
// goes through VIEWHOST: the clock, the OpenGL surface (create, make current,
// present), which screen the view is on, and the sound
// player. The Linux host implements it on SDL 2 and SDL_mixer (SdlViewHost.h);
// the tests implement it on their own GL context with a clock they step by hand.
#pragma once

#include <memory>
#include <string>

// A size in pixels; doubles, as the view keeps them.
struct VIEWSIZE {
    double width = 0.0;
    double height = 0.0;
};

// A looping sound. The view creates one player at most and drives it.
class SOUNDPLAYER {
public:
    virtual ~SOUNDPLAYER() = default;
    // Starts looping from the beginning at `volume` (0..128, the mixer's scale),
    // the volume set before the first sample plays. No effect while playing.
    virtual void Play(int volume) = 0;
    // Changes the volume of a playing sound.
    virtual void SetVolume(int volume) = 0;
    // Stops; Play starts it again.
    virtual void Halt() = 0;
    virtual bool IsPlaying() const = 0;
};

class VIEWHOST {
public:
    virtual ~VIEWHOST() = default;

    // Seconds on a monotonic clock; only differences are used.
    virtual double Now() = 0;
    // Creates the view's OpenGL surface: double-buffered, 32-bit colour, at
    // least a 16-bit depth buffer. False when the platform cannot make one.
    virtual bool CreateGLView() = 0;
    // Makes the view's context current; false when the drawable is gone.
    virtual bool MakeCurrent() = 0;
    // Presents the back buffer.
    virtual void Present() = 0;
    // Whether the view is on the main screen (the only one that may play sound,
    // and the only one that draws when the user asks for the main one only).
    virtual bool OnMainScreen() = 0;
    // The seed of the C library's generator for this view's set-up.
    virtual unsigned int Seed() = 0;
    // Opens the sound output early, so that a countdown starts from a device
    // already running (called when the view may play sound).
    virtual void PrepareSound() = 0;
    // A player for the file at `path`; null when the file cannot be read or
    // there is no sound output.
    virtual std::unique_ptr<SOUNDPLAYER> CreateSound(const std::string& path) = 0;
};

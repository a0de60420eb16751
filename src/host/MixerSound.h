// The background sound on SDL_mixer: one process-wide output, and a looping
// player per sound file.
//
// The output is opened once (44.1 kHz, 16-bit stereo) and stays open until the
// process closes it; opening it early means the time before the first sound is
// real silence on the device, not a late start. No audio device means no
// output: every player then fails to load and the saver stays silent.
#pragma once

#include <SDL_mixer.h>

#include <memory>
#include <string>

#include "host/ViewHost.h"

// Opens the output if it is not open yet. False (with one line on standard
// error the first time) when there is no audio device.
bool OpenSoundOutput();
// Closes the output; players must be gone. Closing waits for the audio
// thread to finish its buffer (tens of milliseconds).
void CloseSoundOutput();
// Silences the output at once and leaves it for the process's end to close:
// how a host that must end within 100 ms of a signal lets go of it.
void PauseSoundOutput();

class MIXERSOUND : public SOUNDPLAYER {
public:
    // Null when the output is not open or the file cannot be decoded.
    static std::unique_ptr<MIXERSOUND> Load(const std::string& path);
    ~MIXERSOUND() override;

    void Play(int volume) override;
    void SetVolume(int volume) override;
    void Halt() override;
    bool IsPlaying() const override;

private:
    explicit MIXERSOUND(Mix_Chunk* loaded) : chunk(loaded) {}
    Mix_Chunk* chunk;  // owned (Mix_FreeChunk)
    int channel = -1;  // the mixer channel playing it; -1 while halted
};

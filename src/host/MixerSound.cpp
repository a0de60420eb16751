#include "host/MixerSound.h"

#include <SDL.h>

#include <cstdio>

namespace {

enum class Output { Closed, Open, Failed };
Output g_output = Output::Closed;

}  // namespace

bool OpenSoundOutput() {
    if (g_output == Output::Open) return true;
    if (g_output == Output::Failed) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        std::fprintf(stderr, "sandmere: no sound output: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_output = Output::Failed;
        return false;
    }
    g_output = Output::Open;
    return true;
}

void CloseSoundOutput() {
    if (g_output == Output::Open) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    g_output = Output::Closed;
}

void PauseSoundOutput() {
    if (g_output == Output::Open) {
        Mix_HaltChannel(-1);
        Mix_Pause(-1);
        SDL_PauseAudio(1);
    }
}

std::unique_ptr<MIXERSOUND> MIXERSOUND::Load(const std::string& path) {
    if (!OpenSoundOutput()) return nullptr;
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) {
        std::fprintf(stderr, "sandmere: cannot play %s: %s\n", path.c_str(), Mix_GetError());
        return nullptr;
    }
    return std::unique_ptr<MIXERSOUND>(new MIXERSOUND(chunk));
}

MIXERSOUND::~MIXERSOUND() {
    Halt();
    Mix_FreeChunk(chunk);
}

void MIXERSOUND::Play(int volume) {
    if (IsPlaying()) return;
    Mix_VolumeChunk(chunk, volume);  // before the first sample is mixed
    channel = Mix_PlayChannel(-1, chunk, -1);
}

void MIXERSOUND::SetVolume(int volume) { Mix_VolumeChunk(chunk, volume); }

void MIXERSOUND::Halt() {
    if (channel >= 0) Mix_HaltChannel(channel);
    channel = -1;
}

bool MIXERSOUND::IsPlaying() const {
    return channel >= 0 && Mix_Playing(channel) && Mix_GetChunk(channel) == chunk;
}

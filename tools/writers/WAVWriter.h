// WAVWriter: encodes 16-bit PCM samples as a canonical RIFF/WAVE file: a
// "fmt " chunk of 16 bytes (format 1, PCM) and one "data" chunk.
#pragma once

#include <cstdint>
#include <vector>

// interleaved holds frames of `channels` samples each (L, R, L, R, ... for
// stereo). Empty when channels is not 1..8, sampleRate is not positive, the
// sample count is not a whole number of frames, or the file would pass 4 GiB.
std::vector<uint8_t> EncodeWAV(const std::vector<int16_t>& interleaved, int channels, int sampleRate);

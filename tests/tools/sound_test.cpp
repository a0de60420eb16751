// The background sound: its format, its level, its gusts, and above all that
// it loops without a click, since the player repeats it forever.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Generators.h"
#include "TestFiles.h"

namespace {

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
    std::size_t Frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    int At(std::size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

// The generated sound, read back with SDL's WAV loader.
const Sound& Generated() {
    static const Sound sound = [] {
        Sound s;
        testfiles::TempDir folder;
        const std::string path = folder.File("kestrel.wav");
        SDL_AudioSpec format{};
        Uint8* buffer = nullptr;
        Uint32 length = 0;
        if (!GenerateSound(path) || !SDL_LoadWAV(path.c_str(), &format, &buffer, &length)) return s;
        if (format.format == AUDIO_S16LSB) {
            s.rate = format.freq;
            s.channels = format.channels;
            s.samples.resize(length / 2);
            std::memcpy(s.samples.data(), buffer, s.samples.size() * 2);
        }
        SDL_FreeWAV(buffer);
        return s;
    }();
    return sound;
}

double Decibels(double amplitude) { return 20.0 * std::log10(amplitude / 32768.0); }

double RMS(const Sound& s, int channel, std::size_t first, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = first; i < first + count; ++i) sum += static_cast<double>(s.At(i, channel)) * s.At(i, channel);
    return std::sqrt(sum / static_cast<double>(count));
}

TEST(Sound, FormatLengthAndLevelSuitTheLoopingPlayer) {
    const Sound& s = Generated();
    ASSERT_FALSE(s.samples.empty()) << "the sound was not generated or SDL cannot read it as 16-bit PCM";
    EXPECT_EQ(s.rate, 44100);
    EXPECT_TRUE(s.channels == 1 || s.channels == 2);
    const double seconds = static_cast<double>(s.Frames()) / s.rate;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 40.0);

    // Quiet in the background, yet gusting.
    int peak = 0;
    double sum = 0.0;
    for (int16_t v : s.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
        sum += static_cast<double>(v) * v;
    }
    const double rms = std::sqrt(sum / static_cast<double>(s.samples.size()));
    EXPECT_LE(Decibels(peak), -12.0);
    EXPECT_GE(Decibels(rms), -36.0);
    EXPECT_LE(Decibels(rms), -24.0);

    // Gusts: the level of whole seconds rises and falls by several decibels.
    double quietest = 1e9, loudest = 0.0;
    for (std::size_t second = 0; second + 1 <= s.Frames() / s.rate; ++second) {
        double level = RMS(s, 0, second * s.rate, static_cast<std::size_t>(s.rate));
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    EXPECT_GE(Decibels(loudest) - Decibels(quietest), 6.0);
}

TEST(Sound, EndRunsIntoTheStartWithoutAStep) {
    const Sound& s = Generated();
    ASSERT_FALSE(s.samples.empty());
    const std::size_t frames = s.Frames();
    for (int c = 0; c < s.channels; ++c) {
        SCOPED_TRACE(c);
        // The step from the last sample to the first is an ordinary step.
        std::vector<int> steps;
        steps.reserve(frames);
        for (std::size_t i = 1; i < frames; ++i) steps.push_back(std::abs(s.At(i, c) - s.At(i - 1, c)));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
        const int usual = steps[steps.size() * 999 / 1000];
        EXPECT_LE(std::abs(s.At(0, c) - s.At(frames - 1, c)), usual);
        // Continuing across the join, the waveform keeps its direction: the slope
        // just before it predicts the first sample about as well as anywhere.
        const int predicted = 2 * s.At(frames - 1, c) - s.At(frames - 2, c);
        EXPECT_LE(std::abs(s.At(0, c) - predicted), 2 * usual);
        // And no jump in level: the tenth of a second on either side match.
        const std::size_t tenth = static_cast<std::size_t>(s.rate) / 10;
        EXPECT_NEAR(Decibels(RMS(s, c, frames - tenth, tenth)), Decibels(RMS(s, c, 0, tenth)), 3.0);
    }
}

}  // namespace

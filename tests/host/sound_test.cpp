// The background sound through SDL's "disk" audio driver, which writes what
// would be played to a file in real time: silence until the countdown ends,
// then the loop at VOLUME / 255 of its full scale from the very first sample;
// no device at all means silence and drawing goes on. (That the preview asks
// for no sound is held in view_test, with the other screen rules.)
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "GLFixture.h"
#include "TestFiles.h"
#include "TestViewHost.h"
#include "host/MixerSound.h"
#include "host/SandmereView.h"

namespace {

using testfiles::TempDir;

constexpr int kRate = 44100;     // frames per second; the output is 16-bit stereo
constexpr double kStart = 50.0;  // the view's clock at its first tick

// The test host with the real sound output in place of the recording player.
class MIXERTESTHOST : public TESTVIEWHOST {
public:
    void PrepareSound() override { OpenSoundOutput(); }
    std::unique_ptr<SOUNDPLAYER> CreateSound(const std::string& path) override {
        ++sound.asked;
        return MIXERSOUND::Load(path);
    }
};

class SoundTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        // Only the sound in the folder: the frame driver's set-up fails at once.
        std::filesystem::create_symlink(SANDMERE_TEST_RESOURCE_DIR "/kestrel.wav", resources.File("kestrel.wav"));
        output = scratch.File("out.raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    }
    void TearDown() override {
        CloseSoundOutput();
        unsetenv("SDL_AUDIODRIVER");
        GLTest::TearDown();
    }

    // Starts a view, waits `silence` of real time, runs its clock past the
    // countdown, lets it play for `playing`, and returns what was written.
    std::vector<int16_t> Run(int32_t volume, double silence, double playing) {
        SETTINGOVERRIDES o;
        o.value[kVolume] = volume;
        {
            SandmereView view(host, resources.path(), o);
            EXPECT_TRUE(view.initWithFrame({0, 0, kWidth, kHeight}, false));
            view.startAnimation();
            Sleep(silence);
            for (int i = 0; i <= 3; ++i) {  // the third gap ends the countdown
                host.now = kStart + 0.04 * i;
                view.animateOneFrame();
            }
            Sleep(playing);  // the first ticks of sound are what the start made
            host.now = kStart + 0.16;
            view.animateOneFrame();
        }
        CloseSoundOutput();  // flushes the file
        const testfiles::Bytes bytes = testfiles::ReadBytes(output);
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }
    static void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

    TempDir resources, scratch;
    std::string output;
    MIXERTESTHOST host;
};

TEST_F(SoundTest, SilenceUntilTheCountdownThenTheLoopAtVolumeOver255) {
    for (const int32_t volume : {100, 255}) {
        SCOPED_TRACE(volume);
        const std::vector<int16_t> played = Run(volume, 0.25, 0.3);
        std::size_t onset = 0;
        while (onset < played.size() && played[onset] == 0) ++onset;
        ASSERT_LT(onset, played.size()) << "nothing was played";
        EXPECT_GT(onset, static_cast<std::size_t>(0.15 * kRate * 2)) << "the silence before the countdown ended";
        const std::size_t heard = played.size() - onset;
        EXPECT_GT(heard, static_cast<std::size_t>(0.1 * kRate * 2));

        // The same file as the mixer holds it (already in the output's format),
        // scaled as the mixer scales: sample * volume / 128.
        ASSERT_TRUE(OpenSoundOutput());
        Mix_Chunk* original = Mix_LoadWAV(SANDMERE_TEST_RESOURCE_DIR "/kestrel.wav");
        ASSERT_NE(original, nullptr);
        const auto* source = reinterpret_cast<const int16_t*>(original->abuf);
        const int mixer = MixerVolume(volume);
        // The first non-zero sample may be one that the scaled file has too.
        std::size_t start = 0;
        while (start < original->alen / 2 && source[start] * mixer / 128 == 0) ++start;
        int worst = 0;
        int64_t louder = 0;
        for (std::size_t i = 0; i < heard && start + i < original->alen / 2; ++i) {
            const int expected = source[start + i] * mixer / 128;
            worst = std::max(worst, std::abs(played[onset + i] - expected));
            louder += std::abs(played[onset + i]) > std::abs(source[start + i]) ? 1 : 0;
        }
        Mix_FreeChunk(original);
        CloseSoundOutput();
        EXPECT_LE(worst, 1) << "every sample at " << mixer << "/128, from the first on";
        EXPECT_EQ(louder, 0);
    }
}

TEST_F(SoundTest, NoDeviceIsSilenceAndDrawingGoesOn) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SandmereView view(host, resources.path());
    ASSERT_TRUE(view.initWithFrame({0, 0, kWidth, kHeight}, false));
    view.startAnimation();
    for (int i = 0; i <= 10; ++i) {
        host.now = kStart + 0.04 * i;
        view.animateOneFrame();
    }
    EXPECT_EQ(host.sound.asked, 1);
    EXPECT_EQ(view.bgSound, nullptr);
    EXPECT_GT(view.soundDelay, 9990.0f);
    EXPECT_EQ(view.framesDrawn(), 10u);
}

}  // namespace

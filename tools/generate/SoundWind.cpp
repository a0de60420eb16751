// Generator of kestrel.wav: desert wind with slow gusts, a seamless loop.
//
// The sound is built so that it is periodic by construction: the loop is L
// samples long and every ingredient repeats exactly after L samples.
//   - The noise that feeds everything is a fixed table of L random values per
//     channel (a fixed seed), read round and round.
//   - The gust envelope is a sum of slow sines, each with a whole number of
//     cycles per loop (one cycle in 30 s down to seven), with random phases.
//   - The filters are time-varying state-variable filters whose cutoffs follow
//     the envelope. A filter's output depends on its state, so the signal is
//     computed for two laps and only the second is kept: by then every filter
//     has forgotten its silent start (they settle in milliseconds), and the
//     state at the end of the lap is the state at its start. The end of the
//     file therefore runs into its beginning without a step.
// Layers: a low rumble of lowpassed noise that swells and brightens with each
// gust; a breathy band around 1 kHz; a faint resonant whistle that sings only
// in the strongest gusts; a trace of sand hiss. Each channel has its own noise
// and its envelope a fraction of a second behind the other, so the wind moves
// a little between the speakers.
// Level: the mix is set to about -30 dBFS RMS and peaks are rounded off by a
// soft limiter below -12 dBFS, so the wind stays in the background.
#include <cmath>
#include <cstdio>
#include <vector>

#include "Generators.h"
#include "Registry.h"
#include "writers/ContainerWriter.h"
#include "writers/WAVWriter.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kSeconds = 30;
constexpr int kLoop = kSampleRate * kSeconds;  // samples per channel
constexpr int kChannels = 2;
constexpr int kControlStep = 32;               // samples between filter-coefficient updates
constexpr double kPi = 3.14159265358979323846;
constexpr double kTargetRMS = 0.0316;          // -30 dBFS
constexpr double kPeakLimit = 0.25;            // -12 dBFS

// PCG32: a small generator with a fixed seed, the same on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    double Uniform() {  // -1..1
        uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        uint32_t x = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        uint32_t rot = static_cast<uint32_t>(old >> 59u);
        uint32_t v = (x >> rot) | (x << ((32u - rot) & 31u));
        return static_cast<double>(v) / 2147483648.0 - 1.0;
    }

private:
    uint64_t state_;
};

// Topology-preserving state-variable filter: stays stable while its cutoff moves.
class SVF {
public:
    void Set(double cutoff, double q) {
        double g = std::tan(kPi * cutoff / kSampleRate);
        k_ = 1.0 / q;
        a1_ = 1.0 / (1.0 + g * (g + k_));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    // Runs one sample; low receives the lowpass output and band the bandpass
    // output, scaled to unity gain at the centre frequency whatever q is.
    void Run(double in, double* low, double* band) {
        double v3 = in - ic2_;
        double v1 = a1_ * ic1_ + a2_ * v3;
        double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2.0 * v1 - ic1_;
        ic2_ = 2.0 * v2 - ic2_;
        *low = v2;
        *band = k_ * v1;
    }

private:
    double k_ = 1.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0, ic1_ = 0.0, ic2_ = 0.0;
};

// The gust envelope, 0..1, periodic over the loop. Slow swells with a few
// quicker surges; raised to a power so calm stretches stay calm.
class Gusts {
public:
    explicit Gusts(Random& random) {
        const int cycles[] = {1, 2, 3, 5, 7, 11};
        const double weights[] = {1.0, 0.8, 0.6, 0.45, 0.3, 0.2};
        for (int i = 0; i < 6; ++i) terms_.push_back(Term{cycles[i], weights[i], random.Uniform() * kPi});
        for (const Term& t : terms_) total_ += t.weight;
    }
    double At(double sample) const {
        double s = 0.0;
        for (const Term& t : terms_) s += t.weight * std::sin(2.0 * kPi * t.cycles * sample / kLoop + t.phase);
        double unit = 0.5 + 0.5 * s / total_;  // 0..1
        return std::pow(unit, 1.6);
    }

private:
    struct Term {
        int cycles;
        double weight;
        double phase;
    };
    std::vector<Term> terms_;
    double total_ = 0.0;
};

// One channel of wind, before levelling: two laps, the second kept.
std::vector<double> Channel(const std::vector<double>& noise, const Gusts& gusts, double lag) {
    SVF rumble, breath, whistle, hissLow;
    std::vector<double> out(kLoop);
    double g = 0.0;
    for (int i = 0; i < 2 * kLoop; ++i) {
        const int n = i % kLoop;
        if (i % kControlStep == 0) {
            g = gusts.At(n - lag);  // the envelope moves slowly: once per control step is plenty
            rumble.Set(180.0 + 520.0 * g, 0.7);
            breath.Set(700.0 + 600.0 * g, 1.2);
            whistle.Set(380.0 + 260.0 * g, 14.0);
            hissLow.Set(3500.0, 0.7);
        }
        const double x = noise[static_cast<std::size_t>(n)];
        double low = 0, band = 0, wLow = 0, wBand = 0, hLow = 0, hBand = 0, bLow = 0, bBand = 0;
        rumble.Run(x, &low, &band);
        breath.Run(x, &bLow, &bBand);
        whistle.Run(x, &wLow, &wBand);
        hissLow.Run(x, &hLow, &hBand);
        const double hiss = x - hLow;  // what lies above 3.5 kHz
        const double mix = (0.3 + 0.7 * g) * low + 0.3 * g * bBand + 0.6 * g * g * g * wBand + 0.015 * g * g * hiss;
        if (i >= kLoop) out[static_cast<std::size_t>(n)] = mix;
    }
    return out;
}

// Scales to the target RMS, then rounds off peaks with tanh below the limit.
std::vector<int16_t> Level(const std::vector<std::vector<double>>& channels) {
    double sum = 0.0;
    for (const auto& c : channels)
        for (double v : c) sum += v * v;
    const double rms = std::sqrt(sum / (static_cast<double>(kLoop) * channels.size()));
    const double gain = rms > 0.0 ? kTargetRMS / rms : 0.0;
    std::vector<int16_t> interleaved(static_cast<std::size_t>(kLoop) * channels.size());
    for (int n = 0; n < kLoop; ++n)
        for (std::size_t c = 0; c < channels.size(); ++c) {
            double v = kPeakLimit * std::tanh(channels[c][static_cast<std::size_t>(n)] * gain / kPeakLimit);
            interleaved[static_cast<std::size_t>(n) * channels.size() + c] =
                static_cast<int16_t>(std::lround(v * 32767.0));
        }
    return interleaved;
}

}  // namespace

bool GenerateSound(const std::string& path) {
    Random random(0xD5E5A17);
    const Gusts gusts(random);
    std::vector<std::vector<double>> channels;
    for (int c = 0; c < kChannels; ++c) {
        std::vector<double> noise(kLoop);
        for (double& v : noise) v = random.Uniform();
        channels.push_back(Channel(noise, gusts, c * 0.35 * kSampleRate));
    }
    const std::vector<uint8_t> wav = EncodeWAV(Level(channels), kChannels, kSampleRate);
    std::string error;
    if (wav.empty() || !WriteFileAtomically(path, wav, &error)) {
        std::fprintf(stderr, "kestrel.wav: %s\n", wav.empty() ? "cannot encode the sound" : error.c_str());
        return false;
    }
    return true;
}

static const GeneratorRegistration kSound{"kestrel.wav", GenerateSound};

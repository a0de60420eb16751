// NoiseField: deterministic randomness for the generated models and textures.
//
// Everything here is a pure function of its arguments and a seed, computed in
// float with integer hashing, so the generator writes the same bytes on every
// build and every machine. Value noise is smooth (quintic-interpolated lattice
// values); the periodic variants wrap every `period` lattice cells, so a
// texture painted from them over whole periods tiles without a seam.
#pragma once

#include <cstdint>

// A small counter-based generator (splitmix64): fixed seed in, fixed stream out.
class NoiseRandom {
public:
    explicit NoiseRandom(uint64_t seed) : state_(seed) {}
    uint32_t Next();
    float Uniform(float low, float high);  // [low, high)

private:
    uint64_t state_;
};

// Hash of a lattice point and seed to [0, 1).
float LatticeValue(int x, int y, uint32_t seed);

// Smooth value noise in [0, 1). Lattice cells are 1 unit wide; x and y wrap
// every period cells (pass a large period for noise that never visibly repeats).
float ValueNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Sum of octaves of ValueNoise, each of twice the frequency and `gain` times
// the weight of the one before, normalised to [0, 1). With periods p, the
// result wraps every p cells of the first octave.
float FractalNoise(float x, float y, int octaves, float gain, int periodX, int periodY, uint32_t seed);

// Non-repeating convenience forms (period 1 << 16 lattice cells).
float ValueNoise(float x, float y, uint32_t seed);
float FractalNoise(float x, float y, int octaves, float gain, uint32_t seed);

#include "host/Seed.h"

namespace {

// A 64-bit finaliser (splitmix64): every input bit reaches every output bit, so
// neighbouring clocks, pids and indices give unrelated seeds.
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

uint32_t ViewSeed(std::optional<uint32_t> given, int64_t wallSeconds, int64_t pid, int viewIndex) {
    if (given) return *given + static_cast<uint32_t>(viewIndex);  // wraps past 2^32 - 1
    const uint64_t mixed = Mix(Mix(Mix(static_cast<uint64_t>(wallSeconds)) ^ static_cast<uint64_t>(pid)) ^
                               static_cast<uint64_t>(viewIndex));
    return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}

// The seed of each view's set-up.
//
// Seeding from a monotonic clock's integer part, as a host with a wall clock
// might, would give nearly the same small number at every start (every run the
// same film), and views set up in the same second would all show one film.
// So the seed mixes the wall clock (seconds since the epoch) with the process
// id and the view's index: views in one process differ, and so do the
// processes XScreenSaver starts on its monitors at the same moment. A given
// seed N makes runs repeatable: view k gets exactly N + k.
#pragma once

#include <cstdint>
#include <optional>

// given: --seed; wallSeconds: seconds since the epoch; pid: the process id.
uint32_t ViewSeed(std::optional<uint32_t> given, int64_t wallSeconds, int64_t pid, int viewIndex);

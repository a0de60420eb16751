// The host loop: one process, any number of views, each ticked about every
// 1/30 s from one loop that sleeps between rounds (never busy-waits), until a
// stop is requested (a signal, a quit key, the host's window gone). Once a
// configuration sheet has started GTK, each round also runs GTK's pending
// events without waiting, so the views keep drawing while the sheet is open.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "host/SandmereView.h"
#include "host/SdlViewHost.h"
#include "host/Trace.h"

// A view with the platform side it runs on. Members are destroyed in reverse
// order, so the view goes first: it uses its host while it is destroyed.
struct HOSTEDVIEW {
    std::unique_ptr<SDLVIEWHOST> host;
    std::unique_ptr<SandmereView> view;
};

struct LOOPHOOKS {
    // Between rounds of ticks: read the window system's events.
    std::function<void()> pollEvents;
    // Where the loop sleeps: seconds on the monotonic clock.
    std::function<double()> clock = MonotonicSeconds;
};

// Polls the events, ticks every animating view once per round, writes a
// trace line for each drawn frame, and sleeps until the next round is due (a
// round that ran late does not make later ones hurry). Returns when a stop
// was requested; a request during a round ends it before the next view.
void RunHostLoop(std::vector<HOSTEDVIEW>& views, TRACEWRITER& trace, const LOOPHOOKS& hooks);

// Sleeps until `deadline` on the monotonic clock or until a signal arrives.
void SleepUntil(double deadline);

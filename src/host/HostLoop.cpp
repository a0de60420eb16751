#include "host/HostLoop.h"

#include <time.h>

#include <cmath>

#include "host/ConfigureSheet.h"
#include "host/Signals.h"

void SleepUntil(double deadline) {
    timespec when;
    when.tv_sec = static_cast<time_t>(std::floor(deadline));
    when.tv_nsec = static_cast<long>((deadline - std::floor(deadline)) * 1e9);
    if (when.tv_nsec >= 1000000000L) when.tv_nsec = 999999999L;
    // CLOCK_MONOTONIC is the steady clock MonotonicSeconds reads. EINTR (a
    // signal) ends the sleep early, which is the point.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
}

void RunHostLoop(std::vector<HOSTEDVIEW>& views, TRACEWRITER& trace, const LOOPHOOKS& hooks) {
    double interval = SandmereView::kAnimationInterval;
    for (const HOSTEDVIEW& v : views) interval = std::fmin(interval, v.view->animationTimeInterval());
    double next = hooks.clock();
    while (!StopRequested()) {
        // Events first: a window that went away is seen before anything is drawn into it.
        if (hooks.pollEvents) hooks.pollEvents();
        // A configuration sheet lives in this loop: GTK's events, never waiting.
        if (ConfigureSheetToolkitStarted()) PumpConfigureSheets();
        for (std::size_t i = 0; i < views.size() && !StopRequested(); ++i) {
            SandmereView& view = *views[i].view;
            if (!view.isAnimating()) continue;
            const uint64_t before = view.framesDrawn();
            view.animateOneFrame();
            if (view.framesDrawn() != before && view.ssMain)
                trace.Frame(static_cast<int>(i), view.framesDrawn(), *view.ssMain);
        }
        if (StopRequested()) break;
        next += interval;
        const double now = hooks.clock();
        if (next < now) next = now;  // late: start the next round now, but never catch up
        SleepUntil(next);
    }
}

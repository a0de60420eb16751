// Which monitor is the main one and whether a window is on it; the seeds of
// the views.
#include <gtest/gtest.h>

#include <set>

#include "host/Monitors.h"
#include "host/Seed.h"

namespace {

const MONITOR kLeft{{0, 0, 1920, 1080}, false};
const MONITOR kRight{{1920, 0, 1280, 1024}, false};
MONITOR Primary(MONITOR m) {
    m.primary = true;
    return m;
}

TEST(Monitors, TheMainMonitor) {
    const MONITOR offOrigin{{100, 100, 800, 600}, false};
    const struct {
        const char* name;
        std::vector<MONITOR> monitors;
        int main;
    } cases[] = {
        {"none", {}, -1},
        {"the primary flag wins", {kLeft, Primary(kRight)}, 1},
        {"no primary: the one holding (0, 0)", {kRight, kLeft}, 1},
        {"no primary, none at (0, 0): the first", {offOrigin, kRight}, 0},
        {"one primary among three", {kRight, kLeft, Primary(offOrigin)}, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(MainMonitor(c.monitors), c.main) << c.name;
}

TEST(Monitors, AWindowIsOnTheMonitorHoldingItsCentre) {
    const std::vector<MONITOR> two = {Primary(kLeft), kRight};
    const struct {
        const char* name;
        std::vector<MONITOR> monitors;
        SCREENRECT window;
        bool onMain;
    } cases[] = {
        {"on the primary", two, {100, 100, 640, 480}, true},
        {"on the other", two, {2000, 10, 640, 480}, false},
        {"straddling, centre on the primary", two, {1500, 0, 800, 600}, true},
        {"straddling, centre on the other", two, {1700, 0, 800, 600}, false},
        {"the other monitor exactly", two, {1920, 0, 1280, 1024}, false},
        {"covering every monitor (the root)", two, {0, 0, 3200, 1080}, true},
        {"the root, its centre on the other", {kLeft, Primary(kRight)}, {0, 0, 3200, 1080}, true},
        {"primary on the right", {kLeft, Primary(kRight)}, {2000, 10, 640, 480}, true},
        {"centre on no monitor", two, {1920, 1024, 400, 400}, false},
        {"no monitors known", {}, {5000, 5000, 10, 10}, true},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowOnMainMonitor(c.monitors, c.window), c.onMain) << c.name;
    EXPECT_EQ(MonitorHolding(two, 1919, 1079), 0);
    EXPECT_EQ(MonitorHolding(two, 1920, 0), 1);
    EXPECT_EQ(MonitorHolding(two, 1920, 1024), -1);
}

TEST(Seeds, AGivenSeedGivesViewKExactlySeedPlusK) {
    EXPECT_EQ(ViewSeed(1000u, 1700000000, 42, 0), 1000u);
    EXPECT_EQ(ViewSeed(1000u, 5, 7, 3), 1003u);
    EXPECT_EQ(ViewSeed(4294967295u, 5, 7, 1), 0u);
}

TEST(Seeds, WithoutOneViewsAndProcessesStartedTogetherDiffer) {
    const int64_t now = 1700000000;
    std::set<uint32_t> seen;
    int made = 0;
    for (int64_t second : {now, now + 1})
        for (int64_t pid : {4000, 4001, 4002})
            for (int view : {0, 1, 2}) {
                seen.insert(ViewSeed(std::nullopt, second, pid, view));
                ++made;
            }
    EXPECT_EQ(static_cast<int>(seen.size()), made);
    // Nor is the seed a small number near the clock: runs a second apart differ widely.
    const uint32_t a = ViewSeed(std::nullopt, now, 4000, 0), b = ViewSeed(std::nullopt, now + 1, 4000, 0);
    EXPECT_GT(__builtin_popcount(a ^ b), 4);
    EXPECT_EQ(ViewSeed(std::nullopt, now, 4000, 0), a) << "the same inputs, the same seed";
}

}  // namespace

// The command line: modes in both spellings, values, settings overrides from
// the table, and every kind of bad input, which must be refused.
#include "host/Options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TEST(Options, ModesAndTheirSpellings) {
    const struct {
        const char* line;
        const char* xscreensaverWindow;
        HostMode mode;
        bool root;
        unsigned long windowId;  // 0: none
    } cases[] = {
        {"", nullptr, HostMode::Window, false, 0},
        {"--fullscreen", nullptr, HostMode::Fullscreen, false, 0},
        {"--preview", nullptr, HostMode::Preview, false, 0},
        {"--headless", nullptr, HostMode::Headless, false, 0},
        {"--root", nullptr, HostMode::Module, true, 0},
        {"-root", nullptr, HostMode::Module, true, 0},
        {"--window-id 0x1e00007", nullptr, HostMode::Module, false, 0x1e00007},
        {"-window-id 31457287", nullptr, HostMode::Module, false, 31457287},
        {"--window-id=0X1E", nullptr, HostMode::Module, false, 0x1e},
        {"-root -window-id 0x42", nullptr, HostMode::Module, true, 0x42},
        {"", "0x400001", HostMode::Module, false, 0},  // started by XScreenSaver without -root
        {"", "", HostMode::Window, false, 0},
        {"--fullscreen", "0x400001", HostMode::Fullscreen, false, 0},
        {"--configure", nullptr, HostMode::Configure, false, 0},
        {"--configure --resources /r", "0x400001", HostMode::Configure, false, 0},
    };
    for (const auto& c : cases) {
        const PARSERESULT r = ParseOptions(Split(c.line), c.xscreensaverWindow);
        ASSERT_TRUE(r.ok) << c.line << ": " << r.error;
        EXPECT_EQ(r.options.mode, c.mode) << c.line;
        EXPECT_EQ(r.options.root, c.root) << c.line;
        EXPECT_EQ(r.options.windowId.value_or(0), c.windowId) << c.line;
    }
}

TEST(Options, ValuesAndOverrides) {
    const PARSERESULT r = ParseOptions(
        Split("--headless --size 640x360 --resources /tmp/r --seed 4294967295 --camels 10000 --no-sound "
              "--volume=0 --main-monitor-only --trace t.jsonl --trace-every 5 --step 0.05 --duration 60 "
              "--snapshot a.png --snapshot-every 2.5 --snapshot-dir out"),
        nullptr);
    ASSERT_TRUE(r.ok) << r.error;
    const HOSTOPTIONS& o = r.options;
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 360);
    EXPECT_EQ(o.resources, "/tmp/r");
    EXPECT_EQ(o.seed.value_or(0), 4294967295u);
    EXPECT_EQ(o.overrides.value[kNumCamels].value_or(-1), 10000);
    EXPECT_EQ(o.overrides.value[kPlaySound].value_or(-1), 0);
    EXPECT_EQ(o.overrides.value[kVolume].value_or(-1), 0);
    EXPECT_EQ(o.overrides.value[kMainMonitorOnly].value_or(-1), 1);
    EXPECT_EQ(o.trace, "t.jsonl");
    EXPECT_EQ(o.traceEvery, 5);
    EXPECT_DOUBLE_EQ(o.step, 0.05);
    EXPECT_DOUBLE_EQ(o.duration, 60.0);
    EXPECT_EQ(o.snapshot, "a.png");
    EXPECT_DOUBLE_EQ(o.snapshotEvery, 2.5);
    EXPECT_EQ(o.snapshotDir, "out");

    // The last of two opposite flags wins; nothing given overrides nothing.
    const PARSERESULT flip = ParseOptions(Split("--no-sound --sound --all-monitors"), nullptr);
    ASSERT_TRUE(flip.ok);
    EXPECT_EQ(flip.options.overrides.value[kPlaySound].value_or(-1), 1);
    EXPECT_EQ(flip.options.overrides.value[kMainMonitorOnly].value_or(-1), 0);
    EXPECT_FALSE(flip.options.overrides.value[kNumCamels].has_value());
    EXPECT_EQ(ApplyOverrides(DefaultUserSettings(), flip.options.overrides).values.NUM_CAMELS, 10);
    EXPECT_TRUE(flip.options.overrides.settingsFile);
    EXPECT_FALSE(ParseOptions(Split("--root --no-settings-file"), nullptr).options.overrides.settingsFile);
}

TEST(Options, BadInputIsRefused) {
    const char* const cases[] = {
        "--bogus", "-fullscreen", "--root=1", "--fullscreen --headless", "--root --preview",
        "--size", "--size 0x10", "--size 10x", "--size 16385x10", "--size 10x10x10", "--size -5x5",
        "--fullscreen --size 800x600", "--camels 0", "--camels 10001", "--camels 5.5", "--camels 1e3",
        "--volume 256", "--volume -1", "--seed -1", "--seed 4294967296", "--seed 12abc",
        "--window-id", "--window-id 0", "--window-id 0x", "--window-id 0xZZ", "--window-id -5",
        "--window-id 0x1g", "--headless --step 0.0166", "--headless --step 2.01", "--headless --step nan",
        "--headless --step inf", "--headless --duration 0", "--headless --duration -3",
        "--step 0.1", "--duration 3", "--snapshot a.png", "--headless --snapshot-every 1",
        "--headless --snapshot-dir d", "--headless --snapshot-every -1 --snapshot-dir d",
        "--trace-every 0", "--trace", "--resources", "--sound=1", "--no-settings-file=1",
        "--configure --root", "--configure --headless", "--configure --size 800x600",
        "--configure --no-settings-file", "--configure --camels 5", "--configure --no-sound",
    };
    for (const char* line : cases) {
        const PARSERESULT r = ParseOptions(Split(line), nullptr);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_FALSE(r.error.empty()) << line;
    }
    // Values that words cannot show.
    EXPECT_FALSE(ParseOptions({"--camels", ""}, nullptr).ok);
    EXPECT_FALSE(ParseOptions({"--headless", "--step", " 0.1"}, nullptr).ok);
    EXPECT_FALSE(ParseOptions({"--resources="}, nullptr).ok);
}

TEST(Options, StepBoundsAreAbove1Over60AndAtMost2) {
    EXPECT_TRUE(ParseOptions({"--headless", "--step", "2"}, nullptr).ok);
    EXPECT_TRUE(ParseOptions({"--headless", "--step", "0.0167"}, nullptr).ok);
    char exact[32];
    std::snprintf(exact, sizeof exact, "%.17g", 1.0 / 60.0);
    EXPECT_FALSE(ParseOptions({"--headless", "--step", exact}, nullptr).ok);
}

TEST(Options, HelpNamesEveryOptionOfTheSettingsTable) {
    const std::string help = UsageText();
    for (const char* option : {"--configure", kNoSettingsFileOption})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (const SettingDescription& d : kSettingsTable) {
        for (const char* option : {d.option, d.optionOff})
            if (option) {
                EXPECT_NE(help.find(option), std::string::npos) << option;
            }
    }
    EXPECT_FALSE(ParseOptions({"--bogus-but-help-first", "--help"}, nullptr).ok);
    EXPECT_FALSE(ParseOptions({"--help", "--camels", "0"}, nullptr).ok);
    EXPECT_TRUE(ParseOptions({"--help"}, nullptr).options.help);
}

}  // namespace

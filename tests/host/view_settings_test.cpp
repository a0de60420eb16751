// Where a view's settings come from: the settings file in its usual place
// ($XDG_CONFIG_HOME/kwSandmere/settings.ini), this run's command-line
// overrides over it, never written back, and with the marker option the
// table's defaults alone, the file neither read nor written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "TestFiles.h"
#include "TestViewHost.h"
#include "host/ConfigureSheet.h"
#include "host/SandmereView.h"

namespace {

namespace fs = std::filesystem;

const std::string kStored =
    "[kwSandmere]\nversion=1.0\nMainMonitorOnly=true\nNumCamels=3\nPlaySound=false\nVolume=250\n";
const std::string kCorrupt("\x01 [not a key file\n=\n", 20);
const std::string kDefaultsWritten =
    "[kwSandmere]\nversion=1.0\nMainMonitorOnly=false\nNumCamels=10\nPlaySound=true\nVolume=100\n";

SETTINGOVERRIDES Overrides(std::optional<int64_t> camels, std::optional<int64_t> sound, bool settingsFile = true) {
    SETTINGOVERRIDES o;
    o.value[kNumCamels] = camels;
    o.value[kPlaySound] = sound;
    o.settingsFile = settingsFile;
    return o;
}

TEST(ViewSettingsTest, StoreThenOverridesAndTheMarkerLeavesTheFileAlone) {
    const struct {
        const char* name;
        std::optional<std::string> file;  // the settings file before the view starts
        SETTINGOVERRIDES overrides;
        int64_t camels;  // the view's values afterwards
        bool sound;
        int32_t volume;
        bool mainOnly;
        std::optional<std::string> fileAfter;  // nullopt: no file at all
    } cases[] = {
        {"stored values reach the view", kStored, {}, 3, false, 250, true, kStored},
        {"overrides win for the run, not stored", kStored, Overrides(7, 1), 7, true, 250, true, kStored},
        {"a fresh user: defaults, then stored", std::nullopt, {}, 10, true, 100, false, kDefaultsWritten},
        {"a corrupt file is a first run", kCorrupt, Overrides(std::nullopt, 0), 10, false, 100, false,
         kDefaultsWritten},
        {"marker: a corrupt file untouched", kCorrupt, Overrides(std::nullopt, std::nullopt, false), 10, true, 100,
         false, kCorrupt},
        {"marker: the stored values are not read", kStored, Overrides(5, std::nullopt, false), 5, true, 100, false,
         kStored},
        {"marker: no file is made", std::nullopt, Overrides(std::nullopt, 0, false), 10, false, 100, false,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testfiles::TempDir config;
        ASSERT_EQ(setenv("XDG_CONFIG_HOME", config.path().c_str(), 1), 0);
        const std::string file = config.File("kwSandmere/settings.ini");
        if (c.file) {
            fs::create_directories(config.File("kwSandmere"));
            std::ofstream(file, std::ios::binary) << *c.file;
        }
        TESTVIEWHOST host;
        SandmereView view(host, config.path(), c.overrides);
        ASSERT_TRUE(view.initWithFrame({0, 0, 64, 48}, false));
        EXPECT_EQ(view.mySettings.NUM_CAMELS, c.camels);
        EXPECT_EQ(view.mySettings.PLAYSOUND, c.sound);
        EXPECT_EQ(view.mySettings.VOLUME, c.volume);
        EXPECT_EQ(view.MainMonitorOnly, c.mainOnly);
        if (c.fileAfter)
            EXPECT_EQ(testfiles::ReadText(file), *c.fileAfter);
        else
            EXPECT_FALSE(fs::exists(config.File("kwSandmere")));
        // Without the file there is nothing a sheet could save: none opens,
        // and GTK is never started for it.
        if (!c.overrides.settingsFile) {
            EXPECT_EQ(view.configureSheet(), nullptr);
            EXPECT_FALSE(ConfigureSheetToolkitStarted());
        }
    }
}

}  // namespace

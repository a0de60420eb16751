// The user's settings, described once. The settings store, the configuration
// sheet's control ranges, the command-line overrides and the XScreenSaver
// settings file are all built from this table, so they cannot disagree.
#pragma once

#include <cstdint>

enum class SettingKind { Integer, Boolean };

struct SettingDescription {
    const char* key;        // key in the settings store, e.g. "NumCamels"
    SettingKind kind;
    int64_t defaultValue;   // booleans: 0 or 1
    int64_t minimum;        // inclusive; booleans 0
    int64_t maximum;        // inclusive; booleans 1
    const char* label;      // what the sheet and the XScreenSaver dialog show
    const char* option;     // command-line override, e.g. "--camels" (takes a value
                            // for integers; booleans have "--X" and "--no-X" forms
                            // spelled out in `optionOff`)
    const char* optionOff;  // booleans: the option that turns it off; integers: null
};

enum SettingIndex { kNumCamels = 0, kPlaySound, kVolume, kMainMonitorOnly, kSettingCount };

inline constexpr SettingDescription kSettingsTable[kSettingCount] = {
    {"NumCamels", SettingKind::Integer, 10, 1, 10000, "Number of camels", "--camels", nullptr},
    {"PlaySound", SettingKind::Boolean, 1, 0, 1, "Play the desert sound", "--sound", "--no-sound"},
    {"Volume", SettingKind::Integer, 100, 0, 255, "Volume", "--volume", nullptr},
    {"MainMonitorOnly", SettingKind::Boolean, 0, 0, 1, "Main monitor only", "--main-monitor-only",
     "--all-monitors"},
};

// The store's group and version marker: values written by another version
// (or none) are replaced by the defaults.
inline constexpr const char* kSettingsGroup = "kwSandmere";
inline constexpr const char* kSettingsVersionKey = "version";
inline constexpr const char* kSettingsVersion = "1.0";

// The option XScreenSaver's command carries. XScreenSaver leaves out every
// option whose value equals its default, so a run it starts cannot tell "the
// user chose 10 camels there" from "nothing chosen". With this option the
// table's defaults plus the options passed decide, and the key file is neither
// read nor written.
inline constexpr const char* kNoSettingsFileOption = "--no-settings-file";

// A value kept inside its setting's range. Whatever a file, a control or the
// command line delivers passes through here before it is narrowed to the
// record's width: 2^32 camels would otherwise become 0 and 2^31 negative, and
// the herd and the camera need at least one camel.
constexpr int64_t ClampSetting(SettingIndex index, int64_t value) {
    const SettingDescription& setting = kSettingsTable[index];
    return value < setting.minimum ? setting.minimum : value > setting.maximum ? setting.maximum : value;
}

// Settings given on the command line for one run. They win over the stored
// values and are never written back to the settings store.
//
// The marker option (kNoSettingsFileOption, which XScreenSaver's command
// carries) leaves the settings file out altogether: the table's defaults plus
// the options given decide, and the file is neither read nor written.
#pragma once

#include <cstdint>
#include <optional>

#include "host/SettingsStore.h"
#include "host/SettingsTable.h"
#include "host/UserSettings.h"

struct SETTINGOVERRIDES {
    std::optional<int64_t> value[kSettingCount];  // by SettingIndex; booleans 0 or 1
    bool settingsFile = true;                     // false with the marker option
};

// `user` with every given override put in place. The values are already
// checked against the table's ranges by the option parser.
USERSETTINGS ApplyOverrides(USERSETTINGS user, const SETTINGOVERRIDES& overrides);

// The store a run with these options reads: the settings file, or the table's
// defaults alone with the marker option.
SettingsStoreMode StoreModeOf(const SETTINGOVERRIDES& overrides);

// Settings given on the command line for one run. They win over the stored
// values and are never written back to the settings store.
#pragma once

#include <cstdint>
#include <optional>

#include "host/SettingsTable.h"
#include "host/UserSettings.h"

struct SETTINGOVERRIDES {
    std::optional<int64_t> value[kSettingCount];  // by SettingIndex; booleans 0 or 1
};

// `user` with every given override put in place. The values are already
// checked against the table's ranges by the option parser.
USERSETTINGS ApplyOverrides(USERSETTINGS user, const SETTINGOVERRIDES& overrides);

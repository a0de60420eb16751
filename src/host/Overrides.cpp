#include "host/Overrides.h"

USERSETTINGS ApplyOverrides(USERSETTINGS user, const SETTINGOVERRIDES& overrides) {
    const auto& v = overrides.value;
    if (v[kNumCamels]) user.values.NUM_CAMELS = *v[kNumCamels];
    if (v[kPlaySound]) user.values.PLAYSOUND = *v[kPlaySound] != 0;
    if (v[kVolume]) user.values.VOLUME = static_cast<int32_t>(*v[kVolume]);
    if (v[kMainMonitorOnly]) user.MainMonitorOnly = *v[kMainMonitorOnly] != 0;
    return user;
}

SettingsStoreMode StoreModeOf(const SETTINGOVERRIDES& overrides) {
    return overrides.settingsFile ? SettingsStoreMode::KeyFile : SettingsStoreMode::TableDefaultsOnly;
}

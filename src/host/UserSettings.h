// USERSETTINGS: the user's four choices as a view holds them. Three travel down
// to the frame driver and the scene in SETTINGS; whether only the main screen
// draws stays with the view.
#pragma once

#include "engine/Settings.h"
#include "host/SettingsTable.h"

struct USERSETTINGS {
    SETTINGS values;               // camels, sound, volume
    bool MainMonitorOnly = false;  // draw only on the main screen
};

// The defaults of the settings table: what a first run stores and what the
// sheet's Defaults button shows.
inline USERSETTINGS DefaultUserSettings() {
    USERSETTINGS user;
    user.values.NUM_CAMELS = kSettingsTable[kNumCamels].defaultValue;
    user.values.PLAYSOUND = kSettingsTable[kPlaySound].defaultValue != 0;
    user.values.VOLUME = static_cast<int32_t>(kSettingsTable[kVolume].defaultValue);
    user.MainMonitorOnly = kSettingsTable[kMainMonitorOnly].defaultValue != 0;
    return user;
}

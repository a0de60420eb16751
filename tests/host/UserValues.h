// The user's four settings written on one line, and compared one by one.
#pragma once

#include <gtest/gtest.h>

#include "host/UserSettings.h"

inline USERSETTINGS Values(int64_t camels, bool sound, int32_t volume, bool mainOnly) {
    USERSETTINGS user;
    user.values = {camels, sound, volume};
    user.MainMonitorOnly = mainOnly;
    return user;
}

inline void ExpectValues(const USERSETTINGS& got, const USERSETTINGS& want) {
    EXPECT_EQ(got.values.NUM_CAMELS, want.values.NUM_CAMELS);
    EXPECT_EQ(got.values.PLAYSOUND, want.values.PLAYSOUND);
    EXPECT_EQ(got.values.VOLUME, want.values.VOLUME);
    EXPECT_EQ(got.MainMonitorOnly, want.MainMonitorOnly);
}

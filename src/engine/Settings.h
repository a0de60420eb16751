// SETTINGS: the user's choices that the host view reads from its settings store
// and hands down to the frame driver and the scene. The values below are the
// store's defaults; the view overwrites them with what the store holds.
#pragma once

#include <cstdint>

struct SETTINGS {
    int64_t NUM_CAMELS = 10;  // camels in the herd; the scene passes it on as a 32-bit int
    bool PLAYSOUND = true;    // play the looping background sound
    int32_t VOLUME = 100;     // 0..255; the player's volume is VOLUME / 255.0
};

// SIGTERM and SIGINT end the host cleanly. The handler only sets a flag; the
// loop sees it (its sleep is interrupted by the signal), stops the sound,
// releases the views and exits 0.
#pragma once

void InstallStopSignals();
bool StopRequested();
// Raises the flag by hand (the window closed, a quit key, the X window gone).
void RequestStop();

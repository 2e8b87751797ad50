// The state the platform layer keeps for the process (test overrides, the
// regional settings read from the system, the test clock): no static
// destructor frees it, because the library's unload may run after those at
// process exit. The unload frees it itself, as its very last step.
#pragma once

void ReleaseProcessOverrides();
void ReleaseRegionalSettings();
void ReleaseTestClock();

// All of the above; what is asked for afterwards is made anew.
void ReleasePlatformState();

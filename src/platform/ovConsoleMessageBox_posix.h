// Test seam of the POSIX stand-in for the message box (ovMessageBox.h).
#pragma once

// Descriptors used in place of standard input and standard error; -1
// restores the real ones.
void SetMessageBoxConsoleForTesting(int aInput, int aOutput);

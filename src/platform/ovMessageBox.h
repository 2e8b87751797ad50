// What stands in for a modal message box in a process without a desktop: the
// message goes to standard error, and when standard input is a terminal the
// call blocks until the user acknowledges it with Enter.
#pragma once

#include <string>

enum class ovMessageBoxKind { Information, Error };

// aCaption heads the message when it is not empty.
void ShowMessageBox(ovMessageBoxKind aKind, const std::u16string& aCaption, const std::u16string& aText);

// Test seam: descriptors used in place of standard input and standard error;
// -1 restores the real ones.
void SetMessageBoxConsoleForTesting(int aInput, int aOutput);

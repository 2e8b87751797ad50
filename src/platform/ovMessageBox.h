// The modal message box that tells the user and waits until acknowledged: on
// Windows the system's (MessageBoxW); on POSIX, where a process has no
// desktop, the message goes to standard error and, when standard input is a
// terminal, the call blocks until the user presses Enter.
#pragma once

#include <string>

enum class ovMessageBoxKind { Information, Error };

// aCaption heads the message when it is not empty.
void ShowMessageBox(ovMessageBoxKind aKind, const std::u16string& aCaption, const std::u16string& aText);

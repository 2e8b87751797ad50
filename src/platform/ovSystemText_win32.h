// The system's texts of Windows error numbers (FormatMessageW), for messages
// that show what the system said.
#pragma once

#include <windows.h>

#include <string>

// The text of aCode in the user's language, as the system writes it (line
// break included); "System error <code>" when the system has none. With
// aModule, that module's message table is asked (WinHTTP's errors).
std::u16string SystemErrorText(DWORD aCode, HMODULE aModule = nullptr);

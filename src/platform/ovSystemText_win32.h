// The system's texts of Windows error numbers (FormatMessageW), for messages
// that show what the system said.
#pragma once

#include <windows.h>

#include <string>

// The system's wide texts are the library's UTF-16 texts, cast, not converted.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 code unit on Windows");

// The text of aCode in the user's language, as the system writes it (line
// break included); "System error <code>" when the system has none. With
// aModule, that module's message table is asked (WinHTTP's errors).
std::u16string SystemErrorText(DWORD aCode, HMODULE aModule = nullptr);

// Loading shared libraries at run time and finding their functions.
#pragma once

#include <cstdint>
#include <string>

using ovLibraryHandle = void*;

// The number reported with a library that cannot be loaded. dlopen gives no
// error number, only a text; 126 is the number the same failure carries on
// Windows ("module not found"), so messages read alike on both systems.
constexpr int32_t kLibraryLoadErrorCode = 126;

// Null on failure, with the system's text in aErrorText. An empty name fails
// (it does not stand for the host program).
ovLibraryHandle LoadDynamicLibrary(const std::u16string& aName, std::u16string& aErrorText);
// Null when the library has no such symbol.
void* DynamicLibrarySymbol(ovLibraryHandle aLibrary, const std::u16string& aName);
bool FreeDynamicLibrary(ovLibraryHandle aLibrary);

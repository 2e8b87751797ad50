// Loading shared libraries at run time and finding their functions.
#pragma once

#include <cstdint>
#include <string>

using ovLibraryHandle = void*;

// Null on failure, with the system's text in aErrorText and its error number
// in aErrorCode. An empty name fails (it does not stand for the host program).
ovLibraryHandle LoadDynamicLibrary(const std::u16string& aName, std::u16string& aErrorText, int32_t& aErrorCode);
// Null when the library has no such symbol.
void* DynamicLibrarySymbol(ovLibraryHandle aLibrary, const std::u16string& aName);
bool FreeDynamicLibrary(ovLibraryHandle aLibrary);

// The file name of a library of this module name on this system ("x.so", "x.dll").
std::u16string DynamicLibraryFileName(const std::u16string& aModuleName);

#include <windows.h>

#include "platform/ovDynLib.h"
#include "platform/ovSystemText_win32.h"
#include "platform/ovUtf.h"

ovLibraryHandle LoadDynamicLibrary(const std::u16string& aName, std::u16string& aErrorText, int32_t& aErrorCode) {
  if (aName.empty()) {
    aErrorCode = ERROR_MOD_NOT_FOUND;
    aErrorText = SystemErrorText(DWORD(aErrorCode));
    return nullptr;
  }
  HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(aName.c_str()));
  if (module == nullptr) {
    aErrorCode = int32_t(GetLastError());
    aErrorText = SystemErrorText(DWORD(aErrorCode));
  }
  return reinterpret_cast<ovLibraryHandle>(module);
}

void* DynamicLibrarySymbol(ovLibraryHandle aLibrary, const std::u16string& aName) {
  if (aLibrary == nullptr) return nullptr;
  // Function names are ANSI text on Windows.
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(aLibrary), Utf16ToUtf8(aName).c_str()));
}

bool FreeDynamicLibrary(ovLibraryHandle aLibrary) {
  return aLibrary != nullptr && FreeLibrary(static_cast<HMODULE>(aLibrary)) != 0;
}

std::u16string DynamicLibraryFileName(const std::u16string& aModuleName) { return aModuleName + u".dll"; }

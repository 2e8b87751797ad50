// The string table of the DLL's own resources (uOV_Resources.rc).
#include <windows.h>

#include "app/uOV_StringTable.h"
#include "platform/ovLibraryLifetime.h"

std::u16string LoadLibraryString(int32_t aId) {
  // With a buffer length of 0, LoadStringW answers a pointer into the
  // resource itself and the whole text's length, however long it is.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(static_cast<HINSTANCE>(LibraryModule()), UINT(aId),
                                 reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), size_t(length));
}

#include "platform/ovHostStrings.h"

// The library uses the system's strings; it exports none of its own.
ovHostStrings::ovHostStrings(ovLibraryHandle) {}

bool ovHostStrings::Available() const { return true; }

BSTR ovHostStrings::Make(std::u16string_view aText) const {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(aText.data()), UINT(aText.size()));
}

std::u16string ovHostStrings::Take(BSTR aValue) const {
  if (aValue == nullptr) return {};
  std::u16string text(reinterpret_cast<const char16_t*>(aValue), SysStringLen(aValue));
  Free(aValue);
  return text;
}

void ovHostStrings::Free(BSTR aValue) const { SysFreeString(aValue); }

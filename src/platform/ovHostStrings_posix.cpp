#include "platform/ovHostStrings.h"

namespace {

using AllocFunction = BSTR (*)(const OLECHAR*, unsigned);
using FreeFunction = void (*)(BSTR);
using LengthFunction = unsigned (*)(BSTR);

}  // namespace

ovHostStrings::ovHostStrings(ovLibraryHandle aLibrary)
    : fAlloc(DynamicLibrarySymbol(aLibrary, u"SysAllocStringLen")),
      fFree(DynamicLibrarySymbol(aLibrary, u"SysFreeString")),
      fLength(DynamicLibrarySymbol(aLibrary, u"SysStringLen")) {}

bool ovHostStrings::Available() const { return fAlloc != nullptr && fFree != nullptr && fLength != nullptr; }

BSTR ovHostStrings::Make(std::u16string_view aText) const {
  return reinterpret_cast<AllocFunction>(fAlloc)(reinterpret_cast<const OLECHAR*>(aText.data()),
                                                 unsigned(aText.size()));
}

std::u16string ovHostStrings::Take(BSTR aValue) const {
  if (aValue == nullptr) return {};
  std::u16string text(reinterpret_cast<const char16_t*>(aValue), reinterpret_cast<LengthFunction>(fLength)(aValue));
  Free(aValue);
  return text;
}

void ovHostStrings::Free(BSTR aValue) const { reinterpret_cast<FreeFunction>(fFree)(aValue); }

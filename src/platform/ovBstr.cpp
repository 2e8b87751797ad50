#include "platform/ovBstr.h"

// The library's texts are UTF-16 code units and a BSTR's characters are the
// same, on every system and with any pointer size.
static_assert(sizeof(OLECHAR) == sizeof(char16_t), "OLECHAR must be a UTF-16 code unit");

std::u16string BstrToText(BSTR aValue) {
  if (aValue == nullptr) return {};
  const auto* chars = reinterpret_cast<const char16_t*>(aValue);
  return std::u16string(chars, SysStringLen(aValue));
}

BSTR TextToBstr(const std::u16string& aText) {
  if (aText.empty()) return nullptr;
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(aText.data()),
                           static_cast<unsigned int>(aText.size()));
}

#include "platform/ovBstr.h"

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

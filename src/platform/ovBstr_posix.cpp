// The library's own OLE Automation strings, for systems that have none: the
// layout and functions of the Windows ones, exported for the host.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/ovBstr.h"
#include "platform/ovExport.h"

// Layout: [uint32 byte length][UTF-16 text][two zero bytes]; the BSTR points
// at the first character.
OV_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, unsigned int length) {
  const uint64_t bytes = uint64_t(length) * sizeof(OLECHAR);
  if (bytes > UINT32_MAX - sizeof(uint32_t) - sizeof(OLECHAR)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto byteLength = static_cast<uint32_t>(bytes);
  std::memcpy(block, &byteLength, sizeof byteLength);
  auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
  if (text != nullptr) {
    std::memcpy(chars, text, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  chars[length] = 0;
  return chars;
}

OV_EXPORT BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  unsigned int length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

OV_EXPORT void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

OV_EXPORT unsigned int SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t byteLength = 0;
  std::memcpy(&byteLength, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof byteLength);
  return byteLength;
}

OV_EXPORT unsigned int SysStringLen(BSTR text) {
  return SysStringByteLen(text) / sizeof(OLECHAR);
}


// What every fuzz target does with its bytes: the text a host or a service
// would hand over, read as UTF-8 (what is not UTF-8 becomes U+FFFD, as it
// does at the library's own boundaries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ovUtf.h"

inline std::u16string FuzzText(const uint8_t* aData, size_t aSize) {
  return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(aData), aSize));
}

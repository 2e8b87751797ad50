// The string table compiled into the library as a C++ table.
#include "app/uOV_StringTable.h"

namespace {

struct ovStringTableEntry {
  int32_t Id;
  const char16_t* Text;
};

#define OV_STRING(aId, aText) {aId, u"" aText},
constexpr ovStringTableEntry kStringTable[] = {
#include "app/uOV_StringTable.inc"
};
#undef OV_STRING

}  // namespace

std::u16string LoadLibraryString(int32_t aId) {
  for (const auto& entry : kStringTable) {
    if (entry.Id == aId) return entry.Text;
  }
  return {};
}

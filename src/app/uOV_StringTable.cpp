#include "app/uOV_StringTable.h"

namespace {

struct ovStringTableEntry {
  int32_t Id;
  const char16_t* Text;
};

// Application information: description, copyright, then one block per
// released version (number, release date dd/mm/yyyy, author, notes).
constexpr ovStringTableEntry kStringTable[] = {
    {10000, u"$APPDESCRIPTION=QVD Driver - EPay WebECR (GR)"},
    {10001, u"$COPYRIGHT=Copyright (c) 2024 QVD Software"},
    {10002, u"$VERSION=1.00"},
    {10003, u"$RELEASEDATE=01/08/2024"},
    {10004, u"$AUTHOR=KP"},
    {10005, u"$PTEXT=Development Release"},
    {10006, u"$VERSION=1.01"},
    {10007, u"$RELEASEDATE=27/09/2024"},
    {10008, u"$AUTHOR=KP"},
    {10009, u"$PTEXT=First Production Release"},
};

}  // namespace

std::u16string LoadLibraryString(int32_t aId) {
  for (const auto& entry : kStringTable) {
    if (entry.Id == aId) return entry.Text;
  }
  return {};
}

// The OLE Automation strings a host program exchanges with this library: on
// Windows the system's (oleaut32), elsewhere the ones the library exports.
#pragma once

#include <string>
#include <string_view>

#include "OVPA_DOVAVAREZU_10.h"
#include "platform/ovDynLib.h"

class ovHostStrings {
 public:
  explicit ovHostStrings(ovLibraryHandle aLibrary);

  // Whether the functions were found (always on Windows).
  bool Available() const;
  BSTR Make(std::u16string_view aText) const;
  // The text of a string the library handed over; frees it.
  std::u16string Take(BSTR aValue) const;
  void Free(BSTR aValue) const;

 private:
  void* fAlloc = nullptr;
  void* fFree = nullptr;
  void* fLength = nullptr;
};

// The built payment library driven the way a point-of-sale host drives it:
// loaded by path at run time, requests handed over as BSTRs made with the
// library's own string functions, answers taken over and freed with them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include <dlfcn.h>

#include "OVPA_DOVAVAREZU_10.h"

struct HostAnswer {
  int16_t result = 0;
  std::string output;   // the result fragment, UTF-8
  std::string message;  // the error message, unescaped, UTF-8

  // The text of the fragment's element aName (as written, that is escaped),
  // or "<absent>" when the fragment has no such element.
  std::string Field(const std::string& aName) const;
};

class HostLibrary {
 public:
  // Loads $OV_TEST_BINARY_DIR/OVPA_DOVAVAREZU_10.so; throws std::runtime_error.
  HostLibrary();
  ~HostLibrary();
  HostLibrary(const HostLibrary&) = delete;
  HostLibrary& operator=(const HostLibrary&) = delete;

  // An export by name; nullptr when the library has none.
  template <typename Function>
  Function Symbol(const char* aName) const {
    return reinterpret_cast<Function>(dlsym(fModule, aName));
  }

  // A BSTR of the library's making, and its text taken back (freed).
  BSTR Make(const std::u16string& aText) const;
  std::u16string Take(BSTR aValue) const;

  // Calls one of the payment exports (PAY, OPEN, CLOSE, ...) with a UTF-8 request.
  HostAnswer Call(const char* aExport, const std::string& aRequest) const;

  BSTR (*Alloc)(const OLECHAR*, unsigned) = nullptr;
  void (*Free)(BSTR) = nullptr;
  unsigned (*Length)(BSTR) = nullptr;
  unsigned (*ByteLength)(BSTR) = nullptr;

 private:
  void* fModule = nullptr;
};

// The built payment library driven the way a point-of-sale host drives it:
// loaded by path at run time, requests handed over as BSTRs made with the
// library's own string functions, answers taken over and freed with them.
// Requests and answers are UTF-8 here; the conversion happens at the call.
#pragma once

#include <cstdint>
#include <string>

struct HostAnswer {
  int16_t result = 0;
  std::string output;   // the result fragment
  std::string message;  // the error message, unescaped

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

  // Calls one of the payment exports (PAY, OPEN, CLOSE, ...) with aRequest.
  HostAnswer Call(const char* aExport, const std::string& aRequest);

 private:
  void* fModule = nullptr;
};

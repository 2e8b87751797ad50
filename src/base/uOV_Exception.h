// The one failure type of the library. Its message is UTF-16 text, built by
// concatenating fixed texts and the offending values exactly as the system
// spells them; the operation wrappers hand it to the host as the error text.
#pragma once

#include <exception>
#include <string>

class tOV_Exception : public std::exception {
 public:
  explicit tOV_Exception(std::u16string aMessage);

  const std::u16string& Message() const noexcept { return fMessage; }
  // UTF-8 form of the message, for diagnostics outside the library.
  const char* what() const noexcept override { return fMessageUtf8.c_str(); }

 private:
  std::u16string fMessage;
  std::string fMessageUtf8;
};

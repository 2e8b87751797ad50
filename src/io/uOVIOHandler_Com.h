// I/O handler of devices driven through an automation object that the driver
// creates itself: it only provides the log and the error state.
#pragma once

#include "io/uOVIOHandler.h"

class kIOHandler_Com : public kIOHandler {
 public:
  kIOHandler_Com(const kConnection* aConnection, const std::u16string& aDirectory,
                 const std::u16string& aFileName);

  const char16_t* ClassName() const override { return u"kIOHandler_Com"; }
  bool Connected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  // Sends nothing; answers false.
  bool Write(const std::u16string& aMessage) override;
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;
};

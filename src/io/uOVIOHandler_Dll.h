// I/O handler of devices reached through a vendor library: it loads the
// library for its whole life and hands out the addresses of its functions,
// which the driver calls itself. Nothing travels through Write or the reads.
#pragma once

#include "io/uOVIOHandler.h"
#include "platform/ovDynLib.h"

class kIOHandler_Dll : public kIOHandler {
 public:
  // Loads the connection's LibraryName; raises "Unable to Load Library ..."
  // when it cannot be loaded.
  kIOHandler_Dll(const kConnection* aConnection, const std::u16string& aDirectory,
                 const std::u16string& aFileName);
  // Unloads the library: the addresses handed out are invalid afterwards.
  ~kIOHandler_Dll() override;

  const char16_t* ClassName() const override { return u"kIOHandler_Dll"; }
  bool Connected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(const std::u16string& aMessage) override;
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  // Address of the library's export aProcName; raises
  // "Unable to get address for procedure " + aProcName when there is none.
  void* GetAddress(const std::u16string& aProcName);

 private:
  ovLibraryHandle fLibraryHandle = nullptr;
};

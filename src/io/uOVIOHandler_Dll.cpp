#include "io/uOVIOHandler_Dll.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "request/uOvConnection.h"

namespace {

// The system's text without the trailing blanks, line breaks and full stops,
// so that " [code]" follows the sentence directly.
std::u16string TrimmedSystemText(std::u16string aText) {
  while (!aText.empty() &&
         (aText.back() == u' ' || aText.back() == u'\r' || aText.back() == u'\n' || aText.back() == u'.')) {
    aText.pop_back();
  }
  return aText;
}

}  // namespace

kIOHandler_Dll::kIOHandler_Dll(const kConnection* aConnection, const std::u16string& aDirectory,
                               const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  const std::u16string libraryName = aConnection != nullptr ? aConnection->LibraryName() : std::u16string();
  WriteLog(let_info, u"kIOHandler_Dll.Create", u"Loading DLL " + libraryName);
  std::u16string systemText;
  int32_t systemCode = 0;
  fLibraryHandle = LoadDynamicLibrary(libraryName, systemText, systemCode);
  if (fLibraryHandle == nullptr) {
    throw tOV_Exception(u"Unable to Load Library " + libraryName + u". " + TrimmedSystemText(systemText) + u" [" +
                        IntToStr(systemCode) + u"]");
  }
  WriteLog(let_info, u"kIOHandler_Dll.Create", u"DLL Loaded successfully");
}

kIOHandler_Dll::~kIOHandler_Dll() {
  if (fLibraryHandle != nullptr) {
    WriteLog(let_info, u"kIOHandler_Dll.Destroy", u"Unloading DLL");
    FreeDynamicLibrary(fLibraryHandle);
    fLibraryHandle = nullptr;
    WriteLog(let_info, u"kIOHandler_Dll.Destroy", u"DLL Unloaded Successfully");
  }
}

bool kIOHandler_Dll::Write(const std::u16string&) { return true; }

std::u16string kIOHandler_Dll::ReadUpTo(const std::vector<uint8_t>&) { return {}; }

std::u16string kIOHandler_Dll::ReadChars(int32_t) { return {}; }

std::u16string kIOHandler_Dll::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_Dll::DecodeError(int32_t) { return {}; }

bool kIOHandler_Dll::InputBufferContainsData() { throw tOV_Exception(u"InputBufferContainsData Unsupported"); }

void kIOHandler_Dll::SetParameter(const std::u16string&, const std::u16string&) {}

void* kIOHandler_Dll::GetAddress(const std::u16string& aProcName) {
  void* address = DynamicLibrarySymbol(fLibraryHandle, aProcName);
  if (address == nullptr) throw tOV_Exception(u"Unable to get address for procedure " + aProcName);
  return address;
}

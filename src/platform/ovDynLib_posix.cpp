#include "platform/ovDynLib.h"

#include <dlfcn.h>

#include "platform/ovUtf.h"

namespace {

// dlopen gives no error number, only a text; 126 is the number the same
// failure carries on Windows ("module not found"), so messages read alike on
// both systems.
constexpr int32_t kLibraryLoadErrorCode = 126;

}  // namespace

ovLibraryHandle LoadDynamicLibrary(const std::u16string& aName, std::u16string& aErrorText, int32_t& aErrorCode) {
  aErrorCode = kLibraryLoadErrorCode;
  // dlopen takes an empty name for the host program itself.
  if (aName.empty()) {
    aErrorText = u"No library name given";
    return nullptr;
  }
  dlerror();  // clear a stale message
  void* handle = dlopen(Utf16ToUtf8(aName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = dlerror();
    aErrorText = text != nullptr ? Utf8ToUtf16(text) : u"The library could not be loaded";
  }
  return handle;
}

void* DynamicLibrarySymbol(ovLibraryHandle aLibrary, const std::u16string& aName) {
  if (aLibrary == nullptr) return nullptr;
  dlerror();
  void* address = dlsym(aLibrary, Utf16ToUtf8(aName).c_str());
  return dlerror() == nullptr ? address : nullptr;
}

bool FreeDynamicLibrary(ovLibraryHandle aLibrary) { return aLibrary != nullptr && dlclose(aLibrary) == 0; }

std::u16string DynamicLibraryFileName(const std::u16string& aModuleName) { return aModuleName + u".so"; }

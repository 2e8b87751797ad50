#include "integration/HostLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

#include "OVPA_DOVAVAREZU_10.h"
#include "platform/ovUtf.h"

namespace {

using AllocFunction = BSTR (*)(const OLECHAR*, unsigned);
using FreeFunction = void (*)(BSTR);
using LengthFunction = unsigned (*)(BSTR);

template <typename Function>
Function Symbol(void* aModule, const char* aName) {
  auto function = reinterpret_cast<Function>(dlsym(aModule, aName));
  if (function == nullptr) throw std::runtime_error(std::string("the library does not export ") + aName);
  return function;
}

}  // namespace

std::string HostAnswer::Field(const std::string& aName) const {
  const std::string open = "<" + aName + ">";
  const size_t start = output.find(open);
  if (start == std::string::npos) return "<absent>";
  const size_t end = output.find("</" + aName + ">", start + open.size());
  if (end == std::string::npos) return "<absent>";
  return output.substr(start + open.size(), end - start - open.size());
}

HostLibrary::HostLibrary() {
  const char* folder = std::getenv("OV_TEST_BINARY_DIR");
  const std::string path = std::string(folder ? folder : ".") + "/OVPA_DOVAVAREZU_10.so";
  fModule = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fModule == nullptr) throw std::runtime_error(dlerror());
}

HostLibrary::~HostLibrary() {
  if (fModule != nullptr) dlclose(fModule);
}

HostAnswer HostLibrary::Call(const char* aExport, const std::string& aRequest) {
  const auto alloc = Symbol<AllocFunction>(fModule, "SysAllocStringLen");
  const auto release = Symbol<FreeFunction>(fModule, "SysFreeString");
  const auto length = Symbol<LengthFunction>(fModule, "SysStringLen");
  const auto operation = Symbol<OvpaOperation>(fModule, aExport);

  const std::u16string text = Utf8ToUtf16(aRequest);
  BSTR request = alloc(reinterpret_cast<const OLECHAR*>(text.data()), unsigned(text.size()));
  BSTR output = nullptr;
  BSTR message = nullptr;
  HostAnswer answer;
  answer.result = operation(request, &output, &message);
  release(request);
  auto take = [&](BSTR aValue) {
    if (aValue == nullptr) return std::string();
    std::string utf8 = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(aValue), length(aValue)));
    release(aValue);
    return utf8;
  };
  answer.output = take(output);
  answer.message = take(message);
  return answer;
}

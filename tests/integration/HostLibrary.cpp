#include "integration/HostLibrary.h"

#include <cstdlib>

#include "platform/ovUtf.h"

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
  Alloc = Symbol<BSTR (*)(const OLECHAR*, unsigned)>("SysAllocStringLen");
  Free = Symbol<void (*)(BSTR)>("SysFreeString");
  Length = Symbol<unsigned (*)(BSTR)>("SysStringLen");
  ByteLength = Symbol<unsigned (*)(BSTR)>("SysStringByteLen");
  if (!Alloc || !Free || !Length || !ByteLength) throw std::runtime_error("the library lacks its string functions");
}

HostLibrary::~HostLibrary() { dlclose(fModule); }

BSTR HostLibrary::Make(const std::u16string& aText) const {
  return Alloc(reinterpret_cast<const OLECHAR*>(aText.data()), unsigned(aText.size()));
}

std::u16string HostLibrary::Take(BSTR aValue) const {
  if (aValue == nullptr) return {};
  std::u16string text(reinterpret_cast<const char16_t*>(aValue), Length(aValue));
  Free(aValue);
  return text;
}

HostAnswer HostLibrary::Call(const char* aExport, const std::string& aRequest) const {
  const auto operation = Symbol<OvpaOperation>(aExport);
  if (operation == nullptr) throw std::runtime_error(std::string("the library does not export ") + aExport);
  BSTR request = Make(Utf8ToUtf16(aRequest));
  BSTR output = nullptr;
  BSTR message = nullptr;
  HostAnswer answer;
  answer.result = operation(request, &output, &message);
  Free(request);
  answer.output = Utf16ToUtf8(Take(output));
  answer.message = Utf16ToUtf8(Take(message));
  return answer;
}

// ovpa-host: loads the payment driver library by path and runs the calls given
// on the command line, in order, in one process, so that a device opened by
// one call serves the next. See --help.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "OVPA_DOVAVAREZU_10.h"
#include "platform/ovUtf.h"

namespace {

const char* const kOperations[] = {"PAY", "REPRINT", "OPEN", "CLOSE", "GETSTATUS", "DAYCLOSE", "GETTOTALS",
                                   "VERIFYTRAN", "VERSION"};

void PrintHelp() {
  std::cout <<
      "Usage: ovpa-host [--library PATH] [--json] [--no-unload] CALL ARG [CALL ARG ...]\n"
      "\n"
      "Loads the payment driver library at run time and runs each call in order,\n"
      "in one process, as a point-of-sale host does: a device opened by one call\n"
      "serves the next ones.\n"
      "\n"
      "  CALL ARG      PAY, REPRINT, OPEN, CLOSE, GETSTATUS, DAYCLOSE, GETTOTALS or\n"
      "                VERIFYTRAN with a request file (- reads standard input), or\n"
      "                VERSION with a driver name (e.g. OVPA_DOVAVAREZU_10).\n"
      "  --library P   the library to load. Without it: $OVPA_LIBRARY when set,\n"
      "                else OVPA_DOVAVAREZU_10.so in the folder above this program.\n"
      "  --json        one JSON object per call on standard output:\n"
      "                {\"call\",\"argument\",\"result\",\"errorMessage\",\"output\"}.\n"
      "  --no-unload   end without unloading the library, as a host that simply\n"
      "                exits does (devices still open are closed at exit).\n"
      "  --help        this text.\n"
      "\n"
      "Request files may quote values of earlier answers: ${Name} is the value of\n"
      "the element Name in the latest answer that had one, ${N.Name} that of call\n"
      "N (counted from 1). So a CLOSE request can say <Handle>${Handle}</Handle>\n"
      "and a void <PaymentId>${2.PaymentNumber}</PaymentId>. Answer values go in\n"
      "as the answer wrote them, XML-escaped already. ${env:NAME} is the\n"
      "environment variable NAME, XML-escaped (& < > \" ' become entities); an\n"
      "unset one is an error, an empty one is allowed.\n"
      "\n"
      "Exit status: 0 when every call answered 0, 1 when a call answered -1,\n"
      "2 on misuse (unknown call, missing file, library that does not load).\n";
}

// Element text as a request may carry it.
std::string XmlEscaped(const std::string& aText) {
  std::string out;
  for (const char c : aText) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string JsonString(const std::string& aText) {
  std::string out = "\"";
  for (unsigned char c : aText) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out.push_back(char(c));
        }
    }
  }
  return out + "\"";
}

// Element values of one answer fragment ("<Name>value</Name>" lines).
std::map<std::string, std::string> FragmentValues(const std::string& aFragment) {
  std::map<std::string, std::string> values;
  size_t position = 0;
  while ((position = aFragment.find('<', position)) != std::string::npos) {
    const size_t nameEnd = aFragment.find('>', position);
    if (nameEnd == std::string::npos || aFragment[position + 1] == '/') {
      ++position;
      continue;
    }
    const std::string name = aFragment.substr(position + 1, nameEnd - position - 1);
    const std::string close = "</" + name + ">";
    const size_t valueEnd = aFragment.find(close, nameEnd);
    if (valueEnd == std::string::npos) break;
    values[name] = aFragment.substr(nameEnd + 1, valueEnd - nameEnd - 1);
    position = valueEnd + close.size();
  }
  return values;
}

class Substitutions {
 public:
  void Remember(const std::string& aFragment) {
    fCalls.push_back(FragmentValues(aFragment));
    for (const auto& [name, value] : fCalls.back()) fLatest[name] = value;
  }

  // Replaces ${Name}, ${N.Name} and ${env:NAME}; what cannot be found is an
  // error, told in aError.
  bool Apply(std::string& aText, std::string& aError) const {
    std::string out;
    size_t position = 0;
    while (true) {
      const size_t start = aText.find("${", position);
      if (start == std::string::npos) break;
      const size_t end = aText.find('}', start);
      if (end == std::string::npos) break;
      const std::string key = aText.substr(start + 2, end - start - 2);
      std::string value;
      aError = Lookup(key, value);
      if (!aError.empty()) return false;
      out += aText.substr(position, start - position) + value;
      position = end + 1;
    }
    aText = out + aText.substr(position);
    return true;
  }

 private:
  // The value of one key, or empty text and the reason it has none.
  std::string Lookup(const std::string& aKey, std::string& aValue) const {
    if (aKey.rfind("env:", 0) == 0) {
      const std::string variable = aKey.substr(4);
      const char* value = std::getenv(variable.c_str());
      if (value == nullptr) return "the environment variable " + variable + " is not set (${" + aKey + "})";
      aValue = XmlEscaped(value);
      return {};
    }
    const size_t dot = aKey.find('.');
    const std::map<std::string, std::string>* table = &fLatest;
    std::string name = aKey;
    std::string missing = "no earlier answer has an element ";
    if (dot != std::string::npos && dot > 0 && aKey.find_first_not_of("0123456789") == dot) {
      // More digits than any count of calls has cannot name one.
      const std::string digits = aKey.substr(0, dot);
      const size_t call = digits.size() <= 9 ? std::stoul(digits) : 0;
      if (call == 0 || call > fCalls.size()) {
        return "${" + aKey + "} names call " + digits + ", but " + std::to_string(fCalls.size()) +
               " calls have answered so far";
      }
      table = &fCalls[call - 1];
      name = aKey.substr(dot + 1);
      missing = "the answer of call " + digits + " has no element ";
    }
    const auto found = table->find(name);
    if (found == table->end()) return missing + name + " (${" + aKey + "})";
    aValue = found->second;
    return {};
  }

  std::vector<std::map<std::string, std::string>> fCalls;
  std::map<std::string, std::string> fLatest;
};

// $OVPA_LIBRARY, else the library in the folder above this program.
std::string DefaultLibraryPath(const char* aProgram) {
  if (const char* fromEnvironment = std::getenv("OVPA_LIBRARY")) return fromEnvironment;
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = length > 0 ? std::string(self, size_t(length)) : std::string(aProgram);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  return folder + "/../OVPA_DOVAVAREZU_10.so";
}

bool ReadRequest(const std::string& aArgument, std::string& aText) {
  std::ostringstream buffer;
  if (aArgument == "-") {
    buffer << std::cin.rdbuf();
  } else {
    std::ifstream file(aArgument, std::ios::binary);
    if (!file) return false;
    buffer << file.rdbuf();
  }
  aText = buffer.str();
  if (aText.rfind("\xEF\xBB\xBF", 0) == 0) aText.erase(0, 3);
  return true;
}

struct Library {
  BSTR (*SysAllocStringLen)(const OLECHAR*, unsigned);
  void (*SysFreeString)(BSTR);
  unsigned (*SysStringLen)(BSTR);
  std::map<std::string, OvpaOperation> operations;
};

std::string TakeString(const Library& aLibrary, BSTR aValue) {
  if (aValue == nullptr) return {};
  std::string text =
      Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(aValue), aLibrary.SysStringLen(aValue)));
  aLibrary.SysFreeString(aValue);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string libraryPath;
  bool json = false;
  bool unload = true;
  std::vector<std::pair<std::string, std::string>> calls;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      PrintHelp();
      return 0;
    } else if (argument == "--json") {
      json = true;
    } else if (argument == "--no-unload") {
      unload = false;
    } else if (argument == "--library") {
      if (++i >= argc) {
        std::cerr << "ovpa-host: --library needs a path\n";
        return 2;
      }
      libraryPath = argv[i];
    } else {
      bool known = false;
      for (const char* operation : kOperations) known = known || argument == operation;
      if (!known) {
        std::cerr << "ovpa-host: unknown call '" << argument << "' (see --help)\n";
        return 2;
      }
      if (++i >= argc) {
        std::cerr << "ovpa-host: " << argument << " needs "
                  << (argument == "VERSION" ? "a driver name" : "a request file") << "\n";
        return 2;
      }
      calls.emplace_back(argument, argv[i]);
    }
  }
  if (calls.empty()) {
    std::cerr << "ovpa-host: no calls given (see --help)\n";
    return 2;
  }
  for (const auto& [operation, argument] : calls) {
    if (operation != "VERSION" && argument != "-" && !std::ifstream(argument)) {
      std::cerr << "ovpa-host: cannot read request file '" << argument << "'\n";
      return 2;
    }
  }
  if (libraryPath.empty()) libraryPath = DefaultLibraryPath(argv[0]);
  void* module = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::cerr << "ovpa-host: cannot load the library '" << libraryPath << "': " << dlerror() << "\n";
    return 2;
  }
  Library library{};
  library.SysAllocStringLen = reinterpret_cast<BSTR (*)(const OLECHAR*, unsigned)>(dlsym(module, "SysAllocStringLen"));
  library.SysFreeString = reinterpret_cast<void (*)(BSTR)>(dlsym(module, "SysFreeString"));
  library.SysStringLen = reinterpret_cast<unsigned (*)(BSTR)>(dlsym(module, "SysStringLen"));
  for (const char* operation : kOperations) {
    library.operations[operation] = reinterpret_cast<OvpaOperation>(dlsym(module, operation));
  }
  if (!library.SysAllocStringLen || !library.SysFreeString || !library.SysStringLen) {
    std::cerr << "ovpa-host: '" << libraryPath << "' does not export the string functions\n";
    return 2;
  }

  Substitutions substitutions;
  int exitCode = 0;
  int number = 0;
  for (const auto& [operation, argument] : calls) {
    ++number;
    OvpaOperation call = library.operations[operation];
    if (call == nullptr) {
      std::cerr << "ovpa-host: the library does not export " << operation << "\n";
      return 2;
    }
    std::string input = argument;
    if (operation != "VERSION") {
      std::string error;
      if (!ReadRequest(argument, input) || !substitutions.Apply(input, error)) {
        std::cerr << "ovpa-host: call " << number << " (" << operation << " " << argument << "): "
                  << (error.empty() ? "cannot read the request" : error) << "\n";
        return 2;
      }
    }
    const std::u16string text = Utf8ToUtf16(input);
    BSTR request = library.SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), unsigned(text.size()));
    BSTR output = nullptr;
    BSTR message = nullptr;
    const int16_t result = call(request, &output, &message);
    library.SysFreeString(request);
    const std::string outputText = TakeString(library, output);
    const std::string messageText = TakeString(library, message);
    substitutions.Remember(outputText);
    if (result != 0) exitCode = 1;

    if (json) {
      std::cout << "{\"call\":" << JsonString(operation) << ",\"argument\":" << JsonString(argument)
                << ",\"result\":" << result << ",\"errorMessage\":" << JsonString(messageText)
                << ",\"output\":" << JsonString(outputText) << "}" << std::endl;
      continue;
    }
    std::cout << "== " << number << ". " << operation << " " << argument << "\n"
              << "result:  " << result << (result == 0 ? " (success)" : " (failure)") << "\n"
              << "message: " << (messageText.empty() ? "(none)" : messageText) << "\n";
    if (operation == "VERSION") {
      std::cout << "version: " << (outputText.empty() ? "(not registered)" : outputText) << "\n\n";
      continue;
    }
    std::cout << "output:\n";
    std::istringstream lines(outputText);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::cout << "  " << line << "\n";
    }
    std::cout << std::endl;
  }
  if (unload) dlclose(module);
  return exitCode;
}

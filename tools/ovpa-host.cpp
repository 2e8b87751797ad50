// ovpa-host: loads the payment driver library by path and runs the calls given
// on the command line, in order, in one process, so that a device opened by
// one call serves the next. See --help.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "OVPA_DOVAVAREZU_10.h"
#include "platform/ovDynLib.h"
#include "platform/ovFiles.h"
#include "platform/ovHostStrings.h"
#include "platform/ovPaths.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"

namespace {

const char* const kOperations[] = {"PAY", "REPRINT", "OPEN", "CLOSE", "GETSTATUS", "DAYCLOSE", "GETTOTALS",
                                   "VERIFYTRAN", "VERSION"};

void PrintHelp() {
  std::cout <<
      "Usage: ovpa-host [--library PATH] [--json] [--no-unload] [/SWITCH ...] CALL ARG [CALL ARG ...]\n"
      "\n"
      "Loads the payment driver library at run time and runs each call in order,\n"
      "in one process, as a point-of-sale host does: a device opened by one call\n"
      "serves the next ones.\n"
      "\n"
      "  CALL ARG      PAY, REPRINT, OPEN, CLOSE, GETSTATUS, DAYCLOSE, GETTOTALS or\n"
      "                VERIFYTRAN with a request file (- reads standard input), or\n"
      "                VERSION with a driver name (e.g. OVPA_DOVAVAREZU_10).\n"
      "  --library P   the library to load. Without it: $OVPA_LIBRARY when set,\n"
      "                else OVPA_DOVAVAREZU_10.so (.dll on Windows) in the folder\n"
      "                above this program.\n"
      "  --json        one JSON object per call on standard output:\n"
      "                {\"call\",\"argument\",\"result\",\"errorMessage\",\"output\"}.\n"
      "  --no-unload   end without unloading the library, as a host that simply\n"
      "                exits does (devices still open are closed at exit).\n"
      "  /SWITCH       a switch of the host's command line, for the library to read\n"
      "                (/BATCH, /ENV:<name>, /LOC, /U:<user>, /DEBUG, /TEST);\n"
      "                ovpa-host itself ignores it.\n"
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
std::u16string DefaultLibraryPath() {
  const std::u16string fromEnvironment = EnvironmentVariable(u"OVPA_LIBRARY");
  if (!fromEnvironment.empty()) return fromEnvironment;
  return JoinPath(JoinPath(HostExecutableFolder(), u".."), DynamicLibraryFileName(u"OVPA_DOVAVAREZU_10"));
}

bool ReadRequest(const std::string& aArgument, std::string& aText) {
  if (aArgument == "-") {
    aText.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else if (!ReadFileBytes(Utf8ToUtf16(aArgument), aText)) {
    return false;
  }
  if (aText.rfind("\xEF\xBB\xBF", 0) == 0) aText.erase(0, 3);
  return true;
}

}  // namespace

int main() {
  // The arguments as the system has them, in full Unicode on Windows too.
  std::vector<std::string> arguments;
  for (const std::u16string& argument : CommandLineArguments()) arguments.push_back(Utf16ToUtf8(argument));
  const size_t argc = arguments.size();
  std::string libraryPath;
  bool json = false;
  bool unload = true;
  std::vector<std::pair<std::string, std::string>> calls;
  for (size_t i = 0; i < argc; ++i) {
    const std::string argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      PrintHelp();
      return 0;
    } else if (argument == "--json") {
      json = true;
    } else if (argument == "--no-unload") {
      unload = false;
    } else if (argument.size() > 1 && argument[0] == '/') {
      continue;  // the library reads the host's switches from the command line itself
    } else if (argument == "--library") {
      if (++i >= argc) {
        std::cerr << "ovpa-host: --library needs a path\n";
        return 2;
      }
      libraryPath = arguments[i];
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
      calls.emplace_back(argument, arguments[i]);
    }
  }
  if (calls.empty()) {
    std::cerr << "ovpa-host: no calls given (see --help)\n";
    return 2;
  }
  for (const auto& [operation, argument] : calls) {
    if (operation != "VERSION" && argument != "-" && !FileExists(Utf8ToUtf16(argument))) {
      std::cerr << "ovpa-host: cannot read request file '" << argument << "'\n";
      return 2;
    }
  }
  const std::u16string library = libraryPath.empty() ? DefaultLibraryPath() : Utf8ToUtf16(libraryPath);
  std::u16string loadError;
  int32_t loadErrorCode = 0;
  ovLibraryHandle module = LoadDynamicLibrary(library, loadError, loadErrorCode);
  if (module == nullptr) {
    std::cerr << "ovpa-host: cannot load the library '" << Utf16ToUtf8(library) << "': " << Utf16ToUtf8(loadError)
              << "\n";
    return 2;
  }
  const ovHostStrings strings(module);
  std::map<std::string, OvpaOperation> operations;
  for (const char* operation : kOperations) {
    operations[operation] = reinterpret_cast<OvpaOperation>(DynamicLibrarySymbol(module, AsciiToUtf16(operation)));
  }
  if (!strings.Available()) {
    std::cerr << "ovpa-host: '" << Utf16ToUtf8(library) << "' does not export the string functions\n";
    return 2;
  }

  Substitutions substitutions;
  int exitCode = 0;
  int number = 0;
  for (const auto& [operation, argument] : calls) {
    ++number;
    OvpaOperation call = operations[operation];
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
    BSTR request = strings.Make(Utf8ToUtf16(input));
    BSTR output = nullptr;
    BSTR message = nullptr;
    const int16_t result = call(request, &output, &message);
    strings.Free(request);
    const std::string outputText = Utf16ToUtf8(strings.Take(output));
    const std::string messageText = Utf16ToUtf8(strings.Take(message));
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
  if (unload) FreeDynamicLibrary(module);
  return exitCode;
}

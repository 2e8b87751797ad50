#include "db/DbTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "app/uOV_Base.h"
#include "base/uOV_Text.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"

namespace {

std::vector<std::u16string> gBatchOnly{u"/BATCH"};

// One application object for the test program, created as a batch host
// whose executable lies in a temporary folder (the log goes there).
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    fHostFolder = std::make_unique<TempFolder>();
    SetHostExecutablePathForTesting(fHostFolder->Path16() + u"/RegistryTestHost");
    SetCommandLineArgumentsForTesting(&gBatchOnly);
    CreateApplication();
  }
  void TearDown() override {
    DestroyApplication();
    SetCommandLineArgumentsForTesting(nullptr);
    SetHostExecutablePathForTesting(u"");
    fHostFolder.reset();
  }

 private:
  std::unique_ptr<TempFolder> fHostFolder;
};

[[maybe_unused]] ::testing::Environment* const gApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

std::string ReadAll(const std::string& aPath) {
  std::ifstream file(aPath, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

}  // namespace

std::string ApplicationLogText() {
  if (Application() == nullptr) return {};
  return ReadAll(Utf16ToUtf8(Application()->LogFileName()));
}

bool WaitForApplicationLog(const std::string& aText) {
  return WaitFor([&] { return ApplicationLogText().find(aText) != std::string::npos; });
}

ScopedArguments::ScopedArguments(std::vector<std::u16string> aArguments) : fArguments(std::move(aArguments)) {
  fArguments.insert(fArguments.begin(), u"/BATCH");
  SetCommandLineArgumentsForTesting(&fArguments);
}

ScopedArguments::~ScopedArguments() { SetCommandLineArgumentsForTesting(&gBatchOnly); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string aName, std::optional<std::string> aValue)
    : fName(std::move(aName)) {
  if (const char* old = std::getenv(fName.c_str())) fOldValue = old;
  if (aValue) {
    setenv(fName.c_str(), aValue->c_str(), 1);
  } else {
    unsetenv(fName.c_str());
  }
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  if (fOldValue) {
    setenv(fName.c_str(), fOldValue->c_str(), 1);
  } else {
    unsetenv(fName.c_str());
  }
}

bool ReadRegistryDbSettings(RegistryDbSettings& aSettings, std::string& aError) {
  const char* binaryDir = std::getenv("OV_TEST_BINARY_DIR");
  if (binaryDir == nullptr) {
    aError = "OV_TEST_BINARY_DIR is not set: run the tests through ctest (fixture registry_db)";
    return false;
  }
  const std::string path = std::string(binaryDir) + "/registry-db/registry-db.env";
  std::ifstream file(path);
  if (!file) {
    aError = path + " not found: the registry_db fixture (scripts/pg-test-server) did not run";
    return false;
  }
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(file, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  for (const char* key : {"HOST", "PORT", "DATABASE", "USER", "PASSWORD", "ODBC_DRIVER", "DATA_SOURCE"}) {
    if (values[key].empty()) {
      aError = path + " lacks " + key;
      return false;
    }
  }
  aSettings.host = Utf8ToUtf16(values["HOST"]);
  aSettings.port = Utf8ToUtf16(values["PORT"]);
  aSettings.database = Utf8ToUtf16(values["DATABASE"]);
  aSettings.user = Utf8ToUtf16(values["USER"]);
  aSettings.password = Utf8ToUtf16(values["PASSWORD"]);
  aSettings.driver = Utf8ToUtf16(values["ODBC_DRIVER"]);
  aSettings.dataSource = Utf8ToUtf16(values["DATA_SOURCE"]);
  return true;
}

std::unique_ptr<tOV_BottegarioProxy> MakeRegistryProxy(const RegistryDbSettings& aSettings) {
  auto proxy = std::make_unique<tOV_BottegarioProxy>();
  proxy->SetDBDriver(aSettings.driver);
  proxy->SetDataSource(aSettings.dataSource);
  proxy->SetDbName(aSettings.database);
  proxy->SetDBUserName(aSettings.user);
  proxy->SetDBUserPwd(aSettings.password);
  return proxy;
}

std::vector<std::u16string> RegistrySchemaStatements() {
  const std::string text = ReadAll(OV_REGISTRY_SCHEMA);
  std::vector<std::u16string> statements;
  std::string current;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("--", 0) == 0) continue;
    current += line + "\n";
    const size_t last = line.find_last_not_of(" \t\r");
    if (last != std::string::npos && line[last] == ';') {
      statements.push_back(Utf8ToUtf16(current));
      current.clear();
    }
  }
  return statements;
}

std::u16string UniqueName(const std::u16string& aPrefix) {
  static std::mt19937_64 generator{std::random_device{}()};
  std::u16string name = aPrefix;
  const char16_t* digits = u"0123456789abcdef";
  for (int i = 0; i < 12; ++i) name += digits[generator() % 16];
  return name;
}

#include "db/RegistryDb.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "platform/ovUtf.h"
#include "support/WholeFile.h"

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
  const std::string text = ReadWholeFile(OV_REGISTRY_SCHEMA);
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

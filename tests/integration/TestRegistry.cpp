#include "integration/TestRegistry.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

#include "db/uOV_Bottegario.h"
#include "platform/ovUtf.h"
#include "support/TestHttpServer.h"

namespace {

std::map<std::string, std::string> ReadFixtureSettings() {
  const char* binaryDir = std::getenv("OV_TEST_BINARY_DIR");
  if (binaryDir == nullptr) throw std::runtime_error("OV_TEST_BINARY_DIR is not set: run the tests through ctest");
  const std::string path = std::string(binaryDir) + "/registry-db/registry-db.env";
  std::ifstream file(path);
  if (!file) throw std::runtime_error(path + " not found: the registry_db fixture did not run");
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(file, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  for (const char* key : {"DATABASE", "USER", "PASSWORD", "ODBC_DRIVER", "DATA_SOURCE"}) {
    if (values[key].empty()) throw std::runtime_error(path + " lacks " + key);
  }
  return values;
}

std::string RandomHex(size_t aDigits) {
  static std::mt19937_64 generator{std::random_device{}()};
  std::string text;
  for (size_t i = 0; i < aDigits; ++i) text += "0123456789abcdef"[generator() % 16];
  return text;
}

std::string Quoted(const std::string& aText) {
  std::string out = "'";
  for (char c : aText) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// The registry schema file, one statement per ";"-terminated line group.
std::vector<std::string> SchemaStatements() {
  std::ifstream file(OV_REGISTRY_SCHEMA);
  if (!file) throw std::runtime_error(std::string("schema file ") + OV_REGISTRY_SCHEMA + " not found");
  std::vector<std::string> statements;
  std::string current;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("--", 0) == 0) continue;
    current += line + "\n";
    const size_t last = line.find_last_not_of(" \t\r");
    if (last != std::string::npos && line[last] == ';') {
      statements.push_back(current);
      current.clear();
    }
  }
  return statements;
}

std::string SettingsText(const std::string& aDataSource, const std::string& aDatabase, const std::string& aUser,
                         const std::string& aPassword, const std::string& aDriver) {
  // A section header, as integrators tend to write one: the driver ignores it.
  return "[Registry]\r\nDataSource=" + aDataSource + "\r\nDBName=" + aDatabase + "\r\nDBUserName=" + aUser +
         "\r\nDbUserPwd=" + aPassword + "\r\nDBDriver=" + aDriver + "\r\n";
}

}  // namespace

TestRegistry::TestRegistry(const std::vector<CompanyRow>& aCompanies, const std::vector<BranchRow>& aBranches) {
  auto settings = ReadFixtureSettings();
  fDriver = settings["ODBC_DRIVER"];
  fDataSource = settings["DATA_SOURCE"];
  fDatabase = settings["DATABASE"];
  fAdmin = std::make_unique<tOV_BottegarioProxy>();
  fAdmin->SetDBDriver(Utf8ToUtf16(fDriver));
  fAdmin->SetDataSource(Utf8ToUtf16(fDataSource));
  fAdmin->SetDbName(Utf8ToUtf16(fDatabase));
  fAdmin->SetDBUserName(Utf8ToUtf16(settings["USER"]));
  fAdmin->SetDBUserPwd(Utf8ToUtf16(settings["PASSWORD"]));
  if (!fAdmin->Connect()) throw std::runtime_error("registry server: " + Utf16ToUtf8(fAdmin->ConnectionError()));

  const std::string suffix = RandomHex(12);
  fRole = "till_" + suffix;
  fSchema = "shop_" + suffix;
  // Characters a connection string must quote, so that the settings file
  // carries the password as it is.
  fPassword = "Pw;" + RandomHex(16) + "}=";
  Run("create role " + fRole + " login password " + Quoted(fPassword));
  Run("create schema " + fSchema);
  Run("grant usage on schema " + fSchema + " to " + fRole);
  Run("set search_path to " + fSchema + ", public");
  for (const auto& statement : SchemaStatements()) Run(statement);
  for (const auto& company : aCompanies) {
    Run("insert into companyrecord (id, Company_Name, Company_VATId) values (" + std::to_string(company.id) +
        ", " + Quoted("Company " + std::to_string(company.id)) + ", " + Quoted(company.vatId) + ")");
  }
  for (const auto& branch : aBranches) {
    Run("insert into branchrecord (Branch_Code, Branch_Company, Branch_FiscalId, InvoiceSerieTemplate, "
        "CreditNoteSerieTemplate) values (" +
        Quoted(branch.code) + ", " + std::to_string(branch.company) + ", " +
        (branch.fiscalId ? std::to_string(*branch.fiscalId) : std::string("null")) + ", " +
        Quoted(branch.invoiceSerieTemplate) + ", " + Quoted(branch.creditNoteSerieTemplate) + ")");
  }
  Run("grant select on all tables in schema " + fSchema + " to " + fRole);
  Run("grant execute on all functions in schema " + fSchema + " to " + fRole);
  Run("alter role " + fRole + " set search_path to " + fSchema + ", public");
}

TestRegistry::~TestRegistry() {
  try {
    if (!fAdmin->Connected()) fAdmin->Connect();
    Run("drop schema if exists " + fSchema + " cascade");
    Run("drop role if exists " + fRole);
  } catch (const std::exception&) {
    // The fixture's server goes away with its folder at the end of the run.
  }
}

void TestRegistry::Run(const std::string& aSQL) {
  try {
    fAdmin->CreateDataset(Utf8ToUtf16(aSQL));
  } catch (...) {
    throw std::runtime_error("registry statement failed: " + aSQL);
  }
}

std::string TestRegistry::SettingsFileText() const {
  return SettingsText(fDataSource, fDatabase, fRole, fPassword, fDriver);
}

std::string TestRegistry::UnreachableSettingsFileText() const {
  return SettingsText("127.0.0.1," + std::to_string(ClosedLoopbackPort()), fDatabase, fRole, fPassword, fDriver);
}

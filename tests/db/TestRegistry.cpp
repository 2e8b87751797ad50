#include "db/TestRegistry.h"

#include <stdexcept>

#include "db/RegistryDb.h"
#include "platform/ovUtf.h"
#include "support/TestHttpServer.h"

namespace {

std::string Quoted(const std::string& aText) {
  std::string out = "'";
  for (char c : aText) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string QuotedOrNull(const std::optional<std::string>& aText) { return aText ? Quoted(*aText) : "null"; }

std::string SettingsText(const std::string& aDataSource, const std::string& aDatabase, const std::string& aUser,
                         const std::string& aPassword, const std::string& aDriver) {
  // A section header, as integrators tend to write one: the driver ignores it.
  return "[Registry]\r\nDataSource=" + aDataSource + "\r\nDBName=" + aDatabase + "\r\nDBUserName=" + aUser +
         "\r\nDbUserPwd=" + aPassword + "\r\nDBDriver=" + aDriver + "\r\n";
}

}  // namespace

TestRegistry::TestRegistry(const std::vector<CompanyRow>& aCompanies, const std::vector<BranchRow>& aBranches) {
  RegistryDbSettings settings;
  std::string error;
  if (!ReadRegistryDbSettings(settings, error)) throw std::runtime_error(error);
  fDriver = Utf16ToUtf8(settings.driver);
  fDataSource = Utf16ToUtf8(settings.dataSource);
  fDatabase = Utf16ToUtf8(settings.database);
  fAdmin = MakeRegistryProxy(settings);
  if (!fAdmin->Connect()) throw std::runtime_error("registry server: " + Utf16ToUtf8(fAdmin->ConnectionError()));

  fRole = Utf16ToUtf8(UniqueName(u"till_"));
  fSchema = Utf16ToUtf8(UniqueName(u"shop_"));
  // Characters a connection string must quote, so that the settings file
  // carries the password as it is.
  fPassword = "Pw;" + Utf16ToUtf8(UniqueName(u"")) + "}=";
  Run("create role " + fRole + " login password " + Quoted(fPassword));
  Run("create schema " + fSchema);
  Run("grant usage on schema " + fSchema + " to " + fRole);
  Run("set search_path to " + fSchema + ", public");
  for (const auto& statement : RegistrySchemaStatements()) Run(Utf16ToUtf8(statement));
  for (const auto& company : aCompanies) {
    Run("insert into companyrecord (id, Company_Name, Company_VATId) values (" + std::to_string(company.id) +
        ", " + Quoted("Company " + std::to_string(company.id)) + ", " + Quoted(company.vatId) + ")");
  }
  for (const auto& branch : aBranches) {
    Run("insert into branchrecord (Branch_Code, Branch_Company, Branch_FiscalId, InvoiceSerieTemplate, "
        "CreditNoteSerieTemplate) values (" +
        Quoted(branch.code) + ", " + std::to_string(branch.company) + ", " +
        (branch.fiscalId ? std::to_string(*branch.fiscalId) : std::string("null")) + ", " +
        QuotedOrNull(branch.invoiceSerieTemplate) + ", " + QuotedOrNull(branch.creditNoteSerieTemplate) + ")");
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

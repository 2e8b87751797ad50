// A registry database of one test on the PostgreSQL server of the
// registry_db fixture: a login role of its own whose search path starts at a
// schema of its own holding the registry tables and the test's rows. The
// driver logs in as that role, so its unqualified query sees only these
// rows. The destructor drops the schema and the role.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class tOV_BottegarioProxy;

struct CompanyRow {
  int id;
  std::string vatId;
};

struct BranchRow {
  std::string code;
  int company;
  std::optional<int> fiscalId;  // nullopt: NULL in the database
  std::optional<std::string> invoiceSerieTemplate;  // nullopt: NULL
  std::optional<std::string> creditNoteSerieTemplate;
};

class TestRegistry {
 public:
  // Throws std::runtime_error when the fixture's server is not there or a
  // statement fails.
  TestRegistry(const std::vector<CompanyRow>& aCompanies, const std::vector<BranchRow>& aBranches);
  ~TestRegistry();
  TestRegistry(const TestRegistry&) = delete;
  TestRegistry& operator=(const TestRegistry&) = delete;

  // The lines of the driver's settings file (ovFP_RORUZEZU_10.ini) that log
  // in as this registry's role.
  std::string SettingsFileText() const;
  // The same server and database with a data source on which nothing listens.
  std::string UnreachableSettingsFileText() const;

  const std::string& Password() const { return fPassword; }
  const std::string& OdbcDriver() const { return fDriver; }
  const std::string& DataSource() const { return fDataSource; }
  const std::string& Database() const { return fDatabase; }
  const std::string& Role() const { return fRole; }
  const std::string& Schema() const { return fSchema; }

  // Runs a statement as the fixture's login, in this registry's schema.
  void Run(const std::string& aSQL);

 private:
  std::unique_ptr<tOV_BottegarioProxy> fAdmin;  // the fixture's own login
  std::string fDriver;
  std::string fDataSource;
  std::string fDatabase;
  std::string fRole;
  std::string fPassword;
  std::string fSchema;
};

// Shared pieces of the database proxy's tests: the application object in
// batch mode (its log in a temporary host folder), command-line arguments
// for one test, environment variables for one test, and the registry
// database that the test fixture's PostgreSQL server offers.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/uOV_Bottegario.h"

// The application log's text so far, and waiting for a line to arrive
// (the log writer works on its own thread).
std::string ApplicationLogText();
bool WaitForApplicationLog(const std::string& aText);

// The host's command line for one test; "/BATCH" is always kept, as the
// application object was created with it.
class ScopedArguments {
 public:
  explicit ScopedArguments(std::vector<std::u16string> aArguments);
  ~ScopedArguments();
  ScopedArguments(const ScopedArguments&) = delete;
  ScopedArguments& operator=(const ScopedArguments&) = delete;

 private:
  std::vector<std::u16string> fArguments;
};

// Sets (or with nullopt removes) an environment variable, restoring it after.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string aName, std::optional<std::string> aValue);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string fName;
  std::optional<std::string> fOldValue;
};

// Connection facts of the test server, from registry-db.env.
struct RegistryDbSettings {
  std::u16string host;
  std::u16string port;
  std::u16string database;
  std::u16string user;
  std::u16string password;
  std::u16string driver;
  std::u16string dataSource;
};

// Reads $OV_TEST_BINARY_DIR/registry-db/registry-db.env; answers false with
// the reason in aError when it is missing or incomplete.
bool ReadRegistryDbSettings(RegistryDbSettings& aSettings, std::string& aError);

// A proxy set up for the test server (not yet connected).
std::unique_ptr<tOV_BottegarioProxy> MakeRegistryProxy(const RegistryDbSettings& aSettings);

// The statements of the registry schema file, for loading into a test schema.
std::vector<std::u16string> RegistrySchemaStatements();

// A random lower-case name with the prefix, for schemas and roles of one test.
std::u16string UniqueName(const std::u16string& aPrefix);

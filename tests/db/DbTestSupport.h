// Shared pieces of the database proxy's tests: the application object in
// batch mode (its log in a temporary host folder), command-line arguments
// for one test and environment variables for one test. The registry
// database itself is in RegistryDb.h.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/RegistryDb.h"

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

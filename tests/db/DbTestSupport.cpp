#include "db/DbTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/uOV_Base.h"
#include "base/uOV_Text.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"
#include "support/WholeFile.h"

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

}  // namespace

std::string ApplicationLogText() {
  if (Application() == nullptr) return {};
  return ReadWholeFile(Utf16ToUtf8(Application()->LogFileName()));
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

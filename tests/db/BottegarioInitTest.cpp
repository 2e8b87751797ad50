#include <gtest/gtest.h>

#include <fstream>

#include "app/uOV_Base.h"
#include "db/DbTestSupport.h"
#include "db/uOV_Bottegario.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// A driver name that the driver manager does not know: Connect fails at
// once, after Init has read the settings.
constexpr const char* kUnreachableDriver = "Cfg_DBDriver=No Such ODBC Driver\r\n";

const char* const kTwoEnvironments =
    "[parametri generali]\r\n"
    "Cfg_DataSource=general\r\n"
    "[Prod]\r\n"
    "Cfg_DataSource=srv01,1433\r\n"
    "Cfg_DbName=Shop\r\n"
    "Cfg_UserName=sa\r\n"
    "Cfg_UserPwd=secret\r\n"
    "Cfg_DataSourceLocal=127.0.0.1,1433\r\n"
    "Cfg_DbNameLocal=ShopLocal\r\n"
    "Cfg_UserNameLocal=local\r\n"
    "Cfg_UserPwdLocal=localsecret\r\n"
    "Cfg_EnvType=Prod\r\n"
    "Cfg_DBDriver=No Such ODBC Driver\r\n"
    "[Collaudo]\r\n"
    "Cfg_DataSource=srv02\r\n"
    "Cfg_DbName=ShopTest\r\n"
    "Cfg_EnvType=TEST\r\n"
    "Cfg_DBDriver=No Such ODBC Driver\r\n";

// The Windows directory and the host executable's folder of one test.
class BottegarioInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fSavedExecutable = HostExecutablePath();
    SetWindowsDirectoryForTesting(fWindows.Path16());
    SetHostExecutablePathForTesting(fHost.Path16() + u"/PosHost.exe");
  }
  void TearDown() override {
    SetWindowsDirectoryForTesting(u"");
    SetHostExecutablePathForTesting(fSavedExecutable);
  }

  static void Write(const fs::path& aPath, const std::string& aText) {
    std::ofstream(aPath, std::ios::binary) << aText;
  }

  TempFolder fWindows;
  TempFolder fHost;
  std::u16string fSavedExecutable;
};

TEST_F(BottegarioInitTest, WithoutBotIniAnswersFalseAndReportsIt) {
  ScopedArguments arguments({});
  tOV_BottegarioProxy proxy;
  EXPECT_FALSE(proxy.Init(false));
  EXPECT_FALSE(proxy.Active());
  EXPECT_FALSE(proxy.Connected());
  EXPECT_EQ(Application()->LastError(), u"bot.ini file non found.");
  EXPECT_TRUE(WaitForApplicationLog(" - ERROR - bot.ini file non found."));
}

TEST_F(BottegarioInitTest, LooksInTheWindowsDirectoryBeforeTheExecutablesFolder) {
  ScopedArguments arguments({});
  Write(fHost.Path() / "bot.ini", std::string("[Host]\r\nCfg_DbName=FromHost\r\n") + kUnreachableDriver);
  {
    tOV_BottegarioProxy proxy;
    proxy.Init(false);
    EXPECT_EQ(proxy.IniFileName(), fHost.Path16() + u"/bot.ini");
    EXPECT_EQ(proxy.DbName(), u"FromHost");
  }
  Write(fWindows.Path() / "bot.ini", std::string("[Windows]\r\nCfg_DbName=FromWindows\r\n") + kUnreachableDriver);
  tOV_BottegarioProxy proxy;
  proxy.Init(false);
  EXPECT_EQ(proxy.IniFileName(), fWindows.Path16() + u"/bot.ini");
  EXPECT_EQ(proxy.Environment(), u"Windows");
  EXPECT_EQ(proxy.DbName(), u"FromWindows");
}

TEST_F(BottegarioInitTest, AMissingEnvironmentAnswersFalseAndReportsIt) {
  Write(fWindows.Path() / "bot.ini", kTwoEnvironments);
  ScopedArguments arguments({u"/ENV:Nowhere|Prod"});
  tOV_BottegarioProxy proxy;
  EXPECT_FALSE(proxy.Init(false));
  EXPECT_FALSE(proxy.Active());
  EXPECT_EQ(proxy.Environment(), u"Nowhere");
  EXPECT_EQ(Application()->LastError(), u"Environment Nowhere non esistente");
  EXPECT_TRUE(WaitForApplicationLog(" - ERROR - Environment Nowhere non esistente"));
  EXPECT_TRUE(proxy.DataSource().empty());
}

TEST_F(BottegarioInitTest, AFileWithoutEnvironmentsHasNoEnvironmentToUse) {
  Write(fWindows.Path() / "bot.ini", "[parametri generali]\r\nCfg_DataSource=general\r\n");
  ScopedArguments arguments({});
  tOV_BottegarioProxy proxy;
  EXPECT_FALSE(proxy.Init(false));
  EXPECT_EQ(Application()->LastError(), u"Environment  non esistente");
}

TEST_F(BottegarioInitTest, ReadsTheEnvironmentNamedByTheSwitchOrTheFirstOne) {
  Write(fWindows.Path() / "bot.ini", kTwoEnvironments);
  struct Case {
    std::vector<std::u16string> arguments;
    const char16_t* environment;
    const char16_t* dataSource;
    const char16_t* dbName;
    const char16_t* userName;
    const char16_t* password;
    bool test;
  };
  const Case cases[] = {
      // The general parameters are never an environment.
      {{}, u"Prod", u"srv01,1433", u"Shop", u"sa", u"secret", false},
      {{u"/LOC"}, u"Prod", u"127.0.0.1,1433", u"ShopLocal", u"local", u"localsecret", false},
      {{u"/env=Collaudo"}, u"Collaudo", u"srv02", u"ShopTest", u"", u"", true},
      {{u"/ENV:collaudo|other module"}, u"collaudo", u"srv02", u"ShopTest", u"", u"", true},
      {{u"/ENV:Collaudo", u"/loc"}, u"Collaudo", u"", u"", u"", u"", true},  // no Local keys there
      {{u"/LOCX"}, u"Prod", u"srv01,1433", u"Shop", u"sa", u"secret", false},
  };
  for (const auto& c : cases) {
    ScopedArguments arguments(c.arguments);
    tOV_BottegarioProxy proxy;
    EXPECT_FALSE(proxy.Init(false));  // the driver is unknown, so the connection fails
    const std::string label = c.arguments.empty() ? "(none)" : Utf16ToUtf8(c.arguments.front());
    EXPECT_EQ(proxy.Environment(), c.environment) << label;
    EXPECT_EQ(proxy.DataSource(), c.dataSource) << label;
    EXPECT_EQ(proxy.DbName(), c.dbName) << label;
    EXPECT_EQ(proxy.DBUserName(), c.userName) << label;
    EXPECT_EQ(proxy.DBUserPwd(), c.password) << label;
    EXPECT_EQ(proxy.TestEnvironment(), c.test) << label;
    EXPECT_EQ(proxy.DBDriver(), u"No Such ODBC Driver") << label;
    EXPECT_EQ(Application()->LastError(), u"Connect:" + proxy.ConnectionError()) << label;
  }
}

TEST_F(BottegarioInitTest, TakesTheUserFromTheSwitchTheEnvironmentOrTheForcedUser) {
  struct Case {
    std::vector<std::u16string> arguments;
    std::optional<std::string> userName;
    std::optional<std::string> user;
    const char16_t* forcedUser;
    const char16_t* expected;
  };
  const Case cases[] = {
      {{u"/U:alice"}, "bob", "dave", u"", u"alice"},
      {{u"/u=alice"}, "bob", "dave", u"", u"alice"},
      {{}, "bob", "dave", u"", u"bob"},
      {{u"/U:"}, "bob", "dave", u"", u"bob"},  // an empty switch value counts as none
      {{u"/USER:alice"}, "bob", "dave", u"", u"bob"},
      {{}, std::nullopt, "dave", u"", u"dave"},
      {{u"/U:alice"}, "bob", "dave", u"carol", u"carol"},
      {{}, std::nullopt, std::nullopt, u"carol", u"carol"},
  };
  for (const auto& c : cases) {
    ScopedArguments arguments(c.arguments);
    ScopedEnvironmentVariable userName("USERNAME", c.userName);
    ScopedEnvironmentVariable user("USER", c.user);
    tOV_BottegarioProxy proxy;
    proxy.SetForcedUser(c.forcedUser);
    proxy.Init(false);  // no bot.ini: the user is taken before the file is looked for
    EXPECT_EQ(proxy.User(), c.expected) << (c.arguments.empty() ? "(none)" : Utf16ToUtf8(c.arguments.front()));
  }
}

TEST_F(BottegarioInitTest, RecordsTheSingleInstanceRequest) {
  ScopedArguments arguments({});
  tOV_BottegarioProxy proxy;
  proxy.Init(true);
  EXPECT_TRUE(proxy.SingleInstance());
  proxy.Init(false);
  EXPECT_FALSE(proxy.SingleInstance());
}

TEST_F(BottegarioInitTest, LoadsTheComputersSetupFileBeforeTheGeneralOne) {
  ScopedArguments arguments({});
  Write(fWindows.Path() / "bot.ini", kTwoEnvironments);
  Write(fHost.Path() / "PosHost.ini", "Printer=general\r\n");
  Write(fHost.Path() / "PosHost_TILL07.ini", "\xEF\xBB\xBFPrinter=till 7\r\nDrawer=Λ\r\n");
  struct Case {
    std::optional<std::string> computer;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {"TILL07", {u"Printer=till 7", u"Drawer=Λ"}},
      {"TILL08", {u"Printer=general"}},
      {std::nullopt, {u"Printer=general"}},
  };
  for (const auto& c : cases) {
    ScopedEnvironmentVariable computer("COMPUTERNAME", c.computer);
    tOV_BottegarioProxy proxy;
    proxy.Init(false);
    EXPECT_EQ(proxy.Setup(), c.lines) << c.computer.value_or("(none)");
  }
}

TEST_F(BottegarioInitTest, KeepsTheSetupWhenThereIsNoSetupFile) {
  ScopedArguments arguments({});
  ScopedEnvironmentVariable computer("COMPUTERNAME", "TILL07");
  Write(fWindows.Path() / "bot.ini", kTwoEnvironments);
  Write(fHost.Path() / "PosHost.ini", "Printer=general\r\n");
  tOV_BottegarioProxy proxy;
  proxy.Init(false);
  ASSERT_EQ(proxy.Setup(), std::vector<std::u16string>{u"Printer=general"});
  fs::remove(fHost.Path() / "PosHost.ini");
  proxy.LoadSetup();
  EXPECT_EQ(proxy.Setup(), std::vector<std::u16string>{u"Printer=general"});
}

}  // namespace

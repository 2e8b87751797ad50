#include "db/uOV_Bottegario.h"

#include <gtest/gtest.h>

#include "app/uOV_Base.h"
#include "db/DbTestSupport.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"

namespace {

TEST(BottegarioProxyTest, BuildsTheConnectionStringForLoginOrIntegratedSecurity) {
  struct Case {
    const char16_t* dataSource;
    const char16_t* dbName;
    const char16_t* userName;
    const char16_t* password;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"SRV01\\SQLEXPRESS", u"Shop", u"", u"",
       u"Provider=SQLOLEDB.1;Data Source=SRV01\\SQLEXPRESS;Initial Catalog=Shop;Persist Security Info=True;"
       u"Integrated Security=SSPI;"},
      // Without a login name the password is not used at all.
      {u"srv01,1433", u"Shop", u"", u"unused",
       u"Provider=SQLOLEDB.1;Data Source=srv01,1433;Initial Catalog=Shop;Persist Security Info=True;"
       u"Integrated Security=SSPI;"},
      {u"srv01,1433", u"Shop", u"sa", u"s3cret",
       u"Provider=SQLOLEDB.1;Data Source=srv01,1433;Initial Catalog=Shop;Persist Security Info=True;"
       u"User ID=sa;Password=s3cret;"},
      {u"srv01", u"Shop", u"sa", u"",
       u"Provider=SQLOLEDB.1;Data Source=srv01;Initial Catalog=Shop;Persist Security Info=True;"
       u"User ID=sa;Password=;"},
      {u"", u"", u"", u"",
       u"Provider=SQLOLEDB.1;Data Source=;Initial Catalog=;Persist Security Info=True;Integrated Security=SSPI;"},
  };
  for (const auto& c : cases) {
    tOV_BottegarioProxy proxy;
    proxy.SetDataSource(c.dataSource);
    proxy.SetDbName(c.dbName);
    proxy.SetDBUserName(c.userName);
    proxy.SetDBUserPwd(c.password);
    const std::u16string text = proxy.BuildConnectionString();
    EXPECT_EQ(text, c.expected) << Utf16ToUtf8(c.userName);
    EXPECT_EQ(text.find(u"User ID=") != std::u16string::npos, std::u16string(c.userName) != u"");
  }
}

TEST(BottegarioProxyTest, DefaultsToTheFreeTdsDriver) {
  tOV_BottegarioProxy proxy;
  EXPECT_EQ(proxy.DBDriver(), u"FreeTDS");
  EXPECT_FALSE(proxy.Connected());
  EXPECT_TRUE(proxy.ConnectionString().empty());
}

TEST(BottegarioProxyTest, FailedConnectAnswersFalseAndLogsTheMessageWithoutThePassword) {
  tOV_BottegarioProxy proxy;
  proxy.SetDBDriver(u"No Such ODBC Driver");
  proxy.SetDataSource(u"srv01,1433");
  proxy.SetDbName(u"Shop");
  proxy.SetDBUserName(u"sa");
  proxy.SetDBUserPwd(u"Very$ecret1");
  EXPECT_FALSE(proxy.Connect());
  EXPECT_FALSE(proxy.Connected());
  // The driver manager's own message, without its component tags.
  EXPECT_FALSE(proxy.ConnectionError().empty());
  EXPECT_NE(proxy.ConnectionError().front(), u'[');
  EXPECT_EQ(Application()->LastError(), u"Connect:" + proxy.ConnectionError());
  EXPECT_TRUE(WaitForApplicationLog(" - ERROR - Connect:" + Utf16ToUtf8(proxy.ConnectionError())));
  EXPECT_EQ(ApplicationLogText().find("Very$ecret1"), std::string::npos);

  EXPECT_EQ(proxy.ConnectionString(), proxy.BuildConnectionString());
  EXPECT_EQ(proxy.MaskedConnectionString(),
            u"Provider=SQLOLEDB.1;Data Source=srv01,1433;Initial Catalog=Shop;Persist Security Info=True;"
            u"User ID=sa;Password=***;");
}

TEST(BottegarioProxyTest, ABadPortInTheDataSourceIsAConnectionError) {
  tOV_BottegarioProxy proxy;
  proxy.SetDataSource(u"srv01,14x3");
  EXPECT_FALSE(proxy.Connect());
  EXPECT_EQ(proxy.ConnectionError(), u"Invalid port '14x3' in the data source srv01,14x3");
  EXPECT_EQ(Application()->LastError(), u"Connect:Invalid port '14x3' in the data source srv01,14x3");
}

TEST(BottegarioProxyTest, ConnectWithoutTheApplicationObjectStillAnswers) {
  DestroyApplication();
  tOV_BottegarioProxy proxy;
  proxy.SetDBDriver(u"No Such ODBC Driver");
  const bool connected = proxy.Connect();
  CreateApplication();
  EXPECT_FALSE(connected);
  EXPECT_FALSE(proxy.ConnectionError().empty());
}

TEST(BottegarioProxyTest, QueriesNeedAConnection) {
  tOV_BottegarioProxy proxy;
  EXPECT_EQ(FailureOf([&] { proxy.CreateDataset(u"select 1"); }), u"Not connected to the database");
  EXPECT_TRUE(proxy.Disconnect());
}

TEST(BottegarioProxyTest, CiphersTextAsDecimalDigitsAndBack) {
  for (const std::string plain : {"secret", "exactly8", "Κωδικός with more than one block"}) {
    const std::u16string digits = tOV_BottegarioProxy::CiphersText(plain);
    EXPECT_EQ(digits.size() % 24, 0u) << plain;
    EXPECT_EQ(digits.find_first_not_of(u"0123456789"), std::u16string::npos) << plain;
    EXPECT_EQ(tOV_BottegarioProxy::DeCiphersText(digits), plain);
  }
  EXPECT_EQ(tOV_BottegarioProxy::CiphersText(""), u"");
  EXPECT_EQ(tOV_BottegarioProxy::DeCiphersText(u""), "");
}

}  // namespace

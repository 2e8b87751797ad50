#include <gtest/gtest.h>

#include "db/uOV_Odbc.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"

namespace {

TEST(OdbcConnectionStringTest, SpellsTheSettingsForEachDriverFamily) {
  struct Case {
    ovOdbcLogin login;
    const char16_t* expected;
  };
  const Case cases[] = {
      {{u"FreeTDS", u"srv01,1433", u"Shop", u"sa", u"secret", u"DOvaVarEZU"},
       u"DRIVER={FreeTDS};SERVER=srv01;PORT=1433;DATABASE=Shop;UID=sa;PWD=secret;ClientCharset=UTF-8;"
       u"APP=DOvaVarEZU;"},
      // No login: the integrated one; no application name: none announced.
      {{u"FreeTDS", u"srv01", u"Shop", u"", u"ignored", u""},
       u"DRIVER={FreeTDS};SERVER=srv01;DATABASE=Shop;Trusted_Connection=Yes;ClientCharset=UTF-8;"},
      {{u"FreeTDS", u"srv01\\SQLEXPRESS", u"Shop", u"sa", u"", u""},
       u"DRIVER={FreeTDS};SERVER=srv01\\SQLEXPRESS;DATABASE=Shop;UID=sa;PWD=;ClientCharset=UTF-8;"},
      {{u"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", u"srv01,1500", u"Shop", u"sa", u"pw", u""},
       u"DRIVER={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};SERVER=srv01;PORT=1500;DATABASE=Shop;UID=sa;"
       u"PWD=pw;ClientCharset=UTF-8;"},
      // Microsoft's driver keeps SQL Server's host,port form.
      {{u"ODBC Driver 18 for SQL Server", u"tcp:srv01,1433", u"Shop", u"sa", u"secret", u"DOvaVarEZU"},
       u"DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv01,1433;DATABASE=Shop;UID=sa;PWD=secret;"
       u"APP=DOvaVarEZU;"},
      {{u"ODBC Driver 18 for SQL Server", u"(local)", u"Shop", u"", u"", u""},
       u"DRIVER={ODBC Driver 18 for SQL Server};SERVER=localhost;DATABASE=Shop;Trusted_Connection=Yes;"},
      {{u"PostgreSQL Unicode", u"127.0.0.1,5432", u"registry", u"u", u"p;w}d", u"DOva VarEZU's"},
       u"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=5432;DATABASE=registry;UID=u;PWD={p;w}}d};"
       u"pqopt={application_name='DOva VarEZU\\'s'};"},
      {{u"PostgreSQL Unicode", u"db.example", u"registry", u"", u"", u""},
       u"DRIVER={PostgreSQL Unicode};SERVER=db.example;DATABASE=registry;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OdbcConnectionString(c.login), c.expected) << Utf16ToUtf8(c.login.driver);
  }
}

TEST(OdbcConnectionStringTest, TellsTheDriverFamilyFromTheNameOrLibrary) {
  struct Case {
    const char16_t* driver;
    ovOdbcDriverFamily family;
  };
  const Case cases[] = {
      {u"FreeTDS", ovOdbcDriverFamily::FreeTDS},
      {u"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", ovOdbcDriverFamily::FreeTDS},
      {u"PostgreSQL Unicode", ovOdbcDriverFamily::PostgreSQL},
      {u"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so", ovOdbcDriverFamily::PostgreSQL},
      {u"ODBC Driver 18 for SQL Server", ovOdbcDriverFamily::SqlServer},
      {u"SQL Server", ovOdbcDriverFamily::SqlServer},
  };
  for (const auto& c : cases) EXPECT_EQ(OdbcDriverFamily(c.driver), c.family) << Utf16ToUtf8(c.driver);
}

TEST(OdbcConnectionStringTest, SplitsTheDataSourceIntoServerAndPort) {
  struct Case {
    const char16_t* dataSource;
    const char16_t* server;
    const char16_t* port;
  };
  const Case cases[] = {
      {u"srv01,1433", u"srv01", u"1433"},
      {u" srv01 , 1500 ", u"srv01", u"1500"},
      {u"srv01", u"srv01", u""},
      {u"TCP:srv01,1", u"srv01", u"1"},
      {u"srv01\\SQLEXPRESS", u"srv01\\SQLEXPRESS", u""},
      {u".\\SQLEXPRESS", u"localhost\\SQLEXPRESS", u""},
      {u"(LOCAL),65535", u"localhost", u"65535"},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    std::u16string server;
    std::u16string port;
    SplitDataSource(c.dataSource, server, port);
    EXPECT_EQ(server, c.server) << Utf16ToUtf8(c.dataSource);
    EXPECT_EQ(port, c.port) << Utf16ToUtf8(c.dataSource);
  }
}

TEST(OdbcConnectionStringTest, RejectsAPortThatIsNoPortNumber) {
  for (const char16_t* dataSource : {u"srv01,abc", u"srv01,0", u"srv01,65536", u"srv01,", u"srv01,-1", u"srv01,$10"}) {
    std::u16string server;
    std::u16string port;
    const std::u16string portText = std::u16string(dataSource).substr(std::u16string(dataSource).find(u',') + 1);
    EXPECT_EQ(FailureOf([&] { SplitDataSource(dataSource, server, port); }),
              u"Invalid port '" + portText + u"' in the data source " + dataSource)
        << Utf16ToUtf8(dataSource);
  }
}

TEST(OdbcConnectionStringTest, QuotesValuesThatWouldBreakTheString) {
  struct Case {
    const char16_t* value;
    const char16_t* quoted;
  };
  const Case cases[] = {
      {u"plain", u"plain"}, {u"", u""},           {u"a;b", u"{a;b}"},  {u"a}b", u"{a}}b}"},
      {u"{x", u"{{x}"},     {u" lead", u"{ lead}"}, {u"x=y", u"{x=y}"}, {u"Λέξη", u"Λέξη"},
  };
  for (const auto& c : cases) EXPECT_EQ(OdbcQuotedValue(c.value), c.quoted) << Utf16ToUtf8(c.value);
}

}  // namespace

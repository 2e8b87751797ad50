// The branch table: its key rule, the settings file of the registry
// connection, and the load from a real registry database (the PostgreSQL
// server of the registry_db fixture, through ODBC).
#include <gtest/gtest.h>

#include <fstream>

#include "db/TestRegistry.h"
#include "db/uOV_Bottegario.h"
#include "drivers/epay_webecr/uOVPA_ProviderData.h"
#include "support/FailureOf.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TempFolder.h"

namespace {

TEST(ProviderData, BranchCodesAreExactKeysAndUnique) {
  kProviderData data;
  data.Add({u"A1", u"EL1", 1, u"", u""});
  EXPECT_EQ(FailureOf([&] { data.Add({u"A1", u"EL2", 2, u"", u""}); }), u"Duplicates not allowed");
  ASSERT_NE(data.Find(u"A1"), nullptr);
  EXPECT_EQ(data.Find(u"A1")->fCompany_VATId, u"EL1");
  EXPECT_EQ(data.Find(u"a1"), nullptr);
  EXPECT_EQ(data.Find(u"A1 "), nullptr);
}

TEST(ProviderData, TheSettingsFileIsReadAsNameValueLines) {
  TempFolder folder;
  const auto file = folder.Path() / "ovFP_RORUZEZU_10.ini";
  std::ofstream(file) << "[Registry]\ndbname=Shop\nDBName=Other\nDBUserName =sa\nDataSource=srv,1433\n"
                         "DbUserPwd= p=w \nDBDriver=PostgreSQL Unicode\n";
  tOV_BottegarioProxy proxy;
  ASSERT_TRUE(LoadRegistrySettings(proxy, file.u16string()));
  EXPECT_EQ(proxy.DbName(), u"Shop");
  EXPECT_EQ(proxy.DBUserName(), u"");  // "DBUserName " is another name
  EXPECT_EQ(proxy.DataSource(), u"srv,1433");
  EXPECT_EQ(proxy.DBUserPwd(), u" p=w ");
  EXPECT_EQ(proxy.DBDriver(), u"PostgreSQL Unicode");

  tOV_BottegarioProxy untouched;
  EXPECT_FALSE(LoadRegistrySettings(untouched, (folder.Path() / "missing.ini").u16string()));
  EXPECT_EQ(untouched.DBDriver(), tOV_BottegarioProxy::kDefaultDBDriver);
}

// The settings file in the current directory, as the driver looks it up.
void WriteSettingsFile(const TempFolder& aFolder, const std::string& aText) {
  std::ofstream(aFolder.Path() / "ovFP_RORUZEZU_10.ini", std::ios::binary) << aText;
}

TEST(ProviderDataDbTest, BranchesAreLoadedWithTheCountryPrefixAndAFiscalNumberOfZeroForNull) {
  const TestRegistry registry({{1, "099999999"}, {2, "EL088888888"}, {3, "el077"}},
                              {{"12", 1, 4, "INV-{{Store}}", "CRN-{{Store}}"},
                               {"13", 2, std::nullopt, std::nullopt, "C"},
                               {"14", 3, 0, "I", std::nullopt}});
  TempFolder folder;
  WriteSettingsFile(folder, registry.SettingsFileText());
  ScopedCurrentDirectory inFolder(folder.Path16());

  kProviderData data;
  LoadProviderData(data);
  ASSERT_EQ(data.Count(), 3u);
  const kProviderDataElement* first = data.Find(u"12");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->fCompany_VATId, u"EL099999999");
  EXPECT_EQ(first->fBranch_FiscalId, 4);
  EXPECT_EQ(first->fInvoiceSerieTemplate, u"INV-{{Store}}");
  EXPECT_EQ(first->fCreditNoteSerieTemplate, u"CRN-{{Store}}");
  const kProviderDataElement* second = data.Find(u"13");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->fCompany_VATId, u"EL088888888");
  EXPECT_EQ(second->fBranch_FiscalId, 0);
  EXPECT_EQ(second->fInvoiceSerieTemplate, u"");
  ASSERT_NE(data.Find(u"14"), nullptr);
  EXPECT_EQ(data.Find(u"14")->fCompany_VATId, u"ELel077");
}

TEST(ProviderDataDbTest, LoadFailuresHaveTheirMessages) {
  TestRegistry registry({}, {});
  TempFolder folder;
  ScopedCurrentDirectory inFolder(folder.Path16());
  std::string wrongPassword = registry.SettingsFileText();
  wrongPassword.replace(wrongPassword.find(registry.Password()), registry.Password().size(), "wrong-pw");
  WriteSettingsFile(folder, wrongPassword);
  kProviderData data;
  EXPECT_EQ(FailureOf([&] { LoadProviderData(data); }), u"Unable to connect to Tillora Registry");

  WriteSettingsFile(folder, registry.SettingsFileText());
  LoadProviderData(data);
  EXPECT_EQ(data.Count(), 0u);

  registry.Run("insert into companyrecord (id, Company_VATId) values (1, '1'), (2, '2')");
  registry.Run("insert into branchrecord (Branch_Code, Branch_Company) values ('12', 1), ('12', 2)");
  EXPECT_EQ(FailureOf([&] { LoadProviderData(data); }), u"Duplicates not allowed");

  registry.Run("drop table branchrecord");
  EXPECT_NE(FailureOf([&] { LoadProviderData(data); }).find(u"branchrecord"), std::u16string::npos);
}

}  // namespace

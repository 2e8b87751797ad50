// The branch table: its key rule, the settings file of the registry
// connection, and the load from a real registry database (the PostgreSQL
// server of the registry_db fixture, through ODBC).
#include <gtest/gtest.h>

#include <fstream>

#include "db/DbTestSupport.h"
#include "db/uOV_Bottegario.h"
#include "drivers/epay_webecr/uOVPA_ProviderData.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
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

class ProviderDataDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ReadRegistryDbSettings(fSettings, error)) << error;
    fAdmin = MakeRegistryProxy(fSettings);
    ASSERT_TRUE(fAdmin->Connect()) << Utf16ToUtf8(fAdmin->ConnectionError());
    // A login whose search path is a schema of this test's own.
    fSchema = UniqueName(u"t_");
    fRole = UniqueName(u"r_");
    Run(u"create role " + fRole + u" login password 'branch-pw'");
    Run(u"create schema " + fSchema);
    Run(u"grant usage on schema " + fSchema + u" to " + fRole);
    Run(u"alter role " + fRole + u" set search_path to " + fSchema + u", public");
    Run(u"set search_path to " + fSchema + u", public");
  }

  void TearDown() override {
    if (!fAdmin || !fAdmin->Connected()) return;
    if (!fSchema.empty()) Run(u"drop schema if exists " + fSchema + u" cascade");
    if (!fRole.empty()) Run(u"drop role if exists " + fRole);
  }

  void Run(const std::u16string& aSQL) { fAdmin->CreateDataset(aSQL); }

  void LoadSchema() {
    for (const auto& statement : RegistrySchemaStatements()) Run(statement);
    Run(u"grant select on all tables in schema " + fSchema + u" to " + fRole);
  }

  // The settings file in the current directory, as the driver looks it up.
  void WriteSettingsFile(const TempFolder& aFolder, const std::u16string& aPassword) {
    std::ofstream(aFolder.Path() / "ovFP_RORUZEZU_10.ini")
        << "[Tillora]\nDataSource=" << Utf16ToUtf8(fSettings.dataSource) << "\nDBName="
        << Utf16ToUtf8(fSettings.database) << "\nDBUserName=" << Utf16ToUtf8(fRole)
        << "\nDbUserPwd=" << Utf16ToUtf8(aPassword) << "\nDBDriver=" << Utf16ToUtf8(fSettings.driver) << "\n";
  }

  RegistryDbSettings fSettings;
  std::unique_ptr<tOV_BottegarioProxy> fAdmin;
  std::u16string fSchema;
  std::u16string fRole;
};

TEST_F(ProviderDataDbTest, BranchesAreLoadedWithTheCountryPrefixAndAFiscalNumberOfZeroForNull) {
  LoadSchema();
  Run(u"insert into companyrecord (id, Company_VATId) values (1, '099999999'), (2, 'EL088888888'), (3, 'el077')");
  Run(u"insert into branchrecord (Branch_Code, Branch_Company, Branch_FiscalId, InvoiceSerieTemplate, "
      u"CreditNoteSerieTemplate) values ('12', 1, 4, 'INV-{{Store}}', 'CRN-{{Store}}'), ('13', 2, null, null, 'C'), "
      u"('14', 3, 0, 'I', null)");
  TempFolder folder;
  WriteSettingsFile(folder, u"branch-pw");
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

TEST_F(ProviderDataDbTest, LoadFailuresHaveTheirMessages) {
  TempFolder folder;
  ScopedCurrentDirectory inFolder(folder.Path16());
  WriteSettingsFile(folder, u"wrong-pw");
  kProviderData data;
  EXPECT_EQ(FailureOf([&] { LoadProviderData(data); }), u"Unable to connect to Tillora Registry");

  WriteSettingsFile(folder, u"branch-pw");
  EXPECT_NE(FailureOf([&] { LoadProviderData(data); }).find(u"branchrecord"), std::u16string::npos);  // no table yet

  LoadSchema();
  LoadProviderData(data);
  EXPECT_EQ(data.Count(), 0u);

  Run(u"insert into companyrecord (id, Company_VATId) values (1, '1'), (2, '2')");
  Run(u"insert into branchrecord (Branch_Code, Branch_Company) values ('12', 1), ('12', 2)");
  EXPECT_EQ(FailureOf([&] { LoadProviderData(data); }), u"Duplicates not allowed");
}

}  // namespace

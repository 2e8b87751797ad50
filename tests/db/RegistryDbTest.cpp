// The proxy against a real server: the PostgreSQL server of the registry_db
// fixture, reached through ODBC like the host's SQL Server. Each test works
// in a schema of its own, dropped at its end.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "app/uOV_Base.h"
#include "base/uOV_Exception.h"
#include "db/DbTestSupport.h"
#include "db/uOV_Bottegario.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"

#include "support/FailureOf.h"

namespace {

// The query the payment driver runs to load its branches, to the letter.
const char16_t* const kDriverQuery =
    u"select Branch_Code,Company_VATId,isnull(Branch_FiscalId,0) as Branch_FiscalId,InvoiceSerieTemplate,"
    u"CreditNoteSerieTemplate from branchrecord inner join companyrecord on "
    u"branchRecord.Branch_Company=companyRecord.id ";

class RegistryDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ReadRegistryDbSettings(fSettings, error)) << error;
    fProxy = MakeRegistryProxy(fSettings);
    ASSERT_TRUE(fProxy->Connect()) << Utf16ToUtf8(fProxy->ConnectionError());
    fSchema = UniqueName(u"t_");
    Run(u"create schema " + fSchema);
    UseSchema(*fProxy);
  }

  void TearDown() override {
    if (!fProxy) return;
    if (!fProxy->Connected()) fProxy->Connect();
    if (!fSchema.empty() && fProxy->Connected()) Run(u"drop schema " + fSchema + u" cascade");
    for (const auto& role : fRoles) Run(u"drop role if exists " + role);
  }

  void UseSchema(tOV_BottegarioProxy& aProxy) {
    aProxy.CreateDataset(u"set search_path to " + fSchema + u", public");
  }

  void Run(const std::u16string& aSQL, const tOV_SQLParams& aParams = {}) { fProxy->CreateDataset(aSQL, aParams); }

  void LoadRegistrySchema() {
    const auto statements = RegistrySchemaStatements();
    ASSERT_FALSE(statements.empty());
    for (const auto& statement : statements) Run(statement);
  }

  // The single value of a one-row, one-column query.
  std::u16string Scalar(const std::u16string& aSQL, const tOV_SQLParams& aParams = {}) {
    auto dataset = fProxy->CreateDataset(aSQL, aParams);
    EXPECT_FALSE(dataset->Eof()) << Utf16ToUtf8(aSQL);
    if (dataset->Eof()) return {};
    return dataset->Fields(0).AsString();
  }

  RegistryDbSettings fSettings;
  std::unique_ptr<tOV_BottegarioProxy> fProxy;
  std::u16string fSchema;
  std::vector<std::u16string> fRoles;
};

TEST_F(RegistryDbTest, AServerOtherThanSqlServerIsNotAskedForItsLoginTime) {
  Application()->Log(let_error, u"earlier error");
  auto proxy = MakeRegistryProxy(fSettings);
  EXPECT_TRUE(proxy->Connect());
  EXPECT_TRUE(proxy->Connected());
  // PostgreSQL has no master..sysprocesses: nothing is asked of it, and a
  // working connection leaves no error in the log.
  EXPECT_EQ(proxy->ConnectionError(), u"");
  EXPECT_EQ(Application()->LastError(), u"earlier error");  // no error line was written since
  EXPECT_EQ(proxy->SqlPID(), 0);
  EXPECT_EQ(proxy->LoginDateTime(), 0);
  auto dataset = proxy->CreateDataset(u"select 41 + 1 as answer");
  EXPECT_EQ(dataset->FieldByName(u"ANSWER").AsInteger(), 42);
}

TEST_F(RegistryDbTest, WrongPasswordAnswersFalseWithTheServersMessage) {
  auto proxy = MakeRegistryProxy(fSettings);
  const std::u16string wrong = fSettings.password + u"Wrong";
  proxy->SetDBUserPwd(wrong);
  EXPECT_FALSE(proxy->Connect());
  EXPECT_FALSE(proxy->Connected());
  const std::u16string message = proxy->ConnectionError();
  EXPECT_NE(message.find(u"password authentication failed for user \"" + fSettings.user + u"\""),
            std::u16string::npos)
      << Utf16ToUtf8(message);
  EXPECT_EQ(Application()->LastError(), u"Connect:" + message);
  EXPECT_TRUE(WaitForApplicationLog(" - ERROR - Connect:" + Utf16ToUtf8(message)));
  EXPECT_EQ(ApplicationLogText().find(Utf16ToUtf8(wrong)), std::string::npos);
  EXPECT_NE(proxy->ConnectionString().find(u";Password=" + wrong + u";"), std::u16string::npos);
  EXPECT_EQ(proxy->MaskedConnectionString().find(wrong), std::u16string::npos);
}

TEST_F(RegistryDbTest, AnnouncesTheApplicationNameOnlyWhenSet) {
  // PostgreSQL keeps printable ASCII only in application names; quotes,
  // blanks and connection-string characters must survive the quoting.
  const char16_t* const names[] = {u"DOvaVarEZU", u"Till 7 'front' {desk};x=\\y", u""};
  std::set<std::u16string> seen;
  for (const char16_t* name : names) {
    auto proxy = MakeRegistryProxy(fSettings);
    proxy->SetApplicationName(name);
    ASSERT_TRUE(proxy->Connect());
    auto dataset =
        proxy->CreateDataset(u"select application_name from pg_stat_activity where pid = pg_backend_pid()");
    ASSERT_FALSE(dataset->Eof());
    const std::u16string announced = dataset->FieldByName(u"application_name").AsString();
    if (*name != u'\0') {
      EXPECT_EQ(announced, name);
    } else {
      EXPECT_EQ(seen.count(announced), 0u) << "an earlier name was announced: " << Utf16ToUtf8(announced);
    }
    seen.insert(announced);
  }
}

TEST_F(RegistryDbTest, LogsInWithAPasswordHoldingConnectionStringCharacters) {
  const std::u16string role = UniqueName(u"r_");
  const std::u16string password = u"p;w}d{=x y';\"";
  fRoles.push_back(role);
  Run(u"create role " + role + u" login password 'p;w}d{=x y'';\"'");
  auto proxy = MakeRegistryProxy(fSettings);
  proxy->SetDBUserName(role);
  proxy->SetDBUserPwd(password);
  EXPECT_TRUE(proxy->Connect()) << Utf16ToUtf8(proxy->ConnectionError());
  auto dataset = proxy->CreateDataset(u"select current_user as who");
  EXPECT_EQ(dataset->FieldByName(u"who").AsString(), role);
}

TEST_F(RegistryDbTest, ReadsRowsInOrderWithNullAsEmptyText) {
  Run(u"create table item (id integer, code varchar(10), note text, amount numeric(10,2))");
  Run(u"insert into item values (1, 'A1', 'first', 12.50), (2, 'B2', null, null), (3, '', 'third', -1)");
  auto dataset = fProxy->CreateDataset(u"select id, code, note, amount from item order by id");
  struct Row {
    int32_t id;
    std::u16string code;
    std::u16string note;
    bool noteNull;
    std::u16string amount;
  };
  std::vector<Row> rows;
  for (; !dataset->Eof(); dataset->Next()) {
    rows.push_back({dataset->FieldByName(u"id").AsInteger(), dataset->FieldByName(u"code").AsString(),
                    dataset->FieldByName(u"note").AsString(), dataset->FieldByName(u"note").IsNull(),
                    dataset->FieldByName(u"amount").AsString()});
  }
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].id, 1);
  EXPECT_EQ(rows[0].code, u"A1");
  EXPECT_EQ(rows[0].note, u"first");
  EXPECT_FALSE(rows[0].noteNull);
  EXPECT_EQ(rows[0].amount, u"12.50");
  EXPECT_EQ(rows[1].note, u"");
  EXPECT_TRUE(rows[1].noteNull);
  EXPECT_EQ(rows[1].amount, u"");
  EXPECT_EQ(rows[2].code, u"");  // empty text is not NULL
  EXPECT_EQ(rows[2].amount, u"-1.00");
  dataset->Next();  // at the end nothing moves
  EXPECT_TRUE(dataset->Eof());
}

TEST_F(RegistryDbTest, FindsColumnsWithoutRegardToCaseAndRejectsUnknownOnes) {
  auto dataset = fProxy->CreateDataset(u"select 'x' as \"Company_VATId\", 7 as plain");
  EXPECT_EQ(dataset->FieldByName(u"company_vatid").AsString(), u"x");
  EXPECT_EQ(dataset->FieldByName(u"COMPANY_VATID").AsString(), u"x");
  EXPECT_EQ(dataset->FieldByName(u"Plain").AsInteger(), 7);
  EXPECT_EQ(dataset->FieldByName(u"plain").Name(), u"plain");
  EXPECT_EQ(dataset->FindField(u"Nope"), nullptr);
  EXPECT_EQ(FailureOf([&] { dataset->FieldByName(u"Nope"); }), u"Field 'Nope' not found");
  dataset->Next();
  EXPECT_EQ(FailureOf([&] { dataset->FieldByName(u"plain"); }), u"No current record: the dataset is at its end");
}

TEST_F(RegistryDbTest, ReadingANonIntegerAsIntegerRaises) {
  auto dataset = fProxy->CreateDataset(u"select 'abc' as a, '12.5' as b, null as c, ' 42' as d");
  EXPECT_EQ(FailureOf([&] { dataset->FieldByName(u"a").AsInteger(); }), u"'abc' is not a valid integer value");
  EXPECT_EQ(FailureOf([&] { dataset->FieldByName(u"b").AsInteger(); }), u"'12.5' is not a valid integer value");
  EXPECT_EQ(dataset->FieldByName(u"c").AsInteger(), 0);
  EXPECT_EQ(dataset->FieldByName(u"d").AsInteger(), 42);
}

TEST_F(RegistryDbTest, BindsNamedParametersOfEveryKind) {
  Run(u"create table kinds (id integer, t text, i bigint, f double precision, b boolean, d timestamp(3), n text)");
  ovDateTime moment = 0;
  ASSERT_TRUE(TryEncodeDateTime(ovLocalTime{2024, 9, 27, 10, 11, 12, 345}, moment));
  Run(u"insert into kinds values (:id, :t, :i, :f, :b, :d, :n)",
      {{u"id", int64_t{1}, ft_integer},
       {u"t", std::u16string(u"Καλημέρα 'quoted' :notaparam"), ft_string},
       {u"i", int64_t{9007199254740993}, ft_largeint},
       {u"f", 2.5, ft_float},
       {u"b", true, ft_boolean},
       {u"d", tOV_SQLDateTime{moment}, ft_datetime},
       {u"n", std::monostate{}, ft_string}});
  auto dataset = fProxy->CreateDataset(
      u"select t, i, f, b::int as b, d, (n is null)::int as n_is_null, n from kinds where id = :ID", {{u"id", int64_t{1}}});
  ASSERT_FALSE(dataset->Eof());
  EXPECT_EQ(dataset->FieldByName(u"t").AsString(), u"Καλημέρα 'quoted' :notaparam");
  EXPECT_EQ(dataset->FieldByName(u"i").AsString(), u"9007199254740993");
  EXPECT_EQ(dataset->FieldByName(u"f").AsString(), u"2.5");
  EXPECT_EQ(dataset->FieldByName(u"b").AsInteger(), 1);
  EXPECT_EQ(dataset->FieldByName(u"d").AsString(), u"2024-09-27 10:11:12.345");
  EXPECT_LT(std::fabs(dataset->FieldByName(u"d").AsDateTime() - moment), 0.5 / 86400000.0);
  EXPECT_TRUE(dataset->FieldByName(u"n").IsNull());
  EXPECT_EQ(dataset->FieldByName(u"n_is_null").AsInteger(), 1);
  dataset->Next();
  EXPECT_TRUE(dataset->Eof());
}

TEST_F(RegistryDbTest, BindsOneValueWhereverItsNameAppears) {
  auto dataset = fProxy->CreateDataset(u"select :v || '-' || :V as twice, ':v' as literal, :w as last",
                                       {{u"v", std::u16string(u"ab")}, {u"w", int64_t{1}}, {u"W", int64_t{2}}});
  EXPECT_EQ(dataset->FieldByName(u"twice").AsString(), u"ab-ab");
  EXPECT_EQ(dataset->FieldByName(u"literal").AsString(), u":v");
  EXPECT_EQ(dataset->FieldByName(u"last").AsInteger(), 2);  // a name set twice keeps the last value
}

TEST_F(RegistryDbTest, ParametersWithoutValuesOrWithoutAPlaceAreErrors) {
  EXPECT_EQ(FailureOf([&] { fProxy->CreateDataset(u"select :code as c, :other as o", {{u"code", int64_t{1}}}); }),
            u"Parameter 'other' has no value");
  EXPECT_EQ(FailureOf([&] { fProxy->CreateDataset(u"select 1", {{u"extra", int64_t{1}}}); }),
            u"Parameter 'extra' not found");
}

TEST_F(RegistryDbTest, LongTextComesBackWhole) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i) text += u"Αβγ-" + std::u16string(1, char16_t(u'a' + i % 26)) + u"\U0001F600";
  ASSERT_GT(text.size(), 4096u * 4);
  Run(u"create table long_text (body text)");
  Run(u"insert into long_text values (:body)", {{u"body", text}});
  EXPECT_EQ(Scalar(u"select body from long_text"), text);
  EXPECT_EQ(Scalar(u"select length(body) from long_text"), u"18000");
}

TEST_F(RegistryDbTest, AFailingQueryRaisesTheServersMessage) {
  const std::u16string message = FailureOf([&] { fProxy->CreateDataset(u"select * from no_such_table"); });
  EXPECT_NE(message.find(u"relation \"no_such_table\" does not exist"), std::u16string::npos) << Utf16ToUtf8(message);
  EXPECT_NE(message.front(), u'[');
  // The connection is still usable afterwards.
  EXPECT_EQ(Scalar(u"select 'still here'"), u"still here");
}

TEST_F(RegistryDbTest, AStatementWithoutRowsIsAtItsEnd) {
  Run(u"create table plain (id integer)");
  auto dataset = fProxy->CreateDataset(u"insert into plain values (1), (2)");
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(dataset->FieldCount(), 0);
  dataset = fProxy->CreateDataset(u"delete from plain where id > 5");
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(Scalar(u"select count(*) from plain"), u"2");
}

TEST_F(RegistryDbTest, RunsTheDriversBranchQueryOnTheRegistrySchema) {
  LoadRegistrySchema();
  Run(u"insert into companyrecord (id, Company_Name, Company_VATId) values "
      u"(1, 'Alpha', '094012345'), (2, 'Beta', 'EL099876543'), (3, 'Gamma', 'el123456789')");
  Run(u"insert into branchrecord (Branch_Code, Branch_Company, Branch_FiscalId, InvoiceSerieTemplate, "
      u"CreditNoteSerieTemplate) values "
      u"('001', 1, 5, 'A{yy}', 'CA{yy}'), ('002', 2, null, 'B', 'CB'), ('003', 3, 7, null, null), "
      u"('001', 2, 9, 'D', 'CD')");
  struct Branch {
    std::u16string vat;
    int32_t fiscalId;
    std::u16string invoice;
    std::u16string creditNote;
  };
  std::multimap<std::u16string, Branch> branches;
  auto dataset = fProxy->CreateDataset(kDriverQuery);
  for (; !dataset->Eof(); dataset->Next()) {
    branches.emplace(dataset->FieldByName(u"Branch_Code").AsString(),
                     Branch{dataset->FieldByName(u"Company_VatId").AsString(),
                            dataset->FieldByName(u"Branch_FiscalId").AsInteger(),
                            dataset->FieldByName(u"InvoiceSerieTemplate").AsString(),
                            dataset->FieldByName(u"CreditNoteSerieTemplate").AsString()});
  }
  ASSERT_EQ(branches.size(), 4u);
  // Two branches share the code 001: both rows come back, the caller decides.
  ASSERT_EQ(branches.count(u"001"), 2u);
  std::set<std::u16string> vatsOf001;
  for (auto [it, end] = branches.equal_range(u"001"); it != end; ++it) vatsOf001.insert(it->second.vat);
  EXPECT_EQ(vatsOf001, (std::set<std::u16string>{u"094012345", u"EL099876543"}));
  const Branch& b2 = branches.find(u"002")->second;
  EXPECT_EQ(b2.vat, u"EL099876543");
  EXPECT_EQ(b2.fiscalId, 0);  // NULL fiscal number
  EXPECT_EQ(b2.invoice, u"B");
  EXPECT_EQ(b2.creditNote, u"CB");
  const Branch& b3 = branches.find(u"003")->second;
  EXPECT_EQ(b3.vat, u"el123456789");
  EXPECT_EQ(b3.fiscalId, 7);
  EXPECT_EQ(b3.invoice, u"");
  EXPECT_EQ(b3.creditNote, u"");
}

TEST_F(RegistryDbTest, TheDriversQueryOnAnEmptyRegistryHasNoRows) {
  LoadRegistrySchema();
  auto dataset = fProxy->CreateDataset(kDriverQuery);
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(dataset->FieldCount(), 5);
}

TEST_F(RegistryDbTest, DisconnectClosesTheDatasetsStillOpen) {
  auto proxy = MakeRegistryProxy(fSettings);
  ASSERT_TRUE(proxy->Connect());
  auto dataset = proxy->CreateDataset(u"select generate_series(1, 3) as n");
  ASSERT_FALSE(dataset->Eof());
  EXPECT_TRUE(proxy->Disconnect());
  EXPECT_FALSE(proxy->Connected());
  EXPECT_TRUE(dataset->Eof());
  dataset->Next();
  EXPECT_TRUE(dataset->Eof());
  // Reconnecting works, and a dataset may outlive its proxy.
  ASSERT_TRUE(proxy->Connect());
  auto survivor = proxy->CreateDataset(u"select 1 as n");
  proxy.reset();
  EXPECT_TRUE(survivor->Eof());
  survivor.reset();
  dataset.reset();
}

TEST_F(RegistryDbTest, ConnectingAgainReplacesTheConnection) {
  auto proxy = MakeRegistryProxy(fSettings);
  ASSERT_TRUE(proxy->Connect());
  const std::u16string firstPid = proxy->CreateDataset(u"select pg_backend_pid()")->Fields(0).AsString();
  ASSERT_TRUE(proxy->Connect());
  const std::u16string secondPid = proxy->CreateDataset(u"select pg_backend_pid()")->Fields(0).AsString();
  EXPECT_NE(firstPid, secondPid);
  // The first session ends: its backend leaves the server's activity list.
  EXPECT_TRUE(WaitFor([&] {
    return proxy->CreateDataset(u"select count(*) from pg_stat_activity where pid = " + firstPid)
               ->Fields(0)
               .AsInteger() == 0;
  }));
}

TEST_F(RegistryDbTest, InitConnectsWithTheEnvironmentOfBotIni) {
  TempFolder windows;
  const std::u16string savedExecutable = HostExecutablePath();
  TempFolder host;
  SetWindowsDirectoryForTesting(windows.Path16());
  SetHostExecutablePathForTesting(host.Path16() + u"/PosHost");
  std::ofstream(windows.Path() / "bot.ini", std::ios::binary)
      << "[parametri generali]\r\n"
      << "[Negozio]\r\n"
      << "Cfg_DataSource=" << Utf16ToUtf8(fSettings.dataSource) << "\r\n"
      << "Cfg_DbName=" << Utf16ToUtf8(fSettings.database) << "\r\n"
      << "Cfg_UserName=" << Utf16ToUtf8(fSettings.user) << "\r\n"
      << "Cfg_UserPwd=" << Utf16ToUtf8(fSettings.password) << "\r\n"
      << "Cfg_EnvType=test\r\n"
      << "Cfg_DBDriver=" << Utf16ToUtf8(fSettings.driver) << "\r\n";
  {
    ScopedArguments arguments({});
    tOV_BottegarioProxy proxy;
    proxy.SetApplicationName(u"DOvaVarEZU");
    EXPECT_TRUE(proxy.Init(false)) << Utf16ToUtf8(proxy.ConnectionError());
    EXPECT_TRUE(proxy.Active());
    EXPECT_TRUE(proxy.Connected());
    EXPECT_EQ(proxy.Environment(), u"Negozio");
    EXPECT_TRUE(proxy.TestEnvironment());
    auto dataset = proxy.CreateDataset(u"select current_database() as db");
    EXPECT_EQ(dataset->FieldByName(u"db").AsString(), fSettings.database);
  }
  SetWindowsDirectoryForTesting(u"");
  SetHostExecutablePathForTesting(savedExecutable);
}

}  // namespace

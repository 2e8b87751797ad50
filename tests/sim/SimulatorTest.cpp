// The simulator over HTTPS with certificate verification on, as the driver
// meets it: log-in, refresh, signing, sales by the cents table, voids, the
// record file and the info file.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>

#include <gtest/gtest.h>

#include "sim/SimTestSupport.h"
#include "support/WaitFor.h"

namespace {

class SimulatorTest : public ::testing::Test {
 protected:
  RunningSimulator fSim;
  std::string TxnInit() const { return "/terminal/" + fSim.Options().fTerminalId + "/txninit"; }
  std::string TxnVoid() const { return "/terminal/" + fSim.Options().fTerminalId + "/txnvoid"; }
};

std::string VoidBody(const std::string& aTransactionId) {
  return "{\"OriginalIdentifier\":\"" + aTransactionId + "\",\"OriginalIdentifierType\":1,\"Timeout\":180}";
}

std::vector<std::string> Lines(const std::filesystem::path& aPath) {
  std::ifstream file(aPath);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST_F(SimulatorTest, LogInAnswersTokensForTheConfiguredCredentialsOnly) {
  const auto good = fSim.PostTerminal("/token", R"({"username":"demo","password":"demo-password"})");
  ASSERT_TRUE(good);
  EXPECT_EQ(good->status, 200);
  EXPECT_EQ(good->get_header_value("Content-Type"), "application/json");
  const auto tokens = ParseJson(good->body);
  EXPECT_GE(Text(tokens, "access").size(), 32u);
  EXPECT_GE(Text(tokens, "refresh").size(), 32u);
  EXPECT_NE(Text(tokens, "access"), Text(tokens, "refresh"));

  for (const char* body : {R"({"username":"demo","password":"wrong"})", R"({"username":"Demo","password":"demo-password"})"}) {
    const auto bad = fSim.PostTerminal("/token", body);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 401) << body;
    EXPECT_EQ(ErrorOf(bad), "Invalid username or password") << body;
  }
}

TEST_F(SimulatorTest, RefreshReplacesTheAccessTokenAndRetiresTheOldOne) {
  std::string refresh;
  const std::string oldAccess = fSim.LogIn(&refresh);
  const auto answer = fSim.PostTerminal("/token/refresh", "{\"refresh\":\"" + refresh + "\"}");
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200);
  const auto tokens = ParseJson(answer->body);
  const std::string newAccess = Text(tokens, "access");
  EXPECT_NE(newAccess, oldAccess);
  EXPECT_EQ(Text(tokens, "refresh"), refresh);

  // Auth passes with the new token (the void then finds nothing), not with the old one.
  const auto withNew = fSim.PostTerminal(TxnVoid(), VoidBody("1"), fSim.Bearer(newAccess));
  ASSERT_TRUE(withNew);
  EXPECT_EQ(withNew->status, 404);
  const auto withOld = fSim.PostTerminal(TxnVoid(), VoidBody("1"), fSim.Bearer(oldAccess));
  ASSERT_TRUE(withOld);
  EXPECT_EQ(withOld->status, 401);
  EXPECT_EQ(ErrorOf(withOld), "Invalid or expired access token");

  const auto unknown = fSim.PostTerminal("/token/refresh", R"({"refresh":"not-issued"})");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 401);
  EXPECT_EQ(ErrorOf(unknown), "Invalid refresh token");
}

TEST_F(SimulatorTest, TransactionsNeedACurrentBearerToken) {
  const std::string providerData = fSim.SignedProviderData("12.50");
  const std::string body = RunningSimulator::SaleBody(1250, providerData);
  const httplib::Headers cases[] = {{}, {{"Authorization", "Bearer made-up"}}, {{"Authorization", "Basic ZGVtbw=="}}};
  for (const auto& headers : cases) {
    const auto answer = fSim.PostTerminal(TxnInit(), body, headers);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 401);
    EXPECT_EQ(ErrorOf(answer), "Invalid or expired access token");
  }
  // The rejected attempts did not spend the signature.
  const auto accepted = fSim.PostTerminal(TxnInit(), body, fSim.Bearer(fSim.LogIn()));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->status, 200);
}

TEST(SimulatorApiKey, TerminalServiceRequiresTheConfiguredApiKey) {
  RunningSimulator sim([](ovsim::SimOptions& aOptions) { aOptions.fApiKey = "key-1"; });
  const std::string logIn = R"({"username":"demo","password":"demo-password"})";
  const struct {
    httplib::Headers fHeaders;
    int fStatus;
  } cases[] = {{{}, 403}, {{{"X-Api-Key", "key-2"}}, 403}, {{{"X-Api-Key", "key-1"}}, 200}};
  for (const auto& testCase : cases) {
    const auto answer = sim.PostTerminal("/token", logIn, testCase.fHeaders);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, testCase.fStatus);
    if (testCase.fStatus == 403) {
      EXPECT_EQ(ErrorOf(answer), "Invalid or missing API key");
    }
  }
}

TEST_F(SimulatorTest, SigningNeedsItsApiKeyAndAnswersTheInputInHundredths) {
  for (const httplib::Headers& headers : {httplib::Headers{}, httplib::Headers{{"APIKey", "other"}}}) {
    const auto refused = fSim.PostSigning(SigningBody("12.5"), headers);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    EXPECT_EQ(ErrorOf(refused), "Invalid or missing API key");
  }

  std::vector<long long> marks;
  for (int i = 0; i < 2; ++i) {
    const auto answer = fSim.PostSigning(SigningBody("12.5"), {{"APIKey", "impact-demo-key"}, {"Accept", "*/*"}});
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200);
    const auto signature = ParseJson(answer->body);
    std::smatch match;
    const std::string input = Text(signature, "input");
    ASSERT_TRUE(std::regex_match(input, match, std::regex("([0-9A-F]{40});([0-9]+);([0-9]{14});1008;242;1250")))
        << input;
    marks.push_back(std::stoll(match[2]));
    EXPECT_TRUE(std::regex_match(Text(signature, "signature"), std::regex("[A-Za-z0-9+/]{43}=")));
  }
  EXPECT_GE(marks[0], 400000001);
  EXPECT_GT(marks[1], marks[0]);
}

TEST_F(SimulatorTest, SigningReadsAmountsInExponentFormAsTheirValue) {
  // RapidJSON's full-precision path made arbitrary numbers of a zero with a
  // large exponent; found by fuzz_simulator.
  const struct {
    const char* net;
    const char* hundredths;
  } cases[] = {{"1008E-2", "1008"}, {"0e100", "0"}, {"0e200", "0"}, {"0.00000e200", "0"}, {"0E0174", "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.net);
    const auto answer = fSim.PostSigning(SigningBody("12.5", c.net), {{"APIKey", "impact-demo-key"}});
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const std::string input = Text(ParseJson(answer->body), "input");
    EXPECT_TRUE(std::regex_match(input, std::regex(std::string("[^;]+;[0-9]+;[0-9]{14};") + c.hundredths + ";242;1250")))
        << input;
  }
}

TEST_F(SimulatorTest, SigningFailuresFollowThePaymentCents) {
  const auto html = fSim.PostSigning(SigningBody("7.11"), {{"APIKey", "impact-demo-key"}});
  ASSERT_TRUE(html);
  EXPECT_EQ(html->status, 500);
  EXPECT_EQ(html->get_header_value("Content-Type").rfind("text/html", 0), 0u);
  EXPECT_NE(html->body.find("<html>"), std::string::npos);

  const auto unavailable = fSim.PostSigning(SigningBody("7.12"), {{"APIKey", "impact-demo-key"}});
  ASSERT_TRUE(unavailable);
  EXPECT_EQ(unavailable->status, 503);
  EXPECT_EQ(ErrorOf(unavailable), "Signing service unavailable");
}

TEST_F(SimulatorTest, SaleOutcomeFollowsTheCentsOfTheAmount) {
  const struct {
    long long fAmount;
    int fStatus;
    int fResult;  // -1: no JSON answer expected
    bool fCardData;
  } cases[] = {
      {1250, 200, 1, true}, {1201, 200, 2, true}, {1202, 200, 3, false}, {1203, 200, 4, true},
      {1204, 200, 5, true}, {1205, 200, 6, true}, {1206, 200, 7, true},  {1207, 200, 0, true},
      {1208, 200, 1, true}, {1209, 500, -1, false}, {1210, 400, -1, false},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.fAmount);
    const auto answer = fSim.Sale(testCase.fAmount);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, testCase.fStatus);
    if (testCase.fStatus == 500) {
      EXPECT_EQ(answer->get_header_value("Content-Type").rfind("text/html", 0), 0u);
      continue;
    }
    if (testCase.fStatus == 400) {
      EXPECT_EQ(ErrorOf(answer), "Invalid amount");
      continue;
    }
    const auto outcome = ParseJson(answer->body);
    EXPECT_EQ(outcome["Result"].GetInt(), testCase.fResult);
    EXPECT_EQ(outcome["Status"].GetInt(), 0);
    EXPECT_EQ(Text(outcome, "Terminal"), "T1001");
    EXPECT_EQ(outcome["Amount"].GetInt64(), testCase.fAmount);
    EXPECT_EQ(outcome["CurrencyCode"].GetInt(), 978);
    EXPECT_EQ(outcome["TipAmount"].GetInt(), 0);
    EXPECT_EQ(outcome["Instalments"].GetInt(), 0);
    EXPECT_TRUE(std::regex_match(Text(outcome, "TransactionId"), std::regex("[0-9]+")));
    EXPECT_NE(Text(outcome, "Id"), Text(outcome, "TransactionId"));
    ASSERT_EQ(outcome.HasMember("Transaction"), testCase.fCardData);
    if (testCase.fCardData) {
      const auto& card = outcome["Transaction"];
      EXPECT_TRUE(std::regex_match(Text(card, "CardPAN"), std::regex("[0-9]{6}\\*{5,6}[0-9]{4}")));
      EXPECT_TRUE(std::regex_match(Text(card, "STAN"), std::regex("[0-9]{6}")));
      EXPECT_EQ(Text(card, "AuthCode").empty(), testCase.fResult != 1);
    }
  }
}

TEST_F(SimulatorTest, CardBrandFollowsTheWholeUnitsOfTheAmount) {
  const struct {
    long long fAmount;
    const char* fPattern;
  } cases[] = {{2000, "4[0-9]{5}\\*{6}[0-9]{4}"},
               {2100, "5[1-5][0-9]{4}\\*{6}[0-9]{4}"},
               {2200, "37[0-9]{4}\\*{5}[0-9]{4}"},
               {2300, "6[0-9]{5}\\*{6}[0-9]{4}"}};
  for (const auto& testCase : cases) {
    const auto answer = fSim.Sale(testCase.fAmount);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200);
    const std::string pan = Text(ParseJson(answer->body)["Transaction"], "CardPAN");
    EXPECT_TRUE(std::regex_match(pan, std::regex(testCase.fPattern))) << testCase.fAmount << " " << pan;
  }
}

TEST_F(SimulatorTest, SignatureIsAcceptedOnceAndOnlyAsIssued) {
  const std::string access = fSim.LogIn();
  const std::string providerData = fSim.SignedProviderData("12.50");

  // A server error before the terminal took the sale leaves the signature unspent.
  const auto failed = fSim.PostTerminal(TxnInit(), RunningSimulator::SaleBody(1209, providerData), fSim.Bearer(access));
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->status, 500);
  const auto first = fSim.PostTerminal(TxnInit(), RunningSimulator::SaleBody(1250, providerData), fSim.Bearer(access));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  const auto again = fSim.PostTerminal(TxnInit(), RunningSimulator::SaleBody(1250, providerData), fSim.Bearer(access));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 400);
  EXPECT_EQ(ErrorOf(again), "Invalid e-invoice signature");

  const std::string fresh = fSim.SignedProviderData("12.50");
  const std::string forgedCases[] = {
      std::regex_replace(fresh, std::regex("\"TotalAmount\":[0-9]+"), "\"TotalAmount\":1"),
      std::regex_replace(fresh, std::regex("\"Uid\":\"[0-9A-F]+\""), "\"Uid\":\"" + std::string(40, 'A') + "\""),
      std::regex_replace(fresh, std::regex("\"ProviderId\":3"), "\"ProviderId\":4"),
  };
  for (const std::string& forged : forgedCases) {
    const auto answer = fSim.PostTerminal(TxnInit(), RunningSimulator::SaleBody(1250, forged), fSim.Bearer(access));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400) << forged;
    EXPECT_EQ(ErrorOf(answer), "Invalid e-invoice signature") << forged;
  }
}

TEST_F(SimulatorTest, VoidReversesAnApprovedSaleOnce) {
  const auto sale = fSim.Sale(2550);
  ASSERT_TRUE(sale);
  const auto saleAnswer = ParseJson(sale->body);
  const std::string transactionId = Text(saleAnswer, "TransactionId");
  const std::string access = fSim.LogIn();

  const auto voided = fSim.PostTerminal(TxnVoid(), VoidBody(transactionId), fSim.Bearer(access));
  ASSERT_TRUE(voided);
  ASSERT_EQ(voided->status, 200);
  const auto voidAnswer = ParseJson(voided->body);
  EXPECT_EQ(voidAnswer["Result"].GetInt(), 1);
  EXPECT_EQ(voidAnswer["Status"].GetInt(), 0);
  EXPECT_EQ(Text(voidAnswer, "Terminal"), "T1001");
  EXPECT_NE(Text(voidAnswer, "Id"), "<absent>");
  EXPECT_NE(Text(voidAnswer, "Id"), Text(saleAnswer, "Id"));
  const auto& original = voidAnswer["Transaction"];
  EXPECT_EQ(original["Amount"].GetInt64(), 2550);
  EXPECT_EQ(original["CurrencyCode"].GetInt(), 978);
  EXPECT_EQ(original["TipAmount"].GetInt(), 0);
  EXPECT_EQ(original["Instalments"].GetInt(), 0);
  for (const char* member : {"CardPAN", "AuthCode", "STAN"}) {
    EXPECT_EQ(Text(original, member), Text(saleAnswer["Transaction"], member)) << member;
  }

  const auto twice = fSim.PostTerminal(TxnVoid(), VoidBody(transactionId), fSim.Bearer(access));
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice->status, 409);
  EXPECT_EQ(ErrorOf(twice), "Transaction already voided");

  const auto declined = fSim.Sale(2501);
  ASSERT_TRUE(declined);
  for (const std::string& id : {Text(ParseJson(declined->body), "TransactionId"), std::string("424242")}) {
    const auto answer = fSim.PostTerminal(TxnVoid(), VoidBody(id), fSim.Bearer(access));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 404) << id;
    EXPECT_EQ(ErrorOf(answer), "Original transaction not found") << id;
  }
}

TEST_F(SimulatorTest, OtherTerminalIdsAreNotFound) {
  const std::string access = fSim.LogIn();
  for (const char* path : {"/terminal/T1002/txninit", "/terminal/T1002/txnvoid"}) {
    const auto answer = fSim.PostTerminal(path, VoidBody("1"), fSim.Bearer(access));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 404) << path;
    EXPECT_EQ(ErrorOf(answer), "Terminal T1002 not found") << path;
  }
}

TEST_F(SimulatorTest, MalformedBodiesAndUnknownPathsAnswerJsonErrors) {
  const std::string access = fSim.LogIn();
  const struct {
    bool fSigning;
    std::string fPath;
    std::string fBody;
    int fStatus;
    std::string fErrorStart;
  } cases[] = {
      {false, "/token", "{\"username\":", 400, "Malformed JSON body"},
      {false, "/token", "[1]", 400, "Request body must be a JSON object"},
      {false, "/token", R"({"username":"demo"})", 400, "Missing member 'password'"},
      {false, "/nothing", "{}", 404, "Unknown path /nothing"},
      {false, TxnInit(), R"({"TxnType":0,"Amount":12.5})", 400, "Member 'Amount' must be an integer"},
      {false, TxnVoid(), R"({"OriginalIdentifier":"1","OriginalIdentifierType":2,"Timeout":180})", 400,
       "Unsupported OriginalIdentifierType"},
      {true, "", "{\"nspCode\":\"EuronetWeb\"", 400, "Malformed JSON body"},
      {true, "", SigningBody("\"12.5\""), 400, "Member 'paymentAmount' must be a number"},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.fPath + " " + testCase.fBody);
    const auto answer = testCase.fSigning ? fSim.PostSigning(testCase.fBody, {{"APIKey", "impact-demo-key"}})
                                          : fSim.PostTerminal(testCase.fPath, testCase.fBody, fSim.Bearer(access));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, testCase.fStatus);
    EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json");
    EXPECT_EQ(ErrorOf(answer).rfind(testCase.fErrorStart, 0), 0u) << ErrorOf(answer);
  }
}

TEST_F(SimulatorTest, RecordFileHoldsEachRequestBeforeItsAnswer) {
  const std::string body = R"({"username":"demo","password":"x\/y"})";
  const auto answer = fSim.PostTerminal("/token", body, {{"X-Trace", "one"}});
  ASSERT_TRUE(answer);
  std::vector<std::string> lines = Lines(fSim.Options().fRecordFile);
  ASSERT_EQ(lines.size(), 1u);
  auto line = ParseJson(lines[0]);
  EXPECT_EQ(Text(line, "service"), "terminal");
  EXPECT_EQ(Text(line, "method"), "POST");
  EXPECT_EQ(Text(line, "path"), "/token");
  EXPECT_EQ(Text(line, "body"), body);
  ASSERT_TRUE(line.HasMember("headers"));
  EXPECT_EQ(Text(line["headers"], "X-Trace"), "one");
  EXPECT_EQ(Text(line["headers"], "Content-Type"), "application/json");
  EXPECT_FALSE(line["headers"].HasMember("REMOTE_ADDR"));

  ASSERT_TRUE(fSim.PostSigning(SigningBody("1.00"), {{"APIKey", "impact-demo-key"}}));
  lines = Lines(fSim.Options().fRecordFile);
  ASSERT_EQ(lines.size(), 2u);
  line = ParseJson(lines[1]);
  EXPECT_EQ(Text(line, "service"), "signing");
  EXPECT_EQ(Text(line, "path"), "/PosTransactions/signpos");
  EXPECT_EQ(Text(line["headers"], "APIKey"), "impact-demo-key");
}

TEST(SimulatorSlow, SlowSaleHoldsOnlyItsOwnRequest) {
  RunningSimulator sim([](ovsim::SimOptions& aOptions) { aOptions.fDelayMs = 60000; });
  const std::string providerData = sim.SignedProviderData("12.08");
  const std::string access = sim.LogIn();
  auto slow = std::async(std::launch::async, [&] {
    return sim.PostTerminal("/terminal/T1001/txninit", RunningSimulator::SaleBody(1208, providerData),
                            sim.Bearer(access));
  });
  // The txninit line is recorded before its wait starts.
  ASSERT_TRUE(WaitFor([&] {
    const auto lines = Lines(sim.Options().fRecordFile);
    return lines.size() == 3 && lines[2].find("/txninit") != std::string::npos;
  }));
  const auto signing = sim.PostSigning(SigningBody("1.00"), {{"APIKey", "impact-demo-key"}});
  ASSERT_TRUE(signing);
  EXPECT_EQ(signing->status, 200);
  EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout);

  // Stopping ends the wait at once instead of after the minute.
  const auto stopStarted = std::chrono::steady_clock::now();
  sim.Sim().Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - stopStarted, std::chrono::seconds(20));
  const auto answer = slow.get();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 503);
  EXPECT_EQ(ErrorOf(answer), "Simulator stopping");
}

TEST(SimulatorSlow, SlowSaleIsCancelledWhenItsTimeoutRunsOutFirst) {
  RunningSimulator sim([](ovsim::SimOptions& aOptions) { aOptions.fDelayMs = 60000; });
  const std::string providerData = sim.SignedProviderData("12.08");
  const auto answer = sim.PostTerminal("/terminal/T1001/txninit", RunningSimulator::SaleBody(1208, providerData, 1),
                                       sim.Bearer(sim.LogIn()));
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200);
  const auto outcome = ParseJson(answer->body);
  EXPECT_EQ(outcome["Result"].GetInt(), 3);
  EXPECT_FALSE(outcome.HasMember("Transaction"));
}

TEST(SimulatorFiles, InfoFileNamesBothServicesAndTheCertificate) {
  TempFolder folder;
  const std::string infoPath = (folder.Path() / "info.json").string();
  RunningSimulator sim([&](ovsim::SimOptions& aOptions) { aOptions.fInfoOut = infoPath; });
  std::ifstream file(infoPath);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto info = ParseJson(text);
  EXPECT_EQ(Text(info, "terminalUrl"), sim.Sim().TerminalUrl());
  EXPECT_EQ(Text(info, "signingUrl"), sim.Sim().SigningUrl());
  EXPECT_EQ(Text(info, "caFile"), sim.Sim().CaFile());
  EXPECT_EQ(Text(info, "recordFile"), sim.Options().fRecordFile);
  EXPECT_TRUE(std::regex_match(Text(info, "terminalUrl"), std::regex("https://127\\.0\\.0\\.1:[0-9]+")));
  EXPECT_NE(Text(info, "terminalUrl"), Text(info, "signingUrl"));

  // The certificate also names localhost.
  const std::string url = sim.Sim().TerminalUrl();
  httplib::SSLClient client("localhost", std::stoi(url.substr(url.rfind(':') + 1)));
  client.set_ca_cert_path(sim.Sim().CaFile().c_str());
  client.enable_server_certificate_verification(true);
  const auto answer = client.Post("/token", R"({"username":"demo","password":"demo-password"})", "application/json");
  ASSERT_TRUE(answer) << httplib::to_string(answer.error());
  EXPECT_EQ(answer->status, 200);
}

TEST(SimulatorFiles, TakenPortFailsTheStart) {
  RunningSimulator first;
  const std::string url = first.Sim().TerminalUrl();
  TempFolder folder;
  ovsim::SimOptions options;
  options.fQuiet = true;
  options.fCertOut = (folder.Path() / "ca.pem").string();
  options.fSigningPort = std::stoi(url.substr(url.rfind(':') + 1));
  ovsim::Simulator second(options);
  EXPECT_THROW(second.Start(), std::runtime_error);
}

TEST(SimulatorFiles, DefaultCertificateFolderGoesAwayWithTheSimulator) {
  std::filesystem::path caFile;
  {
    ovsim::SimOptions options;
    options.fQuiet = true;
    ovsim::Simulator simulator(options);
    simulator.Start();
    caFile = simulator.CaFile();
    EXPECT_TRUE(std::filesystem::exists(caFile));
  }
  EXPECT_FALSE(std::filesystem::exists(caFile.parent_path()));
}

}  // namespace

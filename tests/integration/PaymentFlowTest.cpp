// The built library as a till uses it: OPEN, payments, refunds, voids and
// CLOSE through the exported functions, against the simulated terminal and
// signing services over HTTPS on 127.0.0.1 and a real registry database
// (PostgreSQL through ODBC) of the test's own. The host's working directory
// is a temporary folder holding the driver's settings file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "integration/HostLibrary.h"
#include "integration/TillFixture.h"
#include "support/WholeFile.h"

namespace {

// The I/O handler's hex dump of an ASCII text: two digits per character,
// separated by blanks.
std::string HexDump(const std::string& aText) {
  std::string hex;
  for (unsigned char c : aText) {
    if (!hex.empty()) hex += ' ';
    hex += "0123456789abcdef"[c >> 4];
    hex += "0123456789abcdef"[c & 0xf];
  }
  return hex;
}

const std::string kSignPath = "/PosTransactions/signpos";
const std::string kRefreshPath = "/token/refresh";
const std::string kTxnInitPath = "/terminal/T1001/txninit";
const std::string kTxnVoidPath = "/terminal/T1001/txnvoid";

// Today's date as the signature's series templates spell it.
struct Today {
  std::string year;
  std::string twoDigitYear;  // without a leading zero
  std::string month;
  std::string day;
};

Today LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  auto twoDigits = [](int aValue) { return (aValue < 10 ? "0" : "") + std::to_string(aValue); };
  return {std::to_string(local.tm_year + 1900), std::to_string((local.tm_year + 1900) % 100),
          twoDigits(local.tm_mon + 1), twoDigits(local.tm_mday)};
}

// The till as one host process: the library loaded in the test itself.
class PaymentFlowTest : public TillTest {
 protected:
  // Opens the device; 0 when the OPEN failed (the failure is reported).
  int Open() {
    fOpenAnswer = fLibrary.Call("OPEN", OpenRequest(fDevice, LogId()));
    EXPECT_EQ(fOpenAnswer.result, 0) << fOpenAnswer.message;
    return fOpenAnswer.result == 0 ? std::stoi(fOpenAnswer.Field("Handle")) : 0;
  }

  HostAnswer Pay(int aHandle, const Sale& aSale) { return fLibrary.Call("PAY", PayRequest(aHandle, aSale)); }

  HostAnswer Close(int aHandle) { return fLibrary.Call("CLOSE", Envelope("Close", aHandle, "")); }

  HostAnswer fOpenAnswer;
  HostLibrary fLibrary;
};

TEST_F(PaymentFlowTest, PaymentRefundAndVoidRunThroughBothServices) {
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  EXPECT_EQ(fOpenAnswer.Field("Error"), "False");
  EXPECT_EQ(fOpenAnswer.Field("ErrorText"), "");

  const HostAnswer payment = Pay(handle, Sale{});
  ASSERT_EQ(payment.result, 0) << payment.message;
  EXPECT_EQ(payment.Field("Error"), "False");
  EXPECT_EQ(payment.Field("DeviceId"), "T1001");
  EXPECT_EQ(payment.Field("PaymentAmount"), "20");
  EXPECT_EQ(payment.Field("PaymentCurrency"), "EUR");
  EXPECT_EQ(payment.Field("PaymentNetwork"), "visa");  // whole units 20: a Visa card
  EXPECT_EQ(payment.Field("MaskedPAN").substr(0, 1), "4");
  EXPECT_NE(payment.Field("AuthCode"), "");
  EXPECT_NE(payment.Field("PaymentNumber"), "");
  EXPECT_NE(payment.Field("RefundReference"), "");

  const HostAnswer refund = Pay(handle, Refund("4.00"));
  ASSERT_EQ(refund.result, 0) << refund.message;
  EXPECT_EQ(refund.Field("PaymentAmount"), "4");
  EXPECT_NE(refund.Field("PaymentNumber"), payment.Field("PaymentNumber"));

  const HostAnswer voided = Pay(handle, VoidOf(payment.Field("PaymentNumber")));
  ASSERT_EQ(voided.result, 0) << voided.message;
  EXPECT_EQ(voided.Field("PaymentAmount"), "20");  // the original's card data
  EXPECT_EQ(voided.Field("MaskedPAN"), payment.Field("MaskedPAN"));
  EXPECT_EQ(voided.Field("PaymentNumber"), voided.Field("RefundReference"));

  const HostAnswer close = Close(handle);
  EXPECT_EQ(close.result, 0);
  EXPECT_EQ(Close(handle).result, -1);  // closed means gone

  const auto record = Record();
  EXPECT_EQ(PathsOf(record), (std::vector<std::string>{"/token", kSignPath, kRefreshPath, kTxnInitPath, kSignPath,
                                                       kRefreshPath, kTxnInitPath, kRefreshPath, kTxnVoidPath}));
  ASSERT_EQ(record.size(), 9u);
  const Today today = LocalToday();
  const auto saleSignature = record[1].Json();
  EXPECT_EQ(MemberText(saleSignature, "invoiceTypeCode"), "11.1");
  EXPECT_EQ(MemberText(saleSignature, "series"), "A12-3/" + today.year);
  EXPECT_EQ(MemberText(saleSignature, "paymentAmount"), "20.0");
  EXPECT_EQ(MemberText(saleSignature, "totalNetAmount"), "16.13");
  EXPECT_EQ(MemberText(saleSignature, "terminalId"), "T1001");
  EXPECT_EQ(record[1].Header("APIKey"), "impact-demo-key");
  const auto sale = record[3].Json();
  EXPECT_EQ(MemberText(sale, "TxnType"), "0");
  EXPECT_EQ(MemberText(sale, "Amount"), "2000");
  EXPECT_EQ(MemberText(sale, "CurrencyCode"), "978");
  EXPECT_EQ(record[3].Header("Authorization").rfind("Bearer ", 0), 0u);

  const auto refundSignature = record[4].Json();
  EXPECT_EQ(MemberText(refundSignature, "invoiceTypeCode"), "5.2");
  EXPECT_EQ(MemberText(refundSignature, "series"), "CN12-3/" + today.twoDigitYear);
  const auto refundBody = record[6].Json();
  EXPECT_EQ(MemberText(refundBody, "TxnType"), "1");
  EXPECT_EQ(MemberText(refundBody, "Amount"), "400");

  const auto voidBody = record[8].Json();
  EXPECT_EQ(MemberText(voidBody, "OriginalIdentifier"), payment.Field("PaymentNumber"));
  EXPECT_EQ(MemberText(voidBody, "OriginalIdentifierType"), "1");
}

TEST_F(PaymentFlowTest, BranchRowsOfTheRegistryReachTheSignatureRequest) {
  struct Case {
    std::string store;
    std::string issuerTin;
    std::string branchCode;
    std::string series;  // the branch's invoice template filled in for till 3
  };
  const Today today = LocalToday();
  const Case cases[] = {
      {"12", "EL094019245", "3", "A12-3/" + today.year},   // VAT number stored without the prefix
      {"14", "EL094019245", "0", "B14"},                   // no fiscal number in the database
      {"21", "EL800123456", "7", "T" + today.month + today.day},  // VAT number stored with the prefix
      {"SH1", "ELel555000111", "11", "S3"},                 // a lower-case prefix is not the prefix
  };
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  for (const Case& c : cases) {
    Sale sale;
    sale.store = c.store;
    const size_t before = Record().size();
    const HostAnswer answer = Pay(handle, sale);
    EXPECT_EQ(answer.result, 0) << c.store << ": " << answer.message;
    const auto record = Record();
    ASSERT_GT(record.size(), before) << c.store;
    ASSERT_EQ(record[before].path, kSignPath) << c.store;
    const auto signature = record[before].Json();
    EXPECT_EQ(MemberText(signature, "issuerTin"), c.issuerTin) << c.store;
    EXPECT_EQ(MemberText(signature, "branchCode"), c.branchCode) << c.store;
    EXPECT_EQ(MemberText(signature, "series"), c.series) << c.store;
  }
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, TerminalOutcomesReachTheHostWithTheirText) {
  struct Case {
    const char* amount;
    const char* errorText;
    bool cardData;  // the answer carries the card of the declined transaction
  };
  const Case cases[] = {
      {"20.01", "Declined", true},
      {"20.02", "Cancelled", false},
      {"20.03", "Failed", true},
      {"20.04", "Unknown Error", true},
      {"20.05", "Busy", true},
      {"20.06", "Transactions limit reached. Please perform a Batch Closing", true},
      {"20.07", "Result code not mapped", true},
      {"20.09", "Internal Server Error", false},  // HTTP 500 with an HTML page: the reason phrase
      {"20.10", "Invalid amount", false},         // HTTP 400 with a JSON "error"
  };
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  for (const Case& c : cases) {
    Sale sale;
    sale.amount = sale.total = c.amount;
    const size_t before = Record().size();
    const HostAnswer answer = Pay(handle, sale);
    EXPECT_EQ(answer.result, -1) << c.amount;
    EXPECT_EQ(answer.message, c.errorText) << c.amount;
    EXPECT_EQ(answer.Field("ErrorText"), c.errorText) << c.amount;
    EXPECT_EQ(answer.Field("Error"), "True") << c.amount;
    EXPECT_EQ(answer.Field("MaskedPAN").empty(), !c.cardData) << c.amount;
    EXPECT_EQ(PathsOf(Record(), before), (std::vector<std::string>{kSignPath, kRefreshPath, kTxnInitPath}))
        << c.amount;
  }
  // After all of them the device still pays.
  const HostAnswer approved = Pay(handle, Sale{});
  EXPECT_EQ(approved.result, 0) << approved.message;
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, FailedSigningSendsNothingToTheTerminal) {
  struct Case {
    const char* amount;
    const char* errorText;
  };
  const Case cases[] = {
      {"20.11", "Internal Server Error"},  // HTTP 500 with an HTML page
      {"20.12", "Service Unavailable"},    // HTTP 503: the reason phrase, not the JSON "error"
  };
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  for (const Case& c : cases) {
    Sale sale;
    sale.amount = sale.total = c.amount;
    const size_t before = Record().size();
    const HostAnswer answer = Pay(handle, sale);
    EXPECT_EQ(answer.result, -1) << c.amount;
    EXPECT_EQ(answer.message, c.errorText) << c.amount;
    EXPECT_EQ(answer.Field("PaymentNumber"), "") << c.amount;
    EXPECT_EQ(PathsOf(Record(), before), std::vector<std::string>{kSignPath}) << c.amount;
  }
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, StoreNotInTheRegistryFailsBeforeAnyPosting) {
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  const size_t before = Record().size();
  for (const char* store : {"99", "sh1"}) {  // unknown; known only in other letter case
    Sale sale;
    sale.store = store;
    const HostAnswer answer = Pay(handle, sale);
    EXPECT_EQ(answer.result, -1) << store;
    EXPECT_EQ(answer.message, std::string("Store ") + store + " not found in Branch_Record");
    EXPECT_EQ(answer.Field("ErrorText"), std::string("Store ") + store + " not found in Branch_Record");
  }
  EXPECT_EQ(Record().size(), before);
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, UnknownCurrencyFailsBeforeAnyNetworkCall) {
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  const size_t before = Record().size();
  Sale sale;
  sale.currency = "XYZ";
  const HostAnswer answer = Pay(handle, sale);
  EXPECT_EQ(answer.result, -1);
  EXPECT_NE(answer.message.find("XYZ"), std::string::npos) << answer.message;
  EXPECT_EQ(Record().size(), before);
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, OperationsTheTerminalDoesNotOfferAnswerUnsupported) {
  StartServices();
  const int handle = Open();
  ASSERT_GT(handle, 0);
  // A failed payment first: its failure stays with its own answer.
  Sale failing;
  failing.amount = failing.total = "20.09";
  EXPECT_EQ(Pay(handle, failing).message, "Internal Server Error");
  const std::string document = Element("StoreCode", "12") + Element("TillCode", "3") + Element("Reference", "R1");
  const struct {
    const char* exported;
    std::string request;
  } calls[] = {
      {"REPRINT", Envelope("Reprint", handle, Element("Reprint", document))},
      {"DAYCLOSE", Envelope("DayClose", handle, Element("DayClose", document))},
      {"GETTOTALS", Envelope("GetTotals", handle, Element("GetTotals", document))},
  };
  for (const auto& call : calls) {
    const HostAnswer answer = fLibrary.Call(call.exported, call.request);
    EXPECT_EQ(answer.result, -1) << call.exported;
    EXPECT_EQ(answer.message, "Unsupported") << call.exported;
    EXPECT_EQ(answer.Field("ErrorText"), "Unsupported") << call.exported;
  }
  // A verification is no failure: it answers without transaction data.
  const HostAnswer verify =
      fLibrary.Call("VERIFYTRAN", Envelope("VerifyTran", handle, Element("VerifyTran", document)));
  EXPECT_EQ(verify.result, 0) << verify.message;
  EXPECT_EQ(verify.message, "");
  EXPECT_EQ(verify.Field("ErrorText"), "");
  EXPECT_EQ(verify.Field("PaymentNumber"), "");
  EXPECT_EQ(PathsOf(Record()), (std::vector<std::string>{"/token", kSignPath, kRefreshPath, kTxnInitPath}));
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, UnreachableRegistryFailsTheOpen) {
  WriteFile(fTill.Path() / kSettingsFileName, fRegistry->UnreachableSettingsFileText());
  StartServices();
  const auto start = std::chrono::steady_clock::now();
  const HostAnswer answer = fLibrary.Call("OPEN", OpenRequest(fDevice, LogId()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));  // a refused connection, not the log-in time-out
  EXPECT_EQ(answer.result, -1);
  EXPECT_EQ(answer.message, "Unable to connect to Tillora Registry");
  EXPECT_EQ(answer.Field("Handle"), "0");
  // Nothing was left open: the next OPEN, with the registry back, gets a device.
  WriteFile(fTill.Path() / kSettingsFileName, fRegistry->SettingsFileText());
  const int handle = Open();
  EXPECT_GT(handle, 0);
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, WrongCredentialsOpenTheDeviceAndFailTheFirstPayment) {
  StartServices();
  fDevice.password = "not-the-password";
  const int handle = Open();
  ASSERT_GT(handle, 0);
  const size_t before = Record().size();
  const HostAnswer answer = Pay(handle, Sale{});
  EXPECT_EQ(answer.result, -1);
  // The log-in gave no refresh token, so the refresh before the transaction fails.
  EXPECT_EQ(answer.message, "Invalid refresh token");
  EXPECT_EQ(PathsOf(Record(), before), (std::vector<std::string>{kSignPath, kRefreshPath}));
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, TerminalAnsweringLateWithinTheReadTimeOutIsApproved) {
  constexpr int kDelayMs = 1500;
  StartServices([](ovsim::SimOptions& aOptions) { aOptions.fDelayMs = kDelayMs; });
  const int handle = Open();
  ASSERT_GT(handle, 0);
  Sale sale;
  sale.amount = sale.total = "20.08";  // the card holder takes his time
  const auto start = std::chrono::steady_clock::now();
  const HostAnswer answer = Pay(handle, sale);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(answer.result, 0) << answer.message;
  EXPECT_EQ(answer.Field("Error"), "False");
  EXPECT_NE(answer.Field("PaymentNumber"), "");
  EXPECT_GE(waited, std::chrono::milliseconds(kDelayMs));
  EXPECT_EQ(Close(handle).result, 0);
}

TEST_F(PaymentFlowTest, DeviceLogHoldsNoSecretInClear) {
  StartServices([](ovsim::SimOptions& aOptions) { aOptions.fApiKey = "terminal-key-5f1c9e"; });
  fDevice.hexLog = true;  // the hex dump must not carry them either
  const int handle = Open();
  ASSERT_GT(handle, 0);
  const HostAnswer payment = Pay(handle, Sale{});
  ASSERT_EQ(payment.result, 0) << payment.message;
  const HostAnswer voided = Pay(handle, VoidOf(payment.Field("PaymentNumber")));
  ASSERT_EQ(voided.result, 0) << voided.message;
  ASSERT_EQ(Close(handle).result, 0);  // the device's log is written out

  // The tokens as the services handed them out and the driver sent them back.
  std::vector<std::string> tokens;
  for (const auto& request : Record()) {
    const std::string bearer = request.Header("Authorization");
    if (!bearer.empty()) tokens.push_back(bearer.substr(bearer.find(' ') + 1));  // access tokens
    if (request.path == kRefreshPath) tokens.push_back(MemberText(request.Json(), "refresh"));
  }
  ASSERT_FALSE(tokens.empty()) << "no token in the record";
  std::vector<std::string> secrets = {fDevice.password, fDevice.impactApiKey, fDevice.apiKey, fRegistry->Password()};
  secrets.insert(secrets.end(), tokens.begin(), tokens.end());
  const std::string logFile = payment.Field("LogFileName");
  ASSERT_NE(logFile, "");
  const std::string log = ReadWholeFile(logFile);
  ASSERT_NE(log.find("/token"), std::string::npos) << "the exchanges are not in " << logFile;
  EXPECT_NE(log.find("********"), std::string::npos);
  for (const auto& secret : secrets) {
    ASSERT_GE(secret.size(), 8u);
    EXPECT_EQ(log.find(secret), std::string::npos) << "in clear in " << logFile << ": " << secret;
    EXPECT_EQ(log.find(HexDump(secret)), std::string::npos) << "in the hex dump in " << logFile << ": " << secret;
  }
}

TEST_F(PaymentFlowTest, WithoutASettingsFileTheRegistryComesFromBotIni) {
  if (std::filesystem::exists("/etc/bot.ini")) GTEST_SKIP() << "/etc/bot.ini would be read first";
  std::filesystem::remove(fTill.Path() / kSettingsFileName);
  // bot.ini beside the host program, as the host's own configuration.
  const std::filesystem::path botIni = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "bot.ini";
  ASSERT_FALSE(std::filesystem::exists(botIni)) << botIni << " is left over";
  WriteFile(botIni, "[parametri generali]\r\nCfg_DataSource=127.0.0.1,1\r\n[Shop]\r\nCfg_DataSource=" +
                        fRegistry->DataSource() + "\r\nCfg_DbName=" + fRegistry->Database() +
                        "\r\nCfg_UserName=" + fRegistry->Role() + "\r\nCfg_UserPwd=" + fRegistry->Password() +
                        "\r\nCfg_DBDriver=" + fRegistry->OdbcDriver() + "\r\n");
  StartServices();
  const HostAnswer open = fLibrary.Call("OPEN", OpenRequest(fDevice, LogId()));
  std::filesystem::remove(botIni);
  ASSERT_EQ(open.result, 0) << open.message;
  const int handle = std::stoi(open.Field("Handle"));
  Sale sale;
  sale.store = "21";
  const HostAnswer answer = Pay(handle, sale);
  EXPECT_EQ(answer.result, 0) << answer.message;
  EXPECT_EQ(MemberText(Record()[1].Json(), "issuerTin"), "EL800123456");
  EXPECT_EQ(Close(handle).result, 0);
}

}  // namespace

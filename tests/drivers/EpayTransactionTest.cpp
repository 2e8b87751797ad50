// The driver's exchanges with both services as they go over the wire: the
// log-in at opening, the signature, the refresh and the transaction of a
// payment or refund, the void, and what the host gets back.
#include <gtest/gtest.h>

#include "drivers/EpayDriverFixture.h"
#include "io/uOVIOHandler.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"
#include "support/WaitFor.h"
#include "support/WholeFile.h"

namespace {

using Paths = std::vector<std::string>;

TEST_F(EpayDriverTest, OpeningLogsInWithTheEscapedCredentialsAndNoAuthorization) {
  fParameters[u"User"] = u"Δήμος";
  const auto driver = Open();
  EXPECT_EQ(fServices.Paths(), Paths{"/token"});
  const EpayRequest login = fServices.Requests().front();
  EXPECT_EQ(login.body, R"({"username":"\u0394\u03AE\u03BC\u03BF\u03C2","password":"secret\/pass-4711"})");
  EXPECT_FALSE(login.HasHeader("Authorization"));
  EXPECT_FALSE(login.HasHeader("X-Api-Key"));
  EXPECT_EQ(login.Header("User-Agent"), "Orvan QVD Driver");
  EXPECT_EQ(login.Header("Content-Type"), "application/json");
  EXPECT_EQ(driver->AccessToken(), u"ACCESS-1");
  EXPECT_EQ(driver->RefreshToken(), u"REFRESH-1");
  EXPECT_EQ(driver->ProviderData().Count(), 1u);
}

TEST_F(EpayDriverTest, MissingParametersAreReportedFirstToLast) {
  struct Case {
    std::vector<std::u16string> removed;
    std::u16string message;
  };
  const std::vector<Case> cases = {
      {{u"ImpactApiKey", u"User"}, u"ImpactApiKey is mandatory"},
      {{u"User"}, u"User is mandatory"},
      {{u"Password", u"TermId"}, u"Password is mandatory"},
      {{u"TermId"}, u"TermId is mandatory"},
  };
  const auto complete = fParameters;
  for (const auto& testCase : cases) {
    fParameters = complete;
    for (const auto& name : testCase.removed) fParameters.erase(name);
    EXPECT_EQ(FailureOf([&] { Open(); }), testCase.message);
  }
  EXPECT_TRUE(fServices.Requests().empty());
}

TEST_F(EpayDriverTest, AConnectionOtherThanHttpIsRefused) {
  kPaymentHandler handler;
  std::u16string request = Request();
  request.replace(request.find(u"<Type>HTTP</Type>"), 17, u"<Type>COM</Type>");
  handler.Deserialize(request, {dt_Open});
  EXPECT_EQ(FailureOf([&] { kPayment_DOVAVAREZU driver(handler, LoadTestBranches); }), u"Invalid class typecast");
}

TEST_F(EpayDriverTest, OnlyAnExactYChoosesTheTestSigningService) {
  fParameters.erase(u"ImpactServerURL");
  const std::vector<std::pair<std::u16string, bool>> cases = {{u"Y", true}, {u"y", false}, {u"YES", false}, {u"", false}};
  for (const auto& [value, isTest] : cases) {
    fParameters[u"Test"] = value;
    const auto driver = Open();
    EXPECT_EQ(driver->IsTest(), isTest) << Utf16ToUtf8(value);
    EXPECT_EQ(driver->ImpactServerURL(), isTest ? u"" OV_IMPACT_TEST_URL : u"" OV_IMPACT_PRODUCTION_URL);
    EXPECT_EQ(driver->BaseURL(), fServices.BaseUrl());  // the configured address wins
  }
}

TEST_F(EpayDriverTest, AFailedLogInStillOpensAndTheFirstPaymentFailsAtTheRefresh) {
  fServices.Answer("/token", {401, R"({"error":"Invalid username or password"})"});
  fServices.Answer("/token/refresh", {401, R"({"error":"Invalid refresh token"})"});
  const auto driver = Open();
  EXPECT_TRUE(driver->IOHandler().ErrorFound());
  EXPECT_EQ(driver->IOHandler().ErrorMessage(), u"Invalid username or password");
  EXPECT_EQ(driver->RefreshToken(), u"");

  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_TRUE(result.Error);
  EXPECT_EQ(result.ErrorText, u"Invalid refresh token");
  EXPECT_EQ(fServices.LastBody("/token/refresh"), R"({"refresh":""})");
  EXPECT_EQ(fServices.Paths(), (Paths{"/token", "/PosTransactions/signpos", "/token/refresh"}));
}

TEST_F(EpayDriverTest, ALogInAnswerWithoutARefreshTokenFailsTheOpening) {
  fServices.Answer("/token", {200, R"({"access":"ACCESS-1"})"});
  EXPECT_EQ(FailureOf([&] { Open(); }), u"Value 'refresh' not found");
}

TEST_F(EpayDriverTest, APaymentIsSignedThenSentWithAFreshToken) {
  const auto driver = Open();
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));

  EXPECT_EQ(fServices.Paths(), (Paths{"/token", "/PosTransactions/signpos", "/token/refresh", TerminalPath("txninit")}));
  const auto requests = fServices.Requests();
  const EpayRequest& signing = requests[1];
  EXPECT_EQ(signing.body,
            R"({"nspCode":"EuronetWeb","issuerTin":"EL123456789","issueDate":"2024-03-05","branchCode":7,)"
            R"("invoiceTypeCode":"11.1","series":"INV-12-3\/20240305","identifier":"identifier","mark":0,)"
            R"("paymentAmount":12.5,"totalNetAmount":10.08,"totalVatAmount":2.42,"totalAmount":12.5,)"
            R"("terminalId":"T1","signatureDurationType":"H_24"})");
  EXPECT_EQ(signing.Header("APIKey"), "impact-key-0815");
  EXPECT_EQ(signing.Header("Accept"), "*/*");
  EXPECT_FALSE(signing.HasHeader("Authorization"));
  EXPECT_EQ(requests[2].body, R"({"refresh":"REFRESH-1"})");
  EXPECT_FALSE(requests[2].HasHeader("Authorization"));
  const EpayRequest& transaction = requests[3];
  EXPECT_EQ(transaction.body,
            R"({"TxnType":0,"Amount":1250,"TipAmount":0,"CurrencyCode":978,"CustomerReference":"R1","Timeout":180,)"
            R"("ProviderData":{"Uid":"UID-1","Mark":400000001,"SignatureTimeStamp":"20241205120000",)"
            R"("NetAmount":1008,"VatAmount":242,"TotalAmount":1250,"ProviderId":3,"Signature":"SIG\/1=="}})");
  EXPECT_EQ(transaction.Header("Authorization"), "Bearer ACCESS-2");
  EXPECT_FALSE(transaction.HasHeader("X-Api-Key"));

  EXPECT_FALSE(result.Error);
  EXPECT_EQ(result.ErrorText, u"");
  EXPECT_EQ(result.DeviceId, u"T1");
  EXPECT_EQ(result.PaymentNumber, u"99");
  EXPECT_EQ(result.RefundReference, u"abc");
  EXPECT_EQ(result.PaymentAmount, ovCurrency::FromHundredths(1250));
  EXPECT_EQ(result.PaymentCurrency, u"EUR");
  EXPECT_EQ(result.MaskedPAN, u"476173******0010");
  EXPECT_EQ(result.PaymentNetwork, Visa);
  EXPECT_EQ(result.AuthCode, u"A12345");
  EXPECT_EQ(result.TraceAuditId, u"123");
  EXPECT_EQ(result.TransactionType, ptt_Other);
  EXPECT_FALSE(result.LogFileName.empty());
  EXPECT_GT(result.PaymentDateTime, 0);
  EXPECT_EQ(driver->AccessToken(), u"ACCESS-2");
  EXPECT_EQ(driver->RefreshToken(), u"REFRESH-1");
}

TEST_F(EpayDriverTest, WhatIsSignedIsWhatTheTerminalCharges) {
  const auto driver = Open();
  Pay(*driver, Payment(u"PAY", u"12.34", u"<TipAmount>0.99</TipAmount>"));
  EXPECT_NE(fServices.LastBody("/PosTransactions/signpos").find(R"("paymentAmount":12.34,)"), std::string::npos);
  EXPECT_NE(fServices.LastBody(TerminalPath("txninit")).find(R"("Amount":1234,"TipAmount":99,)"), std::string::npos);
}

TEST_F(EpayDriverTest, AmountsTheTerminalCannotChargeExactlyAreRefusedBeforeSigning) {
  struct Case {
    std::u16string action;
    std::u16string amount;
    std::u16string more;
    std::u16string message;
  };
  const std::vector<Case> cases = {
      {u"PAY", u"", u"", u"Amount must be greater than 0"},  // an empty Amount reads as 0
      {u"PAY", u"0", u"", u"Amount must be greater than 0"},
      {u"REFUND", u"-12.50", u"", u"Amount must be greater than 0"},
      {u"PAY", u"12.505", u"", u"Amount 12.505 has more than two decimals"},
      {u"REFUND", u"0.005", u"", u"Amount 0.005 has more than two decimals"},
      {u"PAY", u"12.50", u"<TipAmount>-1</TipAmount>", u"TipAmount must not be negative"},
      {u"PAY", u"12.50", u"<TipAmount>0.999</TipAmount>", u"TipAmount 0.999 has more than two decimals"},
  };
  const auto driver = Open();
  for (const Case& c : cases) {
    EXPECT_EQ(FailureOf([&] { Pay(*driver, Payment(c.action, c.amount, c.more)); }), c.message)
        << Utf16ToUtf8(c.amount);
  }
  EXPECT_EQ(fServices.Paths(), std::vector<std::string>{"/token"});  // nothing signed, nothing sent
}

TEST_F(EpayDriverTest, TheTerminalApiKeyGoesOnlyToTheTerminalService) {
  fParameters[u"ApiKey"] = u"terminal-key-1";
  const auto driver = Open();
  Pay(*driver, Payment(u"PAY"));
  for (const auto& request : fServices.Requests()) {
    const bool signing = request.path == "/PosTransactions/signpos";
    EXPECT_EQ(request.Header("X-Api-Key"), signing ? "" : "terminal-key-1") << request.path;
  }
}

TEST_F(EpayDriverTest, RefundsUseTheCreditNoteCodesAndSeries) {
  const auto driver = Open();
  const std::vector<std::pair<std::u16string, std::string>> cases = {
      {u"invoice", R"("invoiceTypeCode":"5.2","series":"CRN-12\/24")"},
      {u"receipt", R"("invoiceTypeCode":"11.4","series":"CRN-12\/24")"},
      {u"taxfree", R"("invoiceTypeCode":"11.4","series":"CRN-12\/24")"}};
  for (const auto& [documentType, expected] : cases) {
    const _int_PAY_result result =
        Pay(*driver, Payment(u"REFUND", u"12.50", u"<DocumentType>" + documentType + u"</DocumentType>"));
    EXPECT_FALSE(result.Error);
    EXPECT_NE(fServices.LastBody("/PosTransactions/signpos").find(expected), std::string::npos)
        << Utf16ToUtf8(documentType);
    EXPECT_EQ(fServices.LastBody(TerminalPath("txninit")).rfind(R"({"TxnType":1,"Amount":1250,)", 0), 0u);
  }
  Pay(*driver, Payment(u"PAY", u"12.50", u"<DocumentType>invoice</DocumentType>"));
  EXPECT_NE(fServices.LastBody("/PosTransactions/signpos").find(R"("invoiceTypeCode":"1.1")"), std::string::npos);
}

TEST_F(EpayDriverTest, AVoidQuotesTheOriginalAndIsNotSigned) {
  fServices.Answer("/PosTransactions/signpos", {503, R"({"error":"down"})"});
  const auto driver = Open();
  const _int_PAY_result result =
      Pay(*driver, Payment(u"VOID", u"99.99", u"<RefundReference><PaymentId>99</PaymentId></RefundReference>"));
  EXPECT_EQ(fServices.Paths(), (Paths{"/token", "/token/refresh", TerminalPath("txnvoid")}));
  EXPECT_EQ(fServices.LastBody(TerminalPath("txnvoid")),
            R"({"OriginalIdentifier":"99","OriginalIdentifierType":1,"Timeout":180})");
  EXPECT_FALSE(result.Error);
  EXPECT_EQ(result.PaymentNumber, u"void-7");
  EXPECT_EQ(result.RefundReference, u"void-7");
  EXPECT_EQ(result.PaymentAmount, ovCurrency::FromHundredths(1250));
  EXPECT_EQ(result.TippedAmount, ovCurrency::FromHundredths(50));
  EXPECT_EQ(result.InstalmentCount, 2);
  EXPECT_EQ(result.PaymentNetwork, Mastercard);
  EXPECT_EQ(result.TraceAuditId, u"124");
}

TEST_F(EpayDriverTest, TheDeviceLogHoldsTheExchangesButNoSecret) {
  fParameters[u"ApiKey"] = u"terminal-key-1";
  const auto driver = Open();
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  const std::u16string logFile = result.LogFileName;
  std::string log;
  ASSERT_TRUE(WaitFor([&] {
    log = ReadWholeFile(std::filesystem::path(logFile));
    return log.find("Read [") != std::string::npos && log.find("txninit") != std::string::npos &&
           log.rfind("Read [") > log.find("txninit");
  }));
  EXPECT_NE(log.find("kDOVAVAREZU.Pay:{\"TxnType\":0"), std::string::npos);
  EXPECT_NE(log.find(R"("password":"********")"), std::string::npos);
  EXPECT_NE(log.find(R"("access":"********")"), std::string::npos);
  for (const char* secret : {"secret", "ACCESS-1", "ACCESS-2", "REFRESH-1", "impact-key-0815", "terminal-key-1"}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
}

TEST_F(EpayDriverTest, ATerminalThatAnswersWithinTheReadTimeoutIsWaitedFor) {
  const auto driver = Open();
  driver->SetReadTimeout(5);
  fServices.Answer(TerminalPath("txninit"), {200, R"({"Status":0,"Terminal":"T1","TransactionId":"5","Id":"x",)"
                                                  R"("Amount":1250,"CurrencyCode":978,"TipAmount":0,"Instalments":0,)"
                                                  R"("Result":1})",
                                             "application/json", std::chrono::milliseconds(1500)});
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_FALSE(result.Error) << Utf16ToUtf8(result.ErrorText);
  EXPECT_EQ(result.PaymentNumber, u"5");
  EXPECT_EQ(result.PaymentNetwork, Other);  // no card data came
}

// The messages of a device log, without their time stamps.
std::vector<std::string> LogMessages(const std::u16string& aLogFile) {
  const std::string content = ReadWholeFile(std::filesystem::path(aLogFile));
  constexpr size_t kStampLength = std::string_view("2024-03-05 14:07:09:000 - ").size();
  std::vector<std::string> messages;
  for (size_t start = 0; start < content.size();) {
    size_t end = content.find("\r\n", start);
    if (end == std::string::npos) end = content.size();
    messages.push_back(content.substr(std::min(start + kStampLength, end), end - std::min(start + kStampLength, end)));
    start = end + 2;
  }
  return messages;
}

TEST_F(EpayDriverTest, TheExchangesOfADeviceShareOneConnection) {
  const auto driver = Open();
  ASSERT_FALSE(Pay(*driver, Payment(u"PAY")).Error);
  ASSERT_FALSE(Pay(*driver, Payment(u"PAY")).Error);
  const auto requests = fServices.Requests();
  ASSERT_EQ(requests.size(), 7u);  // log-in, then signature, refresh and transaction twice
  for (const EpayRequest& request : requests) EXPECT_EQ(request.remotePort, requests[0].remotePort) << request.path;
}

TEST_F(EpayDriverTest, ALogLineDescribesTheSaleItIsWrittenFor) {
  auto driver = Open();
  ASSERT_FALSE(Pay(*driver, Payment(u"PAY")).Error);
  fServices.Answer("/PosTransactions/signpos", {503, R"({"error":"Signing down"})"});
  const std::u16string logFile = Pay(*driver, Payment(u"PAY")).LogFileName;
  driver.reset();  // the log is written out
  std::vector<std::string> payLines;
  for (const std::string& line : LogMessages(logFile)) {
    if (line.rfind("kDOVAVAREZU.Pay:", 0) == 0) payLines.push_back(line);
  }
  ASSERT_EQ(payLines.size(), 2u);
  EXPECT_EQ(payLines[0].rfind("kDOVAVAREZU.Pay:{\"TxnType\":0", 0), 0u) << payLines[0];
  EXPECT_EQ(payLines[1], "kDOVAVAREZU.Pay:");  // the failed sale built no message
}

TEST_F(EpayDriverTest, AFullCardNumberNeverLeavesTheDriver) {
  fServices.Answer(TerminalPath("txninit"),
                   {200, R"({"Status":0,"Terminal":"T1","TransactionId":"99","Id":"abc","Amount":1250,)"
                         R"("CurrencyCode":978,"Transaction":{"CardPAN":"4761739001010010","AuthCode":"A1",)"
                         R"("STAN":"123"},"TipAmount":0,"Instalments":0,"Result":1})"});
  fParameters[u"Password"] = u"1";  // a secret too short to mask by value
  auto driver = Open();
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_EQ(result.MaskedPAN, u"476173******0010");
  EXPECT_EQ(result.PaymentNetwork, Visa);
  const std::u16string logFile = result.LogFileName;
  driver.reset();
  const std::string log = ReadWholeFile(std::filesystem::path(logFile));
  EXPECT_EQ(log.find("4761739001010010"), std::string::npos);
  EXPECT_NE(log.find(R"("CardPAN":"476173******0010")"), std::string::npos);
  // The short password is masked where it stands, and nowhere else.
  EXPECT_NE(log.find(R"("password":"********")"), std::string::npos);
  EXPECT_NE(log.find(R"("Result":1})"), std::string::npos);
  EXPECT_NE(log.find(R"("Amount":1250,)"), std::string::npos);
}

TEST_F(EpayDriverTest, AnAnswerCutOffLeavesTheOutcomeUnknown) {
  const std::string approved = R"({"Status":0,"Terminal":"T1","TransactionId":"99","Id":"abc","Amount":1250})";
  fServices.Answer(TerminalPath("txninit"), {200, approved, "application/json", {}, 20});
  const auto driver = Open();
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_TRUE(result.Error);
  const std::string text = Utf16ToUtf8(result.ErrorText);
  EXPECT_EQ(text.rfind("The answer of the terminal service could not be read (", 0), 0u) << text;
  EXPECT_NE(text.find("): the outcome is unknown, check the terminal before retrying"), std::string::npos) << text;
}

TEST_F(EpayDriverTest, ATerminalThatAnswersPastTheReadTimeoutFailsThePayment) {
  const auto driver = Open();
  driver->SetReadTimeout(1);
  EpayAnswer late{200, "{}", "application/json", std::chrono::milliseconds(2500)};
  fServices.Answer(TerminalPath("txninit"), late);
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_TRUE(result.Error);
  EXPECT_EQ(driver->IOHandler().ErrorCode(), 28);  // libcurl's time-out
  // The terminal had the request: the card may have been charged.
  EXPECT_NE(result.ErrorText.find(u"(Operation timed out: no data received for 1 seconds): the outcome is unknown"),
            std::u16string::npos)
      << Utf16ToUtf8(result.ErrorText);
}

}  // namespace

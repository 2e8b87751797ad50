// How each failure of a payment reaches the host, and which exchanges it
// prevents.
#include <gtest/gtest.h>

#include "drivers/EpayDriverFixture.h"
#include "io/uOVIOHandler.h"
#include "platform/ovRegional.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"

namespace {

using Paths = std::vector<std::string>;

const std::string kSigning = "/PosTransactions/signpos";

std::u16string PaymentWith(const std::u16string& aFrom, const std::u16string& aTo) {
  std::u16string payment = EpayDriverTest::Payment(u"PAY");
  return payment.replace(payment.find(aFrom), aFrom.size(), aTo);
}

std::string Signature(const std::string& aInput) { return R"({"input":")" + aInput + R"(","signature":"S"})"; }

// One failure: the answer that causes it, the payment, and what the host sees.
struct FailureCase {
  const char* name;
  std::string path;  // empty: every service answers as usual
  EpayAnswer answer;
  std::u16string payment;
  std::u16string errorText;  // the result's text, or the message of the exception
  bool raises;               // the operation ends with an exception
  Paths paths;               // the exchanges after the log-in
};

std::vector<FailureCase> FailureCases() {
  const std::u16string pay = EpayDriverTest::Payment(u"PAY");
  const std::string txninit = TerminalPath("txninit");
  const std::string approved =
      R"({"Status":0,"Terminal":"T1","TransactionId":"9","Id":"i","Amount":1250,"CurrencyCode":978,)"
      R"("Transaction":{"CardPAN":"512345******0001","AuthCode":"A","STAN":"1"},"TipAmount":0,"Instalments":0,)";
  const Paths all = {kSigning, "/token/refresh", txninit};
  return {
      {"StoreNotInTheBranchTable", "", {}, PaymentWith(u"<StoreCode>12<", u"<StoreCode>12a<"),
       u"Store 12a not found in Branch_Record", true, {}},
      {"UnknownCurrency", "", {}, PaymentWith(u">EUR<", u">XYZ<"),
       u"Currency 'XYZ' is not supported", true, {}},
      {"SigningServiceError", kSigning, {503, R"({"error":"Signing down"})"}, pay, u"Service Unavailable", false,
       {kSigning}},
      {"SignatureInputTooShort", kSigning, {200, Signature("U;1;T")}, pay,
       u"'' is not a valid floating point value", true, {kSigning}},
      {"SignatureMarkNotANumber", kSigning, {200, Signature("U;4e5;T;1;2;3")}, pay,
       u"'4e5' is not a valid integer value", true, {kSigning}},
      {"SignatureWithoutSignature", kSigning, {200, R"({"input":"U;1;T;1;2;3"})"}, pay,
       u"Value 'signature' not found", true, {kSigning}},
      {"RefreshRejected", "/token/refresh", {401, R"({"error":"Invalid refresh token"})"}, pay,
       u"Invalid refresh token", false, {kSigning, "/token/refresh"}},
      {"TransactionJsonError", txninit, {400, R"({"error":"Invalid amount"})"}, pay, u"Invalid amount", false, all},
      {"TransactionHtmlError", txninit, {500, "<html><body>Oops</body></html>", "text/html"}, pay,
       u"Internal Server Error", false, all},
      {"Declined", txninit, {200, approved + R"("Result":2})"}, pay, u"Declined", false, all},
      {"LimitReached", txninit, {200, approved + R"("Result":7})"}, pay,
       u"Transactions limit reached. Please perform a Batch Closing", false, all},
      {"UnmappedResult", txninit, {200, approved + R"("Result":8})"}, pay, u"Result code not mapped", false, all},
      {"AnswerWithoutResult", txninit, {200, approved + R"("Other":1})"}, pay, u"Value 'Result' not found", true, all},
      {"AnswerNotJson", txninit, {200, "OK", "text/plain"}, pay, u"Value 'Status' not found", true, all},
      {"AnswerAnArray", txninit, {200, "[1]"}, pay, u"Invalid class typecast", true, all},
      {"AmountNotAnInteger", txninit, {200, R"({"Status":0,"Terminal":"T1","TransactionId":"9","Amount":12.5})"}, pay,
       u"Conversion from JSONNumber to int64 is not supported", true, all},
  };
}

TEST_F(EpayDriverTest, EveryFailureReachesTheHostWithItsText) {
  for (const auto& failure : FailureCases()) {
    SCOPED_TRACE(failure.name);
    EpayTestServices services;
    fParameters[u"BaseURL"] = fParameters[u"ImpactServerURL"] = services.BaseUrl();
    fParameters[u"CAFile"] = services.CaFile();
    if (!failure.path.empty()) services.Answer(failure.path, failure.answer);
    const auto driver = Open();

    _int_PAY_result result{};
    const std::u16string raised = FailureOf([&] {
      kPaymentHandler handler;
      handler.Deserialize(Request(failure.payment), {dt_Pay});
      driver->Pub_Pay(handler, result);
    });
    if (failure.raises) {
      EXPECT_EQ(raised, failure.errorText);
    } else {
      EXPECT_EQ(raised, u"(no failure)");
      EXPECT_TRUE(result.Error);
      EXPECT_EQ(result.ErrorText, failure.errorText);
    }
    Paths expected = {"/token"};
    expected.insert(expected.end(), failure.paths.begin(), failure.paths.end());
    EXPECT_EQ(services.Paths(), expected);
  }
}

TEST_F(EpayDriverTest, ADeclinedPaymentStillCarriesItsCardData) {
  fServices.Answer(TerminalPath("txninit"),
                   {200, R"({"Status":0,"Terminal":"T1","TransactionId":"9","Id":"i","Amount":1250,"CurrencyCode":8,)"
                         R"("Transaction":{"CardPAN":"371234*****1234","AuthCode":"","STAN":"77"},"TipAmount":0,)"
                         R"("Instalments":0,"Result":2})"});
  const auto driver = Open();
  const _int_PAY_result result = Pay(*driver, Payment(u"PAY"));
  EXPECT_TRUE(result.Error);
  EXPECT_EQ(result.ErrorText, u"Declined");
  EXPECT_EQ(result.MaskedPAN, u"371234*****1234");
  EXPECT_EQ(result.PaymentNetwork, Amex);
  EXPECT_EQ(result.TraceAuditId, u"77");
  EXPECT_EQ(result.PaymentCurrency, u"");  // 8 is not a three-digit code of the table
}

TEST_F(EpayDriverTest, AVoidAnswerWithoutTheTransactionFails) {
  fServices.Answer(TerminalPath("txnvoid"), {200, R"({"Status":0,"Terminal":"T1","Id":"v","Result":1})"});
  const auto driver = Open();
  EXPECT_EQ(FailureOf([&] { Pay(*driver, Payment(u"VOID")); }), u"Value 'Transaction' not found");
}

TEST_F(EpayDriverTest, SignatureAmountsAreReadWithTheRegionalDecimalSeparator) {
  ovRegionalSettings comma = RegionalSettings();
  comma.DecimalSeparator = u',';
  const ovRegionalSettings saved = RegionalSettings();
  SetRegionalSettings(comma);
  const auto driver = Open();
  fServices.Answer(kSigning, {200, Signature("U;1;T;1234;12,34;1250,99")});
  Pay(*driver, Payment(u"PAY"));
  EXPECT_NE(fServices.LastBody(TerminalPath("txninit")).find(R"("NetAmount":1234,"VatAmount":12,"TotalAmount":1250,)"),
            std::string::npos);
  fServices.Answer(kSigning, {200, Signature("U;1;T;1234;12.34;1250")});
  EXPECT_EQ(FailureOf([&] { Pay(*driver, Payment(u"PAY")); }), u"'12.34' is not a valid floating point value");
  SetRegionalSettings(saved);
}

TEST_F(EpayDriverTest, ReprintDayCloseAndTotalsAreUnsupported) {
  const auto driver = Open();
  kPaymentHandler handler;
  handler.Deserialize(Request(u"<Reprint/>"), {dt_PayReprint});
  _int_REPRINT_result reprint{};
  driver->Pub_Reprint(handler, reprint);
  EXPECT_TRUE(reprint.Error);
  EXPECT_EQ(reprint.ErrorText, u"Unsupported");

  handler.Deserialize(Request(u"<DayClose/>"), {dt_DayClose});
  _int_DAYCLOSE_result dayClose{};
  driver->Pub_DayClose(handler, dayClose);
  EXPECT_TRUE(dayClose.Error);
  EXPECT_EQ(dayClose.ErrorText, u"Unsupported");

  // The failure of an earlier payment does not reach a later answer.
  fServices.Answer("/token/refresh", {401, R"({"error":"Invalid refresh token"})"});
  EXPECT_EQ(Pay(*driver, Payment(u"PAY")).ErrorText, u"Invalid refresh token");
  handler.Deserialize(Request(u"<GetTotals/>"), {dt_GetTotals});
  _int_GETTOTALS_result totals{};
  driver->Pub_GetTotals(handler, totals);
  EXPECT_TRUE(totals.Error);
  EXPECT_EQ(totals.ErrorText, u"Unsupported");
}

TEST_F(EpayDriverTest, VerificationDoesNothing) {
  // Not even after a failed payment, whose error stays with that payment.
  fServices.Answer(TerminalPath("txninit"), {500, "<html>Oops</html>", "text/html"});
  const auto driver = Open();
  EXPECT_EQ(Pay(*driver, Payment(u"PAY")).ErrorText, u"Internal Server Error");
  kPaymentHandler handler;
  handler.Deserialize(Request(u"<VerifyTran/>"), {dt_VerifyTran});
  _int_PAY_result result{};
  driver->Pub_VerifyTran(handler, result);
  EXPECT_FALSE(result.Error);
  EXPECT_EQ(result.ErrorText, u"");
  EXPECT_EQ(result.PaymentNumber, u"");
  EXPECT_EQ(fServices.Paths(), (Paths{"/token", kSigning, "/token/refresh", TerminalPath("txninit")}));
}

TEST_F(EpayDriverTest, AnUntrustedCertificateFailsUnlessVerificationIsOff) {
  fParameters.erase(u"CAFile");
  const auto verifying = Open();
  EXPECT_TRUE(verifying->IOHandler().ErrorFound());
  EXPECT_EQ(verifying->IOHandler().ErrorCode(), 60);  // peer certificate not trusted
  EXPECT_TRUE(verifying->AccessToken().empty());
  EXPECT_TRUE(fServices.Requests().empty());

  fParameters[u"TlsVerify"] = u"N";
  const auto trusting = Open();
  EXPECT_FALSE(trusting->IOHandler().ErrorFound());
  EXPECT_EQ(trusting->AccessToken(), u"ACCESS-1");
}

}  // namespace

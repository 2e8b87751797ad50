// Payments, refunds and voids on the terminal, and the reading of its answers.
#include <cstdint>

#include "base/uOV_Currency.h"
#include "base/uOV_DateTime.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "drivers/epay_webecr/uOVPA_Answers.h"
#include "drivers/epay_webecr/uOVPA_SignatureText.h"
#include "http/uOV_JsonWriter.h"
#include "io/uOVIOHandler.h"

namespace {

constexpr int64_t kTerminalTimeoutSeconds = 180;
constexpr int64_t kIdentifierTypeTransactionId = 1;

// The terminal is told amounts in whole hundredths; one it cannot be told
// exactly would be signed for one sum and charged for another.
void RequireWholeHundredths(ovCurrency aAmount, const char16_t* aName) {
  if (aAmount.Ticks % 100 != 0) {
    throw tOV_Exception(std::u16string(aName) + u" " + CurrencyToText(aAmount) + u" has more than two decimals");
  }
}

// A sale that cannot be charged as the request states it is refused before
// anything is signed or sent: no amount (or none above zero), a negative tip,
// fractions of a hundredth, a currency the terminal cannot be told.
void RequirePayableRequest(const kPaymentReceipt& aReceipt) {
  if (aReceipt.Amount.Ticks <= 0) throw tOV_Exception(u"Amount must be greater than 0");
  RequireWholeHundredths(aReceipt.Amount, u"Amount");
  if (CurrencyCodeToNumber(aReceipt.Currency).empty()) {
    throw tOV_Exception(u"Currency '" + aReceipt.Currency + u"' is not supported");
  }
  if (aReceipt.TipAmount.Ticks < 0) throw tOV_Exception(u"TipAmount must not be negative");
  RequireWholeHundredths(aReceipt.TipAmount, u"TipAmount");
}

}  // namespace

bool kPayment_DOVAVAREZU::ExecuteTransaction(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) {
  StartTransaction();
  RequirePayableRequest(aReceipt);
  bool ok = RequestSignature(aReceipt);
  if (ok) BuildTransactionRequest(aReceipt);
  IOHandler().WriteLog(let_info, u"kDOVAVAREZU.Pay", fInputMessage);
  if (ok) ok = SendInputMessage(u"txninit");
  if (ok) ok = ParseTransactionResponse(aReceipt, aResult);
  aResult.Error = !ok;
  return ok;
}

bool kPayment_DOVAVAREZU::ExecuteVoid(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) {
  StartTransaction();
  BuildVoidRequest(aReceipt);
  IOHandler().WriteLog(let_info, u"kDOVAVAREZU.Void", fInputMessage);
  bool ok = SendInputMessage(u"txnvoid");
  if (ok) ok = ParseVoidResponse(aReceipt, aResult);
  aResult.Error = !ok;
  return ok;
}

// The messages and the signature of a transaction belong to it alone: an
// earlier one's must not show in its log lines or travel with it.
void kPayment_DOVAVAREZU::StartTransaction() {
  fJSONRequest.clear();
  fJSONResponse.clear();
  fInputMessage.clear();
  KeepSignature({}, 0);
}

// A transaction always goes with an access token fresh from the refresh.
bool kPayment_DOVAVAREZU::SendInputMessage(const std::u16string& aOperation) {
  if (!RefreshAccessToken()) return false;
  fJSONRequest = fInputMessage;
  return PostToTerminalService(fBaseURL + u"/terminal/" + fTermId + u"/" + aOperation);
}

void kPayment_DOVAVAREZU::BuildTransactionRequest(const kPaymentReceipt& aReceipt) {
  int64_t transactionType = 0;
  switch (aReceipt.Action) {
    case ovPaymentAction::Pay:
      transactionType = 0;
      break;
    case ovPaymentAction::Refund:
      transactionType = 1;
      break;
    default:
      throw tOV_Exception(u"Only Pay or Refund Actions are allowed");
  }
  tOV_JsonObject message;
  message.AddInteger(u"TxnType", transactionType)
      .AddInteger(u"Amount", aReceipt.Amount.TruncatedHundredths())
      .AddInteger(u"TipAmount", aReceipt.TipAmount.TruncatedHundredths())
      .AddNumber(u"CurrencyCode", CurrencyCodeToNumber(aReceipt.Currency))
      .AddString(u"CustomerReference", aReceipt.Reference)
      .AddInteger(u"Timeout", kTerminalTimeoutSeconds);
  message.AddObject(u"ProviderData")
      .AddString(u"Uid", fImpactDataUID)
      .AddInteger(u"Mark", fImpactDataMark)
      .AddString(u"SignatureTimeStamp", fImpactDataSignatureTimeStamp)
      .AddInteger(u"NetAmount", fImpactDataNetAmount.TruncatedUnits())
      .AddInteger(u"VatAmount", fImpactDataVatAmount.TruncatedUnits())
      .AddInteger(u"TotalAmount", fImpactDataTotalAmount.TruncatedUnits())
      .AddInteger(u"ProviderId", fImpactDataProviderId)
      .AddString(u"Signature", fImpactDataSignature);
  fInputMessage = message.ToJSON();
}

void kPayment_DOVAVAREZU::BuildVoidRequest(const kPaymentReceipt& aReceipt) {
  tOV_JsonObject message;
  message.AddString(u"OriginalIdentifier", aReceipt.RefundReference.PaymentNumber)
      .AddInteger(u"OriginalIdentifierType", kIdentifierTypeTransactionId)
      .AddInteger(u"Timeout", kTerminalTimeoutSeconds);
  fInputMessage = message.ToJSON();
}

bool kPayment_DOVAVAREZU::ParseTransactionResponse(const kPaymentReceipt&, _int_PAY_result& aResult) {
  return ReadTransactionAnswer(fJSONResponse, aResult);
}

bool kPayment_DOVAVAREZU::ParseVoidResponse(const kPaymentReceipt&, _int_PAY_result& aResult) {
  return ReadVoidAnswer(fJSONResponse, aResult);
}

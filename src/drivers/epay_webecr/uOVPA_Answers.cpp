// The terminal service's answers to a transaction and to a void, read into
// the payment result.
#include "drivers/epay_webecr/uOVPA_Answers.h"

#include <cstdint>

#include "base/uOV_CardNumber.h"
#include "base/uOV_DateTime.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "drivers/epay_webecr/uOVPA_Outcome.h"
#include "http/uOV_JsonReader.h"

namespace {

// n hundredths as an amount; one beyond what an amount can hold is refused
// rather than wrapped.
ovCurrency AmountOfHundredths(int64_t aHundredths) {
  constexpr int64_t kLimit = INT64_MAX / 100;
  if (aHundredths > kLimit || aHundredths < -kLimit) {
    throw tOV_Exception(u"Amount " + IntToStr(aHundredths) + u" is out of range");
  }
  return ovCurrency::FromHundredths(aHundredths);
}

// The alphabetic code of a numeric one; empty when the table has none.
std::u16string CurrencyOf(int32_t aNumericCode) { return CurrencyNumberToCode(IntToStr(aNumericCode)); }

void ReadCardData(const tOV_JsonValue& aTransaction, _int_PAY_result& aResult) {
  // Whatever the service sends, no more of the card number than a masked one.
  aResult.MaskedPAN = MaskCardNumber(aTransaction.GetText(u"CardPAN"));
  aResult.AuthCode = aTransaction.GetText(u"AuthCode");
  aResult.TraceAuditId = aTransaction.GetText(u"STAN");
}

// What both answers set the same way once the card data is known.
void SetCardDefaults(_int_PAY_result& aResult) {
  aResult.SerialNumber.clear();
  aResult.TransactionType = ptt_Other;
  aResult.PaymentNetwork = DetectPaymentNetwork(std::u16string_view(aResult.MaskedPAN).substr(0, 6));
  aResult.ExchangeRate = {};
  aResult.PaymentAmountCurrency = {};
  aResult.PaymentCurrencyCurrency.clear();
}

// What neither answer carries: items, receipts, the raw answer.
void SetItemDefaults(_int_PAY_result& aResult) {
  aResult.RemainingBalance = {};
  aResult.NumberOfItems = 0;
  aResult.SingleItemAmount = {};
  aResult.SignatureRequested = false;
  aResult.CustomerCountryCode.clear();
  aResult.CardToken.clear();
  aResult.ReceiptText.clear();
  aResult.CashierReceiptText.clear();
  aResult.RawResponse.clear();
}

bool ReadResult(const tOV_JsonValue& aAnswer, _int_PAY_result& aResult) {
  const int32_t result = aAnswer.GetInteger(u"Result");
  aResult.Error = result != 1;
  aResult.ErrorText = ResultCodeToText(result);
  return !aResult.Error;
}

}  // namespace

bool ReadTransactionAnswer(std::u16string_view aAnswer, _int_PAY_result& aResult) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(aAnswer);
  answer.GetInteger(u"Status");
  aResult.DeviceId = answer.GetText(u"Terminal");
  aResult.PaymentDateTime = Now();
  aResult.PaymentNumber = answer.GetText(u"TransactionId");
  aResult.PaymentAmount = AmountOfHundredths(answer.GetInt64(u"Amount"));
  aResult.PaymentCurrency = CurrencyOf(answer.GetInteger(u"CurrencyCode"));
  // A transaction that never reached a card comes without its data.
  if (const tOV_JsonValue* transaction = answer.FindObject(u"Transaction")) ReadCardData(*transaction, aResult);
  SetCardDefaults(aResult);
  aResult.TippedAmount = AmountOfHundredths(answer.GetInt64(u"TipAmount"));
  SetItemDefaults(aResult);
  aResult.RefundReference = answer.GetText(u"Id");
  aResult.InstalmentCount = answer.GetInteger(u"Instalments");
  return ReadResult(answer, aResult);
}

bool ReadVoidAnswer(std::u16string_view aAnswer, _int_PAY_result& aResult) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(aAnswer);
  answer.GetInteger(u"Status");
  aResult.DeviceId = answer.GetText(u"Terminal");
  aResult.PaymentDateTime = Now();
  aResult.PaymentNumber = answer.GetText(u"Id");
  const tOV_JsonValue& transaction = answer.GetObject(u"Transaction");
  aResult.PaymentAmount = AmountOfHundredths(transaction.GetInt64(u"Amount"));
  aResult.PaymentCurrency = CurrencyOf(transaction.GetInteger(u"CurrencyCode"));
  ReadCardData(transaction, aResult);
  aResult.TippedAmount = AmountOfHundredths(transaction.GetInt64(u"TipAmount"));
  aResult.InstalmentCount = transaction.GetInteger(u"Instalments");
  SetCardDefaults(aResult);
  SetItemDefaults(aResult);
  aResult.RefundReference = answer.GetText(u"Id");
  return ReadResult(answer, aResult);
}

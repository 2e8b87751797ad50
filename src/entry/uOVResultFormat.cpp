#include "entry/uOVResultFormat.h"

#include "base/uOV_Text.h"

namespace {

// Builds a fragment element by element.
class Fragment {
 public:
  Fragment& Text(const char16_t* aName, const std::u16string& aValue) { return Raw(aName, EscapeXML(aValue)); }
  Fragment& Amount(const char16_t* aName, ovCurrency aValue) { return Raw(aName, CurrencyToText(aValue)); }
  Fragment& Integer(const char16_t* aName, int64_t aValue) { return Raw(aName, IntToStr(aValue)); }
  Fragment& Boolean(const char16_t* aName, bool aValue) { return Raw(aName, aValue ? u"True" : u"False"); }
  Fragment& DateTime(const char16_t* aName, ovDateTime aValue) { return Raw(aName, DateTimeToISOString(aValue)); }

  Fragment& Raw(const char16_t* aName, const std::u16string& aValue) {
    if (!fText.empty()) fText += u"\r\n";
    fText += u"<";
    fText += aName;
    fText += u">";
    fText += aValue;
    fText += u"</";
    fText += aName;
    fText += u">";
    return *this;
  }

  // Every record ends with these three elements.
  template <typename Record>
  std::u16string Close(const Record& aResult) {
    Boolean(u"Error", aResult.Error).Text(u"ErrorText", aResult.ErrorText).Text(u"LogFileName", aResult.LogFileName);
    return fText;
  }

 private:
  std::u16string fText;
};

}  // namespace

std::u16string EscapeXML(const std::u16string& aText) {
  std::u16string text = ReplaceAll(aText, u"&", u"&amp;");
  text = ReplaceAll(text, u"<", u"&lt;");
  text = ReplaceAll(text, u">", u"&gt;");
  text = ReplaceAll(text, u"\"", u"&quot;");
  return ReplaceAll(text, u"'", u"&apos;");
}

std::u16string DateTimeToISOString(ovDateTime aValue) {
  return FormatDateTime(u"yyyy'-'mm'-'dd'T'hh':'nn':'ss", aValue);
}

std::u16string DateToISOString(ovDateTime aValue) { return FormatDateTime(u"yyyy'-'mm'-'dd", aValue); }

std::u16string FormatResult(const _int_PAY_result& r) {
  return Fragment()
      .Text(u"DeviceId", r.DeviceId)
      .DateTime(u"PaymentDateTime", r.PaymentDateTime)
      .Text(u"PaymentNumber", r.PaymentNumber)
      .Amount(u"PaymentAmount", r.PaymentAmount)
      .Text(u"PaymentCurrency", r.PaymentCurrency)
      .Amount(u"ExchangeRate", r.ExchangeRate)
      .Amount(u"PaymentAmountCurrency", r.PaymentAmountCurrency)
      .Text(u"PaymentCurrencyCurrency", r.PaymentCurrencyCurrency)
      .Amount(u"TippedAmount", r.TippedAmount)
      .Amount(u"RemainingBalance", r.RemainingBalance)
      .Integer(u"InstalmentCount", r.InstalmentCount)
      .Text(u"MaskedPAN", r.MaskedPAN)
      .Text(u"SerialNumber", r.SerialNumber)
      .Raw(u"PaymentNetwork", PaymentNetworkToString(r.PaymentNetwork))
      .Raw(u"TransactionType", TransactionTypeToString(r.TransactionType))
      .Text(u"AuthCode", r.AuthCode)
      .Text(u"TraceAuditId", r.TraceAuditId)
      .Integer(u"NumberOfItems", r.NumberOfItems)
      .Amount(u"SingleItemAmount", r.SingleItemAmount)
      .Boolean(u"SignatureRequested", r.SignatureRequested)
      .Text(u"CustomerCountryCode", r.CustomerCountryCode)
      .Text(u"CardToken", r.CardToken)
      .Text(u"RefundReference", r.RefundReference)
      .Text(u"ReceiptText", r.ReceiptText)
      .Text(u"CashierReceiptText", r.CashierReceiptText)
      .Close(r);
}

std::u16string FormatResult(const _int_REPRINT_result& r) {
  return Fragment().Text(u"ReceiptText", r.ReceiptText).Text(u"CashierReceiptText", r.CashierReceiptText).Close(r);
}

std::u16string FormatResult(const _int_OPEN_result& r) { return Fragment().Integer(u"Handle", r.Handle).Close(r); }

std::u16string FormatResult(const _int_CLOSE_result& r) { return Fragment().Close(r); }

std::u16string FormatResult(const _int_GETSTATUS_result& r) {
  return Fragment()
      .Boolean(u"DayOpened", r.DayOpened)
      .DateTime(u"DateTime", r.DateTime)
      .Boolean(u"PaperEnd", r.PaperEnd)
      .Boolean(u"PaperNearEnd", r.PaperNearEnd)
      .Boolean(u"CoverOpen", r.CoverOpen)
      .Boolean(u"FiscalReceiptOpen", r.FiscalReceiptOpen)
      .Boolean(u"ReceiptOpen", r.ReceiptOpen)
      .Boolean(u"TrainingMode", r.TrainingMode)
      .Text(u"FirmwareVersion", r.FirmwareVersion)
      .Text(u"SerialNumber", r.SerialNumber)
      .Text(u"FiscalMode", r.FiscalMode)
      .Close(r);
}

std::u16string FormatResult(const _int_DAYCLOSE_result& r) {
  return Fragment()
      .Text(u"DeviceId", r.DeviceId)
      .DateTime(u"ClosureDateTime", r.ClosureDateTime)
      .Text(u"ClosureNumber", r.ClosureNumber)
      .Integer(u"TransactionsCount", r.TransactionsCount)
      .Amount(u"TotalAmount", r.TotalAmount)
      .Text(u"Currency", r.Currency)
      .Text(u"ReceiptText", r.ReceiptText)
      .Close(r);
}

std::u16string FormatResult(const _int_GETTOTALS_result& r) {
  return Fragment()
      .Text(u"DeviceId", r.DeviceId)
      .DateTime(u"DateTime", r.DateTime)
      .Integer(u"TransactionsCount", r.TransactionsCount)
      .Amount(u"TotalAmount", r.TotalAmount)
      .Text(u"Currency", r.Currency)
      .Text(u"ReceiptText", r.ReceiptText)
      .Close(r);
}

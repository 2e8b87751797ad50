#include <gtest/gtest.h>

#include "entry/uOVPaymentWrapper.h"
#include "entry/uOVResultFormat.h"

namespace {

TEST(ResultFormat, PaymentDefaultsGiveTheFullFragment) {
  _int_PAY_result result = _int_PAY_result::Defaults();
  result.ErrorText = u"Device Handle not found";
  EXPECT_EQ(FormatResult(result),
            u"<DeviceId></DeviceId>\r\n<PaymentDateTime>1899-12-30T00:00:00</PaymentDateTime>\r\n"
            u"<PaymentNumber></PaymentNumber>\r\n<PaymentAmount>0</PaymentAmount>\r\n<PaymentCurrency></PaymentCurrency>\r\n"
            u"<ExchangeRate>0</ExchangeRate>\r\n<PaymentAmountCurrency>0</PaymentAmountCurrency>\r\n"
            u"<PaymentCurrencyCurrency></PaymentCurrencyCurrency>\r\n<TippedAmount>0</TippedAmount>\r\n"
            u"<RemainingBalance>0</RemainingBalance>\r\n<InstalmentCount>0</InstalmentCount>\r\n<MaskedPAN></MaskedPAN>\r\n"
            u"<SerialNumber></SerialNumber>\r\n<PaymentNetwork>other</PaymentNetwork>\r\n"
            u"<TransactionType>OTHER</TransactionType>\r\n<AuthCode></AuthCode>\r\n<TraceAuditId></TraceAuditId>\r\n"
            u"<NumberOfItems>0</NumberOfItems>\r\n<SingleItemAmount>0</SingleItemAmount>\r\n"
            u"<SignatureRequested>False</SignatureRequested>\r\n<CustomerCountryCode></CustomerCountryCode>\r\n"
            u"<CardToken></CardToken>\r\n<RefundReference></RefundReference>\r\n<ReceiptText></ReceiptText>\r\n"
            u"<CashierReceiptText></CashierReceiptText>\r\n<Error>True</Error>\r\n"
            u"<ErrorText>Device Handle not found</ErrorText>\r\n<LogFileName></LogFileName>");
}

TEST(ResultFormat, EscapesTextAndKeepsLineBreaks) {
  _int_REPRINT_result result;
  result.ReceiptText = u"line 1\r\nline 2";
  result.ErrorText = u"a<b & 'c' \"d\" &amp;";
  EXPECT_EQ(FormatResult(result),
            u"<ReceiptText>line 1\r\nline 2</ReceiptText>\r\n<CashierReceiptText></CashierReceiptText>\r\n"
            u"<Error>False</Error>\r\n<ErrorText>a&lt;b &amp; &apos;c&apos; &quot;d&quot; &amp;amp;</ErrorText>\r\n"
            u"<LogFileName></LogFileName>");
}

TEST(ResultFormat, WritesEveryRecordInItsOrder) {
  _int_CLOSE_result close = _int_CLOSE_result::Defaults();
  EXPECT_EQ(FormatResult(close), u"<Error>True</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>");
  _int_OPEN_result open;
  open.Handle = 3;
  EXPECT_EQ(FormatResult(open), u"<Handle>3</Handle>\r\n<Error>False</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>");
  _int_DAYCLOSE_result day;
  day.TotalAmount = ovCurrency::FromUnits(1500);
  day.TransactionsCount = -2;
  EXPECT_EQ(FormatResult(day),
            u"<DeviceId></DeviceId>\r\n<ClosureDateTime>1899-12-30T00:00:00</ClosureDateTime>\r\n<ClosureNumber></ClosureNumber>\r\n"
            u"<TransactionsCount>-2</TransactionsCount>\r\n<TotalAmount>1500</TotalAmount>\r\n<Currency></Currency>\r\n"
            u"<ReceiptText></ReceiptText>\r\n<Error>False</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>");
  _int_GETTOTALS_result totals;
  ASSERT_TRUE(TryEncodeDateTime({2024, 9, 27, 14, 5, 9, 999}, totals.DateTime));
  EXPECT_EQ(FormatResult(totals).rfind(u"<DeviceId></DeviceId>\r\n<DateTime>2024-09-27T14:05:09</DateTime>\r\n", 0), 0u);
  _int_PAY_result pay;
  pay.PaymentNetwork = Nexi;
  pay.TransactionType = ptt_RFID;
  pay.TippedAmount = ovCurrency::FromTicks(5000);
  const std::u16string text = FormatResult(pay);
  EXPECT_NE(text.find(u"<PaymentNetwork>unrecognized</PaymentNetwork>\r\n<TransactionType></TransactionType>"), std::u16string::npos);
  EXPECT_NE(text.find(u"<TippedAmount>0.5</TippedAmount>"), std::u16string::npos);
  EXPECT_EQ(text.find(u"RawResponse"), std::u16string::npos);
}

TEST(ResultFormat, GetStatusAnswersWithoutARequest) {
  for (const char16_t* request : {u"", u"not xml at all"}) {
    kPaymentWrapper_GETSTATUS wrapper;
    wrapper.Process(request);
    std::u16string output, message;
    int16_t result = 1;
    wrapper.Format(output, message, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(message, u"");
    EXPECT_EQ(output,
              u"<DayOpened>False</DayOpened>\r\n<DateTime>1899-12-30T00:00:00</DateTime>\r\n<PaperEnd>False</PaperEnd>\r\n"
              u"<PaperNearEnd>False</PaperNearEnd>\r\n<CoverOpen>False</CoverOpen>\r\n"
              u"<FiscalReceiptOpen>False</FiscalReceiptOpen>\r\n<ReceiptOpen>False</ReceiptOpen>\r\n"
              u"<TrainingMode>False</TrainingMode>\r\n<FirmwareVersion></FirmwareVersion>\r\n<SerialNumber></SerialNumber>\r\n"
              u"<FiscalMode></FiscalMode>\r\n<Error>False</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>");
  }
}

}  // namespace

#include <gtest/gtest.h>

#include "base/uOV_Exception.h"
#include "payment/uOvPaymentHandler.h"
#include "support/FailureOf.h"

namespace {

std::u16string Envelope(const std::u16string& aDocument) {
  return u"<ReceiptPrinterManager><Driver>D</Driver>" + aDocument + u"</ReceiptPrinterManager>";
}

std::u16string DeserializeFailure(const std::u16string& aDocument, ovPaymentHandlerDocumentType aType) {
  kPaymentHandler handler;
  return FailureOf([&] { handler.Deserialize(Envelope(aDocument), {aType}); });
}

TEST(PaymentDocument, ReadsEveryField) {
  kPaymentHandler handler;
  handler.Deserialize(Envelope(
      u"<Payment><MerchantCode>M</MerchantCode><StoreCode>12</StoreCode><TillCode>3</TillCode><Reference>R1</Reference>"
      u"<Amount>12.50</Amount><Currency>EUR</Currency><TipAmount>1</TipAmount><TokenizeCard>true</TokenizeCard>"
      u"<DocumentType>INVOICE</DocumentType><DocumentAmount>12.5</DocumentAmount><DocumentNetAmount>10.08</DocumentNetAmount>"
      u"<DocumentVatAmount>2.42</DocumentVatAmount><ReceiptColCount>48</ReceiptColCount><PrintLocation>EFT</PrintLocation>"
      u"<PaymentChannel>MVP</PaymentChannel><Action>REFUND</Action><Phase>COMMIT</Phase><OperatorId>op</OperatorId>"
      u"<RefundReference><PaymentId>99</PaymentId><PaymentDateTime>2024-03-05T14:07:09</PaymentDateTime></RefundReference>"
      u"<ReceiptId>RC</ReceiptId></Payment>"),
      {dt_Pay});
  const kPaymentReceipt& r = handler.PaymentReceipt();
  EXPECT_EQ(r.StoreCode, u"12");
  EXPECT_EQ(r.Amount.Ticks, 125000);
  EXPECT_EQ(r.TipAmount.Ticks, 10000);
  EXPECT_TRUE(r.TokenizeCard);
  EXPECT_EQ(r.DocumentType, dt_invoice);
  EXPECT_EQ(r.DocumentNetAmount.Ticks, 100800);
  EXPECT_EQ(r.ReceiptColCount, 48);
  EXPECT_EQ(r.PrintLocation, pl_EFT);
  EXPECT_EQ(r.PaymentChannel, pc_MealVoucherProvider);
  EXPECT_EQ(r.Action, ovPaymentAction::Refund);
  EXPECT_EQ(r.Phase, ovPaymentPhase::Commit);
  EXPECT_EQ(r.RefundReference.PaymentNumber, u"99");
  EXPECT_GT(r.RefundReference.PaymentDateTime, 0);
  EXPECT_EQ(r.ReceiptId, u"RC");
}

TEST(PaymentDocument, DefaultsWhenElementsAreMissing) {
  kPaymentHandler handler;
  handler.Deserialize(Envelope(u"<Reprint><DocumentType>credit</DocumentType><ReceiptColCount>-3</ReceiptColCount>"
                               u"<RefundReference><PaymentId>9</PaymentId></RefundReference></Reprint>"),
                      {dt_Pay});
  const kPaymentReceipt& r = handler.PaymentReceipt();
  EXPECT_EQ(r.Action, ovPaymentAction::Pay);
  EXPECT_EQ(r.DocumentType, dt_receipt);
  EXPECT_EQ(r.ReceiptColCount, 32);
  EXPECT_EQ(r.PrintLocation, pl_ECR);
  EXPECT_EQ(r.RefundReference.PaymentDateTime, 0);
}

TEST(PaymentDocument, PrefersPaymentOverVerifyTran) {
  kPaymentHandler handler;
  handler.Deserialize(Envelope(u"<VerifyTran><StoreCode>V</StoreCode></VerifyTran><Payment><StoreCode>P</StoreCode></Payment>"),
                      {dt_VerifyTran});
  EXPECT_EQ(handler.PaymentReceipt().StoreCode, u"P");
}

TEST(PaymentDocument, ReportsInvalidWordsAndMissingDocuments) {
  const struct {
    const char16_t* document;
    ovPaymentHandlerDocumentType type;
    const char16_t* message;
  } cases[] = {
      {u"<GetTotals/>", dt_Pay, u"Payment/Reprint/VerifyTran node not found"},
      {u"<Payment><Action>refund</Action></Payment>", dt_Pay, u"Action refund invalid. Allowed values are: PAY,REFUND."},
      {u"<Payment><PrintLocation>eft</PrintLocation></Payment>", dt_Pay,
       u"Payment Location eft invalid. Allowed values are: ECR,EFT."},
      {u"<Payment><PaymentChannel>X</PaymentChannel></Payment>", dt_Pay,
       u"Payment Channel X invalid. Allowed values are: STD,MVP,NHS."},
      {u"<Payment><Phase>do</Phase></Payment>", dt_Pay, u"Phase do invalid. Allowed values are: BEGIN,DO,COMMIT,ROLLBACK."},
      {u"<Payment><Amount>x</Amount><Action>bad</Action></Payment>", dt_Pay,
       u"Error in processing node Amount as currency.\r\n'x' is not a valid floating point value"},
      {u"<Payment><RefundReference><PaymentDateTime>2024</PaymentDateTime></RefundReference></Payment>", dt_Pay,
       u"Error in processing node PaymentDateTime as datetime.\r\nDateTime Format invalid: [2024]"},
      {u"<GetTotals/>", dt_DayClose, u"DayClose node not found"},
      {u"<DayClose/>", dt_GetTotals, u"GetTotals node not found"},
      {u"<DayClose><PrintLocation>X</PrintLocation></DayClose>", dt_DayClose,
       u"Payment Location X invalid. Allowed values are: ECR,EFT."},
  };
  for (const auto& c : cases) EXPECT_EQ(DeserializeFailure(c.document, c.type), c.message);
  EXPECT_EQ(DeserializeFailure(u"", dt_Open), u"(no failure)");
}

TEST(PaymentDocument, ReadsClosureDocuments) {
  kPaymentHandler handler;
  handler.Deserialize(Envelope(u"<GetTotals><StoreCode>S</StoreCode><PrintLocation>EFT</PrintLocation></GetTotals>"),
                      {dt_GetTotals});
  EXPECT_EQ(handler.Totals().StoreCode, u"S");
  EXPECT_EQ(handler.Totals().PrintLocation, pl_EFT);
  EXPECT_EQ(handler.DayClose().StoreCode, u"");
}

TEST(PaymentDefinitions, LooksCurrenciesAndWordsUp) {
  EXPECT_EQ(CurrencyCodeToNumber(u"EUR"), u"978");
  EXPECT_EQ(CurrencyCodeToNumber(u"eur"), u"");
  EXPECT_EQ(CurrencyNumberToCode(u"938"), u"SDG");
  EXPECT_EQ(CurrencyNumberToCode(u"008"), u"ALL");
  EXPECT_EQ(CurrencyNumberToCode(u"8"), u"");
  EXPECT_EQ(std::u16string(CurrencyMaps[174].Code), u"ZWL");
  EXPECT_EQ(PaymentNetworkToString(Nexi), u"unrecognized");
  EXPECT_EQ(PaymentNetworkToString(static_cast<ovPaymentNetwork>(200)), u"unrecognized");
  EXPECT_EQ(PaymentNetworkToString(NHS), u"NHS");
  EXPECT_EQ(PaymentNetworkToString(Scalapay), u"scalapay");
  EXPECT_EQ(TransactionTypeToString(ptt_RFID), u"");
  EXPECT_EQ(TransactionTypeToString(ptt_Token), u"TOKEN");
  EXPECT_EQ(TransactionTypeToString(static_cast<ovPaymentTransactionType>(9)), u"");
}

}  // namespace

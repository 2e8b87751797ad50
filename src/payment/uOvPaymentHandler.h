// The request holder of the payment framework: the envelope plus the one
// operation document the calling operation asks for (payment, day closure or
// totals). One handler lives for one export call.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "base/uOV_Currency.h"
#include "payment/uOVPaymentDefs.h"
#include "request/uOvDeviceHandler.h"

enum ovPaymentHandlerDocumentType : uint8_t { dt_Open, dt_Pay, dt_PayReprint, dt_DayClose, dt_GetTotals, dt_VerifyTran };
using ovPaymentHandlerDocumentTypes = std::set<ovPaymentHandlerDocumentType>;

enum class ovPaymentAction : uint8_t { Pay, Refund, Void };
enum OvPaymentChannel : uint8_t { pc_Standard, pc_MealVoucherProvider, pc_NationalHealthService };
enum class ovPaymentPhase : uint8_t { None, Begin, Do, Commit, Rollback };
enum ovPaymentDocumentType : uint8_t { dt_receipt, dt_invoice, dt_taxfree };
enum OvPrintLocation : uint8_t { pl_ECR, pl_EFT };

// The payment document (also read for reprints and verifications).
struct kPaymentReceipt {
  OvPaymentChannel PaymentChannel = pc_Standard;
  ovPaymentAction Action = ovPaymentAction::Pay;
  ovPaymentPhase Phase = ovPaymentPhase::None;
  std::u16string MerchantCode;
  std::u16string StoreCode;
  std::u16string TillCode;
  std::u16string Reference;
  std::u16string ReceiptSubType;
  ovCurrency Amount;
  std::u16string Currency;
  ovCurrency TipAmount;
  bool RequestTipAmount = false;
  std::u16string Attributes;
  ovCurrency MaxAmount;
  int32_t MaxItems = 0;
  bool TokenizeCard = false;
  std::u16string TokenReference;
  OvPrintLocation PrintLocation = pl_ECR;
  int32_t ReceiptColCount = 32;
  ovPaymentRefundReference RefundReference;
  std::u16string OperatorId;
  ovPaymentDocumentType DocumentType = dt_receipt;
  ovCurrency DocumentNetAmount;
  ovCurrency DocumentAmount;
  ovCurrency DocumentVatAmount;
  std::u16string ReceiptId;

  // Reads the first "Payment", else "Reprint", else "VerifyTran" element of the root.
  void Deserialize(const ovXmlDocument& aDocument);
};

// The day-closure and totals documents share their shape.
struct kPaymentDayClose {
  std::u16string StoreCode;
  std::u16string TillCode;
  OvPrintLocation PrintLocation = pl_ECR;
  std::u16string Reference;

  void Deserialize(const ovXmlDocument& aDocument);

 protected:
  void ReadElement(const ovXmlDocument& aDocument, const char16_t* aElementName);
};

struct kPaymentTotals : kPaymentDayClose {
  void Deserialize(const ovXmlDocument& aDocument);
};

class kPaymentHandler : public kDeviceHandler {
 public:
  // Reads the envelope, then the document that aDocumentTypes asks for.
  void Deserialize(const std::u16string& aXml, const ovPaymentHandlerDocumentTypes& aDocumentTypes);

  const kPaymentReceipt& PaymentReceipt() const { return fPaymentReceipt; }
  const kPaymentDayClose& DayClose() const { return fDayClose; }
  const kPaymentTotals& Totals() const { return fTotals; }
  kPaymentReceipt& PaymentReceipt() { return fPaymentReceipt; }

 private:
  kPaymentReceipt fPaymentReceipt;
  kPaymentDayClose fDayClose;
  kPaymentTotals fTotals;
};

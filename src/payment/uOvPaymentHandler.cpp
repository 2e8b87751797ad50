#include "payment/uOvPaymentHandler.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "request/uOvReceipt.h"

namespace {

// Shared by the payment, day-closure and totals documents. Empty leaves the
// location unchanged; the words are compared exactly.
void ReadPrintLocation(const ovXmlElement& aNode, OvPrintLocation& aLocation) {
  const std::u16string text = krptUtil::GetNodeValueAsString(aNode, u"PrintLocation");
  if (text.empty()) return;
  if (text == u"ECR") {
    aLocation = pl_ECR;
  } else if (text == u"EFT") {
    aLocation = pl_EFT;
  } else {
    throw tOV_Exception(u"Payment Location " + text + u" invalid. Allowed values are: ECR,EFT.");
  }
}

OvPaymentChannel ReadPaymentChannel(const ovXmlElement& aNode) {
  const std::u16string text = krptUtil::GetNodeValueAsString(aNode, u"PaymentChannel");
  if (text.empty() || text == u"STD") return pc_Standard;
  if (text == u"MVP") return pc_MealVoucherProvider;
  if (text == u"NHS") return pc_NationalHealthService;
  throw tOV_Exception(u"Payment Channel " + text + u" invalid. Allowed values are: STD,MVP,NHS.");
}

ovPaymentAction ReadAction(const ovXmlElement& aNode) {
  const std::u16string text = krptUtil::GetNodeValueAsString(aNode, u"Action");
  if (text.empty() || text == u"PAY") return ovPaymentAction::Pay;
  if (text == u"REFUND") return ovPaymentAction::Refund;
  if (text == u"VOID") return ovPaymentAction::Void;
  // The message names two words although VOID is accepted too; hosts match on it.
  throw tOV_Exception(u"Action " + text + u" invalid. Allowed values are: PAY,REFUND.");
}

ovPaymentPhase ReadPhase(const ovXmlElement& aNode) {
  const std::u16string text = krptUtil::GetNodeValueAsString(aNode, u"Phase");
  if (text.empty() || text == u"NONE") return ovPaymentPhase::None;
  if (text == u"DO") return ovPaymentPhase::Do;
  if (text == u"BEGIN") return ovPaymentPhase::Begin;
  if (text == u"COMMIT") return ovPaymentPhase::Commit;
  if (text == u"ROLLBACK") return ovPaymentPhase::Rollback;
  throw tOV_Exception(u"Phase " + text + u" invalid. Allowed values are: BEGIN,DO,COMMIT,ROLLBACK.");
}

ovXmlElement RequiredDocument(const ovXmlDocument& aDocument, const char16_t* aName) {
  const auto node = krptUtil::FindChild(aDocument.Root(), aName);
  if (!node) throw tOV_Exception(std::u16string(aName) + u" node not found");
  return node;
}

}  // namespace

void kPaymentReceipt::Deserialize(const ovXmlDocument& aDocument) {
  const ovXmlElement root = aDocument.Root();
  ovXmlElement node = krptUtil::FindChild(root, u"Payment");
  if (!node) node = krptUtil::FindChild(root, u"Reprint");
  if (!node) node = krptUtil::FindChild(root, u"VerifyTran");
  if (!node) throw tOV_Exception(u"Payment/Reprint/VerifyTran node not found");

  MerchantCode = krptUtil::GetNodeValueAsString(node, u"MerchantCode");
  StoreCode = krptUtil::GetNodeValueAsString(node, u"StoreCode");
  TillCode = krptUtil::GetNodeValueAsString(node, u"TillCode");
  Reference = krptUtil::GetNodeValueAsString(node, u"Reference");
  ReceiptSubType = krptUtil::GetNodeValueAsString(node, u"ReceiptSubType");
  Amount = krptUtil::GetNodeValueAsCurrency(node, u"Amount");
  Currency = krptUtil::GetNodeValueAsString(node, u"Currency");
  TipAmount = krptUtil::GetNodeValueAsCurrency(node, u"TipAmount");
  RequestTipAmount = krptUtil::GetNodeValueAsBoolean(node, u"RequestTipAmount", false);
  Attributes = krptUtil::GetNodeValueAsString(node, u"Attributes");
  MaxItems = krptUtil::GetNodeValueAsInteger(node, u"MaxItems");
  MaxAmount = krptUtil::GetNodeValueAsCurrency(node, u"MaxAmount");
  TokenizeCard = krptUtil::GetNodeValueAsBoolean(node, u"TokenizeCard", false);
  TokenReference = krptUtil::GetNodeValueAsString(node, u"TokenReference");
  DocumentAmount = krptUtil::GetNodeValueAsCurrency(node, u"DocumentAmount");
  DocumentNetAmount = krptUtil::GetNodeValueAsCurrency(node, u"DocumentNetAmount");
  DocumentVatAmount = krptUtil::GetNodeValueAsCurrency(node, u"DocumentVatAmount");

  const std::u16string documentType = LowerCase(krptUtil::GetNodeValueAsString(node, u"DocumentType"));
  if (documentType == u"receipt") {
    DocumentType = dt_receipt;
  } else if (documentType == u"invoice") {
    DocumentType = dt_invoice;
  } else if (documentType == u"taxfree") {
    DocumentType = dt_taxfree;
  }

  const int32_t colCount = krptUtil::GetNodeValueAsInteger(node, u"ReceiptColCount");
  if (colCount > 0) ReceiptColCount = colCount;
  ReadPrintLocation(node, PrintLocation);
  PaymentChannel = ReadPaymentChannel(node);
  Action = ReadAction(node);
  Phase = ReadPhase(node);
  OperatorId = krptUtil::GetNodeValueAsString(node, u"OperatorId");
  if (const auto reference = krptUtil::FindChild(node, u"RefundReference")) {
    RefundReference.PaymentNumber = krptUtil::GetNodeValueAsString(reference, u"PaymentId");
    RefundReference.PaymentDateTime = krptUtil::GetNodeValueAsDateTime(reference, u"PaymentDateTime");
  }
  ReceiptId = krptUtil::GetNodeValueAsString(node, u"ReceiptId");
}

void kPaymentDayClose::ReadElement(const ovXmlDocument& aDocument, const char16_t* aElementName) {
  const ovXmlElement node = RequiredDocument(aDocument, aElementName);
  StoreCode = krptUtil::GetNodeValueAsString(node, u"StoreCode");
  TillCode = krptUtil::GetNodeValueAsString(node, u"TillCode");
  ReadPrintLocation(node, PrintLocation);
  Reference = krptUtil::GetNodeValueAsString(node, u"Reference");
}

void kPaymentDayClose::Deserialize(const ovXmlDocument& aDocument) { ReadElement(aDocument, u"DayClose"); }

void kPaymentTotals::Deserialize(const ovXmlDocument& aDocument) { ReadElement(aDocument, u"GetTotals"); }

void kPaymentHandler::Deserialize(const std::u16string& aXml, const ovPaymentHandlerDocumentTypes& aDocumentTypes) {
  const auto document = kDeviceHandler::Deserialize(aXml);
  const auto asks = [&](ovPaymentHandlerDocumentType aType) { return aDocumentTypes.count(aType) > 0; };
  if (asks(dt_Pay) || asks(dt_PayReprint) || asks(dt_VerifyTran)) {
    fPaymentReceipt.Deserialize(*document);
  } else if (asks(dt_DayClose)) {
    fDayClose.Deserialize(*document);
  } else if (asks(dt_GetTotals)) {
    fTotals.Deserialize(*document);
  }
}

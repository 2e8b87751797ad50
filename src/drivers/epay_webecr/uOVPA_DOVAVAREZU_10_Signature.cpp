// The e-invoice signature that every payment and refund carries to the terminal.
#include "base/uOV_DateTime.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "drivers/epay_webecr/uOVPA_SignatureText.h"
#include "entry/uOVResultFormat.h"
#include "http/uOV_JsonReader.h"
#include "http/uOV_JsonWriter.h"
#include "platform/ovRegional.h"

namespace {

constexpr int32_t kImpactProviderId = 3;

// The document type code ("invoiceTypeCode") of a payment or a refund.
const char16_t* InvoiceTypeCode(bool aIsPayment, ovPaymentDocumentType aDocumentType) {
  if (aDocumentType == dt_invoice) return aIsPayment ? u"1.1" : u"5.2";
  return aIsPayment ? u"11.1" : u"11.4";  // receipts and tax-free sales alike
}

}  // namespace

bool kPayment_DOVAVAREZU::RequestSignature(const kPaymentReceipt& aReceipt) {
  const kProviderDataElement* branch = fProviderData.Find(aReceipt.StoreCode);
  if (branch == nullptr) throw tOV_Exception(u"Store " + aReceipt.StoreCode + u" not found in Branch_Record");

  const ovDateTime now = Now();
  const bool isPayment = aReceipt.Action == ovPaymentAction::Pay;
  const std::u16string& seriesTemplate =
      isPayment ? branch->fInvoiceSerieTemplate : branch->fCreditNoteSerieTemplate;

  tOV_JsonObject request;
  request.AddString(u"nspCode", u"EuronetWeb")
      .AddString(u"issuerTin", branch->fCompany_VATId)
      .AddString(u"issueDate", DateToISOString(now))
      .AddInteger(u"branchCode", branch->fBranch_FiscalId)
      .AddString(u"invoiceTypeCode", InvoiceTypeCode(isPayment, aReceipt.DocumentType))
      .AddString(u"series", FillSeriesTemplate(seriesTemplate, aReceipt.StoreCode, aReceipt.TillCode, DecodeDateTime(now)))
      .AddString(u"identifier", u"identifier")
      .AddInteger(u"mark", 0)
      .AddCurrency(u"paymentAmount", aReceipt.Amount)
      .AddCurrency(u"totalNetAmount", aReceipt.DocumentNetAmount)
      .AddCurrency(u"totalVatAmount", aReceipt.DocumentVatAmount)
      .AddCurrency(u"totalAmount", aReceipt.DocumentAmount)
      .AddString(u"terminalId", fTermId)
      .AddString(u"signatureDurationType", u"H_24");
  fJSONRequest = request.ToJSON();

  const bool ok = PostToSigningService(fImpactServerURL + u"/PosTransactions/signpos");
  if (ok) StoreSignature();
  return ok;
}

void kPayment_DOVAVAREZU::StoreSignature() {
  KeepSignature(ReadSignatureAnswer(fJSONResponse, RegionalSettings().DecimalSeparator), kImpactProviderId);
}

void kPayment_DOVAVAREZU::KeepSignature(const ovImpactSignature& aSignature, int32_t aProviderId) {
  fImpactDataInput = aSignature.Input;
  fImpactDataSignature = aSignature.Signature;
  fImpactDataUID = aSignature.UID;
  fImpactDataMark = aSignature.Mark;
  fImpactDataSignatureTimeStamp = aSignature.SignatureTimeStamp;
  fImpactDataNetAmount = aSignature.NetAmount;
  fImpactDataVatAmount = aSignature.VatAmount;
  fImpactDataTotalAmount = aSignature.TotalAmount;
  fImpactDataProviderId = aProviderId;
}

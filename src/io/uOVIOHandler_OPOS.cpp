#include "io/uOVIOHandler_OPOS.h"

#include <limits>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "request/uOvConnection.h"

namespace {

constexpr int32_t kReceiptStation = 2;  // FPTR_S_RECEIPT

struct CodeName {
  int32_t code;
  const char16_t* name;
};

constexpr CodeName kResultNames[] = {
    {101, u" OPOS_E_CLOSED"},   {102, u" OPOS_E_CLAIMED"},    {103, u" OPOS_E_NOTCLAIMED"},
    {104, u" OPOS_E_NOSERVICE"}, {105, u" OPOS_E_DISABLED"},   {106, u" OPOS_E_ILLEGAL"},
    {107, u" OPOS_E_NOHARDWARE"}, {108, u" OPOS_E_OFFLINE"},   {109, u" OPOS_E_NOEXIST"},
    {110, u" OPOS_E_EXISTS"},   {111, u" OPOS_E_FAILURE"},    {112, u" OPOS_E_TIMEOUT"},
    {113, u" OPOS_E_BUSY"},     {114, u" OPOS_E_EXTENDED"},   {115, u" OPOS_E_DEPRECATED"},
};

constexpr CodeName kExtendedNames[] = {
    {201, u" OPOS_EFPTR_COVER_OPEN"},
    {202, u" OPOS_EFPTR_JRN_EMPTY"},
    {203, u" OPOS_EFPTR_REC_EMPTY"},
    {204, u" OPOS_EFPTR_SLP_EMPTY"},
    {205, u" OPOS_EFPTR_SLP_FORM"},
    {206, u" OPOS_EFPTR_MISSING_DEVICES"},
    {207, u" OPOS_EFPTR_WRONG_STATE"},
    {208, u" OPOS_EFPTR_TECHNICAL_ASSISTANCE"},
    {209, u" OPOS_EFPTR_CLOCK_ERROR"},
    {210, u" OPOS_EFPTR_FISCAL_MEMORY_FULL"},
    {211, u" OPOS_EFPTR_FISCAL_MEMORY_DISCONNECTED"},
    {212, u" OPOS_EFPTR_FISCAL_TOTALS_ERROR"},
    {213, u" OPOS_EFPTR_BAD_ITEM_QUANTITY"},
    {214, u" OPOS_EFPTR_BAD_ITEM_AMOUNT"},
    {215, u" OPOS_EFPTR_BAD_ITEM_DESCRIPTION"},
    {216, u" OPOS_EFPTR_RECEIPT_TOTAL_OVERFLOW"},
    {217, u" OPOS_EFPTR_BAD_VAT"},
    {218, u" OPOS_EFPTR_BAD_PRICE"},
    {219, u" OPOS_EFPTR_BAD_DATE"},
    {220, u" OPOS_EFPTR_NEGATIVE_TOTAL"},
    {221, u" OPOS_EFPTR_WORD_NOT_ALLOWED"},
    {222, u" OPOS_EFPTR_BAD_LENGTH"},
    {223, u" OPOS_EFPTR_MISSING_SET_CURRENCY"},
    {224, u" OPOS_EFPTR_DAY_END_REQUIRED"},
};

template <size_t N>
const char16_t* NameOf(const CodeName (&aTable)[N], int32_t aCode) {
  for (const CodeName& entry : aTable) {
    if (entry.code == aCode) return entry.name;
  }
  return u" UNKNOWN";
}

// Q(x) of the log lines: single quotes, embedded ones doubled.
std::u16string Quoted(const std::u16string& aText) { return u"'" + ReplaceAll(aText, u"'", u"''") + u"'"; }

std::u16string BooleanText(bool aValue) { return aValue ? u"True" : u"False"; }

// The control counts thousandths; the fraction below them is dropped.
int32_t Thousandths(ovCurrency aQuantity) {
  const int64_t thousandths = aQuantity.Ticks / 10;
  if (thousandths < std::numeric_limits<int32_t>::min() || thousandths > std::numeric_limits<int32_t>::max()) {
    throw tOV_Exception(u"Quantity " + CurrencyToText(aQuantity) + u" is out of range");
  }
  return int32_t(thousandths);
}

// "ddmmyyyyhhnn" as the control writes it.
bool ReadControlDate(const std::u16string& aText, ovDateTime& aDate) {
  if (aText.size() < 12) return false;
  int32_t parts[5] = {};
  const size_t starts[5] = {0, 2, 4, 8, 10};
  const size_t lengths[5] = {2, 2, 4, 2, 2};
  for (int i = 0; i < 5; ++i) {
    for (size_t j = starts[i]; j < starts[i] + lengths[i]; ++j) {
      if (aText[j] < u'0' || aText[j] > u'9') return false;
      parts[i] = parts[i] * 10 + (aText[j] - u'0');
    }
  }
  const ovLocalTime time{parts[2], parts[1], parts[0], parts[3], parts[4], 0, 0};
  return TryEncodeDateTime(time, aDate);
}

}  // namespace

kIOHandler_OPOS::kIOHandler_OPOS(const kConnection* aConnection, const std::u16string& aDirectory,
                                 const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  fOPOS = CreateFiscalPrinterControl(aConnection != nullptr ? aConnection->LibraryName() : std::u16string());
  if (aConnection != nullptr) fDeviceName = aConnection->DeviceName();
}

kIOHandler_OPOS::kIOHandler_OPOS(const kConnection* aConnection, const std::u16string& aDirectory,
                                 const std::u16string& aFileName, std::unique_ptr<ovFiscalPrinterControl> aControl)
    : kIOHandler(aConnection, aDirectory, aFileName), fOPOS(std::move(aControl)) {
  if (!fOPOS) throw tOV_Exception(u"kIOHandler_OPOS: no control");
  if (aConnection != nullptr) fDeviceName = aConnection->DeviceName();
}

kIOHandler_OPOS::~kIOHandler_OPOS() {
  if (fConnected) Disconnect();
  fOPOS.reset();
}

bool kIOHandler_OPOS::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"DeviceName=" + fDeviceName);
  try {
    if (Connected()) Disconnect();
    Debug(let_info, u"[Connect]->Open(" + fDeviceName + u")");
    bool result = CheckResult(fOPOS->Open(fDeviceName));
    if (result) {
      Debug(let_info, u"[Connect]->ClaimDevice(" + IntToStr(ConnectTimeout()) + u")");
      result = CheckResult(fOPOS->ClaimDevice(ConnectTimeout()));
    }
    if (result) {
      Debug(let_info, u"[Connect]->DeviceEnabled:=true");
      fOPOS->SetDeviceEnabled(true);
      result = fOPOS->DeviceEnabled();
    }
    // Also after a failed Open or claim: Disconnect then undoes what was done.
    fConnected = true;
    return result;
  } catch (const tOV_Exception& error) {
    Debug(let_error, u"[Connect]:" + error.Message());
    return false;
  }
}

bool kIOHandler_OPOS::Disconnect() {
  try {
    Debug(let_info, u"[Disconnect]->DeviceEnabled:=false");
    fOPOS->SetDeviceEnabled(false);
    const bool result = !fOPOS->DeviceEnabled() && ReleaseAndClose();
    fConnected = false;
    return result;
  } catch (const tOV_Exception& error) {
    Debug(let_error, u"[Disconnect]:" + error.Message());
    return false;
  }
}

bool kIOHandler_OPOS::ReleaseAndClose() {
  Debug(let_info, u"[Disconnect]->ReleaseDevice");
  const int32_t releaseCode = fOPOS->ReleaseDevice();
  const bool released = CheckResult(releaseCode);
  // A device that was opened but never claimed is still open: close it, or
  // every later Open of this control would fail. The answer and the error
  // state stay those of the failed release.
  if (!released && releaseCode != OPOS_E_NOTCLAIMED) return false;
  Debug(let_info, u"[Disconnect]->Close");
  const int32_t closeCode = fOPOS->Close();
  if (released) return CheckResult(closeCode);
  if (closeCode != OPOS_SUCCESS) CheckResult(closeCode);
  return false;
}

bool kIOHandler_OPOS::CheckResult(int32_t aResultCode) {
  ResetCustomError();
  if (aResultCode == OPOS_SUCCESS) return true;
  const int32_t extended = aResultCode == OPOS_E_EXTENDED ? fOPOS->ResultCodeExtended() : 0;
  const std::u16string text = BuildErrorText(aResultCode, extended);
  Debug(let_error, text);
  SetCustomError(aResultCode, text);
  return false;
}

std::u16string kIOHandler_OPOS::BuildErrorText(int32_t aResultCode, int32_t aExtendedCode) {
  if (aResultCode == OPOS_SUCCESS) return {};
  std::u16string text = u"[" + IntToStr(aResultCode) + u"]" + NameOf(kResultNames, aResultCode);
  if (aExtendedCode != 0) text += u" [" + IntToStr(aExtendedCode) + u"]" + NameOf(kExtendedNames, aExtendedCode);
  return text + u" - " + fOPOS->ErrorString();
}

bool kIOHandler_OPOS::BeginFiscalReceipt() {
  Debug(let_info, u"[BeginFiscalReceipt]->BeginFiscalReceipt(true)");
  return CheckResult(fOPOS->BeginFiscalReceipt(true));
}

bool kIOHandler_OPOS::EndFiscalReceipt() {
  Debug(let_info, u"[EndFiscalReceipt]->EndFiscalReceipt(false)");
  return CheckResult(fOPOS->EndFiscalReceipt(false));
}

bool kIOHandler_OPOS::BeginNonFiscal() {
  Debug(let_info, u"[BeginNonFiscal]->BeginNonFiscal");
  return CheckResult(fOPOS->BeginNonFiscal());
}

bool kIOHandler_OPOS::EndNonFiscal() {
  Debug(let_info, u"[EndNonFiscal]->EndNonFiscal");
  return CheckResult(fOPOS->EndNonFiscal());
}

bool kIOHandler_OPOS::PrintNormal(const std::u16string& aText) {
  Debug(let_info, u"[PrintNormal]->PrintNormal(" + IntToStr(kReceiptStation) + u"," + Quoted(aText) + u")");
  return CheckResult(fOPOS->PrintNormal(kReceiptStation, aText));
}

bool kIOHandler_OPOS::PrintRecItem(const std::u16string&, const std::u16string& aDescription, ovCurrency aQuantity,
                                   const std::u16string& aUOM, int32_t aVatCode, ovCurrency aPrice,
                                   ovCurrency aAmount) {
  Debug(let_info, u"[PrintRecItem]->PrintRecItem(" + Quoted(aDescription) + u"," + FormatAmount(aAmount) + u"," +
                      IntToStr(aQuantity.TruncatedUnits()) + u"," + IntToStr(aVatCode) + u"," + FormatAmount(aPrice) +
                      u"," + Quoted(aUOM) + u")");
  return CheckResult(fOPOS->PrintRecItem(aDescription, aAmount, Thousandths(aQuantity), aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecItemVoid(const std::u16string&, const std::u16string& aDescription,
                                       ovCurrency aQuantity, const std::u16string& aUOM, int32_t aVatCode,
                                       ovCurrency aPrice, ovCurrency aAmount) {
  Debug(let_info, u"[PrintRecItemVoid]->PrintRecItemVoid(" + Quoted(aDescription) + u"," + FormatAmount(aAmount) +
                      u"," + IntToStr(aVatCode) + u"," + FormatAmount(aPrice) + u"," + Quoted(aUOM) + u")");
  return CheckResult(fOPOS->PrintRecItemVoid(aDescription, aAmount, Thousandths(aQuantity), aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecRefund(const std::u16string&, const std::u16string& aDescription, ovCurrency,
                                     const std::u16string&, int32_t aVatCode, ovCurrency, ovCurrency aAmount) {
  Debug(let_info, u"[PrintRecRefund]->PrintRecRefund(" + Quoted(aDescription) + u"," + FormatAmount(aAmount) + u"," +
                      IntToStr(aVatCode) + u")");
  return CheckResult(fOPOS->PrintRecRefund(aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecItemAdjustment(int32_t aAdjType, const std::u16string& aDescription, ovCurrency aAmount,
                                             int32_t aVatCode) {
  Debug(let_info, u"[PrintRecItemAdjustment]->PrintRecItemAdjustment(" + IntToStr(aAdjType) + u"," +
                      Quoted(aDescription) + u"," + FormatAmount(aAmount) + u"," + IntToStr(aVatCode) + u")");
  return CheckResult(fOPOS->PrintRecItemAdjustment(aAdjType, aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecSubtotal(ovCurrency aAmount) {
  Debug(let_info, u"[PrintRecSubtotal]->PrintRecSubTotal(" + FormatAmount(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecSubtotal(aAmount));
}

bool kIOHandler_OPOS::PrintRecSubtotalAdjustment(int32_t aAdjType, const std::u16string& aDescription,
                                                 ovCurrency aAmount) {
  Debug(let_info, u"[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(" + IntToStr(aAdjType) + u"," +
                      Quoted(aDescription) + u"," + FormatAmount(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecSubtotalAdjustment(aAdjType, aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecTotal(ovCurrency aTotalAmount, ovCurrency aPaymentAmount,
                                    const std::u16string& aDescription) {
  Debug(let_info, u"[PrintRecTotal]->PrintRecTotal(" + FormatAmount(aTotalAmount) + u"," +
                      FormatAmount(aPaymentAmount) + u"," + Quoted(aDescription) + u")");
  return CheckResult(fOPOS->PrintRecTotal(aTotalAmount, aPaymentAmount, aDescription));
}

bool kIOHandler_OPOS::PrintRecNotPaid(ovCurrency aAmount, const std::u16string& aDescription) {
  Debug(let_info, u"[PrintRecNotPaid]->PrintRecNotPaid(" + Quoted(aDescription) + u"," + FormatAmount(aAmount) + u")");
  return CheckResult(fOPOS->PrintRecNotPaid(aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecMessage(const std::u16string& aText) {
  Debug(let_info, u"[PrintRecMessage]->PrintRecMessage(" + Quoted(aText) + u")");
  return CheckResult(fOPOS->PrintRecMessage(aText));
}

bool kIOHandler_OPOS::PrintRecTaxid(const std::u16string& aTaxId) {
  Debug(let_info, u"[PrintRecTaxid]->PrintRecTaxid(" + Quoted(aTaxId) + u")");
  return CheckResult(fOPOS->PrintRecTaxID(aTaxId));
}

bool kIOHandler_OPOS::ResetPrinter() {
  Debug(let_info, u"[ResetPrinter]->ResetPrinter");
  return CheckResult(fOPOS->ResetPrinter());
}

bool kIOHandler_OPOS::PrintXReport() {
  Debug(let_info, u"[PrintXReport]->PrintXReport");
  return CheckResult(fOPOS->PrintXReport());
}

bool kIOHandler_OPOS::PrintZReport() {
  Debug(let_info, u"[PrintZReport]->PrintZReport");
  return CheckResult(fOPOS->PrintZReport());
}

bool kIOHandler_OPOS::BeginTraining() {
  Debug(let_info, u"[BeginTraining]->BeginTraining");
  return CheckResult(fOPOS->BeginTraining());
}

bool kIOHandler_OPOS::EndTraining() {
  Debug(let_info, u"[EndTraining]->EndTraining");
  return CheckResult(fOPOS->EndTraining());
}

bool kIOHandler_OPOS::SetDate(ovDateTime aDateTime) {
  const std::u16string date = FormatDateTime(u"ddmmyyyyhhnn", aDateTime);
  Debug(let_info, u"[SetDate]->SetDate(" + Quoted(date) + u")");
  return CheckResult(fOPOS->SetDate(date));
}

bool kIOHandler_OPOS::GetDate(ovDateTime& aDate) {
  Debug(let_info, u"[GetDate]->GetDate");
  std::u16string text;
  const bool result = CheckResult(fOPOS->GetDate(text));
  if (result) Debug(let_info, u"[GetDate]->aDate=" + text);
  if (!result || !ReadControlDate(text, aDate)) aDate = Now();
  return result;
}

bool kIOHandler_OPOS::GetData(int32_t aDataItem, int32_t aOptArgs, std::u16string& aOutput) {
  Debug(let_info, u"[GetData]->GetData(" + IntToStr(aDataItem) + u"," + IntToStr(aOptArgs) + u",aOutput)");
  std::u16string data;
  const bool result = CheckResult(fOPOS->GetData(aDataItem, aOptArgs, data));
  if (result) Debug(let_info, u"[GetData]->aOutput=" + data);
  aOutput = result ? data : std::u16string();
  return result;
}

bool kIOHandler_OPOS::DirectIO(int32_t aCommand, int32_t& aData, std::u16string& aString) {
  Debug(let_info, u"[DirectIO]->DirectIO(" + IntToStr(aCommand) + u"," + IntToStr(aData) + u"," + Quoted(aString) +
                      u")");
  const int32_t resultCode = fOPOS->DirectIO(aCommand, aData, aString);
  Debug(let_info, u"[DirectIO]->Output(Data:=" + IntToStr(aData) + u", Obj:=" + Quoted(aString) + u")");
  return CheckResult(resultCode);
}

bool kIOHandler_OPOS::GetCoverOpen(bool& aResult) {
  Debug(let_info, u"[GetCoverOpen]->CoverOpen(aResult)");
  aResult = fOPOS->CoverOpen();
  Debug(let_info, u"[GetCoverOpen]->CoverOpen=" + BooleanText(aResult));
  return true;
}

bool kIOHandler_OPOS::GetDayOpened(bool& aResult) {
  Debug(let_info, u"[GetDayOpened]->DayOpened(aResult)");
  aResult = fOPOS->DayOpened();
  Debug(let_info, u"[GetDayOpened]->aResult=" + BooleanText(aResult));
  return true;
}

bool kIOHandler_OPOS::GetRecEmpty(bool& aResult) {
  Debug(let_info, u"[GetRecEmpty]->RecEmpty(aResult)");
  aResult = fOPOS->RecEmpty();
  Debug(let_info, u"[GetRecEmpty]->aResult=" + BooleanText(aResult));
  return true;
}

bool kIOHandler_OPOS::GetRecNearEnd(bool& aResult) {
  Debug(let_info, u"[GetRecNearEmpty]->RecNearEmpty(aResult)");
  aResult = fOPOS->RecNearEnd();
  Debug(let_info, u"[GetRecNearEmpty]->aResult=" + BooleanText(aResult));
  return true;
}

bool kIOHandler_OPOS::GetTrainingModeActive(bool& aResult) {
  Debug(let_info, u"[GetTrainingModeActive]->TrainingModeActive(aResult)");
  aResult = fOPOS->TrainingModeActive();
  Debug(let_info, u"[GetTrainingModeActive]->aResult=" + BooleanText(aResult));
  return true;
}

bool kIOHandler_OPOS::PrinterState(int32_t& aPrinterState) {
  Debug(let_info, u"[PrinterState]->PrinterState(aPrinterState)");
  aPrinterState = fOPOS->PrinterState();
  Debug(let_info, u"[PrinterState]->aPrinterState=" + IntToStr(aPrinterState));
  return true;
}

bool kIOHandler_OPOS::RemainingFiscalMemory(int32_t& aRemainingFiscalMemory) {
  Debug(let_info, u"[RemainingFiscalMemory]->RemainingFiscalMemory(aRemainingFiscalMemory)");
  aRemainingFiscalMemory = fOPOS->RemainingFiscalMemory();
  Debug(let_info, u"[RemainingFiscalMemory]->aRemainingFiscalMemory=" + IntToStr(aRemainingFiscalMemory));
  return true;
}

bool kIOHandler_OPOS::SetAdditionalTrailerLine(const std::u16string& aDescription, bool aClear) {
  if (aClear) {
    Debug(let_info, u"[SetAdditionalTrailerLine]->AdditionalTrailer=" + Quoted(aDescription));
    fOPOS->SetAdditionalTrailer(aDescription);
  } else {
    Debug(let_info, u"[SetAdditionalTrailerLine]->AdditionalTrailer=+" + Quoted(aDescription));
    fOPOS->SetAdditionalTrailer(fOPOS->AdditionalTrailer() + aDescription + u"\r\n");
  }
  return true;
}

bool kIOHandler_OPOS::SetPreLine(const std::u16string& aDescription) {
  Debug(let_info, u"[SetPreLine]->PreLine=" + Quoted(aDescription));
  fOPOS->SetPreLine(aDescription);
  return true;
}

bool kIOHandler_OPOS::SetFiscalReceiptType(int32_t aReceiptType) {
  Debug(let_info, u"[SetFiscalReceiptType]->FiscalReceiptType=" + IntToStr(aReceiptType));
  fOPOS->SetFiscalReceiptType(aReceiptType);
  return true;
}

bool kIOHandler_OPOS::Write(const std::u16string&) { throw tOV_Exception(u"Write Unsupported"); }

std::u16string kIOHandler_OPOS::ReadUpTo(const std::vector<uint8_t>&) { throw tOV_Exception(u"ReadUpto Unsupported"); }

std::u16string kIOHandler_OPOS::ReadChars(int32_t) { throw tOV_Exception(u"ReadChars Unsupported"); }

std::u16string kIOHandler_OPOS::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_OPOS::DecodeError(int32_t) { return {}; }

bool kIOHandler_OPOS::InputBufferContainsData() { throw tOV_Exception(u"InputBufferContainsData Unsupported"); }

void kIOHandler_OPOS::SetParameter(const std::u16string&, const std::u16string&) {}

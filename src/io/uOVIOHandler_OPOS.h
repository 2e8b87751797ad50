// I/O handler of fiscal printers driven through the OPOS Fiscal Printer
// control. Every printer operation logs its call in one fixed form, passes
// the control's result code through CheckResult and answers false, with a
// readable text in the error state, when the control failed. There is no
// byte stream. The handler owns its control.
#pragma once

#include <memory>

#include "base/uOV_DateTime.h"
#include "io/uOVFiscalPrinterControl.h"
#include "io/uOVIOHandler.h"

class kIOHandler_OPOS : public kIOHandler {
 public:
  // Creates the control the connection names (LibraryName: the ProgID on
  // Windows, the plug-in elsewhere) and takes its DeviceName. Raises when the
  // control cannot be created.
  kIOHandler_OPOS(const kConnection* aConnection, const std::u16string& aDirectory,
                  const std::u16string& aFileName);
  // For a control made by the caller.
  kIOHandler_OPOS(const kConnection* aConnection, const std::u16string& aDirectory, const std::u16string& aFileName,
                  std::unique_ptr<ovFiscalPrinterControl> aControl);
  // Disconnects when connected, then releases the control.
  ~kIOHandler_OPOS() override;

  const char16_t* ClassName() const override { return u"kIOHandler_OPOS"; }
  bool Connected() override { return fConnected; }
  // Open, ClaimDevice(ConnectTimeout), DeviceEnabled := true.
  bool Connect() override;
  // DeviceEnabled := false, ReleaseDevice, Close.
  bool Disconnect() override;
  void ClearBuffers() override {}
  bool Write(const std::u16string& aMessage) override;
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  bool BeginFiscalReceipt();
  bool EndFiscalReceipt();
  bool BeginNonFiscal();
  bool EndNonFiscal();
  bool PrintNormal(const std::u16string& aText);
  // aCode is not used; the quantity goes to the control in thousandths.
  bool PrintRecItem(const std::u16string& aCode, const std::u16string& aDescription, ovCurrency aQuantity,
                    const std::u16string& aUOM, int32_t aVatCode, ovCurrency aPrice, ovCurrency aAmount);
  bool PrintRecItemVoid(const std::u16string& aCode, const std::u16string& aDescription, ovCurrency aQuantity,
                        const std::u16string& aUOM, int32_t aVatCode, ovCurrency aPrice, ovCurrency aAmount);
  bool PrintRecRefund(const std::u16string& aCode, const std::u16string& aDescription, ovCurrency aQuantity,
                      const std::u16string& aUOM, int32_t aVatCode, ovCurrency aPrice, ovCurrency aAmount);
  bool PrintRecItemAdjustment(int32_t aAdjType, const std::u16string& aDescription, ovCurrency aAmount,
                              int32_t aVatCode);
  bool PrintRecSubtotal(ovCurrency aAmount);
  bool PrintRecSubtotalAdjustment(int32_t aAdjType, const std::u16string& aDescription, ovCurrency aAmount);
  bool PrintRecTotal(ovCurrency aTotalAmount, ovCurrency aPaymentAmount, const std::u16string& aDescription);
  bool PrintRecNotPaid(ovCurrency aAmount, const std::u16string& aDescription);
  bool PrintRecMessage(const std::u16string& aText);
  bool PrintRecTaxid(const std::u16string& aTaxId);
  bool ResetPrinter();
  bool PrintXReport();
  bool PrintZReport();
  bool BeginTraining();
  bool EndTraining();
  // The control takes the date as "ddmmyyyyhhnn".
  bool SetDate(ovDateTime aDateTime);
  // The control's date; the current local date and time when it fails.
  bool GetDate(ovDateTime& aDate);
  // aOutput is empty when the control fails.
  bool GetData(int32_t aDataItem, int32_t aOptArgs, std::u16string& aOutput);
  bool DirectIO(int32_t aCommand, int32_t& aData, std::u16string& aString);
  bool GetCoverOpen(bool& aResult);
  bool GetDayOpened(bool& aResult);
  bool GetRecEmpty(bool& aResult);
  bool GetRecNearEnd(bool& aResult);
  bool GetTrainingModeActive(bool& aResult);
  bool PrinterState(int32_t& aPrinterState);
  bool RemainingFiscalMemory(int32_t& aRemainingFiscalMemory);
  // aClear: the trailer becomes aDescription; otherwise aDescription + CR LF is added.
  bool SetAdditionalTrailerLine(const std::u16string& aDescription, bool aClear);
  bool SetPreLine(const std::u16string& aDescription);
  bool SetFiscalReceiptType(int32_t aReceiptType);

  const std::u16string& DeviceName() const { return fDeviceName; }
  void SetDeviceName(const std::u16string& aValue) { fDeviceName = aValue; }

 private:
  // rc 0: true. Otherwise the error state and an error line with BuildErrorText.
  bool CheckResult(int32_t aResultCode);
  std::u16string BuildErrorText(int32_t aResultCode, int32_t aExtendedCode);
  bool ReleaseAndClose();

  std::unique_ptr<ovFiscalPrinterControl> fOPOS;
  std::u16string fDeviceName;
  bool fConnected = false;
};

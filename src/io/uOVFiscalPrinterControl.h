// The OPOS Fiscal Printer control as the OPOS handler sees it: the methods
// and properties it uses, each method answering an OPOS result code. On
// Windows the vendor's control through COM automation; elsewhere a plug-in
// library (include/ovFiscalPrinterPlugin.h). Failures of the component itself
// (a broken automation call) raise tOV_Exception.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/uOV_Currency.h"

// OPOS result codes.
constexpr int32_t OPOS_SUCCESS = 0;
constexpr int32_t OPOS_E_CLOSED = 101;
constexpr int32_t OPOS_E_CLAIMED = 102;
constexpr int32_t OPOS_E_NOTCLAIMED = 103;
constexpr int32_t OPOS_E_NOSERVICE = 104;
constexpr int32_t OPOS_E_DISABLED = 105;
constexpr int32_t OPOS_E_ILLEGAL = 106;
constexpr int32_t OPOS_E_NOHARDWARE = 107;
constexpr int32_t OPOS_E_OFFLINE = 108;
constexpr int32_t OPOS_E_NOEXIST = 109;
constexpr int32_t OPOS_E_EXISTS = 110;
constexpr int32_t OPOS_E_FAILURE = 111;
constexpr int32_t OPOS_E_TIMEOUT = 112;
constexpr int32_t OPOS_E_BUSY = 113;
constexpr int32_t OPOS_E_EXTENDED = 114;

class ovFiscalPrinterControl {
 public:
  virtual ~ovFiscalPrinterControl() = default;

  virtual int32_t Open(const std::u16string& aDeviceName) = 0;
  virtual int32_t ClaimDevice(int32_t aTimeout) = 0;
  virtual int32_t ReleaseDevice() = 0;
  virtual int32_t Close() = 0;
  virtual int32_t BeginFiscalReceipt(bool aPrintHeader) = 0;
  virtual int32_t EndFiscalReceipt(bool aPrintHeader) = 0;
  virtual int32_t BeginNonFiscal() = 0;
  virtual int32_t EndNonFiscal() = 0;
  virtual int32_t PrintNormal(int32_t aStation, const std::u16string& aData) = 0;
  virtual int32_t PrintRecItem(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity,
                               int32_t aVatInfo, ovCurrency aUnitPrice, const std::u16string& aUnitName) = 0;
  virtual int32_t PrintRecItemVoid(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity,
                                   int32_t aVatInfo, ovCurrency aUnitPrice, const std::u16string& aUnitName) = 0;
  virtual int32_t PrintRecRefund(const std::u16string& aDescription, ovCurrency aAmount, int32_t aVatInfo) = 0;
  virtual int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription,
                                         ovCurrency aAmount, int32_t aVatInfo) = 0;
  virtual int32_t PrintRecSubtotal(ovCurrency aAmount) = 0;
  virtual int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription,
                                             ovCurrency aAmount) = 0;
  virtual int32_t PrintRecTotal(ovCurrency aTotal, ovCurrency aPayment, const std::u16string& aDescription) = 0;
  virtual int32_t PrintRecNotPaid(const std::u16string& aDescription, ovCurrency aAmount) = 0;
  virtual int32_t PrintRecMessage(const std::u16string& aMessage) = 0;
  virtual int32_t PrintRecTaxID(const std::u16string& aTaxId) = 0;
  virtual int32_t ResetPrinter() = 0;
  virtual int32_t PrintXReport() = 0;
  virtual int32_t PrintZReport() = 0;
  virtual int32_t BeginTraining() = 0;
  virtual int32_t EndTraining() = 0;
  virtual int32_t SetDate(const std::u16string& aDate) = 0;
  virtual int32_t GetDate(std::u16string& aDate) = 0;
  virtual int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::u16string& aData) = 0;
  virtual int32_t DirectIO(int32_t aCommand, int32_t& aData, std::u16string& aString) = 0;

  virtual bool DeviceEnabled() = 0;
  virtual void SetDeviceEnabled(bool aValue) = 0;
  virtual int32_t ResultCodeExtended() = 0;
  virtual std::u16string ErrorString() = 0;
  virtual bool CoverOpen() = 0;
  virtual bool DayOpened() = 0;
  virtual bool RecEmpty() = 0;
  virtual bool RecNearEnd() = 0;
  virtual bool TrainingModeActive() = 0;
  virtual int32_t PrinterState() = 0;
  virtual int32_t RemainingFiscalMemory() = 0;
  virtual std::u16string AdditionalTrailer() = 0;
  virtual void SetAdditionalTrailer(const std::u16string& aValue) = 0;
  virtual void SetPreLine(const std::u16string& aValue) = 0;
  virtual void SetFiscalReceiptType(int32_t aValue) = 0;
};

// The control named by aComponent: on Windows the ProgID of the automation
// object ("OPOS.FiscalPrinter" when empty); elsewhere the plug-in library.
// Raises a message with the system's text when it cannot be created.
std::unique_ptr<ovFiscalPrinterControl> CreateFiscalPrinterControl(const std::u16string& aComponent);

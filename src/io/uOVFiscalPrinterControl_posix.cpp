// The fiscal printer control where there is no OPOS: a plug-in library with
// the C interface of include/ovFiscalPrinterPlugin.h. A function the plug-in
// leaves out answers OPOS_E_ILLEGAL (methods) or nothing (properties).
#include <cstddef>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/uOVFiscalPrinterControl.h"
#include "ovFiscalPrinterPlugin.h"
#include "platform/ovDynLib.h"
#include "platform/ovUtf.h"

namespace {

constexpr char16_t kEntryPoint[] = u"ovfptr_get_interface";

std::u16string TrimmedSystemText(std::u16string aText) {
  while (!aText.empty() &&
         (aText.back() == u' ' || aText.back() == u'\r' || aText.back() == u'\n' || aText.back() == u'.')) {
    aText.pop_back();
  }
  return aText;
}

std::u16string Text(const char* aText) { return aText != nullptr ? Utf8ToUtf16(aText) : std::u16string(); }

class PluginControl : public ovFiscalPrinterControl {
 public:
  explicit PluginControl(const std::u16string& aLibrary) {
    std::u16string systemText;
    int32_t systemCode = 0;
    fLibrary = LoadDynamicLibrary(aLibrary, systemText, systemCode);
    if (fLibrary == nullptr) {
      throw tOV_Exception(u"Unable to Load Library " + aLibrary + u". " + TrimmedSystemText(systemText) + u" [" +
                          IntToStr(systemCode) + u"]");
    }
    const auto entry = reinterpret_cast<ovfptr_get_interface_function>(DynamicLibrarySymbol(fLibrary, kEntryPoint));
    if (entry == nullptr) Fail(u"Unable to get address for procedure " + std::u16string(kEntryPoint));
    fApi = entry();
    if (fApi == nullptr || fApi->version != OVFPTR_INTERFACE_VERSION) {
      Fail(u"Library " + aLibrary + u" offers no fiscal printer interface of version " +
           IntToStr(OVFPTR_INTERFACE_VERSION));
    }
    if (Has(offsetof(ovfptr_interface, create)) && fApi->create != nullptr) fDevice = fApi->create();
    if (fDevice == nullptr) Fail(u"Library " + aLibrary + u" could not create a fiscal printer");
  }

  ~PluginControl() override {
    if (fDevice != nullptr && Has(offsetof(ovfptr_interface, destroy)) && fApi->destroy != nullptr) {
      fApi->destroy(fDevice);
    }
    FreeDynamicLibrary(fLibrary);
  }

  int32_t Open(const std::u16string& aDeviceName) override {
    return Call(&ovfptr_interface::open, Utf16ToUtf8(aDeviceName).c_str());
  }
  int32_t ClaimDevice(int32_t aTimeout) override { return Call(&ovfptr_interface::claim_device, aTimeout); }
  int32_t ReleaseDevice() override { return Call(&ovfptr_interface::release_device); }
  int32_t Close() override { return Call(&ovfptr_interface::close); }
  int32_t BeginFiscalReceipt(bool aPrintHeader) override {
    return Call(&ovfptr_interface::begin_fiscal_receipt, int32_t(aPrintHeader));
  }
  int32_t EndFiscalReceipt(bool aPrintHeader) override {
    return Call(&ovfptr_interface::end_fiscal_receipt, int32_t(aPrintHeader));
  }
  int32_t BeginNonFiscal() override { return Call(&ovfptr_interface::begin_non_fiscal); }
  int32_t EndNonFiscal() override { return Call(&ovfptr_interface::end_non_fiscal); }
  int32_t PrintNormal(int32_t aStation, const std::u16string& aData) override {
    return Call(&ovfptr_interface::print_normal, aStation, Utf16ToUtf8(aData).c_str());
  }
  int32_t PrintRecItem(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity, int32_t aVatInfo,
                       ovCurrency aUnitPrice, const std::u16string& aUnitName) override {
    return Call(&ovfptr_interface::print_rec_item, Utf16ToUtf8(aDescription).c_str(), aPrice.Ticks, aQuantity,
                aVatInfo, aUnitPrice.Ticks, Utf16ToUtf8(aUnitName).c_str());
  }
  int32_t PrintRecItemVoid(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity, int32_t aVatInfo,
                           ovCurrency aUnitPrice, const std::u16string& aUnitName) override {
    return Call(&ovfptr_interface::print_rec_item_void, Utf16ToUtf8(aDescription).c_str(), aPrice.Ticks, aQuantity,
                aVatInfo, aUnitPrice.Ticks, Utf16ToUtf8(aUnitName).c_str());
  }
  int32_t PrintRecRefund(const std::u16string& aDescription, ovCurrency aAmount, int32_t aVatInfo) override {
    return Call(&ovfptr_interface::print_rec_refund, Utf16ToUtf8(aDescription).c_str(), aAmount.Ticks, aVatInfo);
  }
  int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription, ovCurrency aAmount,
                                 int32_t aVatInfo) override {
    return Call(&ovfptr_interface::print_rec_item_adjustment, aAdjustmentType, Utf16ToUtf8(aDescription).c_str(),
                aAmount.Ticks, aVatInfo);
  }
  int32_t PrintRecSubtotal(ovCurrency aAmount) override {
    return Call(&ovfptr_interface::print_rec_subtotal, aAmount.Ticks);
  }
  int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription,
                                     ovCurrency aAmount) override {
    return Call(&ovfptr_interface::print_rec_subtotal_adjustment, aAdjustmentType, Utf16ToUtf8(aDescription).c_str(),
                aAmount.Ticks);
  }
  int32_t PrintRecTotal(ovCurrency aTotal, ovCurrency aPayment, const std::u16string& aDescription) override {
    return Call(&ovfptr_interface::print_rec_total, aTotal.Ticks, aPayment.Ticks, Utf16ToUtf8(aDescription).c_str());
  }
  int32_t PrintRecNotPaid(const std::u16string& aDescription, ovCurrency aAmount) override {
    return Call(&ovfptr_interface::print_rec_not_paid, Utf16ToUtf8(aDescription).c_str(), aAmount.Ticks);
  }
  int32_t PrintRecMessage(const std::u16string& aMessage) override {
    return Call(&ovfptr_interface::print_rec_message, Utf16ToUtf8(aMessage).c_str());
  }
  int32_t PrintRecTaxID(const std::u16string& aTaxId) override {
    return Call(&ovfptr_interface::print_rec_tax_id, Utf16ToUtf8(aTaxId).c_str());
  }
  int32_t ResetPrinter() override { return Call(&ovfptr_interface::reset_printer); }
  int32_t PrintXReport() override { return Call(&ovfptr_interface::print_x_report); }
  int32_t PrintZReport() override { return Call(&ovfptr_interface::print_z_report); }
  int32_t BeginTraining() override { return Call(&ovfptr_interface::begin_training); }
  int32_t EndTraining() override { return Call(&ovfptr_interface::end_training); }
  int32_t SetDate(const std::u16string& aDate) override {
    return Call(&ovfptr_interface::set_date, Utf16ToUtf8(aDate).c_str());
  }
  int32_t GetDate(std::u16string& aDate) override {
    const char* date = nullptr;
    const int32_t result = Call(&ovfptr_interface::get_date, &date);
    aDate = Text(date);
    return result;
  }
  int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::u16string& aData) override {
    const char* data = nullptr;
    const int32_t result = Call(&ovfptr_interface::get_data, aDataItem, &aOptArgs, &data);
    aData = Text(data);
    return result;
  }
  int32_t DirectIO(int32_t aCommand, int32_t& aData, std::u16string& aString) override {
    const std::string in = Utf16ToUtf8(aString);
    const char* out = nullptr;
    const int32_t result = Call(&ovfptr_interface::direct_io, aCommand, &aData, in.c_str(), &out);
    if (out != nullptr) aString = Text(out);
    return result;
  }

  bool DeviceEnabled() override { return Get(&ovfptr_interface::get_device_enabled) != 0; }
  void SetDeviceEnabled(bool aValue) override { Set(&ovfptr_interface::set_device_enabled, int32_t(aValue)); }
  int32_t ResultCodeExtended() override { return Get(&ovfptr_interface::get_result_code_extended); }
  std::u16string ErrorString() override { return GetText(&ovfptr_interface::get_error_string); }
  bool CoverOpen() override { return Get(&ovfptr_interface::get_cover_open) != 0; }
  bool DayOpened() override { return Get(&ovfptr_interface::get_day_opened) != 0; }
  bool RecEmpty() override { return Get(&ovfptr_interface::get_rec_empty) != 0; }
  bool RecNearEnd() override { return Get(&ovfptr_interface::get_rec_near_end) != 0; }
  bool TrainingModeActive() override { return Get(&ovfptr_interface::get_training_mode_active) != 0; }
  int32_t PrinterState() override { return Get(&ovfptr_interface::get_printer_state); }
  int32_t RemainingFiscalMemory() override { return Get(&ovfptr_interface::get_remaining_fiscal_memory); }
  std::u16string AdditionalTrailer() override { return GetText(&ovfptr_interface::get_additional_trailer); }
  void SetAdditionalTrailer(const std::u16string& aValue) override {
    Set(&ovfptr_interface::set_additional_trailer, Utf16ToUtf8(aValue).c_str());
  }
  void SetPreLine(const std::u16string& aValue) override {
    Set(&ovfptr_interface::set_pre_line, Utf16ToUtf8(aValue).c_str());
  }
  void SetFiscalReceiptType(int32_t aValue) override { Set(&ovfptr_interface::set_fiscal_receipt_type, aValue); }

 private:
  [[noreturn]] void Fail(const std::u16string& aMessage) {
    FreeDynamicLibrary(fLibrary);
    fLibrary = nullptr;
    throw tOV_Exception(aMessage);
  }

  // Whether the plug-in's table reaches the member at aOffset.
  bool Has(size_t aOffset) const { return aOffset + sizeof(void*) <= fApi->size; }

  template <typename Function>
  Function Member(Function ovfptr_interface::*aMember) const {
    const auto offset = size_t(reinterpret_cast<const char*>(&(fApi->*aMember)) - reinterpret_cast<const char*>(fApi));
    return Has(offset) ? fApi->*aMember : nullptr;
  }

  template <typename... Parameters, typename... Arguments>
  int32_t Call(int32_t (*ovfptr_interface::*aMember)(ovfptr_device*, Parameters...), Arguments... aArguments) {
    const auto function = Member(aMember);
    return function != nullptr ? function(fDevice, aArguments...) : OPOS_E_ILLEGAL;
  }

  int32_t Get(int32_t (*ovfptr_interface::*aMember)(ovfptr_device*)) {
    const auto function = Member(aMember);
    return function != nullptr ? function(fDevice) : 0;
  }

  std::u16string GetText(const char* (*ovfptr_interface::*aMember)(ovfptr_device*)) {
    const auto function = Member(aMember);
    return function != nullptr ? Text(function(fDevice)) : std::u16string();
  }

  template <typename Value>
  void Set(void (*ovfptr_interface::*aMember)(ovfptr_device*, Value), Value aValue) {
    const auto function = Member(aMember);
    if (function != nullptr) function(fDevice, aValue);
  }

  ovLibraryHandle fLibrary = nullptr;
  const ovfptr_interface* fApi = nullptr;
  ovfptr_device* fDevice = nullptr;
};

}  // namespace

std::unique_ptr<ovFiscalPrinterControl> CreateFiscalPrinterControl(const std::u16string& aComponent) {
  return std::make_unique<PluginControl>(aComponent);
}

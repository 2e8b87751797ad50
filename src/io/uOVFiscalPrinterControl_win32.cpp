// The vendor's OPOS Fiscal Printer control through COM automation: the
// object made from its ProgID, each method and property reached by name
// through IDispatch. A failed automation call raises with the control's or
// the system's text.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "base/uOV_Exception.h"
#include "io/uOVFiscalPrinterControl.h"
#include "platform/ovSystemText_win32.h"

namespace {

constexpr char16_t kDefaultProgId[] = u"OPOS.FiscalPrinter";

std::u16string TrimmedSystemText(std::u16string aText) {
  while (!aText.empty() &&
         (aText.back() == u' ' || aText.back() == u'\r' || aText.back() == u'\n' || aText.back() == u'.')) {
    aText.pop_back();
  }
  return aText;
}

std::u16string HresultText(HRESULT aCode) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(aCode));
  return TrimmedSystemText(SystemErrorText(DWORD(aCode))) + u" [" + std::u16string(code, code + std::strlen(code)) +
         u"]";
}

class AutomationControl : public ovFiscalPrinterControl {
 public:
  explicit AutomationControl(const std::u16string& aProgId) {
    const std::u16string progId = aProgId.empty() ? kDefaultProgId : aProgId;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    fUninitialize = SUCCEEDED(init);  // RPC_E_CHANGED_MODE: the thread has COM already
    CLSID clsid;
    HRESULT result = CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progId.c_str()), &clsid);
    if (SUCCEEDED(result)) {
      result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&fDispatch));
    }
    if (FAILED(result)) {
      if (fUninitialize) CoUninitialize();
      throw tOV_Exception(u"Unable to create OPOS control " + progId + u". " + HresultText(result));
    }
  }

  ~AutomationControl() override {
    fDispatch->Release();
    if (fUninitialize) CoUninitialize();
  }

  int32_t Open(const std::u16string& aDeviceName) override { return Method(L"Open", {Text(aDeviceName)}); }
  int32_t ClaimDevice(int32_t aTimeout) override { return Method(L"ClaimDevice", {Long(aTimeout)}); }
  int32_t ReleaseDevice() override { return Method(L"ReleaseDevice", {}); }
  int32_t Close() override { return Method(L"Close", {}); }
  int32_t BeginFiscalReceipt(bool aPrintHeader) override {
    return Method(L"BeginFiscalReceipt", {Boolean(aPrintHeader)});
  }
  int32_t EndFiscalReceipt(bool aPrintHeader) override { return Method(L"EndFiscalReceipt", {Boolean(aPrintHeader)}); }
  int32_t BeginNonFiscal() override { return Method(L"BeginNonFiscal", {}); }
  int32_t EndNonFiscal() override { return Method(L"EndNonFiscal", {}); }
  int32_t PrintNormal(int32_t aStation, const std::u16string& aData) override {
    return Method(L"PrintNormal", {Long(aStation), Text(aData)});
  }
  int32_t PrintRecItem(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity, int32_t aVatInfo,
                       ovCurrency aUnitPrice, const std::u16string& aUnitName) override {
    return Method(L"PrintRecItem", {Text(aDescription), Money(aPrice), Long(aQuantity), Long(aVatInfo),
                                    Money(aUnitPrice), Text(aUnitName)});
  }
  int32_t PrintRecItemVoid(const std::u16string& aDescription, ovCurrency aPrice, int32_t aQuantity, int32_t aVatInfo,
                           ovCurrency aUnitPrice, const std::u16string& aUnitName) override {
    return Method(L"PrintRecItemVoid", {Text(aDescription), Money(aPrice), Long(aQuantity), Long(aVatInfo),
                                        Money(aUnitPrice), Text(aUnitName)});
  }
  int32_t PrintRecRefund(const std::u16string& aDescription, ovCurrency aAmount, int32_t aVatInfo) override {
    return Method(L"PrintRecRefund", {Text(aDescription), Money(aAmount), Long(aVatInfo)});
  }
  int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription, ovCurrency aAmount,
                                 int32_t aVatInfo) override {
    return Method(L"PrintRecItemAdjustment", {Long(aAdjustmentType), Text(aDescription), Money(aAmount), Long(aVatInfo)});
  }
  int32_t PrintRecSubtotal(ovCurrency aAmount) override { return Method(L"PrintRecSubtotal", {Money(aAmount)}); }
  int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::u16string& aDescription,
                                     ovCurrency aAmount) override {
    return Method(L"PrintRecSubtotalAdjustment", {Long(aAdjustmentType), Text(aDescription), Money(aAmount)});
  }
  int32_t PrintRecTotal(ovCurrency aTotal, ovCurrency aPayment, const std::u16string& aDescription) override {
    return Method(L"PrintRecTotal", {Money(aTotal), Money(aPayment), Text(aDescription)});
  }
  int32_t PrintRecNotPaid(const std::u16string& aDescription, ovCurrency aAmount) override {
    return Method(L"PrintRecNotPaid", {Text(aDescription), Money(aAmount)});
  }
  int32_t PrintRecMessage(const std::u16string& aMessage) override { return Method(L"PrintRecMessage", {Text(aMessage)}); }
  int32_t PrintRecTaxID(const std::u16string& aTaxId) override { return Method(L"PrintRecTaxID", {Text(aTaxId)}); }
  int32_t ResetPrinter() override { return Method(L"ResetPrinter", {}); }
  int32_t PrintXReport() override { return Method(L"PrintXReport", {}); }
  int32_t PrintZReport() override { return Method(L"PrintZReport", {}); }
  int32_t BeginTraining() override { return Method(L"BeginTraining", {}); }
  int32_t EndTraining() override { return Method(L"EndTraining", {}); }
  int32_t SetDate(const std::u16string& aDate) override { return Method(L"SetDate", {Text(aDate)}); }
  int32_t GetDate(std::u16string& aDate) override {
    BSTR date = nullptr;
    const int32_t result = Method(L"GetDate", {TextRef(&date)});
    aDate = Owned(date);
    return result;
  }
  int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::u16string& aData) override {
    LONG options = aOptArgs;
    BSTR data = nullptr;
    const int32_t result = Method(L"GetData", {Long(aDataItem), LongRef(&options), TextRef(&data)});
    aOptArgs = options;
    aData = Owned(data);
    return result;
  }
  int32_t DirectIO(int32_t aCommand, int32_t& aData, std::u16string& aString) override {
    LONG data = aData;
    BSTR text = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(aString.data()), UINT(aString.size()));
    const int32_t result = Method(L"DirectIO", {Long(aCommand), LongRef(&data), TextRef(&text)});
    aData = data;
    aString = Owned(text);
    return result;
  }

  bool DeviceEnabled() override { return GetLong(L"DeviceEnabled") != 0; }
  void SetDeviceEnabled(bool aValue) override { Put(L"DeviceEnabled", Boolean(aValue)); }
  int32_t ResultCodeExtended() override { return GetLong(L"ResultCodeExtended"); }
  std::u16string ErrorString() override { return GetText(L"ErrorString"); }
  bool CoverOpen() override { return GetLong(L"CoverOpen") != 0; }
  bool DayOpened() override { return GetLong(L"DayOpened") != 0; }
  bool RecEmpty() override { return GetLong(L"RecEmpty") != 0; }
  bool RecNearEnd() override { return GetLong(L"RecNearEnd") != 0; }
  bool TrainingModeActive() override { return GetLong(L"TrainingModeActive") != 0; }
  int32_t PrinterState() override { return GetLong(L"PrinterState"); }
  int32_t RemainingFiscalMemory() override { return GetLong(L"RemainingFiscalMemory"); }
  std::u16string AdditionalTrailer() override { return GetText(L"AdditionalTrailer"); }
  void SetAdditionalTrailer(const std::u16string& aValue) override { Put(L"AdditionalTrailer", Text(aValue)); }
  void SetPreLine(const std::u16string& aValue) override { Put(L"PreLine", Text(aValue)); }
  void SetFiscalReceiptType(int32_t aValue) override { Put(L"FiscalReceiptType", Long(aValue)); }

 private:
  // Arguments as plain VARIANTs; the BSTRs made here are freed after the call.
  static VARIANT Text(const std::u16string& aText) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(aText.data()), UINT(aText.size()));
    return value;
  }
  static VARIANT Long(int32_t aValue) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = aValue;
    return value;
  }
  static VARIANT Boolean(bool aValue) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = aValue ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
  }
  static VARIANT Money(ovCurrency aValue) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_CY;
    value.cyVal.int64 = aValue.Ticks;  // both count ten-thousandths
    return value;
  }
  static VARIANT LongRef(LONG* aValue) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BYREF | VT_I4;
    value.plVal = aValue;
    return value;
  }
  static VARIANT TextRef(BSTR* aValue) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BYREF | VT_BSTR;
    value.pbstrVal = aValue;
    return value;
  }
  static std::u16string Owned(BSTR aText) {
    std::u16string text;
    if (aText != nullptr) text.assign(reinterpret_cast<const char16_t*>(aText), SysStringLen(aText));
    SysFreeString(aText);
    return text;
  }

  DISPID Id(const wchar_t* aName) {
    const auto found = fIds.find(aName);
    if (found != fIds.end()) return found->second;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(aName);
    const HRESULT result = fDispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) {
      const std::wstring wide(aName);
      throw tOV_Exception(std::u16string(wide.begin(), wide.end()) + u": " + HresultText(result));
    }
    fIds.emplace(aName, id);
    return id;
  }

  // One call; aArguments in the order of the member's parameters.
  VARIANT Invoke(const wchar_t* aName, WORD aFlags, std::vector<VARIANT> aArguments) {
    std::vector<VARIANT> reversed(aArguments.rbegin(), aArguments.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (aFlags == DISPATCH_PROPERTYPUT) {
      parameters.rgdispidNamedArgs = &named;
      parameters.cNamedArgs = 1;
    }
    VARIANT answer;
    VariantInit(&answer);
    EXCEPINFO exception = {};
    UINT wrongArgument = 0;
    const HRESULT result = fDispatch->Invoke(Id(aName), IID_NULL, LOCALE_USER_DEFAULT, aFlags, &parameters,
                                             aFlags == DISPATCH_PROPERTYPUT ? nullptr : &answer, &exception,
                                             &wrongArgument);
    for (VARIANT& argument : aArguments) {
      if (argument.vt == VT_BSTR) SysFreeString(argument.bstrVal);
    }
    if (FAILED(result)) {
      std::u16string text;
      if (result == DISP_E_EXCEPTION && exception.bstrDescription != nullptr) {
        text = Owned(exception.bstrDescription);
        exception.bstrDescription = nullptr;
      } else {
        text = HresultText(result);
      }
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrHelpFile);
      SysFreeString(exception.bstrDescription);
      const std::wstring wide(aName);
      throw tOV_Exception(std::u16string(wide.begin(), wide.end()) + u": " + text);
    }
    return answer;
  }

  int32_t Method(const wchar_t* aName, std::vector<VARIANT> aArguments) {
    VARIANT answer = Invoke(aName, DISPATCH_METHOD, std::move(aArguments));
    return ToLong(answer);
  }

  int32_t GetLong(const wchar_t* aName) {
    VARIANT answer = Invoke(aName, DISPATCH_PROPERTYGET, {});
    return ToLong(answer);
  }

  std::u16string GetText(const wchar_t* aName) {
    VARIANT answer = Invoke(aName, DISPATCH_PROPERTYGET, {});
    if (FAILED(VariantChangeType(&answer, &answer, 0, VT_BSTR))) {
      VariantClear(&answer);
      return {};
    }
    return Owned(answer.bstrVal);
  }

  void Put(const wchar_t* aName, VARIANT aValue) { Invoke(aName, DISPATCH_PROPERTYPUT, {aValue}); }

  static int32_t ToLong(VARIANT& aAnswer) {
    int32_t value = 0;
    if (SUCCEEDED(VariantChangeType(&aAnswer, &aAnswer, 0, VT_I4))) value = aAnswer.lVal;
    VariantClear(&aAnswer);
    return value;
  }

  IDispatch* fDispatch = nullptr;
  bool fUninitialize = false;
  std::map<std::wstring, DISPID> fIds;
};

}  // namespace

std::unique_ptr<ovFiscalPrinterControl> CreateFiscalPrinterControl(const std::u16string& aComponent) {
  return std::make_unique<AutomationControl>(aComponent);
}

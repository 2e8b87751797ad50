// The exported functions. Each keeps a private copy of its input, clears the
// out-variables without releasing what they held (the host owns those), runs
// its wrapper and hands back fresh strings. No exception crosses the export.
#include "app/uOV_Base.h"
#include "entry/uOVPaymentWrapper.h"
#include "platform/ovBstr.h"
#include "platform/ovExport.h"

namespace {

void ClearOutputs(BSTR* aOutput, BSTR* aErrorMessage) {
  if (aOutput != nullptr) *aOutput = nullptr;
  if (aErrorMessage != nullptr) *aErrorMessage = nullptr;
}

void LogUnreportedError(const char16_t* aOperation, std::exception_ptr aError) {
  if (tOV_Application* application = Application()) {
    application->Log(let_error, std::u16string(aOperation) + u": " + ExceptionMessage(aError));
  }
}

template <typename Wrapper>
int16_t RunOperation(const char16_t* aName, BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  const std::u16string request = BstrToText(aXml);
  ClearOutputs(aOutput, aErrorMessage);
  std::u16string output;
  std::u16string message;
  int16_t result = -1;
  try {
    Wrapper wrapper;
    try {
      wrapper.Process(request);
    } catch (...) {
      // Only CLOSE lets errors out of Process; its result keeps the
      // defaults, so the message would otherwise be lost.
      LogUnreportedError(aName, std::current_exception());
    }
    wrapper.Format(output, message, result);
  } catch (...) {
    LogUnreportedError(aName, std::current_exception());
    result = -1;
  }
  if (aOutput != nullptr) *aOutput = TextToBstr(output);
  if (aErrorMessage != nullptr) *aErrorMessage = TextToBstr(message);
  return result;
}

}  // namespace

OV_EXPORT int16_t OV_STDCALL PAY(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_PAY>(u"PAY", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL REPRINT(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_REPRINT>(u"REPRINT", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL OPEN(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_OPEN>(u"OPEN", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL CLOSE(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_CLOSE>(u"CLOSE", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL GETSTATUS(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_GETSTATUS>(u"GETSTATUS", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL DAYCLOSE(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_DAYCLOSE>(u"DAYCLOSE", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL GETTOTALS(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_GETTOTALS>(u"GETTOTALS", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL VERIFYTRAN(BSTR aXml, BSTR* aOutput, BSTR* aErrorMessage) {
  return RunOperation<kPaymentWrapper_VERIFYTRAN>(u"VERIFYTRAN", aXml, aOutput, aErrorMessage);
}

OV_EXPORT int16_t OV_STDCALL VERSION(BSTR aDriverName, BSTR* aVersionText, BSTR* aErrorMessage) {
  const std::u16string driverName = BstrToText(aDriverName);
  ClearOutputs(aVersionText, aErrorMessage);
  try {
    const ovPaymentTables* tables = PaymentTables();
    if (tables != nullptr && tables->IsRegistered(driverName) && aVersionText != nullptr) {
      *aVersionText = TextToBstr(kPaymentDevice::GetDriverVersion());
    }
  } catch (...) {
    LogUnreportedError(u"VERSION", std::current_exception());
  }
  return 0;
}

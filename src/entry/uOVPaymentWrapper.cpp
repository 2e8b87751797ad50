#include "entry/uOVPaymentWrapper.h"

#include <new>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

std::u16string ExceptionMessage(std::exception_ptr aError) {
  try {
    std::rethrow_exception(aError);
  } catch (const tOV_Exception& error) {
    return error.Message();
  } catch (const std::bad_alloc&) {
    return u"Out of memory";
  } catch (const std::exception& error) {
    return Utf8ToUtf16(error.what());
  } catch (...) {
    return u"Unknown error";
  }
}

std::shared_ptr<kPaymentDevice> kPaymentWrapper::GetDevice(bool aCreate) {
  ovPaymentTables* tables = PaymentTables();
  if (tables == nullptr) throw tOV_Exception(u"Payment driver library is not initialised");
  return tables->GetDevice(*fHandler, aCreate);
}

void kPaymentWrapper_OPEN::Process(const std::u16string& aXml) {
  ResetResult();
  try {
    fHandler->Deserialize(aXml, {dt_Open});
    const auto device = GetDevice(true);
    fResult.Handle = device->Handle();
    fResult.Error = false;
  } catch (...) {
    fResult.Error = true;
    fResult.ErrorText = ExceptionMessage(std::current_exception());
  }
}

void kPaymentWrapper_CLOSE::Process(const std::u16string& aXml) {
  ResetResult();
  fHandler->Deserialize(aXml, {});
  const auto device = GetDevice(false);
  // A CLOSE of the same handle on another thread may have come first.
  if (!PaymentTables()->Remove(device->Handle())) throw tOV_Exception(u"Device Handle not found");
  fResult.Error = false;
}

void kPaymentWrapper_GETSTATUS::Process(const std::u16string&) {
  ResetResult();
  fResult.Error = false;
}

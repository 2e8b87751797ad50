// One wrapper per exported operation. An export creates the wrapper, runs
// Process on the request text and Format on the outcome, and releases it.
// Every Process begins with ResetResult, so a wrapper whose processing stops
// early reports the defaults with Error true.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "entry/uOVDeviceTable.h"
#include "entry/uOVResultFormat.h"
#include "payment/uOvPaymentHandler.h"

class kPaymentWrapper {
 public:
  kPaymentWrapper() : fHandler(std::make_unique<kPaymentHandler>()) {}
  virtual ~kPaymentWrapper() = default;
  kPaymentWrapper(const kPaymentWrapper&) = delete;
  kPaymentWrapper& operator=(const kPaymentWrapper&) = delete;

  virtual void ResetResult() = 0;
  // The fragment, the error text (unescaped) and -1 / 0.
  virtual void Format(std::u16string& aOutput, std::u16string& aErrorMessage, int16_t& aResult) const = 0;
  virtual void Process(const std::u16string& aXml) = 0;

 protected:
  std::shared_ptr<kPaymentDevice> GetDevice(bool aCreate);

  std::unique_ptr<kPaymentHandler> fHandler;
};

// The part every wrapper shares: its result record, its defaults and its output.
template <typename Record>
class kPaymentWrapperOf : public kPaymentWrapper {
 public:
  void ResetResult() override { fResult = Record::Defaults(); }
  void Format(std::u16string& aOutput, std::u16string& aErrorMessage, int16_t& aResult) const override {
    aOutput = FormatResult(fResult);
    aErrorMessage = fResult.ErrorText;
    aResult = fResult.Error ? -1 : 0;
  }

 protected:
  Record fResult;
};

// PAY, REPRINT, DAYCLOSE, GETTOTALS and VERIFYTRAN: parse, find or open the
// device, run its operation on a fresh record, and take that record; any
// error leaves the defaults with the error's message.
template <typename Record>
class kDeviceOperationWrapper : public kPaymentWrapperOf<Record> {
 public:
  using Operation = void (kPaymentDevice::*)(const kPaymentHandler&, Record&);

  kDeviceOperationWrapper(ovPaymentHandlerDocumentType aDocumentType, Operation aOperation)
      : fDocumentType(aDocumentType), fOperation(aOperation) {}

  void Process(const std::u16string& aXml) override;

 private:
  ovPaymentHandlerDocumentType fDocumentType;
  Operation fOperation;
};

class kPaymentWrapper_PAY final : public kDeviceOperationWrapper<_int_PAY_result> {
 public:
  kPaymentWrapper_PAY() : kDeviceOperationWrapper(dt_Pay, &kPaymentDevice::Pub_Pay) {}
};

class kPaymentWrapper_REPRINT final : public kDeviceOperationWrapper<_int_REPRINT_result> {
 public:
  kPaymentWrapper_REPRINT() : kDeviceOperationWrapper(dt_PayReprint, &kPaymentDevice::Pub_Reprint) {}
};

class kPaymentWrapper_DAYCLOSE final : public kDeviceOperationWrapper<_int_DAYCLOSE_result> {
 public:
  kPaymentWrapper_DAYCLOSE() : kDeviceOperationWrapper(dt_DayClose, &kPaymentDevice::Pub_DayClose) {}
};

class kPaymentWrapper_GETTOTALS final : public kDeviceOperationWrapper<_int_GETTOTALS_result> {
 public:
  kPaymentWrapper_GETTOTALS() : kDeviceOperationWrapper(dt_GetTotals, &kPaymentDevice::Pub_GetTotals) {}
};

class kPaymentWrapper_VERIFYTRAN final : public kDeviceOperationWrapper<_int_PAY_result> {
 public:
  kPaymentWrapper_VERIFYTRAN() : kDeviceOperationWrapper(dt_VerifyTran, &kPaymentDevice::Pub_VerifyTran) {}
};

class kPaymentWrapper_OPEN final : public kPaymentWrapperOf<_int_OPEN_result> {
 public:
  void Process(const std::u16string& aXml) override;
};

// CLOSE does not absorb its errors: they leave Process, and the export
// reports the defaults (Error true, no text) and logs the message.
class kPaymentWrapper_CLOSE final : public kPaymentWrapperOf<_int_CLOSE_result> {
 public:
  void Process(const std::u16string& aXml) override;
};

// Needs neither request nor device.
class kPaymentWrapper_GETSTATUS final : public kPaymentWrapperOf<_int_GETSTATUS_result> {
 public:
  void Process(const std::u16string& aXml) override;
};

// The message of any exception, for the result's error text.
std::u16string ExceptionMessage(std::exception_ptr aError);

template <typename Record>
void kDeviceOperationWrapper<Record>::Process(const std::u16string& aXml) {
  this->ResetResult();
  try {
    Record result;
    this->fHandler->Deserialize(aXml, {fDocumentType});
    const auto device = this->GetDevice(true);
    {
      std::lock_guard guard(device->OperationLock());
      ((*device).*fOperation)(*this->fHandler, result);
    }
    this->fResult = std::move(result);
  } catch (...) {
    this->fResult.ErrorText = ExceptionMessage(std::current_exception());
  }
}

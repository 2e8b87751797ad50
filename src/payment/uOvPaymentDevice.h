// The abstract payment device: one open payment terminal. The base builds the
// device's I/O handler and log from the request that opened it, clears the
// handler's error state and writes a banner per operation, stamps each result
// with the log file name and the time, routes the operation to the driver,
// and copies a transport error recorded during the operation into the result.
// Drivers override the eight operations.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "payment/uOVPaymentDefs.h"
#include "payment/uOvPaymentHandler.h"

class kIOHandler;

class kPaymentDevice {
 public:
  // Builds the I/O handler (log folder LogFiles/Payment beside the host
  // program) and sets its version; a failure fails the construction.
  explicit kPaymentDevice(const kPaymentHandler& aHandler);
  virtual ~kPaymentDevice();
  kPaymentDevice(const kPaymentDevice&) = delete;
  kPaymentDevice& operator=(const kPaymentDevice&) = delete;

  // The results are built in the caller's record, which arrives with every
  // field zero, empty or false.
  void Pub_Pay(const kPaymentHandler& aHandler, _int_PAY_result& aResult);
  void Pub_Reprint(const kPaymentHandler& aHandler, _int_REPRINT_result& aResult);
  void Pub_DayClose(const kPaymentHandler& aHandler, _int_DAYCLOSE_result& aResult);
  void Pub_GetTotals(const kPaymentHandler& aHandler, _int_GETTOTALS_result& aResult);
  void Pub_VerifyTran(const kPaymentHandler& aHandler, _int_PAY_result& aResult);

  // "Version " + version + " - " + release date, from the application information.
  static std::u16string GetDriverVersion();

  int32_t Handle() const { return fHandle; }
  void SetHandle(int32_t aHandle) { fHandle = aHandle; }
  kIOHandler& IOHandler() { return *fIOHandler; }
  // Operations on one device run one at a time; callers hold this around them.
  std::mutex& OperationLock() { return fOperationLock; }

  static std::u16string LogFolder();

 protected:
  virtual bool Pay(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) = 0;
  virtual bool Refund(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) = 0;
  virtual bool Void(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) = 0;
  virtual bool Reprint(const kPaymentReceipt& aReceipt, _int_REPRINT_result& aResult) = 0;
  virtual bool DayClose(const kPaymentDayClose& aDayClose, _int_DAYCLOSE_result& aResult) = 0;
  virtual bool GetTotals(const kPaymentTotals& aTotals, _int_GETTOTALS_result& aResult) = 0;
  virtual bool GetStatus() = 0;
  virtual bool VerifyTran(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) = 0;

 private:
  void StartOperation();
  void Banner(const std::u16string& aLine);
  // What every payment and verification result carries before the driver runs.
  void StampPayment(_int_PAY_result& aResult);
  template <typename Record>
  void CopyTransportError(Record& aResult);

  int32_t fHandle = 0;
  std::unique_ptr<kIOHandler> fIOHandler;
  std::mutex fOperationLock;
};

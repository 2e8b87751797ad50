// A payment driver and a host folder for the framework's tests.
//
// kTestPaymentDevice talks to nothing. Every slot writes "slot <name>" to the
// device log, keeps the record as it arrived, marks the record with its name
// (AuthCode, ReceiptText or DeviceId) and then does what the document's
// Reference asks: "raise" raises "<name> failed"; "decline" sets Error with
// "Declined by <name>"; "transport" records kTransportError in the I/O handler
// and writes a text of its own, which the frame has to replace. A parameter
// "Fail" in the opening request makes the constructor raise with its value,
// after the base has built the I/O handler and its log.
//
// TestHost puts the host program into a temporary folder (so the device logs
// land in <folder>/LogFiles/Payment), fixes the clock at kLogTestTime and
// creates the application object, as loading the library does.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/uOV_Base.h"
#include "base/uOV_Exception.h"
#include "io/LogLines.h"
#include "io/uOVIOHandler.h"
#include "payment/uOvPaymentDevice.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "support/TempFolder.h"
#include "support/WaitFor.h"

inline const std::u16string kTestDriverName = u"OVPA_TEST_DRIVER";
inline const std::u16string kTransportError = u"Socket Error # 10061\r\nConnection refused.";

class kTestPaymentDevice final : public kPaymentDevice {
 public:
  explicit kTestPaymentDevice(const kPaymentHandler& aHandler) : kPaymentDevice(aHandler) {
    const std::u16string failure = aHandler.GetParameter(u"Fail");
    if (!failure.empty()) throw tOV_Exception(failure);
  }

  static std::unique_ptr<kPaymentDevice> Construct(const kPaymentHandler& aHandler) {
    return std::make_unique<kTestPaymentDevice>(aHandler);
  }

  // Calls that reached a slot while another call was inside the device.
  std::atomic<int> Overlaps{0};
  // The slots reached, in call order.
  std::vector<std::u16string> Slots;
  // The records as the slots received them.
  _int_PAY_result ReceivedPayment;
  _int_REPRINT_result ReceivedReprint;
  _int_DAYCLOSE_result ReceivedDayClose;
  _int_GETTOTALS_result ReceivedTotals;

 protected:
  bool Pay(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override {
    return Perform(u"Pay", aReceipt.Reference, aResult, ReceivedPayment);
  }
  bool Refund(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override {
    return Perform(u"Refund", aReceipt.Reference, aResult, ReceivedPayment);
  }
  bool Void(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override {
    return Perform(u"Void", aReceipt.Reference, aResult, ReceivedPayment);
  }
  bool Reprint(const kPaymentReceipt& aReceipt, _int_REPRINT_result& aResult) override {
    return Perform(u"Reprint", aReceipt.Reference, aResult, ReceivedReprint);
  }
  bool DayClose(const kPaymentDayClose& aDayClose, _int_DAYCLOSE_result& aResult) override {
    return Perform(u"DayClose", aDayClose.Reference, aResult, ReceivedDayClose);
  }
  bool GetTotals(const kPaymentTotals& aTotals, _int_GETTOTALS_result& aResult) override {
    return Perform(u"GetTotals", aTotals.Reference, aResult, ReceivedTotals);
  }
  bool GetStatus() override { return false; }
  bool VerifyTran(const kPaymentReceipt& aReceipt, _int_PAY_result& aResult) override {
    return Perform(u"VerifyTran", aReceipt.Reference, aResult, ReceivedPayment);
  }

 private:
  static void Mark(_int_PAY_result& aResult, const std::u16string& aSlot) { aResult.AuthCode = aSlot; }
  static void Mark(_int_REPRINT_result& aResult, const std::u16string& aSlot) { aResult.ReceiptText = aSlot; }
  static void Mark(_int_DAYCLOSE_result& aResult, const std::u16string& aSlot) { aResult.DeviceId = aSlot; }
  static void Mark(_int_GETTOTALS_result& aResult, const std::u16string& aSlot) { aResult.DeviceId = aSlot; }

  template <typename Record>
  bool Perform(const std::u16string& aSlot, const std::u16string& aReference, Record& aResult, Record& aReceived) {
    // A call that finds another one inside the device counts as an overlap;
    // the yields give a second call the chance to come in.
    if (fInside.fetch_add(1) != 0) ++Overlaps;
    const Leave leave{fInside};
    for (int i = 0; i < 20; ++i) std::this_thread::yield();
    aReceived = aResult;
    Slots.push_back(aSlot);
    IOHandler().Debug(let_info, u"slot " + aSlot);
    Mark(aResult, aSlot);
    if (aReference == u"raise") throw tOV_Exception(aSlot + u" failed");
    if (aReference == u"decline") {
      aResult.Error = true;
      aResult.ErrorText = u"Declined by " + aSlot;
      return false;
    }
    if (aReference == u"transport") {
      IOHandler().SetCustomError(10061, kTransportError);
      aResult.ErrorText = u"the driver's own text";
      return false;
    }
    return true;
  }

  struct Leave {
    std::atomic<int>& inside;
    ~Leave() { --inside; }
  };
  std::atomic<int> fInside{0};
};

class TestHost : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockForTesting([] { return kLogTestTime; });
    SetHostExecutablePathForTesting(Utf8ToUtf16((fFolder.Path() / "Pos").string()));
    CreateApplication();
  }
  void TearDown() override {
    DestroyApplication();
    SetHostExecutablePathForTesting(u"");
    SetClockForTesting(nullptr);
  }

  // Where a device opened with this log identity writes (the clock's day).
  std::filesystem::path DeviceLog(const std::u16string& aLogId) const {
    return PaymentFolder() / (Utf16ToUtf8(kTestDriverName + u"_" + aLogId) + "_20240315.log");
  }
  std::filesystem::path PaymentFolder() const { return fFolder.Path() / "LogFiles" / "Payment"; }
  std::filesystem::path ApplicationLog() const { return fFolder.Path() / "LogFiles" / "Pos.log"; }

  // Waits until the log holds at least aCount whole lines, then answers its messages.
  static std::vector<std::string> WaitForMessages(const std::filesystem::path& aLog, size_t aCount) {
    WaitFor([&] {
      const std::string content = ReadWholeFile(aLog);
      return content.ends_with("\r\n") && LogMessages(aLog).size() >= aCount;
    });
    return LogMessages(aLog);
  }

  TempFolder fFolder;
};

// An envelope for the test driver over an HTTP connection to a loopback
// address (the test driver never connects); aHandle 0 writes no Handle.
inline std::u16string TestRequest(const std::u16string& aLogId, int aHandle = 0,
                                  const std::u16string& aDocument = u"", const std::u16string& aParameters = u"") {
  std::u16string request = u"<?xml version=\"1.0\" encoding=\"utf-8\"?><ReceiptPrinterManager Version=\"1.0\">"
                           u"<Type>Payment</Type><Driver>" + kTestDriverName + u"</Driver>";
  if (aHandle != 0) request += u"<Handle>" + Utf8ToUtf16(std::to_string(aHandle)) + u"</Handle>";
  request += u"<LogId>" + aLogId + u"</LogId><Connection><Type>HTTP</Type><URL>http://127.0.0.1:9/</URL></Connection>";
  request += u"<Parameters>" + aParameters + u"</Parameters>" + aDocument + u"</ReceiptPrinterManager>";
  return request;
}

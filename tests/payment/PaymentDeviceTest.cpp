// The frame kPaymentDevice puts around every public operation: banner line,
// stamps, routing to the driver's slot, and the copy of a recorded transport
// error, seen through the test driver and the device's log file.
#include <gtest/gtest.h>

#include "base/uOV_DateTime.h"
#include "payment/TestPaymentDevice.h"
#include "support/FailureOf.h"

namespace {

const std::string kLongRule(60, '-');
const std::string kShortRule(55, '-');

// What an operation left in its result record, whatever the record's type.
struct Outcome {
  std::u16string mark;  // the slot that filled the record
  std::u16string logFileName;
  ovDateTime time = 0;  // PaymentDateTime, ClosureDateTime or DateTime
  bool error = false;
  std::u16string errorText;
};

Outcome RunPay(kPaymentDevice& aDevice, const kPaymentHandler& aHandler) {
  _int_PAY_result r;
  aDevice.Pub_Pay(aHandler, r);
  return {r.AuthCode, r.LogFileName, r.PaymentDateTime, r.Error, r.ErrorText};
}
Outcome RunVerifyTran(kPaymentDevice& aDevice, const kPaymentHandler& aHandler) {
  _int_PAY_result r;
  aDevice.Pub_VerifyTran(aHandler, r);
  return {r.AuthCode, r.LogFileName, r.PaymentDateTime, r.Error, r.ErrorText};
}
Outcome RunDayClose(kPaymentDevice& aDevice, const kPaymentHandler& aHandler) {
  _int_DAYCLOSE_result r;
  aDevice.Pub_DayClose(aHandler, r);
  return {r.DeviceId, r.LogFileName, r.ClosureDateTime, r.Error, r.ErrorText};
}
Outcome RunGetTotals(kPaymentDevice& aDevice, const kPaymentHandler& aHandler) {
  _int_GETTOTALS_result r;
  aDevice.Pub_GetTotals(aHandler, r);
  return {r.DeviceId, r.LogFileName, r.DateTime, r.Error, r.ErrorText};
}
Outcome RunReprint(kPaymentDevice& aDevice, const kPaymentHandler& aHandler) {
  _int_REPRINT_result r;
  aDevice.Pub_Reprint(aHandler, r);
  return {r.ReceiptText, r.LogFileName, 0, r.Error, r.ErrorText};
}

struct Operation {
  const char* name;
  ovPaymentHandlerDocumentType documentType;
  std::u16string element;
  std::u16string action;  // empty: no Action element
  Outcome (*run)(kPaymentDevice&, const kPaymentHandler&);
  std::string banner;  // empty: the operation writes none
  std::u16string slot;
};

const Operation kOperations[] = {
    {"Pay", dt_Pay, u"Payment", u"PAY", RunPay, kLongRule + " Pay", u"Pay"},
    {"Refund", dt_Pay, u"Payment", u"REFUND", RunPay, kLongRule + " Pay", u"Refund"},
    {"Void", dt_Pay, u"Payment", u"VOID", RunPay, kLongRule + " Pay", u"Void"},
    {"PayWithoutAction", dt_Pay, u"Payment", u"", RunPay, kLongRule + " Pay", u"Pay"},
    {"VerifyTran", dt_VerifyTran, u"VerifyTran", u"", RunVerifyTran, kLongRule + " VerifyTran", u"VerifyTran"},
    {"DayClose", dt_DayClose, u"DayClose", u"", RunDayClose, kShortRule + " DayClose", u"DayClose"},
    {"GetTotals", dt_GetTotals, u"GetTotals", u"", RunGetTotals, kShortRule + " GetTotals", u"GetTotals"},
    {"Reprint", dt_PayReprint, u"Reprint", u"", RunReprint, "", u"Reprint"},
};

class PaymentDeviceTest : public TestHost {
 protected:
  std::unique_ptr<kTestPaymentDevice> Open(const std::u16string& aLogId, const std::u16string& aParameters = u"") {
    kPaymentHandler handler;
    handler.Deserialize(TestRequest(aLogId, 0, u"", aParameters), {dt_Open});
    return std::make_unique<kTestPaymentDevice>(handler);
  }

  // The operation's document with this Reference, parsed as the wrapper would.
  static std::unique_ptr<kPaymentHandler> Request(const Operation& aOperation, const std::u16string& aReference) {
    std::u16string document = u"<" + aOperation.element + u"><Reference>" + aReference + u"</Reference>";
    if (!aOperation.action.empty()) document += u"<Action>" + aOperation.action + u"</Action>";
    document += u"</" + aOperation.element + u">";
    auto handler = std::make_unique<kPaymentHandler>();
    handler->Deserialize(TestRequest(u"ignored", 1, document), {aOperation.documentType});
    return handler;
  }

  // The device log after one call of the operation: its banner, if any, then the slot.
  static std::vector<std::string> ExpectedLog(const Operation& aOperation) {
    std::vector<std::string> messages = {kStartBanner};
    if (!aOperation.banner.empty()) messages.push_back(aOperation.banner);
    messages.push_back("slot " + Utf16ToUtf8(aOperation.slot));
    return messages;
  }

  static ovDateTime ClockNow() {
    ovDateTime now = 0;
    EXPECT_TRUE(TryEncodeDateTime(kLogTestTime, now));
    return now;
  }
};

TEST_F(PaymentDeviceTest, BannerThenOnlyTheRoutedSlot) {
  int logId = 0;
  for (const Operation& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const std::u16string id = Utf8ToUtf16(std::to_string(++logId));
    auto device = Open(id);
    operation.run(*device, *Request(operation, u""));

    EXPECT_EQ(device->Slots, std::vector<std::u16string>{operation.slot});
    // Lines are written in call order: once the slot's line is there, any
    // banner would stand before it.
    const auto expected = ExpectedLog(operation);
    EXPECT_EQ(WaitForMessages(DeviceLog(id), expected.size()), expected);
  }
}

TEST_F(PaymentDeviceTest, StampsReachTheDriverAndTheResult) {
  int logId = 0;
  for (const Operation& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const std::u16string id = Utf8ToUtf16(std::to_string(++logId));
    auto device = Open(id);
    const Outcome outcome = operation.run(*device, *Request(operation, u""));

    const bool stamped = !operation.banner.empty();
    const std::u16string logFileName = stamped ? Utf8ToUtf16(DeviceLog(id).string()) : u"";
    EXPECT_EQ(outcome.mark, operation.slot);
    EXPECT_EQ(outcome.logFileName, logFileName);
    EXPECT_EQ(outcome.time, stamped ? ClockNow() : 0);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.errorText, u"");
    // The driver already finds the stamps when it runs.
    if (operation.run == RunPay || operation.run == RunVerifyTran) {
      EXPECT_EQ(device->ReceivedPayment.LogFileName, logFileName);
      EXPECT_EQ(device->ReceivedPayment.PaymentDateTime, ClockNow());
      EXPECT_EQ(device->ReceivedPayment.TransactionType, ptt_Other);
      EXPECT_EQ(device->ReceivedPayment.PaymentNetwork, Other);
      EXPECT_FALSE(device->ReceivedPayment.Error);
      EXPECT_EQ(device->ReceivedPayment.AuthCode, u"");
    } else if (operation.run == RunDayClose) {
      EXPECT_EQ(device->ReceivedDayClose.LogFileName, logFileName);
      EXPECT_EQ(device->ReceivedDayClose.ClosureDateTime, ClockNow());
    } else if (operation.run == RunGetTotals) {
      EXPECT_EQ(device->ReceivedTotals.LogFileName, logFileName);
      EXPECT_EQ(device->ReceivedTotals.DateTime, ClockNow());
    } else {
      EXPECT_EQ(device->ReceivedReprint.LogFileName, u"");
    }
  }
}

TEST_F(PaymentDeviceTest, PaymentResultsKeepTheDefaultsTheDriverLeaves) {
  auto device = Open(u"defaults");
  _int_PAY_result result;
  device->Pub_Pay(*Request(kOperations[0], u""), result);
  EXPECT_EQ(result.TransactionType, ptt_Other);
  EXPECT_EQ(result.PaymentNetwork, Other);
}

TEST_F(PaymentDeviceTest, RecordedTransportErrorBecomesTheErrorText) {
  struct Case {
    std::u16string reference;
    bool error;
    std::u16string errorText;  // "*" stands for "Declined by " + the slot
  } cases[] = {
      {u"", false, u""},
      // The text replaces the driver's own; whether the result failed stays the driver's call.
      {u"transport", false, kTransportError},
      {u"decline", true, u"*"},
  };
  int logId = 0;
  for (const Operation& operation : kOperations) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(operation.name) + " / " + Utf16ToUtf8(c.reference));
      auto device = Open(Utf8ToUtf16(std::to_string(++logId)));
      const Outcome outcome = operation.run(*device, *Request(operation, c.reference));
      EXPECT_EQ(outcome.error, c.error);
      EXPECT_EQ(outcome.errorText, c.errorText == u"*" ? u"Declined by " + operation.slot : c.errorText);
      EXPECT_EQ(outcome.mark, operation.slot);
      // A failing driver still reports the log, where the frame stamps it.
      EXPECT_EQ(outcome.logFileName.empty(), operation.banner.empty());
    }
  }
}

TEST_F(PaymentDeviceTest, DriverErrorsLeaveTheFrameUnchanged) {
  int logId = 0;
  for (const Operation& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const std::u16string id = u"raise" + Utf8ToUtf16(std::to_string(++logId));
    auto device = Open(id);
    EXPECT_EQ(FailureOf([&] { operation.run(*device, *Request(operation, u"raise")); }), operation.slot + u" failed");
    const auto expected = ExpectedLog(operation);
    EXPECT_EQ(WaitForMessages(DeviceLog(id), expected.size()), expected);
  }
}

TEST_F(PaymentDeviceTest, ConstructionBuildsTheLogBesideTheHostProgram) {
  auto device = Open(u"7");
  EXPECT_EQ(device->IOHandler().GetLogFileName(), Utf8ToUtf16((fFolder.Path() / "LogFiles/Payment/OVPA_TEST_DRIVER_7_20240315.log").string()));
  EXPECT_EQ(device->IOHandler().Version(), u"Version 1.01 - 27/09/2024");
  EXPECT_EQ(kPaymentDevice::GetDriverVersion(), u"Version 1.01 - 27/09/2024");
  EXPECT_EQ(device->Handle(), 0);
  EXPECT_EQ(WaitForMessages(DeviceLog(u"7"), 1), std::vector<std::string>{kStartBanner});
}

TEST_F(PaymentDeviceTest, DestructionWritesTheStopBannerLast) {
  auto device = Open(u"stop");
  _int_PAY_result result;
  device->Pub_Pay(*Request(kOperations[0], u""), result);
  device.reset();
  // The log writer has drained when the device is gone: no waiting.
  const auto messages = LogMessages(DeviceLog(u"stop"));
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages.back(), kStopBanner);
}

TEST_F(PaymentDeviceTest, FailedConstructionReleasesTheLog) {
  EXPECT_EQ(FailureOf([&] { Open(u"broken", u"<Fail>Parameter TermId is missing</Fail>"); }),
            u"Parameter TermId is missing");
  // The base had opened the log; the failure closed it again.
  EXPECT_EQ(LogMessages(DeviceLog(u"broken")), (std::vector<std::string>{kStartBanner, kStopBanner}));
}

}  // namespace

// Devices through the exports: handles, implicit opening, the lookup
// messages, CLOSE and its unreported errors, VERSION and library unload.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "entry/DeviceTableHost.h"

namespace {

const std::u16string kClosed = u"<Error>False</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>";
const std::u16string kCloseDefaults = u"<Error>True</Error>\r\n<ErrorText></ErrorText>\r\n<LogFileName></LogFileName>";

using DeviceLifecycle = DeviceTableHost;

TEST_F(DeviceLifecycle, HandlesCountUpAndAreNeverReused) {
  EXPECT_EQ(Open(u"a"), 1);
  EXPECT_EQ(Open(u"b"), 2);
  const Answer close = Close(1);
  EXPECT_EQ(close.result, 0);
  EXPECT_EQ(close.output, kClosed);
  EXPECT_TRUE(close.messageWasNull);
  EXPECT_EQ(Open(u"c"), 3);

  // Naming an open handle answers that device and creates nothing.
  const Answer again = Call(OPEN, TestRequest(u"d", 2));
  EXPECT_EQ(again.result, 0);
  EXPECT_EQ(again.output.substr(0, 40), u"<Handle>2</Handle>\r\n<Error>False</Error>");
  EXPECT_EQ(LastHandle(), 3);
  EXPECT_FALSE(std::filesystem::exists(DeviceLog(u"d")));
}

TEST_F(DeviceLifecycle, FailedConstructionLeavesNoDeviceAndNoCounterStep) {
  EXPECT_EQ(Open(u"a"), 1);
  const std::u16string failing = u"<Fail>Parameter TermId is missing</Fail>";
  const Answer open = Call(OPEN, TestRequest(u"broken", 0, u"", failing));
  EXPECT_EQ(open.result, -1);
  EXPECT_EQ(open.message, u"Parameter TermId is missing");
  EXPECT_EQ(open.output, u"<Handle>0</Handle>\r\n<Error>True</Error>\r\n<ErrorText>Parameter TermId is missing</ErrorText>"
                         u"\r\n<LogFileName></LogFileName>");
  const Answer pay = Call(PAY, TestRequest(u"broken", 0, u"<Payment/>", failing));
  EXPECT_EQ(pay.result, -1);
  EXPECT_EQ(pay.message, u"Parameter TermId is missing");
  EXPECT_EQ(LastHandle(), 1);
  // Both attempts opened the log and released it again.
  EXPECT_EQ(LogMessages(DeviceLog(u"broken")),
            (std::vector<std::string>{kStartBanner, kStopBanner, kStartBanner, kStopBanner}));
  EXPECT_EQ(Open(u"b"), 2);
}

TEST_F(DeviceLifecycle, LookupFailuresReachTheHost) {
  struct Case {
    const char* name;
    OvpaOperation operation;
    std::u16string request;
    std::u16string message;
  } cases[] = {
      {"driver in other letter case", OPEN, u"<R><Driver>ovpa_test_driver</Driver></R>",
       u"Payment Driver [ovpa_test_driver] not registered."},
      {"unknown driver, implicit open", PAY, u"<R><Driver>OVPA_DOVAVAREZU_10</Driver><Payment/></R>",
       u"Payment Driver [OVPA_DOVAVAREZU_10] not registered."},
      {"no driver", DAYCLOSE, u"<R><DayClose/></R>", u"Payment Driver [] not registered."},
      {"unknown handle, OPEN", OPEN, TestRequest(u"x", 77), u"Device Handle not found"},
      {"unknown handle, PAY", PAY, TestRequest(u"x", 77, u"<Payment/>"), u"Device Handle not found"},
      {"unknown handle, REPRINT", REPRINT, TestRequest(u"x", 77, u"<Reprint/>"), u"Device Handle not found"},
      {"unknown handle, GETTOTALS", GETTOTALS, TestRequest(u"x", 77, u"<GetTotals/>"), u"Device Handle not found"},
      {"unknown handle, VERIFYTRAN", VERIFYTRAN, TestRequest(u"x", 77, u"<VerifyTran/>"), u"Device Handle not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer = Call(c.operation, c.request);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.message, c.message);
    EXPECT_TRUE(answer.Contains(u"<Error>True</Error>\r\n<ErrorText>" + c.message + u"</ErrorText>\r\n<LogFileName></LogFileName>"));
  }
  EXPECT_EQ(LastHandle(), 0);
}

TEST_F(DeviceLifecycle, CloseReportsOnlyThatItFailedAndLogsWhy) {
  ASSERT_EQ(Open(u"a"), 1);
  ASSERT_EQ(Close(1).result, 0);
  // Closing destroyed the device: its log has been written out.
  EXPECT_EQ(LogMessages(DeviceLog(u"a")).back(), kStopBanner);

  const std::u16string requests[] = {TestRequest(u"a", 1), TestRequest(u"a"), u"<R><Handle>x</Handle></R>", u"<R"};
  for (const std::u16string& request : requests) {
    const Answer answer = Call(CLOSE, request);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.output, kCloseDefaults);
    EXPECT_TRUE(answer.messageWasNull);
  }
  const auto logged = WaitForMessages(ApplicationLog(), 4);
  ASSERT_EQ(logged.size(), 4u);
  EXPECT_EQ(logged[0], "ERROR - CLOSE: Device Handle not found");
  EXPECT_EQ(logged[1], "ERROR - CLOSE: Payment Device has not previously opened");
  EXPECT_EQ(logged[2], "ERROR - CLOSE: Error in processing node Handle as integer.\r\n'x' is not a valid integer value");
  EXPECT_EQ(logged[3].rfind("ERROR - CLOSE: ", 0), 0u);  // the XML parser's own words
  EXPECT_GT(logged[3].size(), 15u);
  EXPECT_EQ(Application()->LastError().rfind(u"CLOSE: ", 0), 0u);
  EXPECT_EQ(LastHandle(), 1);
}

TEST_F(DeviceLifecycle, OperationsWithoutHandleOpenADeviceThatStays) {
  struct Case {
    const char* name;
    OvpaOperation operation;
    std::u16string document;
    std::u16string mark;  // what the test driver's slot writes into the fragment
  } cases[] = {
      {"PAY", PAY, u"<Payment/>", u"<AuthCode>Pay</AuthCode>"},
      {"REPRINT", REPRINT, u"<Reprint/>", u"<ReceiptText>Reprint</ReceiptText>"},
      {"DAYCLOSE", DAYCLOSE, u"<DayClose/>", u"<DeviceId>DayClose</DeviceId>"},
      {"GETTOTALS", GETTOTALS, u"<GetTotals/>", u"<DeviceId>GetTotals</DeviceId>"},
      {"VERIFYTRAN", VERIFYTRAN, u"<VerifyTran/>", u"<AuthCode>VerifyTran</AuthCode>"},
  };
  int handle = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string logId = Utf8ToUtf16(c.name);
    const Answer implicit = Call(c.operation, TestRequest(logId, 0, c.document));
    EXPECT_EQ(implicit.result, 0) << Utf16ToUtf8(implicit.message);
    EXPECT_TRUE(implicit.Contains(c.mark));
    EXPECT_FALSE(implicit.Contains(u"<Handle>"));  // the new handle is not reported
    EXPECT_EQ(LastHandle(), ++handle);
    // The device stays under the next handle and answers later calls.
    const Answer later = Call(c.operation, TestRequest(u"other", handle, c.document));
    EXPECT_EQ(later.result, 0);
    EXPECT_TRUE(later.Contains(c.mark));
    EXPECT_EQ(LastHandle(), handle);
  }
  EXPECT_EQ(Open(u"after"), handle + 1);
  EXPECT_FALSE(std::filesystem::exists(DeviceLog(u"other")));
}

TEST_F(DeviceLifecycle, LaterRequestsReachTheDeviceOnlyThroughTheirDocument) {
  ASSERT_EQ(Open(u"first"), 1);
  const Answer pay = Call(PAY, TestRequest(u"second", 1, u"<Payment/>", u"<Fail>not applied</Fail>"));
  EXPECT_EQ(pay.result, 0);
  EXPECT_TRUE(pay.Contains(u"<LogFileName>" + Utf8ToUtf16(DeviceLog(u"first").string()) + u"</LogFileName>"));
  EXPECT_FALSE(std::filesystem::exists(DeviceLog(u"second")));
}

TEST_F(DeviceLifecycle, DeviceOutcomesReachTheHost) {
  const std::u16string logFile = u"<LogFileName>" + Utf8ToUtf16(DeviceLog(u"pay").string()) + u"</LogFileName>";
  struct Case {
    std::u16string reference;
    int16_t result;
    std::u16string message;
    std::vector<std::u16string> fragments;  // parts of the output
  } cases[] = {
      // The error leaves the defaults: nothing of the driver's record.
      {u"raise", -1, u"Pay failed", {u"<AuthCode></AuthCode>", u"<LogFileName></LogFileName>"}},
      // A driver that fails without raising: its record, with the log file.
      {u"decline", -1, u"Declined by Pay", {u"<AuthCode>Pay</AuthCode>", logFile}},
      // A transport error supplies the text only; the driver said success.
      {u"transport", 0, kTransportError,
       {u"<Error>False</Error>\r\n<ErrorText>Socket Error # 10061\r\nConnection refused.</ErrorText>", logFile}},
  };
  ASSERT_EQ(Open(u"pay"), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.reference));
    const Answer answer = Call(PAY, TestRequest(u"pay", 1, u"<Payment><Reference>" + c.reference + u"</Reference></Payment>"));
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.message, c.message);
    for (const std::u16string& fragment : c.fragments) {
      EXPECT_TRUE(answer.Contains(fragment)) << Utf16ToUtf8(fragment) << " in " << Utf16ToUtf8(answer.output);
    }
  }
}

TEST_F(DeviceLifecycle, VersionAnswersForARegisteredClassOnly) {
  struct Case {
    std::u16string name;
    std::u16string text;
  } cases[] = {
      {kTestDriverName, u"Version 1.01 - 27/09/2024"},
      {kTestDriverName, u"Version 1.01 - 27/09/2024"},  // repeated: the same text
      {u"ovpa_test_driver", u""},
      {u" OVPA_TEST_DRIVER", u""},
      {u"OVPA_TEST_DRIVER ", u""},
      {TestRequest(u"v"), u""},
  };
  for (const Case& c : cases) {
    const Answer answer = Call(VERSION, c.name);
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.output, c.text);
    EXPECT_TRUE(answer.messageWasNull);
  }
  EXPECT_EQ(LastHandle(), 0);
  EXPECT_FALSE(std::filesystem::exists(PaymentFolder()));
}

TEST_F(DeviceLifecycle, UnloadDestroysEveryOpenDevice) {
  ASSERT_EQ(Open(u"one"), 1);
  ASSERT_EQ(Open(u"two"), 2);
  ASSERT_EQ(Call(PAY, TestRequest(u"three", 0, u"<Payment/>")).result, 0);
  ASSERT_EQ(Close(2).result, 0);

  FinalizePaymentTables();
  EXPECT_EQ(PaymentTables(), nullptr);
  // The devices are gone and their logs written out when unloading returns.
  for (const std::u16string id : {u"one", u"two", u"three"}) {
    const auto messages = LogMessages(DeviceLog(id));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), kStartBanner);
    EXPECT_EQ(messages.back(), kStopBanner);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), kStopBanner), 1);
  }
  EXPECT_EQ(Call(OPEN, TestRequest(u"late")).result, -1);
}

TEST_F(DeviceLifecycle, CloseAllKeepsTheCounter) {
  ASSERT_EQ(Open(u"one"), 1);
  ASSERT_EQ(Open(u"two"), 2);
  PaymentTables()->CloseAll();
  EXPECT_EQ(LogMessages(DeviceLog(u"two")).back(), kStopBanner);
  EXPECT_EQ(Close(1).result, -1);
  EXPECT_EQ(Open(u"three"), 3);
}

}  // namespace

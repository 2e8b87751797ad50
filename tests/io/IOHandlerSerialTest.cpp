#include "io/uOVIOHandler_Serial.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "io/LogLines.h"
#include "platform/ovRegional.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"
#include "support/TestSerialDevice.h"
#include "support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int32_t kReadTimeout = 300;
constexpr auto kSlack = 1500ms;
// START and the connect block: the base's five lines and the port's six.
constexpr size_t kLinesBeforeTrace = 12;

std::chrono::milliseconds Timed(const std::function<void()>& aAction) {
  const auto start = Clock::now();
  aAction();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

std::string Utf8(const std::u16string& aText) { return Utf16ToUtf8(aText); }

class SerialHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockForTesting([] { return kLogTestTime; });
    connection.SetSerialPort(u"COM57");
    connection.SetSpeed(9600);
    connection.SetDataBits(8);
    connection.SetParity(ovParity::None);
    connection.SetStopBits(1);
    connection.SetReadTimeOut(kReadTimeout);
  }
  void TearDown() override { SetClockForTesting(nullptr); }

  std::unique_ptr<kIOHandler_Serial> MakeHandler(const TempFolder* aLogs = nullptr) {
    return std::make_unique<kIOHandler_Serial>(&connection, (aLogs != nullptr ? *aLogs : folder).Path16(), u"DRV_7");
  }
  std::unique_ptr<kIOHandler_Serial> Connected(const TempFolder* aLogs = nullptr) {
    auto handler = MakeHandler(aLogs);
    EXPECT_TRUE(handler->Connect());
    return handler;
  }
  std::vector<std::string> Log(const TempFolder* aLogs = nullptr) {
    return LogMessages((aLogs != nullptr ? *aLogs : folder).Path() / "DRV_7_20240315.log");
  }
  // The log of a destroyed, connected handler after its connect block.
  std::vector<std::string> Trace(const TempFolder* aLogs = nullptr) {
    const auto lines = Log(aLogs);
    EXPECT_GT(lines.size(), kLinesBeforeTrace);
    if (lines.size() <= kLinesBeforeTrace) return lines;
    EXPECT_EQ(lines.back(), kStopBanner);
    return {lines.begin() + kLinesBeforeTrace, lines.end() - 1};
  }

  TestSerialDevice device{57};
  TempFolder folder;
  kConnection connection;
};

TEST_F(SerialHandlerTest, ConnectLogsThePortsSettingsAndOpensIt) {
  auto handler = MakeHandler();
  handler->SetVersion(u"Version 1.01 - 27/09/2024");
  EXPECT_FALSE(handler->Connected());
  EXPECT_TRUE(handler->Connect());
  EXPECT_TRUE(handler->Connected());
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->Connected());
  EXPECT_TRUE(handler->Disconnect());  // a closed port stays closed
  handler.reset();
  EXPECT_EQ(Log(), (std::vector<std::string>{kStartBanner, kConnectBanner, "kIOHandler_Serial",
                                             "Version 1.01 - 27/09/2024", "ConnectTimeout=1000", "ReadTimeout=300",
                                             "Serial Driver Version: 1.0", "SerialPort=COM57", "Speed=9600",
                                             "Parity=none", "DataBits=8", "StopBits=1", kStopBanner}));
}

TEST_F(SerialHandlerTest, SevenDataBitsEvenParityTwoStopBitsAreLoggedAndAskedOfThePort) {
  TestSerialDevice com7(7);
  connection.SetSerialPort(u"COM7");
  connection.SetSpeed(115200);
  connection.SetDataBits(7);
  connection.SetParity(ovParity::Even);
  connection.SetStopBits(2);
  auto handler = MakeHandler();
  // A pty carries no parity and only 8 data bits: it refuses; a UART takes them.
  const std::u16string failure = FailureOf([&] { handler->Connect(); });
  if (failure == u"(no failure)") {
    termios line{};
    ASSERT_EQ(tcgetattr(com7.PortSide(), &line), 0);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), tcflag_t(CS7 | PARENB | CSTOPB));
  } else {
    EXPECT_EQ(failure, u"SetCommState failed!");
    EXPECT_FALSE(handler->Connected());
  }
  handler.reset();
  const auto lines = Log();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end() - 1),
            (std::vector<std::string>{"Serial Driver Version: 1.0", "SerialPort=COM7", "Speed=115200", "Parity=even",
                                      "DataBits=7", "StopBits=2"}));
}

TEST_F(SerialHandlerTest, ReadUpToEndsAtATerminatorOrAfterTheTimeOutPassedInSilence) {
  struct Case {
    std::string answer;
    std::vector<uint8_t> terminators;
    bool hexLog;
    std::u16string result;
    std::vector<std::string> lines;
    bool timesOut;
  } cases[] = {
      {"OK\r", {'\r'}, false, u"OK\r", {"Waiting for:\r", "Read:OK\r"}, false},
      {"A\nB", {'\r', '\n'}, true, u"A\n", {"Waiting for:\r,\n [0d,0a]", "Read:A\n [41 0a]"}, false},
      {"", {'\r'}, false, u"", {"Waiting for:\r", "ERROR - Read Timeout:"}, true},
      {"OK", {'\r'}, false, u"OK", {"Waiting for:\r", "ERROR - Read Timeout:OK"}, true},
      {std::string("\0\xff", 2), {'\r'}, false, std::u16string(u"\0\u00ff", 2),
       {"Waiting for:\r", Utf8(u"ERROR - Read Timeout:" + std::u16string(u"\0\u00ff", 2))}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    TempFolder logs;
    auto handler = Connected(&logs);
    handler->SetHexLog(c.hexLog);
    device.Send(c.answer);
    std::u16string result;
    const auto took = Timed([&] { result = handler->ReadUpTo(c.terminators); });
    EXPECT_EQ(result, c.result);
    if (c.timesOut) {
      EXPECT_GT(took, std::chrono::milliseconds(kReadTimeout));
      EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout) + 100ms + kSlack);
    } else {
      EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout));
    }
    handler->ClearBuffers();
    handler.reset();
    EXPECT_EQ(Trace(&logs), c.lines);
  }
}

TEST_F(SerialHandlerTest, ReadCharsAnswersWhatCameByTheTimeOut) {
  auto handler = Connected();
  device.Send("xyz");
  EXPECT_EQ(handler->ReadChars(3), u"xyz");
  device.Send("abc");
  std::u16string shortAnswer;
  const auto took = Timed([&] { shortAnswer = handler->ReadChars(5); });
  EXPECT_EQ(shortAnswer, u"abc");
  EXPECT_GT(took, std::chrono::milliseconds(kReadTimeout));
  EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout) + 100ms + kSlack);
  // Asked for nothing, it takes nothing.
  device.Send("q");
  ASSERT_TRUE(WaitFor([&] { return handler->InputBufferContainsData(); }));
  EXPECT_LT(Timed([&] { EXPECT_EQ(handler->ReadChars(0), u""); }), 100ms);
  EXPECT_TRUE(handler->InputBufferContainsData());
  EXPECT_EQ(FailureOf([&] { handler->ReadChars(int32_t(kIOHandler_Serial::kReadLimit) + 1); }),
            u"Cannot read 1048577 characters at once; the limit is 1048576");
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Read:xyz", "ERROR - Read Timeout:abc", "Read:"}));
}

TEST_F(SerialHandlerTest, ALineThatNeverPausesEndsReadUpToAtTwiceTheTimeOut) {
  auto handler = Connected();
  std::atomic<bool> stop = false;
  std::thread babbler([&] { device.Stream('z', stop); });
  std::u16string result;
  const auto took = Timed([&] { result = handler->ReadUpTo({'\r'}); });
  stop = true;
  babbler.join();
  EXPECT_GT(took, std::chrono::milliseconds(2 * kReadTimeout));
  EXPECT_LT(took, std::chrono::milliseconds(2 * kReadTimeout) + kSlack);
  ASSERT_FALSE(result.empty());
  EXPECT_EQ(result, std::u16string(result.size(), u'z'));
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Waiting for:\r", "ERROR - Read Timeout:" + Utf8(result)}));
}

TEST_F(SerialHandlerTest, ALineThatNeverPausesStopsAtTheReadLimit) {
  connection.SetReadTimeOut(120000);  // only the limit can end this read
  auto handler = Connected();
  std::atomic<bool> stop = false;
  std::thread babbler([&] { device.Stream('z', stop); });
  std::u16string result;
  const auto took = Timed([&] { result = handler->ReadUpTo({'\r'}); });
  stop = true;
  babbler.join();
  EXPECT_LT(took, 120s);
  EXPECT_EQ(result, std::u16string(kIOHandler_Serial::kReadLimit, u'z'));
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "Waiting for:\r", "ERROR - Read Overflow:" + std::string(kIOHandler_Serial::kReadLimit, 'z')}));
}

TEST_F(SerialHandlerTest, ADeviceThatHangsUpEndsTheReadWithAReadTimeout) {
  auto handler = Connected();
  device.Send("pa");
  device.HangUp();
  std::u16string result;
  const auto took = Timed([&] { result = handler->ReadUpTo({'\r'}); });
  EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout) + 100ms + kSlack);
  handler.reset();
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[1], "ERROR - Read Timeout:" + Utf8(result));
}

TEST_F(SerialHandlerTest, WriteSendsTheTextInTheAnsiCodePageUnchanged) {
  const ovRegionalSettings before = RegionalSettings();
  ovRegionalSettings greek = before;
  greek.AnsiCodePage = 1253;
  SetRegionalSettings(greek);
  auto handler = Connected();
  const std::u16string text = u"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u20ac\u00e9\r\n";
  EXPECT_TRUE(handler->Write(text));
  // Greek letters and the euro in 1253; "é" is not in it and goes as "?"; CR LF as they are.
  EXPECT_EQ(device.Receive(13), "\xca\xe1\xeb\xe7\xec\xdd\xf1\xe1 \x80?\r\n");
  SetRegionalSettings(before);
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Write:" + Utf8(text)}));
}

TEST_F(SerialHandlerTest, ClearBuffersDropsWhatThePortHasReceived) {
  auto handler = MakeHandler();
  EXPECT_FALSE(handler->InputBufferContainsData());
  handler->ClearBuffers();  // not open: nothing
  ASSERT_TRUE(handler->Connect());
  device.Send("abc");
  EXPECT_TRUE(WaitFor([&] { return handler->InputBufferContainsData(); }));
  handler->ClearBuffers();
  EXPECT_FALSE(handler->InputBufferContainsData());
  EXPECT_EQ(handler->ReadChars(1), u"");
}

TEST_F(SerialHandlerTest, APortThatIsNotOpenRaisesOnReadAndWrite) {
  auto handler = MakeHandler();
  EXPECT_EQ(FailureOf([&] { handler->ReadUpTo({'\r'}); }), u"Cannot read because COM port is not open.");
  EXPECT_EQ(FailureOf([&] { handler->ReadChars(2); }), u"Cannot read because COM port is not open.");
  EXPECT_EQ(FailureOf([&] { handler->Write(u"x"); }), u"Cannot write because COM port is not open.");
  EXPECT_EQ(FailureOf([&] { handler->ReadAll(); }), u"ReadAll Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->ComPort().SetRTS(true); }), u"SetRTS failed because COM port not open.");
  EXPECT_EQ(handler->DecodeError(5), u"");
  handler->SetParameter(u"Anything", u"at all");
  handler.reset();
  EXPECT_EQ(Log(), (std::vector<std::string>{kStartBanner, "Waiting for:\r", "Write:x", kStopBanner}));
}

TEST_F(SerialHandlerTest, ConnectRaisesWhenThePortIsMissingOrHeld) {
  auto first = Connected();
  auto second = MakeHandler();
  EXPECT_EQ(FailureOf([&] { second->Connect(); }), u"Cannot open COM57 (error #5).");
  EXPECT_FALSE(second->Connected());
  EXPECT_TRUE(first->Connected());

  TempFolder elsewhere;
  setenv("OVPA_COM99", (elsewhere.Path() / "gone").c_str(), 1);
  connection.SetSerialPort(u"COM99");
  auto missing = MakeHandler(&elsewhere);
  EXPECT_EQ(FailureOf([&] { missing->Connect(); }), u"COM99 is not a valid COM port.");
  unsetenv("OVPA_COM99");
  missing.reset();
  const auto lines = Log(&elsewhere);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[7], "SerialPort=COM99");  // the settings were logged before the open failed
}

}  // namespace

#include "io/uOVIOHandler_TCP.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"
#include "io/LogLines.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "support/TestTcpPeer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int32_t kReadTimeout = 300;
// What a loaded machine may add to a bound: generous, as only the order of
// magnitude is in question (a read that hangs would take far longer).
constexpr auto kSlack = 1500ms;

std::chrono::milliseconds Timed(const std::function<void()>& aAction) {
  const auto start = Clock::now();
  aAction();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

std::string Utf8(const std::u16string& aText) { return Utf16ToUtf8(aText); }

std::vector<uint8_t> Bytes(const std::string& aText) { return {aText.begin(), aText.end()}; }

// The dump HexLog appends: each byte of ASCII text in lower-case hex.
std::string Hex(const std::string& aText) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : aText) {
    if (!hex.empty()) hex += ' ';
    hex += kDigits[(uint8_t(c) >> 4) & 0xf];
    hex += kDigits[uint8_t(c) & 0xf];
  }
  return hex;
}

class TcpHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockForTesting([] { return kLogTestTime; });
    connection.SetAddress(u"127.0.0.1");
    connection.SetReadTimeOut(kReadTimeout);
  }
  void TearDown() override { SetClockForTesting(nullptr); }

  std::unique_ptr<kIOHandler_TCP> MakeHandler(int aPort, const TempFolder* aLogs = nullptr) {
    connection.SetPort(aPort);
    return std::make_unique<kIOHandler_TCP>(&connection, (aLogs != nullptr ? *aLogs : folder).Path16(), u"DRV_7");
  }
  // A handler connected to aPeer, which is started here.
  std::unique_ptr<kIOHandler_TCP> ConnectedTo(TestTcpPeer& aPeer, const TempFolder* aLogs = nullptr) {
    aPeer.Start();
    auto handler = MakeHandler(aPeer.Port(), aLogs);
    EXPECT_TRUE(handler->Connect());
    return handler;
  }
  // The log of a destroyed handler after its connect block (START, the
  // seven connect lines and STOP dropped).
  std::vector<std::string> Trace(const TempFolder* aLogs = nullptr) {
    auto lines = LogMessages((aLogs != nullptr ? *aLogs : folder).Path() / "DRV_7_20240315.log");
    EXPECT_GE(lines.size(), 9u);
    if (lines.size() < 9) return lines;
    EXPECT_EQ(lines.front(), kStartBanner);
    EXPECT_EQ(lines[1], kConnectBanner);
    EXPECT_EQ(lines.back(), kStopBanner);
    return {lines.begin() + 8, lines.end() - 1};
  }

  TempFolder folder;
  kConnection connection;
};

TEST_F(TcpHandlerTest, ConnectLogsTheBlockWithHostAndPortAndOpensTheConnection) {
  TestTcpPeer peer;
  peer.Start();
  connection.SetConnectTimeOut(2500);
  auto handler = MakeHandler(peer.Port());
  handler->SetVersion(u"Version 1.01 - 27/09/2024");
  EXPECT_FALSE(handler->Connected());
  EXPECT_FALSE(handler->InputBufferContainsData());
  handler->ClearBuffers();  // nothing to drop before the first connection
  EXPECT_TRUE(handler->Connect());
  EXPECT_TRUE(handler->Connected());
  EXPECT_TRUE(handler->Connect());  // already connected: stays so
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->Connected());
  handler.reset();
  const std::string port = std::to_string(peer.Port());
  const std::vector<std::string> block = {kConnectBanner,       "kIOHandler_TCP",   "Version 1.01 - 27/09/2024",
                                          "ConnectTimeout=2500", "ReadTimeout=300", "Host=127.0.0.1",
                                          "Port=" + port};
  std::vector<std::string> expected = {kStartBanner};
  expected.insert(expected.end(), block.begin(), block.end());
  expected.insert(expected.end(), block.begin(), block.end());
  expected.push_back(kStopBanner);
  EXPECT_EQ(LogMessages(folder.Path() / "DRV_7_20240315.log"), expected);
}

TEST_F(TcpHandlerTest, ReadUpToEndsAtATerminatorWhichStaysInTheAnswer) {
  struct Case {
    std::string answer;
    std::vector<uint8_t> terminators;
    bool hexLog;
    std::u16string result;
    std::vector<std::string> lines;
  } cases[] = {
      {"ABC\n", {'\n'}, false, u"ABC\n", {"Waiting for:\n", "Read:ABC\n"}},
      {"OK\r\nmore", {'\r', '\n'}, true, u"OK\r", {"Waiting for:\r,\n [0d,0a]", "Read:OK\r [4f 4b 0d]"}},
      // Any byte is one character of its code: NUL, bytes above 127.
      {std::string("\0\xff\x80z\x03", 5), {0x03}, false, std::u16string(u"\0\u00ff\u0080z\x03", 5),
       {"Waiting for:\x03", Utf8(u"Read:" + std::u16string(u"\0\u00ff\u0080z\x03", 5))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    TempFolder logs;
    TestTcpPeer peer;
    peer.Send(c.answer);
    peer.Start();
    connection.SetPort(peer.Port());
    auto handler = std::make_unique<kIOHandler_TCP>(&connection, logs.Path16(), u"DRV_7");
    handler->SetHexLog(c.hexLog);
    ASSERT_TRUE(handler->Connect());
    EXPECT_EQ(handler->ReadUpTo(c.terminators), c.result);
    handler.reset();
    const auto lines = LogMessages(logs.Path() / "DRV_7_20240315.log");
    ASSERT_EQ(lines.size(), 9u + c.lines.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 8, lines.end() - 1), c.lines);
  }
}

TEST_F(TcpHandlerTest, BytesPastTheTerminatorStayForTheNextRead) {
  TestTcpPeer peer;
  peer.Send("one\ntwo\n");
  auto handler = ConnectedTo(peer);
  ASSERT_TRUE(peer.WaitForSteps(1));
  EXPECT_EQ(handler->ReadUpTo({'\n'}), u"one\n");
  EXPECT_TRUE(handler->InputBufferContainsData());
  EXPECT_EQ(handler->ReadUpTo({'\n'}), u"two\n");
  EXPECT_FALSE(handler->InputBufferContainsData());
}

TEST_F(TcpHandlerTest, APeerThatKeepsTricklingEndsTheReadAtTheFirstBytePastTheTimeOut) {
  TestTcpPeer peer;
  peer.Repeat('x', 40ms);
  auto handler = ConnectedTo(peer);
  std::u16string upTo;
  const auto upToTime = Timed([&] { upTo = handler->ReadUpTo({'\n'}); });
  std::u16string all;
  const auto allTime = Timed([&] { all = handler->ReadAll(); });
  for (const auto& [result, took] : {std::pair{upTo, upToTime}, std::pair{all, allTime}}) {
    EXPECT_GT(took, std::chrono::milliseconds(kReadTimeout));
    EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout) + 40ms + kSlack);
    EXPECT_GE(result.size(), 2u);
    EXPECT_EQ(result, std::u16string(result.size(), u'x'));
  }
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Waiting for:\n", "ERROR - Read Timeout:" + Utf8(upTo),
                                               "ERROR - Read Timeout:" + Utf8(all)}));
}

TEST_F(TcpHandlerTest, EveryReadOfASilentPeerEndsWithinItsBound) {
  struct Case {
    const char* name;
    std::function<void(kIOHandler_TCP&)> read;
    std::vector<std::string> lines;  // the error lines; lTimeoutExpired is checked apart
  } cases[] = {
      {"ReadUpTo",
       [](kIOHandler_TCP& aHandler) { EXPECT_EQ(aHandler.ReadUpTo({'\r'}), u""); },
       {"Waiting for:\r", "ERROR - ReadUpTo Unexpected error:Read timed out"}},
      {"ReadChars",
       [](kIOHandler_TCP& aHandler) { EXPECT_EQ(aHandler.ReadChars(4), u""); },
       {"ERROR - ReadChars Unexpected error:Read timed out"}},
      {"ReadAll",
       [](kIOHandler_TCP& aHandler) { EXPECT_EQ(aHandler.ReadAll(), u""); },
       {"ERROR - ReadAll Unexpected error:Read timed out"}},
      {"ReadAllBytes",
       [](kIOHandler_TCP& aHandler) { EXPECT_TRUE(aHandler.ReadAllBytes().empty()); },
       {"lTimeoutExpired", "ERROR - ReadAll Unexpected error:Read timed out"}},
      {"ReadBytesUpTo",
       [](kIOHandler_TCP& aHandler) {
         EXPECT_EQ(FailureOf([&] { aHandler.ReadBytesUpTo({'\r'}); }), u"Read timed out");
       },
       {"Waiting for:\r", "ERROR - ReadUpTo Unexpected error:Read timed out"}},
      {"ReadBytes",
       [](kIOHandler_TCP& aHandler) { EXPECT_EQ(FailureOf([&] { aHandler.ReadBytes(2); }), u"Read timed out"); },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder logs;
    TestTcpPeer peer;
    peer.Start();
    connection.SetPort(peer.Port());
    auto handler = std::make_unique<kIOHandler_TCP>(&connection, logs.Path16(), u"DRV_7");
    ASSERT_TRUE(handler->Connect());
    const auto took = Timed([&] { c.read(*handler); });
    EXPECT_GE(took, std::chrono::milliseconds(kReadTimeout));
    EXPECT_LT(took, std::chrono::milliseconds(2 * kReadTimeout) + kSlack);
    handler.reset();
    auto lines = LogMessages(logs.Path() / "DRV_7_20240315.log");
    ASSERT_EQ(lines.size(), 9u + c.lines.size());
    lines = {lines.begin() + 8, lines.end() - 1};
    if (!c.lines.empty() && c.lines[0] == "lTimeoutExpired") {
      const std::string prefix = "ERROR - lTimeoutExpired:";
      ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
      EXPECT_GE(std::stoi(lines[0].substr(prefix.size())), kReadTimeout);
      lines[0] = "lTimeoutExpired";
    }
    EXPECT_EQ(lines, c.lines);
  }
}

TEST_F(TcpHandlerTest, AnAnswerFollowedBySilenceIsAnsweredWhole) {
  TestTcpPeer text;
  text.Send("ANSWER");
  auto handler = ConnectedTo(text);
  EXPECT_EQ(handler->ReadAll(), u"ANSWER");
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ERROR - ReadAll Unexpected error:Read timed out"}));
}

// The byte form answers the bytes as well: they were taken from the connection.
TEST_F(TcpHandlerTest, AnAnswerFollowedBySilenceIsAnsweredWholeAsBytesToo) {
  TestTcpPeer bytes;
  bytes.Send("ANSWER\xe9");
  auto handler = ConnectedTo(bytes);
  EXPECT_EQ(handler->ReadAllBytes(), Bytes("ANSWER\xe9"));
  handler.reset();
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0].rfind("ERROR - lTimeoutExpired:", 0), 0u) << trace[0];
  EXPECT_EQ(trace[1], "ERROR - ReadAll Unexpected error:Read timed out");
}

TEST_F(TcpHandlerTest, AnOrderlyCloseEndsReadAllWithAReadLineAndLaterReadsWithTheClose) {
  TestTcpPeer peer;
  peer.Send("reply\xe9").Close();
  auto handler = ConnectedTo(peer);
  const auto took = Timed([&] { EXPECT_EQ(handler->ReadAll(), u"reply\u00e9"); });
  EXPECT_LT(took, std::chrono::milliseconds(kReadTimeout));  // the close ends it, not the clock
  EXPECT_FALSE(handler->Connected());
  EXPECT_EQ(handler->ReadUpTo({'\n'}), u"");
  EXPECT_EQ(handler->ReadChars(1), u"");
  EXPECT_TRUE(handler->ReadAllBytes().empty());
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{Utf8(u"Read:reply\u00e9"), "Waiting for:\n",
                                               "ERROR - ReadUpTo Unexpected error:Connection closed by the peer",
                                               "ERROR - ReadChars Unexpected error:Connection closed by the peer",
                                               "Read:"}));

  TempFolder logs;
  TestTcpPeer bytes;
  bytes.Send("reply\xe9").Close();
  handler = ConnectedTo(bytes, &logs);
  EXPECT_EQ(handler->ReadAllBytes(), Bytes("reply\xe9"));
  handler.reset();
  EXPECT_EQ(Trace(&logs), (std::vector<std::string>{"Read:reply?"}));  // bytes as ASCII text
}

TEST_F(TcpHandlerTest, ReadCharsAnswersTheCountOrNothingAndLeavesAShortAnswerBuffered) {
  TestTcpPeer peer;
  peer.Send("ABabc");
  auto handler = ConnectedTo(peer);
  handler->SetHexLog(true);
  EXPECT_EQ(handler->ReadChars(2), u"AB");
  EXPECT_EQ(handler->ReadChars(5), u"");  // three came: the time-out ends it
  EXPECT_TRUE(handler->InputBufferContainsData());
  EXPECT_EQ(handler->ReadChars(0), u"");
  EXPECT_EQ(handler->ReadChars(3), u"abc");
  EXPECT_EQ(handler->ReadChars(int32_t(kIOHandler_TCP::kReadLimit) + 1), u"");
  handler.reset();
  const std::string limitText = "Cannot read 1048577 characters at once; the limit is 1048576";
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "Read:AB [41 42] [" + Hex("AB [41 42]") + "]",
                         "ERROR - ReadChars Unexpected error:Read timed out [" + Hex("Read timed out") + "]",
                         "Read: [] [20 5b 5d]",
                         "Read:abc [61 62 63] [" + Hex("abc [61 62 63]") + "]",
                         "ERROR - ReadChars Unexpected error:" + limitText + " [" + Hex(limitText) + "]"}));
}

TEST_F(TcpHandlerTest, ByteReadsAnswerBytesAndLogThemAsAsciiText) {
  TestTcpPeer peer;
  peer.Send("\x02\xe9\x03" "12345");
  auto handler = ConnectedTo(peer);
  EXPECT_EQ(handler->ReadBytesUpTo({0x03}), Bytes("\x02\xe9\x03"));
  EXPECT_EQ(handler->ReadBytes(3), Bytes("123"));
  EXPECT_EQ(handler->ReadBytes(0), Bytes(""));
  EXPECT_EQ(FailureOf([&] { handler->ReadBytes(int32_t(kIOHandler_TCP::kReadLimit) + 1); }),
            u"Cannot read 1048577 bytes at once; the limit is 1048576");
  EXPECT_EQ(handler->ReadBytes(2), Bytes("45"));  // the refused read took nothing
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Waiting for:\x03", "Read:\x02?\x03"}));
}

TEST_F(TcpHandlerTest, CodePageDecidesTheBytesOnTheWire) {
  struct Case {
    int32_t codePage;
    std::u16string text;
    std::string wire;
  } cases[] = {
      {0, u"A\u00e9\u20ac", "A\xe9?"},  // one byte per character; above 255 a "?"
      {65001, u"\u20ac", "\xe2\x82\xac"},
      {1200, u"A\u20ac", std::string("A\0\xac\x20", 4)},
      {1201, u"A\u20ac", std::string("\0A\x20\xac", 4)},
      {20127, u"caf\u00e9", "caf?"},
      {65000, u"\u20ac", "+IKw-"},
      {1253, u"\u03a9\u03bc\u20ac", "\xd9\xec\x80"},
      {1252, u"\u00e9\u03a9", "\xe9?"},  // a character the code page has not
  };
  TestTcpPeer peer;
  auto handler = ConnectedTo(peer);
  std::string wire;
  std::vector<std::string> lines;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    handler->SetCodePage(c.codePage);
    EXPECT_TRUE(handler->Write(c.text));
    wire += c.wire;
    lines.push_back("Write:" + Utf8(c.text));
    ASSERT_TRUE(peer.WaitForReceived(wire.size()));
    EXPECT_EQ(peer.Received(), wire);
  }
  handler->SetCodePage(4242);
  EXPECT_EQ(FailureOf([&] { handler->Write(u"x"); }), u"Code page 4242 is not supported");
  lines.push_back("Write:x");
  handler->SetCodePage(0);
  handler->SetHexLog(true);
  EXPECT_TRUE(handler->WriteBytes(Bytes("\x02" "A\xe9\x03")));
  lines.push_back("Write:\x02" "A?\x03 [02 41 3f 03]");
  wire += "\x02" "A\xe9\x03";
  ASSERT_TRUE(peer.WaitForReceived(wire.size()));
  EXPECT_EQ(peer.Received(), wire);
  handler.reset();
  EXPECT_EQ(Trace(), lines);
}

TEST_F(TcpHandlerTest, ClearBuffersDropsWhatArrivedAndWasNotRead) {
  TestTcpPeer peer;
  peer.AwaitReceived(1).Send("abc").AwaitReceived(2).Send("d");
  auto handler = ConnectedTo(peer);
  EXPECT_TRUE(handler->Write(u"!"));
  ASSERT_TRUE(peer.WaitForSteps(2));
  // Arrived at the system, not yet taken by the client: the socket is not asked.
  EXPECT_FALSE(handler->InputBufferContainsData());
  EXPECT_EQ(handler->ReadChars(1), u"a");
  EXPECT_TRUE(handler->InputBufferContainsData());
  handler->ClearBuffers();
  EXPECT_FALSE(handler->InputBufferContainsData());
  EXPECT_TRUE(handler->Write(u"?"));
  EXPECT_EQ(handler->ReadChars(1), u"d");
}

TEST_F(TcpHandlerTest, AnEndlessStreamStopsAtTheReadLimit) {
  connection.SetReadTimeOut(60000);  // only the limit can end these reads
  TestTcpPeer peer;
  peer.Repeat('z');
  auto handler = ConnectedTo(peer);
  std::u16string upTo;
  const auto took = Timed([&] { upTo = handler->ReadUpTo({'\n'}); });
  EXPECT_LT(took, 30s);
  EXPECT_EQ(upTo, std::u16string(kIOHandler_TCP::kReadLimit, u'z'));
  EXPECT_EQ(handler->ReadAll(), std::u16string(kIOHandler_TCP::kReadLimit, u'z'));
  EXPECT_EQ(handler->ReadAllBytes(), std::vector<uint8_t>(kIOHandler_TCP::kReadLimit, 'z'));
  handler.reset();
  const std::string overflow = "ERROR - Read Overflow:" + std::string(kIOHandler_TCP::kReadLimit, 'z');
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Waiting for:\n", overflow, overflow, overflow}));
}

TEST_F(TcpHandlerTest, ConnectFailuresAreLoggedAndAnsweredFalse) {
  struct Case {
    const char* name;
    int port;
    std::string line;
  } cases[] = {
      {"refused", ClosedLoopbackPort(), "ERROR - Connect Error:Connection refused [111]"},
      {"port out of range", 70000, "ERROR - Connect Error:Port 70000 is out of range"},
      {"no port", 0, "ERROR - Connect Error:Port 0 is out of range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder logs;
    connection.SetPort(c.port);
    auto handler = std::make_unique<kIOHandler_TCP>(&connection, logs.Path16(), u"DRV_7");
    EXPECT_FALSE(handler->Connect());
    EXPECT_FALSE(handler->Connected());
    handler.reset();
    const auto lines = LogMessages(logs.Path() / "DRV_7_20240315.log");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7], "Port=" + std::to_string(c.port));
    EXPECT_EQ(lines[8], c.line);
  }
}

TEST_F(TcpHandlerTest, APeerThatNeverAcceptsEndsConnectAtTheConnectTimeout) {
  FullBacklogListener listener;
  connection.SetConnectTimeOut(400);
  auto handler = MakeHandler(listener.Port());
  bool connected = true;
  const auto took = Timed([&] { connected = handler->Connect(); });
  EXPECT_FALSE(connected);
  EXPECT_GE(took, 400ms);
  EXPECT_LT(took, 400ms + kSlack);
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"ERROR - Connect Timeout:"}));
}

TEST_F(TcpHandlerTest, ReadsAndWritesBeforeConnectFailInTheClient) {
  auto handler = MakeHandler(ClosedLoopbackPort());
  EXPECT_EQ(handler->ReadUpTo({'\n'}), u"");
  EXPECT_EQ(handler->ReadAll(), u"");
  EXPECT_EQ(FailureOf([&] { handler->Write(u"x"); }), u"Not connected");
  EXPECT_EQ(FailureOf([&] { handler->ReadBytes(1); }), u"Not connected");
  handler.reset();
  EXPECT_EQ(LogMessages(folder.Path() / "DRV_7_20240315.log"),
            (std::vector<std::string>{kStartBanner, "Waiting for:\n", "ERROR - ReadUpTo Unexpected error:Not connected",
                                      "ERROR - ReadAll Unexpected error:Not connected", "Write:x", kStopBanner}));
}

TEST_F(TcpHandlerTest, AWriteToAPeerThatTakesNothingFailsAfterTheWriteTimeout) {
  TestTcpPeer peer;  // never started: the system completes the connection, nobody reads
  connection.SetPort(peer.Port());
  kIOHandler_TCP handler(&connection, u"", u"");
  ASSERT_TRUE(handler.Connect());
  handler.TCPClient().SetWriteTimeout(300);
  const std::vector<uint8_t> huge(32 * 1024 * 1024, 'w');  // more than the system's buffers hold
  std::u16string failure;
  const auto took = Timed([&] { failure = FailureOf([&] { handler.WriteBytes(huge); }); });
  EXPECT_EQ(failure, u"Connection timed out [110]");
  EXPECT_LT(took, 300ms + kSlack);
}

TEST_F(TcpHandlerTest, TransportOperationsWithoutAMeaningHereDoNothing) {
  auto handler = MakeHandler(ClosedLoopbackPort());
  EXPECT_EQ(handler->DecodeError(10061), u"");
  handler->SetParameter(u"Anything", u"at all");
  EXPECT_EQ(std::u16string(handler->ClassName()), u"kIOHandler_TCP");
  EXPECT_EQ(handler->TCPClient().Host(), u"127.0.0.1");
}

}  // namespace

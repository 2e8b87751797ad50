// The TCP and serial I/O handlers of the Windows build under Wine: Winsock
// against loopback peers of the test's own, and the communications functions
// on a pty that Wine serves as a COM port (a link in the prefix's dosdevices,
// which is where Wine's HKLM\Software\Wine\Ports settings end up too, once
// its server restarts). Wine does not refuse a second opener of a COM port,
// so the exclusive open is tested on Linux only.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "io/LogLines.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "support/TestSerialDevice.h"
#include "support/TestTcpPeer.h"
#include "windows/WineRun.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kReadTimeout = 300;
constexpr int kSlackMs = 1500;

struct StepResult {
  std::string answer;  // hex of a read, 1 or 0 otherwise
  std::string error;   // the raised message, empty when none
  int ms = -1;
};

// UTF-16 code units, four hex digits each: the probe's write step.
std::string TextArgument(const std::u16string& aText) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char16_t unit : aText) {
    for (int shift = 12; shift >= 0; shift -= 4) hex += kDigits[(unit >> shift) & 0xf];
  }
  return hex;
}

std::string HexOf(const std::string& aBytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : aBytes) {
    hex += kDigits[(uint8_t(c) >> 4) & 0xf];
    hex += kDigits[uint8_t(c) & 0xf];
  }
  return hex;
}

// A COM port of the Wine prefix that is the given device, for the test's length.
class WineComPort {
 public:
  WineComPort(int aNumber, const std::string& aDevice)
      : fLink(fs::path(OV_WINE_PREFIX) / "dosdevices" / ("com" + std::to_string(aNumber))) {
    fs::remove(fLink);
    fs::create_symlink(aDevice, fLink);
  }
  ~WineComPort() {
    std::error_code ignored;
    fs::remove(fLink, ignored);
  }

 private:
  fs::path fLink;
};

class WineStreamTest : public ::testing::Test {
 protected:
  // The steps on one handler of the probe under Wine, its log in the test's folder.
  std::vector<StepResult> Probe(const std::vector<std::string>& aArguments, const std::vector<std::string>& aSteps) {
    std::vector<std::string> arguments = aArguments;
    std::string logFolder = "Z:" + fFolder.Path().string();  // the log folder, as Wine names it
    std::replace(logFolder.begin(), logFolder.end(), '/', '\\');
    arguments.push_back(logFolder);
    arguments.insert(arguments.end(), aSteps.begin(), aSteps.end());
    const ChildResult run = RunUnderWine("tools/ovpa-stream-probe.exe", arguments, fFolder.Path(), 120s);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::vector<StepResult> results;
    size_t start = 0;
    while (start < run.output.size()) {
      size_t end = run.output.find('\n', start);
      if (end == std::string::npos) end = run.output.size();
      const std::string line = run.output.substr(start, end - start);
      start = end + 1;
      rapidjson::Document step;
      step.Parse(line.c_str());
      if (step.HasParseError() || !step.IsObject()) continue;
      StepResult result;
      if (step.HasMember("answer")) result.answer = step["answer"].GetString();
      if (step.HasMember("error")) result.error = step["error"].GetString();
      result.ms = step["ms"].GetInt();
      results.push_back(result);
    }
    EXPECT_EQ(results.size(), aSteps.size()) << run.output << run.errors;
    results.resize(aSteps.size());
    return results;
  }
  std::vector<std::string> TcpProbe(int aPort, int aConnectTimeout, const std::vector<std::string>& aSteps,
                                    std::vector<StepResult>& aResults) {
    aResults = Probe({"tcp", "127.0.0.1", std::to_string(aPort), std::to_string(aConnectTimeout),
                      std::to_string(kReadTimeout)},
                     aSteps);
    return Trace(8);
  }
  // The probe's log after its first aSkip lines (START and the connect
  // block), without STOP.
  std::vector<std::string> Trace(size_t aSkip) {
    auto lines = LogMessages(fFolder.Path() / "probe_20240315.log");
    fs::remove(fFolder.Path() / "probe_20240315.log");
    EXPECT_GT(lines.size(), aSkip);
    if (lines.size() <= aSkip) return lines;
    EXPECT_EQ(lines.front(), kStartBanner);
    EXPECT_EQ(lines.back(), kStopBanner);
    return {lines.begin() + std::ptrdiff_t(aSkip), lines.end() - 1};
  }

  TempFolder fFolder;
};

TEST_F(WineStreamTest, WinsockCarriesTheTerminatorReadsAndTheCodePagesWrites) {
  TestTcpPeer peer;
  peer.AwaitReceived(4).Send("ABC\n\xe9xyz");
  peer.Start();
  std::vector<StepResult> results;
  const auto trace = TcpProbe(peer.Port(), 1000,
                              {"connect", "codepage:65001", "write:" + TextArgument(u"\u20ac\n"), "hexlog",
                               "readupto:0a", "readbytesupto:7a", "pending"},
                              results);
  EXPECT_EQ(results[0].answer, "1");
  EXPECT_EQ(peer.Received(), "\xe2\x82\xac\n");  // UTF-8 on the wire
  EXPECT_EQ(results[4].answer, HexOf("ABC\n"));
  EXPECT_EQ(results[5].answer, HexOf("\xe9xyz"));
  EXPECT_EQ(results[6].answer, "0");
  EXPECT_EQ(trace, (std::vector<std::string>{"Write:\xe2\x82\xac\n", "Waiting for:\n [0a]", "Read:ABC\n [41 42 43 0a]",
                                             "Waiting for:z [7a]", "Read:?xyz [3f 78 79 7a]"}));
}

TEST_F(WineStreamTest, WinsockReadsOfASilentPeerEndWithinTheirBounds) {
  TestTcpPeer peer;
  peer.Send("ANSWER");
  peer.Start();
  std::vector<StepResult> results;
  const auto trace = TcpProbe(peer.Port(), 1000, {"connect", "readall", "readupto:0d", "readchars:2", "readbytes:1"},
                              results);
  EXPECT_EQ(results[1].answer, HexOf("ANSWER"));
  EXPECT_EQ(results[2].answer, "");
  EXPECT_EQ(results[3].answer, "");
  EXPECT_EQ(results[4].error, "Read timed out");
  for (size_t i = 1; i < results.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(results[i].ms, kReadTimeout);
    EXPECT_LT(results[i].ms, 2 * kReadTimeout + kSlackMs);
  }
  EXPECT_EQ(trace, (std::vector<std::string>{"ERROR - ReadAll Unexpected error:Read timed out", "Waiting for:\r",
                                             "ERROR - ReadUpTo Unexpected error:Read timed out",
                                             "ERROR - ReadChars Unexpected error:Read timed out"}));
}

TEST_F(WineStreamTest, WinsockTellsTheOrderlyCloseAndTheTricklePastTheTimeOut) {
  TestTcpPeer closing;
  closing.Send("reply").Close();
  closing.Start();
  std::vector<StepResult> results;
  auto trace = TcpProbe(closing.Port(), 1000, {"connect", "readall", "connected", "readupto:0a"}, results);
  EXPECT_EQ(results[1].answer, HexOf("reply"));
  EXPECT_LT(results[1].ms, kReadTimeout);
  EXPECT_EQ(results[2].answer, "0");
  EXPECT_EQ(trace, (std::vector<std::string>{"Read:reply", "Waiting for:\n",
                                             "ERROR - ReadUpTo Unexpected error:Connection closed by the peer"}));

  TestTcpPeer trickling;
  trickling.Repeat('x', 40ms);
  trickling.Start();
  trace = TcpProbe(trickling.Port(), 1000, {"connect", "readupto:0a"}, results);
  EXPECT_GT(results[1].ms, kReadTimeout);
  EXPECT_LT(results[1].ms, kReadTimeout + 40 + kSlackMs);
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[1].rfind("ERROR - Read Timeout:xx", 0), 0u) << trace[1];
}

TEST_F(WineStreamTest, WinsockConnectFailuresAreLoggedAndAnsweredFalse) {
  std::vector<StepResult> results;
  auto trace = TcpProbe(ClosedLoopbackPort(), 1000, {"connect"}, results);
  EXPECT_EQ(results[0].answer, "0");
  EXPECT_EQ(trace, (std::vector<std::string>{"ERROR - Connect Error:Connection refused [10061]"}));  // WSAECONNREFUSED

  FullBacklogListener listener;
  trace = TcpProbe(listener.Port(), 500, {"connect"}, results);
  EXPECT_EQ(results[0].answer, "0");
  EXPECT_GE(results[0].ms, 500);
  EXPECT_LT(results[0].ms, 500 + kSlackMs);
  EXPECT_EQ(trace, (std::vector<std::string>{"ERROR - Connect Timeout:"}));
}

TEST_F(WineStreamTest, APtyServedAsACOMPortAnswersTerminatorAndShortReads) {
  TestSerialDevice device(44);
  WineComPort port(44, device.PortPath());
  // The device answers the request once the port is open and raw.
  std::thread answering([&] {
    if (device.Receive(5, 60s) == "ping\r") device.Send("OK\rabc");
  });
  const auto results = Probe({"serial", "COM44", std::to_string(kReadTimeout)},
                             {"connect", "write:" + TextArgument(u"ping\r"), "readupto:0d", "readchars:5", "pending",
                              "disconnect", "connected", "dtr:1"});
  answering.join();
  EXPECT_EQ(results[0].answer, "1");
  EXPECT_EQ(results[2].answer, HexOf("OK\r"));
  EXPECT_EQ(results[3].answer, HexOf("abc"));
  EXPECT_GT(results[3].ms, kReadTimeout);
  EXPECT_LT(results[3].ms, kReadTimeout + 100 + kSlackMs);
  EXPECT_EQ(results[4].answer, "0");
  EXPECT_EQ(results[5].answer, "1");
  EXPECT_EQ(results[6].answer, "0");
  EXPECT_EQ(results[7].error, "SetDTR failed because COM port not open.");
  EXPECT_EQ(Trace(12), (std::vector<std::string>{"Write:ping\r", "Waiting for:\r", "Read:OK\r",
                                                 "ERROR - Read Timeout:abc"}));
}

TEST_F(WineStreamTest, COMPortOpenFailuresCarryTheWindowsTexts) {
  // No such port: error 2. A name that is no device (a folder): access denied, 5.
  fs::create_directory(fFolder.Path() / "not-a-device");
  WineComPort folder(43, (fFolder.Path() / "not-a-device").string());
  for (const auto& [port, message] : {std::pair<std::string, std::string>{"COM98", "COM98 is not a valid COM port."},
                                      {"COM43", "Cannot open COM43 (error #5)."}}) {
    SCOPED_TRACE(port);
    const auto results = Probe({"serial", port, std::to_string(kReadTimeout)}, {"connect", "readupto:0d"});
    EXPECT_EQ(results[0].error, message);
    EXPECT_EQ(results[1].error, "Cannot read because COM port is not open.");
    fs::remove(fFolder.Path() / "probe_20240315.log");
  }
}

}  // namespace

// The library in a host process of its own, ovpa-host, ending the ways hosts
// end: unloading the library first, or simply returning from main with the
// library (and devices) still loaded; and ovpa-host's own misuse paths. Each
// run has a deadline: a host that does not end is a failure, not a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "integration/TillFixture.h"
#include "support/ChildProcess.h"
#include "support/WholeFile.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 30s;

std::string BinaryFolder() {
  const char* folder = std::getenv("OV_TEST_BINARY_DIR");
  return folder ? folder : ".";
}

// The text between the last <aName> and its end tag in the host's output.
std::string LastField(const std::string& aOutput, const std::string& aName) {
  const size_t start = aOutput.rfind("<" + aName + ">");
  if (start == std::string::npos) return {};
  const size_t from = start + aName.size() + 2;
  return aOutput.substr(from, aOutput.find("</" + aName + ">", from) - from);
}

// The last line of a log file, without its time stamp.
std::string LastLogMessage(const std::string& aLog) {
  const size_t end = aLog.rfind("\r\n");
  if (end == std::string::npos) return {};
  const size_t start = aLog.rfind("\r\n", end - 1);
  const std::string line = aLog.substr(start == std::string::npos ? 0 : start + 2, end - (start + 2));
  return line.substr(line.find(" - ") + 3);
}

class HostProgramTest : public TillTest {
 protected:
  // ovpa-host with the built library, run in the till folder.
  ChildResult RunHost(const std::vector<std::string>& aArguments, const std::vector<std::string>& aEnvironment = {}) {
    std::vector<std::string> arguments = {BinaryFolder() + "/tools/ovpa-host", "--library",
                                          BinaryFolder() + "/OVPA_DOVAVAREZU_10.so", "--json"};
    arguments.insert(arguments.end(), aArguments.begin(), aArguments.end());
    return RunChild(arguments, fTill.Path(), kDeadline, aEnvironment);
  }

  std::string WriteRequest(const std::string& aName, const std::string& aText) {
    WriteFile(fTill.Path() / aName, aText);
    return (fTill.Path() / aName).string();
  }
};

TEST_F(HostProgramTest, AHostEndsWhetherItUnloadsTheLibraryOrJustExits) {
  StartServices();
  const std::string status = WriteRequest("status.xml", "<R/>");
  for (const bool unload : {true, false}) {
    SCOPED_TRACE(unload ? "unloading" : "exiting with the library loaded");
    std::vector<std::string> calls = {"GETSTATUS", status};
    if (!unload) calls.insert(calls.begin(), "--no-unload");
    const ChildResult bare = RunHost(calls);
    ASSERT_TRUE(bare.finished) << "hung without a device";
    EXPECT_EQ(bare.exitCode, 0) << bare.errors;

    // A device left open, with its payment's lines still queued at the end.
    const std::string logId = LogId() + (unload ? "-unload" : "-exit");
    calls.insert(calls.end(), {"OPEN", WriteRequest("open.xml", OpenRequest(fDevice, logId)), "PAY",
                               WriteRequest("pay.xml", PayRequest(kHostHandle, Sale{}))});
    const ChildResult withDevice = RunHost(calls);
    ASSERT_TRUE(withDevice.finished) << "hung with an open device";
    EXPECT_EQ(withDevice.exitCode, 0) << withDevice.errors << withDevice.output;
    const std::string logFile = LastField(withDevice.output, "LogFileName");
    ASSERT_NE(logFile, "") << withDevice.output;
    const std::string log = ReadWholeFile(logFile);
    EXPECT_NE(log.find("kDOVAVAREZU.Pay:"), std::string::npos);
    EXPECT_EQ(LastLogMessage(log), "*************************** STOP ****************************");
  }
}

TEST_F(HostProgramTest, MisuseAfterTheLibraryIsLoadedEndsWithAClearMessage) {
  const std::string status = WriteRequest("status.xml", "<R/>");
  const struct {
    std::string request;
    std::string message;
  } cases[] = {
      {"<R><LogId>${env:OVPA_TEST_UNSET}</LogId></R>", "the environment variable OVPA_TEST_UNSET is not set"},
      {"<R><Handle>${99999999999999999999.Handle}</Handle></R>",
       "names call 99999999999999999999, but 1 calls have answered so far"},
      {"<R><Handle>${2.Handle}</Handle></R>", "names call 2, but 1 calls have answered so far"},
      {"<R><Handle>${1.Handle}</Handle></R>", "the answer of call 1 has no element Handle"},
      {"<R><Handle>${Handle}</Handle></R>", "no earlier answer has an element Handle"},
  };
  unsetenv("OVPA_TEST_UNSET");
  for (const auto& c : cases) {
    const ChildResult result = RunHost({"GETSTATUS", status, "OPEN", WriteRequest("bad.xml", c.request)});
    ASSERT_TRUE(result.finished) << c.request;
    EXPECT_EQ(result.exitCode, 2) << c.request;
    EXPECT_NE(result.errors.find(c.message), std::string::npos) << result.errors;
  }
}

TEST_F(HostProgramTest, EnvironmentValuesReachTheRequestEscaped) {
  const ChildResult result = RunHost({"OPEN", WriteRequest("open.xml", "<R><Driver>${env:OVPA_TEST_DRIVER}</Driver></R>")},
                                     {"OVPA_TEST_DRIVER=a&b<c>'d"});
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 1);  // the OPEN answered -1, as it should
  EXPECT_NE(result.output.find("Payment Driver [a&b<c>'d] not registered."), std::string::npos) << result.output;
}

}  // namespace

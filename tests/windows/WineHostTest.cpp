// The Windows DLL as a till loads it: ovpa-host.exe of the Windows build,
// run under Wine in the run's prefix, drives OVPA_DOVAVAREZU_10.dll through
// OPEN, payments, refunds, voids and CLOSE against the simulator and a
// PostgreSQL registry (Wine's ODBC hands over to unixODBC). The DLLs of both
// architectures are inspected as well; this kernel runs no 32-bit program.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "integration/TillFixture.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/WholeFile.h"
#include "windows/WineRun.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kDeadline = 60s;
const char* const kStopBanner = "*************************** STOP ****************************";

// "Z:\tmp\x" for /tmp/x: Wine's drive Z: is the Linux root.
std::string WindowsPath(const fs::path& aPath) {
  std::string path = "Z:" + fs::absolute(aPath).string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

fs::path LinuxPath(std::string aWindowsPath) {
  if (aWindowsPath.rfind("Z:", 0) == 0) aWindowsPath.erase(0, 2);
  for (char& c : aWindowsPath) {
    if (c == '\\') c = '/';
  }
  return aWindowsPath;
}

// The text of <aName> in a result fragment; "<absent>" without one.
std::string Field(const std::string& aOutput, const std::string& aName) {
  const size_t start = aOutput.find("<" + aName + ">");
  if (start == std::string::npos) return "<absent>";
  const size_t from = start + aName.size() + 2;
  return aOutput.substr(from, aOutput.find("</" + aName + ">", from) - from);
}

// One answer of ovpa-host --json.
struct Call {
  std::string call;
  int result = 0;
  std::string message;
  std::string output;
  std::string Field(const std::string& aName) const { return ::Field(output, aName); }
};

std::vector<Call> Calls(const std::string& aJsonLines) {
  std::vector<Call> calls;
  size_t start = 0;
  while (start < aJsonLines.size()) {
    size_t end = aJsonLines.find('\n', start);
    if (end == std::string::npos) end = aJsonLines.size();
    rapidjson::Document line;
    line.Parse(aJsonLines.c_str() + start, end - start);
    if (!line.HasParseError() && line.IsObject()) {
      calls.push_back({line["call"].GetString(), line["result"].GetInt(), line["errorMessage"].GetString(),
                       line["output"].GetString()});
    }
    start = end + 1;
  }
  return calls;
}

// The lines of a log file; each must end with CR LF.
std::vector<std::string> LogLines(const fs::path& aFile) {
  const std::string text = ReadWholeFile(aFile);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF in " << aFile << ": " << text.substr(start);
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Message(const std::string& aLine) {
  const size_t separator = aLine.find(" - ");
  return separator == std::string::npos ? aLine : aLine.substr(separator + 3);
}

class WineHostTest : public TillTest {
 protected:
  // ovpa-host.exe of the 64-bit build with the given arguments, in the till
  // folder, as a batch host (no message box may wait for a click).
  ChildResult RunHost(const std::vector<std::string>& aArguments) {
    std::vector<std::string> arguments = {
        "--library", WindowsPath(fs::path(OV_WIN64_BUILD_DIR) / "OVPA_DOVAVAREZU_10.dll"), "--json", "/BATCH"};
    arguments.insert(arguments.end(), aArguments.begin(), aArguments.end());
    return RunUnderWine("tools/ovpa-host.exe", arguments, fTill.Path(), kDeadline, {"WINEDLLOVERRIDES=mscoree,mshtml="});
  }

  // A request file in the till folder, by its Windows path.
  std::string Request(const std::string& aName, const std::string& aText) {
    WriteFile(fTill.Path() / aName, aText);
    return WindowsPath(fTill.Path() / aName);
  }

  // The device as the Windows host opens it: the simulator's CA file by its Windows path.
  std::string OpenRequestFile(const std::string& aLogId) {
    Device device = fDevice;
    device.caFile = WindowsPath(fDevice.caFile);
    return Request("open-" + aLogId + ".xml", OpenRequest(device, aLogId));
  }

  // A payment for the device the latest OPEN answered.
  std::string PayRequestFile(const std::string& aName, const Sale& aSale) {
    return Request(aName, PayRequest(kHostHandle, aSale));
  }
};

TEST_F(WineHostTest, PaymentRefundVoidAndTheirFailuresRunThroughTheDll) {
  StartServices();
  Sale declined;
  declined.amount = declined.total = "20.01";
  Sale unknownStore;
  unknownStore.store = "99";
  const ChildResult run = RunHost({
      "OPEN", OpenRequestFile(LogId()),
      "PAY", PayRequestFile("pay.xml", Sale{}),
      "PAY", PayRequestFile("refund.xml", Refund("4.00")),
      "PAY", PayRequestFile("void.xml", VoidOf("${2.PaymentNumber}")),
      "PAY", PayRequestFile("declined.xml", declined),
      "PAY", PayRequestFile("store.xml", unknownStore),
      "CLOSE", Request("close.xml", Envelope("Close", kHostHandle, "")),
  });
  ASSERT_TRUE(run.finished) << run.errors;
  const std::vector<Call> calls = Calls(run.output);
  ASSERT_EQ(calls.size(), 7u) << run.output << run.errors;

  EXPECT_EQ(calls[0].result, 0) << calls[0].message;
  const Call& payment = calls[1];
  EXPECT_EQ(payment.result, 0) << payment.message;
  EXPECT_EQ(payment.Field("PaymentAmount"), "20");
  EXPECT_EQ(payment.Field("PaymentCurrency"), "EUR");
  EXPECT_EQ(payment.Field("PaymentNetwork"), "visa");
  EXPECT_NE(payment.Field("PaymentNumber"), "");
  EXPECT_EQ(calls[2].result, 0) << calls[2].message;
  EXPECT_EQ(calls[2].Field("PaymentAmount"), "4");
  EXPECT_EQ(calls[3].result, 0) << calls[3].message;
  EXPECT_EQ(calls[3].Field("MaskedPAN"), payment.Field("MaskedPAN"));
  EXPECT_EQ(calls[4].result, -1);
  EXPECT_EQ(calls[4].message, "Declined");
  EXPECT_EQ(calls[5].message, "Store 99 not found in Branch_Record");
  EXPECT_EQ(calls[6].result, 0);
  EXPECT_EQ(run.exitCode, 1);  // two calls answered -1

  EXPECT_EQ(PathsOf(Record()),
            (std::vector<std::string>{"/token", "/PosTransactions/signpos", "/token/refresh", "/terminal/T1001/txninit",
                                      "/PosTransactions/signpos", "/token/refresh", "/terminal/T1001/txninit",
                                      "/token/refresh", "/terminal/T1001/txnvoid", "/PosTransactions/signpos",
                                      "/token/refresh", "/terminal/T1001/txninit"}));

  // The device log beside the host program, in CR LF lines, ends with the STOP
  // banner and holds no secret.
  const fs::path logFile = LinuxPath(payment.Field("LogFileName"));
  ASSERT_EQ(logFile.parent_path(), fs::path(OV_WIN64_BUILD_DIR) / "tools" / "LogFiles" / "Payment");
  const std::vector<std::string> lines = LogLines(logFile);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Message(lines.front()), "*************************** START ***************************");
  EXPECT_EQ(Message(lines.back()), kStopBanner);
  const std::string log = ReadWholeFile(logFile);
  EXPECT_NE(log.find("kDOVAVAREZU.Pay:{\"TxnType\":0"), std::string::npos);
  for (const std::string& secret : {fDevice.password, fDevice.impactApiKey}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
}

TEST_F(WineHostTest, AHostEndsWhetherItFreesTheLibraryOrJustExits) {
  StartServices();
  for (const bool freeLibrary : {true, false}) {
    SCOPED_TRACE(freeLibrary ? "FreeLibrary" : "exit with the library loaded");
    std::vector<std::string> bare = {"GETSTATUS", Request("status.xml", "<R/>")};
    if (!freeLibrary) bare.insert(bare.begin(), "--no-unload");
    const ChildResult withoutDevice = RunHost(bare);
    ASSERT_TRUE(withoutDevice.finished) << "hung without a device";
    EXPECT_EQ(withoutDevice.exitCode, 0) << withoutDevice.errors;

    const std::string logId = LogId() + (freeLibrary ? "-free" : "-exit");
    std::vector<std::string> calls = {"OPEN", OpenRequestFile(logId), "PAY", PayRequestFile("pay.xml", Sale{})};
    if (!freeLibrary) calls.insert(calls.begin(), "--no-unload");
    const ChildResult run = RunHost(calls);
    ASSERT_TRUE(run.finished) << "hung with an open device";
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    const std::vector<Call> answers = Calls(run.output);
    ASSERT_EQ(answers.size(), 2u) << run.output;
    // The device was still open: its lines, the last ones queued included,
    // reach the file when the library goes.
    const std::vector<std::string> lines = LogLines(LinuxPath(answers[1].Field("LogFileName")));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Message(lines.back()), kStopBanner);
  }
}

TEST_F(WineHostTest, TheServersCertificateIsCheckedAgainstTheCAFile) {
  StartServices();
  struct Case {
    const char* name;
    std::string caFile;
    std::string tlsVerify;
    bool approved;
  };
  const Case cases[] = {
      {"the simulator's CA file", WindowsPath(fDevice.caFile), "", true},
      {"the system's store only", "", "", false},
      {"checks off", "", "N", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Device device = fDevice;
    device.caFile = c.caFile;
    if (!c.tlsVerify.empty()) device.moreParameters = {{"TlsVerify", c.tlsVerify}};
    const size_t before = Record().size();
    const ChildResult run = RunHost(
        {"OPEN", Request("open.xml", OpenRequest(device, LogId())), "PAY", PayRequestFile("pay.xml", Sale{})});
    ASSERT_TRUE(run.finished);
    const std::vector<Call> answers = Calls(run.output);
    ASSERT_EQ(answers.size(), 2u) << run.output << run.errors;
    EXPECT_EQ(answers[1].result == 0, c.approved) << answers[1].message;
    if (!c.approved) {
      // Refused before anything went out: neither service saw a request.
      EXPECT_EQ(Record().size(), before);
      EXPECT_NE(answers[1].message.find("certificate"), std::string::npos) << answers[1].message;
    }
  }
}

// objdump's view of a DLL of the given build.
std::string Objdump(const char* aObjdump, const fs::path& aDll, const std::string& aOptions) {
  const TempFolder folder;
  const ChildResult run = RunChild({"/bin/sh", "-c", std::string(aObjdump) + " " + aOptions + " '" + aDll.string() + "'"},
                                   folder.Path(), 60s);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  return run.output;
}

std::vector<std::string> ExportedNames(const std::string& aObjdump) {
  std::vector<std::string> names;
  const size_t table = aObjdump.find("[Ordinal/Name Pointer] Table");
  if (table == std::string::npos) return names;
  size_t at = aObjdump.find('\n', table) + 1;
  while (at < aObjdump.size() && aObjdump[at] == '\t') {
    const size_t end = aObjdump.find('\n', at);
    const std::string line = aObjdump.substr(at, end - at);
    names.push_back(line.substr(line.find(']') + 2));
    at = end + 1;
  }
  return names;
}

TEST(WindowsDll, BothArchitecturesExportExactlyTheNineOperations) {
  struct Build {
    const char* folder;
    const char* objdump;
  };
  const Build builds[] = {{OV_WIN64_BUILD_DIR, "x86_64-w64-mingw32-objdump"},
                          {OV_WIN32_BUILD_DIR, "i686-w64-mingw32-objdump"}};
  const std::vector<std::string> operations = {"CLOSE",   "DAYCLOSE", "GETSTATUS",  "GETTOTALS", "OPEN",
                                               "PAY",     "REPRINT",  "VERIFYTRAN", "VERSION"};
  for (const Build& build : builds) {
    SCOPED_TRACE(build.folder);
    const fs::path dll = fs::path(build.folder) / "OVPA_DOVAVAREZU_10.dll";
    const std::string headers = Objdump(build.objdump, dll, "-p");
    // Undecorated names, no string functions of its own: the system's BSTRs.
    EXPECT_EQ(ExportedNames(headers), operations);
    // Only the system's own DLLs: the C++ runtime is linked in.
    for (const char* runtime : {"libstdc++", "libgcc", "libwinpthread"}) {
      EXPECT_EQ(headers.find(runtime), std::string::npos) << runtime;
    }
    // The version resource names the product.
    std::u16string description = u"QVD Driver - EPay WebECR (GR)";
    const std::string bytes = ReadWholeFile(dll);
    const std::string utf16(reinterpret_cast<const char*>(description.data()), description.size() * 2);
    EXPECT_NE(bytes.find(utf16), std::string::npos);
  }
  // 32-bit: stdcall, the callee pops its three arguments (12 bytes).
  const std::string code = Objdump("i686-w64-mingw32-objdump", fs::path(OV_WIN32_BUILD_DIR) / "OVPA_DOVAVAREZU_10.dll",
                                   "-d --no-show-raw-insn");
  for (const char* operation : {"_PAY@12", "_VERSION@12"}) {
    const size_t start = code.find(std::string("<") + operation + ">:");
    ASSERT_NE(start, std::string::npos) << operation;
    const size_t end = code.find("\n\n", start);
    EXPECT_NE(code.substr(start, end - start).find("ret    $0xc"), std::string::npos) << operation;
  }
}

}  // namespace

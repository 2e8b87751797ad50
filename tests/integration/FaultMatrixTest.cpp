// The library on the day something goes wrong, through the exports as a host
// calls them: a terminal service that refuses, hangs, trickles or answers
// nonsense, a signing service that refuses, certificates that must not be
// trusted, a registry without its table, a log folder that cannot be written,
// and requests no till would send. Each row: the exact answer the host gets,
// within a deadline, and the device still usable where it can be.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "integration/HostLibrary.h"
#include "integration/TillFixture.h"
#include "support/ChildProcess.h"
#include "support/TestCertificate.h"
#include "support/TestHttpServer.h"
#include "support/WholeFile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const kApproved =
    R"({"Status":0,"Terminal":"T1001","TransactionId":"7","Id":"r7","Amount":2000,"CurrencyCode":978,)"
    R"("Transaction":{"CardPAN":"476173******0010","AuthCode":"A1","STAN":"1"},"TipAmount":0,"Instalments":0,)"
    R"("Result":1})";

// A terminal service that logs in and refreshes like the real one and answers
// a transaction the way the test says.
class FaultyTerminal {
 public:
  using Answer = std::function<void(httplib::Response&)>;

  explicit FaultyTerminal(const TestCertificate& aCertificate) : fServer(&aCertificate) {
    httplib::Server& server = fServer.Server();
    server.Post("/token", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content(R"({"access":"A1","refresh":"R1"})", "application/json");
    });
    server.Post("/token/refresh", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content(R"({"access":"A2"})", "application/json");
    });
    server.Post("/terminal/T1001/txninit", [this](const httplib::Request&, httplib::Response& aResponse) {
      Answer answer;
      {
        std::lock_guard lock(fLock);
        ++fTransactions;
        answer = fAnswer;
      }
      answer(aResponse);
    });
    fServer.Start();
    Approve();
  }
  ~FaultyTerminal() { Release(); }

  void Set(Answer aAnswer) {
    std::lock_guard lock(fLock);
    fAnswer = std::move(aAnswer);
  }
  void Approve() {
    Set([](httplib::Response& aResponse) { aResponse.set_content(kApproved, "application/json"); });
  }
  // An answer that waits (or trickles) until the test lets it go.
  bool WaitReleased(std::chrono::milliseconds aLongest) {
    std::unique_lock lock(fLock);
    return fReleased.wait_for(lock, aLongest, [this] { return fRelease; });
  }
  void Release() {
    {
      std::lock_guard lock(fLock);
      fRelease = true;
    }
    fReleased.notify_all();
  }
  int Transactions() {
    std::lock_guard lock(fLock);
    return fTransactions;
  }
  std::string Url() const { return "https://127.0.0.1:" + std::to_string(fServer.Port()); }

 private:
  std::mutex fLock;
  std::condition_variable fReleased;
  bool fRelease = false;
  int fTransactions = 0;
  Answer fAnswer;
  TestHttpServer fServer;  // last: stopped before what its handlers use goes away
};

std::string OutcomeUnknown(const std::string& aReason) {
  return "The answer of the terminal service could not be read (" + aReason +
         "): the outcome is unknown, check the terminal before retrying";
}

class FaultMatrixTest : public TillTest {
 protected:
  // The device against the faulty terminal (signing by the simulator),
  // waiting aReadTimeout seconds for an answer.
  int OpenAgainst(const std::string& aTerminalUrl, const std::string& aCaFile, int aReadTimeout = 1) {
    Device device = fDevice;
    device.baseUrl = aTerminalUrl;
    device.caFile = aCaFile;
    device.moreParameters = {{"ReadTimeout", std::to_string(aReadTimeout)}};
    const HostAnswer answer = fLibrary.Call("OPEN", OpenRequest(device, LogId()));
    EXPECT_EQ(answer.result, 0) << answer.message;
    return answer.result == 0 ? std::stoi(answer.Field("Handle")) : 0;
  }

  // A payment, and how long the host waited for it.
  HostAnswer Pay(int aHandle, Clock::duration& aWaited) {
    const auto start = Clock::now();
    HostAnswer answer = fLibrary.Call("PAY", PayRequest(aHandle, Sale{}));
    aWaited = Clock::now() - start;
    return answer;
  }

  TestCertificate fCertificate;
  TempFolder fCertificates;
  HostLibrary fLibrary;
};

TEST_F(FaultMatrixTest, ATerminalThatMisbehavesGivesAnAnswerWithinItsBound) {
  StartServices();
  fCertificate.WriteCaFile(fCertificates.Path() / "terminal-ca.pem");
  // The simulator signs; the faulty terminal's authority is trusted too.
  WriteFile(fCertificates.Path() / "both.pem", ReadWholeFile(fCertificates.Path() / "terminal-ca.pem") + ReadWholeFile(fDevice.caFile));
  FaultyTerminal terminal(fCertificate);
  const int handle = OpenAgainst(terminal.Url(), (fCertificates.Path() / "both.pem").string());
  ASSERT_GT(handle, 0);

  struct Row {
    const char* name;
    FaultyTerminal::Answer answer;
    std::string message;
    std::chrono::seconds deadline;
  };
  const std::string large(4 * 1024 * 1024, ' ');
  const Row rows[] = {
      {"accepts and never answers",
       [&](httplib::Response& aResponse) {
         terminal.WaitReleased(30s);
         aResponse.set_content("{}", "application/json");
       },
       OutcomeUnknown("Operation timed out: no data received for 1 seconds"), 4s},
      {"trickles a byte at a time",
       [&](httplib::Response& aResponse) {
         aResponse.set_chunked_content_provider("application/json", [&](size_t, httplib::DataSink& aSink) {
           return !terminal.WaitReleased(400ms) && aSink.write(" ", 1);
         });
       },
       OutcomeUnknown("Operation timed out: the answer did not end within 2 seconds"), 5s},
      {"503 with a JSON error",
       [](httplib::Response& aResponse) {
         aResponse.status = 503;
         aResponse.set_content(R"({"error":"Terminal in maintenance"})", "application/json");
       },
       "Terminal in maintenance", 2s},
      {"502 without a body", [](httplib::Response& aResponse) { aResponse.status = 502; }, "Bad Gateway", 2s},
      {"garbage", [](httplib::Response& aResponse) { aResponse.set_content("<<garbage>>", "text/plain"); },
       "Value 'Status' not found", 2s},
      {"truncated JSON",
       [](httplib::Response& aResponse) { aResponse.set_content(R"({"Status":0,"Term)", "application/json"); },
       "Value 'Status' not found", 2s},
      {"an empty body", [](httplib::Response& aResponse) { aResponse.set_content("", "application/json"); },
       "Value 'Status' not found", 2s},
      {"several megabytes",
       [&](httplib::Response& aResponse) { aResponse.set_content(large, "application/json"); },
       OutcomeUnknown("Answer larger than 1048576 bytes"), 3s},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    terminal.Set(row.answer);
    Clock::duration waited{};
    const HostAnswer failed = Pay(handle, waited);
    EXPECT_EQ(failed.result, -1);
    EXPECT_EQ(failed.message, row.message);
    EXPECT_EQ(failed.Field("Error"), "True");
    EXPECT_LT(waited, row.deadline);
    // The device goes on: the next payment is approved.
    terminal.Approve();
    const HostAnswer next = Pay(handle, waited);
    EXPECT_EQ(next.result, 0) << next.message;
  }
  terminal.Release();
  EXPECT_EQ(fLibrary.Call("CLOSE", Envelope("Close", handle, "")).result, 0);
}

TEST_F(FaultMatrixTest, ServicesThatRefuseConnectionsAreNamedInTheAnswer) {
  StartServices();
  const int closedPort = ClosedLoopbackPort();
  const std::string closed = "https://127.0.0.1:" + std::to_string(closedPort);
  struct Row {
    const char* name;
    bool terminalRefuses;  // else the signing service does
  };
  for (const Row row : {Row{"terminal", true}, Row{"signing", false}}) {
    SCOPED_TRACE(row.name);
    Device device = fDevice;
    (row.terminalRefuses ? device.baseUrl : device.impactUrl) = closed;
    const HostAnswer open = fLibrary.Call("OPEN", OpenRequest(device, LogId() + row.name));
    ASSERT_EQ(open.result, 0) << open.message;  // a refused log-in does not fail the OPEN
    const size_t before = Record().size();
    const auto start = Clock::now();
    const HostAnswer answer = fLibrary.Call("PAY", PayRequest(std::stoi(open.Field("Handle")), Sale{}));
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.message.rfind("Failed to connect to 127.0.0.1 port " + std::to_string(closedPort), 0), 0u)
        << answer.message;
    // Nothing reached the other service: a sale without its signature never goes out.
    EXPECT_EQ(PathsOf(Record(), before),
              row.terminalRefuses ? std::vector<std::string>{"/PosTransactions/signpos"} : std::vector<std::string>{});
  }
}

TEST_F(FaultMatrixTest, CertificatesThatMustNotBeTrustedStopThePayment) {
  StartServices();
  const TestCertificate other;  // an authority nobody here trusts
  const TestCertificate wrongName("DNS:elsewhere.invalid");
  const TestCertificate expired("IP:127.0.0.1,DNS:localhost", true);
  struct Row {
    const char* name;
    const TestCertificate& served;
    const TestCertificate& trusted;
    std::string message;
  };
  const Row rows[] = {
      {"unknown authority", fCertificate, other, "SSL certificate problem: unable to get local issuer certificate"},
      {"wrong host name", wrongName, wrongName,
       "SSL: no alternative certificate subject name matches target host name '127.0.0.1'"},
      {"expired", expired, expired, "SSL certificate problem: certificate has expired"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FaultyTerminal terminal(row.served);
    const fs::path trust = fCertificates.Path() / (std::string(row.name) + ".pem");
    row.trusted.WriteCaFile(trust);
    WriteFile(trust, ReadWholeFile(trust) + ReadWholeFile(fDevice.caFile));  // the simulator signs
    const int handle = OpenAgainst(terminal.Url(), trust.string());
    ASSERT_GT(handle, 0);
    Clock::duration waited{};
    const HostAnswer answer = Pay(handle, waited);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.message, row.message);
    EXPECT_EQ(terminal.Transactions(), 0);  // nothing went to a server that is not trusted
  }
}

TEST_F(FaultMatrixTest, ARegistryWithoutItsBranchTableFailsTheOpenWithTheServersMessage) {
  StartServices();
  fRegistry->Run("drop table branchrecord");
  // Only this registry's own tables: the shared database's must not stand in for the dropped one.
  fRegistry->Run("alter role " + fRegistry->Role() + " set search_path to " + fRegistry->Schema());
  const HostAnswer open = fLibrary.Call("OPEN", OpenRequest(fDevice, LogId()));
  EXPECT_EQ(open.result, -1);
  EXPECT_NE(open.message.find("relation \"branchrecord\" does not exist"), std::string::npos) << open.message;
  EXPECT_EQ(open.Field("Handle"), "0");
}

TEST_F(FaultMatrixTest, RequestsNoTillWouldSendAreRefusedInBoundedTime) {
  StartServices();
  const int handle = OpenAgainst(fDevice.baseUrl, fDevice.caFile);
  ASSERT_GT(handle, 0);
  std::string huge = PayRequest(handle, Sale{});
  huge.replace(huge.find("<Reference>"), 0, Element("Padding", std::string(50 * 1024 * 1024, 'x')));
  std::string deep = "<Amount>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  deep += "</Amount>";
  std::string nested = PayRequest(handle, Sale{});
  nested.replace(nested.find("<Amount>"), 0, deep);
  const struct {
    const char* name;
    std::string request;
    std::string message;
  } rows[] = {
      {"50 MB", huge, "Request larger than 1048576 characters"},
      {"nested 100,000 deep", nested,
       "Error in processing node Amount as currency.\r\nElement \"Amount\" does not contain a single text node"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const size_t before = Record().size();
    const auto start = Clock::now();
    const HostAnswer answer = fLibrary.Call("PAY", row.request);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.message, row.message);
    EXPECT_EQ(Record().size(), before);  // nothing signed, nothing sent
  }
}

TEST_F(FaultMatrixTest, ALogFolderThatCannotBeWrittenStopsNeitherThePaymentNorTheClose) {
  StartServices();
  const char* binaryDir = std::getenv("OV_TEST_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);
  WriteFile(fTill.Path() / "open.xml", OpenRequest(fDevice, LogId()));
  WriteFile(fTill.Path() / "pay.xml", PayRequest(kHostHandle, Sale{}));
  WriteFile(fTill.Path() / "close.xml", Envelope("Close", kHostHandle, ""));

  // How the host is started, given its LogFiles folder (beside its executable).
  struct Row {
    const char* name;
    std::function<std::vector<std::string>(const fs::path&)> prepare;
  };
  const Row rows[] = {
      {"a file stands where the folder should be",
       [](const fs::path& aLogFiles) {
         WriteFile(aLogFiles, "not a folder");
         return std::vector<std::string>{};
       }},
      // A disk of one page, filled before the host starts, in a mount
      // namespace of the host's own: files can be made, nothing written.
      {"the disk is full",
       [](const fs::path& aLogFiles) {
         fs::create_directories(aLogFiles);
         return std::vector<std::string>{
             "/usr/bin/unshare", "--mount", "--propagation", "private", "sh", "-c",
             "mount -t tmpfs -o size=4k tmpfs \"$0\" || exit 99; head -c 65536 /dev/zero >\"$0/filler\" 2>/dev/null;"
             " exec \"$@\"",
             aLogFiles.string()};
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // The host program in a folder of its own.
    const TempFolder host;
    fs::create_directories(host.Path() / "tools");
    fs::copy_file(fs::path(binaryDir) / "tools" / "ovpa-host", host.Path() / "tools" / "ovpa-host");
    std::vector<std::string> command = row.prepare(host.Path() / "tools" / "LogFiles");
    command.insert(command.end(), {(host.Path() / "tools" / "ovpa-host").string(), "--library",
                                   std::string(binaryDir) + "/OVPA_DOVAVAREZU_10.so", "OPEN", "open.xml", "PAY",
                                   "pay.xml", "CLOSE", "close.xml"});
    const ChildResult run = RunChild(command, fTill.Path(), 30s);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;  // every call answered 0
    EXPECT_NE(run.output.find("<PaymentAmount>20</PaymentAmount>"), std::string::npos) << run.output;
    // Some 35 lines could not be written; none held the host for long.
    EXPECT_LT(run.elapsed, 5s);
  }
}

}  // namespace

// The I/O handlers of the Windows build under Wine: the HTTP exchange on
// WinHTTP against loopback peers of the test's own (the HTTP I/O handler's
// Basic and Digest authentication, the EPay client's failures that a caller
// tells apart: refused, timed out, an answer cut off), and the DLL handler's
// failure text from the system.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/HttpDigest.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"
#include "windows/WineRun.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRealm = "ov-test";
constexpr const char* kNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";


class WineHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& server = fServer.Server();
    server.Post("/basic", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      if (aRequest.get_header_value("Authorization") != "Basic dXNlcjpzZWNyZXQ=") {  // user:secret
        aResponse.status = 401;
        aResponse.set_header("WWW-Authenticate", "Basic realm=\"ov-test\"");
        return;
      }
      aResponse.set_content("basic ok", "text/plain");
    });
    server.Post("/digest", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      if (!DigestAnswerIsValid(aRequest.get_header_value("Authorization"), "POST", {"user", "secret", kRealm, kNonce})) {
        aResponse.status = 401;
        aResponse.set_header("WWW-Authenticate", std::string("Digest realm=\"") + kRealm + "\", qop=\"auth\", nonce=\"" +
                                                     kNonce + "\", algorithm=MD5");
        return;
      }
      aResponse.set_content("digest ok:" + aRequest.body, "text/plain");
    });
    server.Post("/held", [this](const httplib::Request&, httplib::Response& aResponse) {
      // Silent until the test ends: only the read time-out ends the wait.
      std::unique_lock lock(fLock);
      fRelease.wait_for(lock, 30s, [this] { return fReleased; });
      aResponse.set_content("{}", "application/json");
    });
    server.Post("/cut-off", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content_provider(100, "application/json", [](size_t, size_t, httplib::DataSink& aSink) {
        aSink.write("{\"cut\":", 7);
        return false;  // the connection closes here
      });
    });
    fServer.Start();
  }

  void TearDown() override {
    {
      std::lock_guard lock(fLock);
      fReleased = true;
    }
    fRelease.notify_all();
  }

  std::string Url(const std::string& aPath) const {
    return "http://127.0.0.1:" + std::to_string(fServer.Port()) + aPath;
  }

  // One exchange of the probe under Wine, its JSON answer parsed.
  rapidjson::Document Probe(const std::vector<std::string>& aArguments) {
    return ProbeAnswer(RunUnderWine("tools/ovpa-handler-probe.exe", aArguments, fFolder.Path(), 60s));
  }

  std::vector<std::string> SeenAuthorizations() {
    std::lock_guard lock(fLock);
    return fAuthorizations;
  }

  static std::string Text(const rapidjson::Document& aAnswer, const char* aName) {
    return aAnswer.HasMember(aName) ? aAnswer[aName].GetString() : "<absent>";
  }
  static int Number(const rapidjson::Document& aAnswer, const char* aName) {
    return aAnswer.HasMember(aName) ? aAnswer[aName].GetInt() : -999;
  }

 private:
  void Record(const httplib::Request& aRequest) {
    std::lock_guard lock(fLock);
    fAuthorizations.push_back(aRequest.get_header_value("Authorization"));
  }

  TempFolder fFolder;
  std::mutex fLock;
  std::condition_variable fRelease;
  bool fReleased = false;
  std::vector<std::string> fAuthorizations;
  TestHttpServer fServer;  // last: stopped before what its handlers use goes away
};

TEST_F(WineHandlerTest, TheHandlerAnswersADigestChallengeWithinTheCall) {
  const auto answer = Probe({"handler", Url("/digest"), "digest", "user", "secret", "payload"});
  EXPECT_EQ(Number(answer, "ok"), 1);
  EXPECT_EQ(Number(answer, "responseCode"), 200);
  EXPECT_EQ(Text(answer, "response"), "digest ok:payload");
  const auto seen = SeenAuthorizations();
  ASSERT_EQ(seen.size(), 2u);  // the challenge, then the answer to it
  EXPECT_EQ(seen[0], "");
  EXPECT_EQ(seen[1].rfind("Digest ", 0), 0u);

  const auto refused = Probe({"handler", Url("/digest"), "digest", "user", "wrong", "payload"});
  EXPECT_EQ(Number(refused, "responseCode"), 401);
  EXPECT_EQ(Text(refused, "errorMessage"), "HTTP/1.1 401 Unauthorized Unauthorized");
}

TEST_F(WineHandlerTest, TheHandlerSendsBasicCredentialsWithTheFirstRequest) {
  const auto answer = Probe({"handler", Url("/basic"), "basic", "user", "secret", "x"});
  EXPECT_EQ(Text(answer, "response"), "basic ok");
  EXPECT_EQ(SeenAuthorizations(), std::vector<std::string>{"Basic dXNlcjpzZWNyZXQ="});
}

TEST_F(WineHandlerTest, TheClientTellsRefusedTimedOutAndCutOffApart) {
  const auto refused = Probe({"client", "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/", "5", "{}"});
  EXPECT_EQ(Number(refused, "lastStatusCode"), 12029);  // ERROR_WINHTTP_CANNOT_CONNECT
  EXPECT_NE(Text(refused, "lastStatusText"), "");
  EXPECT_EQ(Number(refused, "outcomeUnknown"), 0);  // nothing reached a server

  const auto start = std::chrono::steady_clock::now();
  const auto late = Probe({"client", Url("/held"), "1", "{}"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
  EXPECT_EQ(Number(late, "lastStatusCode"), 12002);  // ERROR_WINHTTP_TIMEOUT
  EXPECT_EQ(Text(late, "lastStatusText"), "Operation timed out: no data received for 1 seconds");
  EXPECT_EQ(Number(late, "outcomeUnknown"), 1);  // the server had the request

  const auto cut = Probe({"client", Url("/cut-off"), "5", "{}"});
  EXPECT_EQ(Number(cut, "ok"), 0);
  EXPECT_EQ(Number(cut, "lastStatusCode"), 200);
  EXPECT_EQ(Number(cut, "outcomeUnknown"), 1);
  EXPECT_EQ(Text(cut, "response"), "");
}

TEST_F(WineHandlerTest, TheDllHandlerReportsTheSystemsTextAndCode) {
  const auto answer = Probe({"library", "vendor_missing.dll"});
  const std::string failure = Text(answer, "failure");
  EXPECT_EQ(failure.rfind("Unable to Load Library vendor_missing.dll. ", 0), 0u) << failure;
  ASSERT_GE(failure.size(), 6u);
  EXPECT_EQ(failure.substr(failure.size() - 6), " [126]") << failure;  // ERROR_MOD_NOT_FOUND
  EXPECT_NE(failure[failure.size() - 7], '.') << failure;               // the system's full stop dropped

  EXPECT_EQ(Text(Probe({"library", "kernel32.dll"}), "failure"), "");
}

}  // namespace

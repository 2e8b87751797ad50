#include "io/uOVIOHandler_HTTP.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "base/uOV_Text.h"
#include "io/LogLines.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"
#include "support/HttpDigest.h"
#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

namespace {

namespace fs = std::filesystem;

struct SeenRequest {
  std::string path;
  std::string body;
  httplib::Headers headers;
};

// A plain HTTP server on 127.0.0.1 with the answers the tests need.
class TestServer {
 public:
  static constexpr const char* kRealm = "ov-test";
  static constexpr const char* kNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";

  TestServer() {
    httplib::Server& server = fServer.Server();
    server.Post("/ok", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      aResponse.set_content("echo:" + aRequest.body, "text/plain; charset=utf-8");
    });
    server.Post("/", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      aResponse.set_content("root", "text/plain");
    });
    server.Post("/status/(\\d+)", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      aResponse.status = std::stoi(aRequest.matches[1]);
      aResponse.set_content("status body", "text/plain");
    });
    server.Post("/redirect", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Record(aRequest);
      aResponse.status = 302;
      aResponse.set_header("Location", "/ok");
      aResponse.set_content("moved", "text/plain");
    });
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
      if (!DigestIsValid(aRequest)) {
        aResponse.status = 401;
        aResponse.set_header("WWW-Authenticate", std::string("Digest realm=\"") + kRealm +
                                                     "\", qop=\"auth\", nonce=\"" + kNonce +
                                                     "\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\", algorithm=MD5");
        aResponse.set_content("challenge", "text/plain");
        return;
      }
      aResponse.set_content("digest ok:" + aRequest.body, "text/plain");
    });
    fServer.Start();
  }

  std::u16string Url(const std::string& aPath) const { return fServer.Url(aPath); }
  int Port() const { return fServer.Port(); }
  std::vector<SeenRequest> Seen() {
    std::lock_guard guard(fLock);
    return fSeen;
  }

 private:
  void Record(const httplib::Request& aRequest) {
    std::lock_guard guard(fLock);
    fSeen.push_back({aRequest.path, aRequest.body, aRequest.headers});
  }

  static bool DigestIsValid(const httplib::Request& aRequest) {
    return DigestAnswerIsValid(aRequest.get_header_value("Authorization"), "POST", {"user", "secret", kRealm, kNonce});
  }

  std::mutex fLock;
  std::vector<SeenRequest> fSeen;
  TestHttpServer fServer;  // last: stopped before what its handlers use goes away
};

// A peer that answers every connection with fixed bytes and hangs up.
class RawServer {
 public:
  explicit RawServer(std::string aAnswer) : fAnswer(std::move(aAnswer)) {
    fSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fSocket, 4);
    socklen_t length = sizeof address;
    getsockname(fSocket, reinterpret_cast<sockaddr*>(&address), &length);
    fPort = ntohs(address.sin_port);
    fThread = std::thread([this] {
      const int peer = accept(fSocket, nullptr, nullptr);
      if (peer < 0) return;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = read(peer, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, size_t(n));
      }
      (void)!write(peer, fAnswer.data(), fAnswer.size());
      close(peer);
    });
  }
  ~RawServer() {
    shutdown(fSocket, SHUT_RDWR);
    close(fSocket);
    fThread.join();
  }
  std::u16string Url() const { return AsciiToUtf16("http://127.0.0.1:" + std::to_string(fPort) + "/"); }

 private:
  std::string fAnswer;
  int fSocket = -1;
  int fPort = 0;
  std::thread fThread;
};

std::string Header(const SeenRequest& aRequest, const std::string& aName) {
  const auto found = aRequest.headers.find(aName);
  return found == aRequest.headers.end() ? std::string("(none)") : found->second;
}

class HttpHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting([] { return kLogTestTime; }); }
  void TearDown() override { SetClockForTesting(nullptr); }

  std::unique_ptr<kIOHandler_HTTP> MakeHandler(const std::u16string& aUrl) {
    connection.SetURL(aUrl);
    return std::make_unique<kIOHandler_HTTP>(&connection, folder.Path16(), u"DRV_7");
  }
  // The log of a handler that has been destroyed, without START and STOP.
  std::vector<std::string> Trace() {
    auto lines = LogMessages(folder.Path() / "DRV_7_20240315.log");
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() < 2) return lines;
    EXPECT_EQ(lines.front(), kStartBanner);
    EXPECT_EQ(lines.back(), kStopBanner);
    return {lines.begin() + 1, lines.end() - 1};
  }

  TempFolder folder;
  kConnection connection;
  TestServer server;
};

TEST_F(HttpHandlerTest, SuccessfulPostKeepsTheAnswerAndLogsUtf8SizeAndRead) {
  auto handler = MakeHandler(server.Url("/ok"));
  handler->SetContentType(u"application/json");
  const std::u16string message = u"{\"amount\":\"1.00\",\"item\":\"Καφές\"}";
  EXPECT_TRUE(handler->Write(message));
  EXPECT_EQ(handler->ResponseCode(), 200);
  EXPECT_EQ(handler->Response(), u"echo:" + message);
  EXPECT_FALSE(handler->ErrorFound());
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].body, Utf16ToUtf8(message));
  EXPECT_EQ(Header(seen[0], "Content-Type"), "application/json");
  EXPECT_EQ(Header(seen[0], "Authorization"), "(none)");
  handler.reset();
  const std::string body = Utf16ToUtf8(message);
  ASSERT_EQ(message.size(), 32u);
  ASSERT_EQ(body.size(), 37u);  // five Greek letters take two bytes each
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Write [37]:" + body, "Read:ResponseCode:200\r\necho:" + body}));
}

TEST_F(HttpHandlerTest, ErrorStatusIsRecordedWithTheStatusLineAndItsText) {
  struct Case {
    int status;
    std::string statusLine;
    std::string text;
  } cases[] = {
      {404, "HTTP/1.1 404 Not Found", "Not Found"},
      {500, "HTTP/1.1 500 Internal Server Error", "Internal Server Error"},
      {503, "HTTP/1.1 503 Service Unavailable", "Service Unavailable"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    TempFolder logs;
    connection.SetURL(server.Url("/ok"));
    auto handler = std::make_unique<kIOHandler_HTTP>(&connection, logs.Path16(), u"DRV_7");
    ASSERT_TRUE(handler->Write(u"first"));
    handler->SetURL(server.Url("/status/" + std::to_string(c.status)));
    EXPECT_FALSE(handler->Write(u"second"));
    EXPECT_EQ(handler->ResponseCode(), c.status);
    EXPECT_TRUE(handler->ErrorFound());
    EXPECT_EQ(handler->ErrorCode(), c.status);
    EXPECT_EQ(Utf16ToUtf8(handler->ErrorMessage()), c.statusLine + " " + c.text);
    EXPECT_EQ(handler->Response(), u"echo:first");  // kept from the last success
    handler.reset();
    const auto lines = LogMessages(logs.Path() / "DRV_7_20240315.log");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         kStartBanner, "Write [5]:first", "Read:ResponseCode:200\r\necho:first", "Write [6]:second",
                         "ERROR - Post Error:" + c.statusLine,
                         "ERROR - Post Error:" + std::to_string(c.status) + " " + c.text,
                         "Read:ResponseCode:" + std::to_string(c.status) + "\r\necho:first", kStopBanner}));
  }
}

TEST_F(HttpHandlerTest, RefusedConnectionEndsInUnknown) {
  auto handler = MakeHandler(AsciiToUtf16("http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/ok"));
  EXPECT_FALSE(handler->Write(u"x"));
  const int32_t code = handler->ResponseCode();
  EXPECT_LT(code, 0);
  EXPECT_EQ(handler->ErrorCode(), code);
  EXPECT_EQ(handler->DecodeError(code), u"Unknown");
  const std::string message = Utf16ToUtf8(handler->ErrorMessage());
  ASSERT_GT(message.size(), 8u);
  EXPECT_EQ(message.substr(message.size() - 8), " Unknown") << message;
  EXPECT_NE(message.find("onnect"), std::string::npos) << message;
  const std::string clientText = message.substr(0, message.size() - 8);
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Write [1]:x", "ERROR - Post Error:" + clientText,
                                               "ERROR - Post Error:" + std::to_string(code) + " Unknown",
                                               "Read:ResponseCode:" + std::to_string(code) + "\r\n"}));
}

TEST_F(HttpHandlerTest, FailureAfterASuccessStatusIsCode999WithTheClientText) {
  RawServer peer("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort");
  auto handler = MakeHandler(peer.Url());
  handler->SetResponse(u"before");
  EXPECT_FALSE(handler->Write(u"x"));
  EXPECT_EQ(handler->ResponseCode(), 999);
  EXPECT_EQ(handler->ErrorCode(), 999);
  EXPECT_EQ(handler->Response(), u"before");
  const std::string message = Utf16ToUtf8(handler->ErrorMessage());
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(message.find("Unknown"), std::string::npos) << message;
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Write [1]:x", "ERROR - Post Error:" + message,
                                               "Read:ResponseCode:999\r\nbefore"}));
}

TEST_F(HttpHandlerTest, DigestChallengeIsAnsweredWithinTheCall) {
  connection.SetAuthType(ovHTTPAuthType::at_Digest);
  connection.SetUser(u"user");
  connection.SetPassword(u"secret");
  auto handler = MakeHandler(server.Url("/digest"));
  EXPECT_TRUE(handler->Write(u"payload"));
  EXPECT_EQ(handler->ResponseCode(), 200);
  EXPECT_EQ(handler->Response(), u"digest ok:payload");
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 2u);  // the challenge, then the answer to it
  EXPECT_EQ(Header(seen[0], "Authorization"), "(none)");
  EXPECT_EQ(Header(seen[1], "Authorization").rfind("Digest ", 0), 0u);
  EXPECT_EQ(seen[1].body, "payload");

  handler->SetPassword(u"wrong");
  EXPECT_FALSE(handler->Write(u"payload"));
  EXPECT_EQ(handler->ResponseCode(), 401);
  EXPECT_EQ(handler->ErrorMessage(), u"HTTP/1.1 401 Unauthorized Unauthorized");
}

TEST_F(HttpHandlerTest, BasicCredentialsGoWithTheFirstRequest) {
  connection.SetAuthType(ovHTTPAuthType::at_Basic);
  connection.SetUser(u"user");
  connection.SetPassword(u"secret");
  auto handler = MakeHandler(server.Url("/basic"));
  EXPECT_TRUE(handler->Write(u"x"));
  EXPECT_EQ(handler->Response(), u"basic ok");
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(Header(seen[0], "Authorization"), "Basic dXNlcjpzZWNyZXQ=");
}

TEST_F(HttpHandlerTest, NoCredentialsAreSentWithoutBasicOrDigest) {
  for (const auto type : {ovHTTPAuthType::at_None, ovHTTPAuthType::at_Bearer}) {
    connection.SetAuthType(type);
    connection.SetUser(u"user");
    connection.SetPassword(u"secret");
    auto handler = MakeHandler(server.Url("/basic"));
    EXPECT_FALSE(handler->Write(u"x"));
    EXPECT_EQ(handler->ResponseCode(), 401);
  }
  for (const auto& request : server.Seen()) EXPECT_EQ(Header(request, "Authorization"), "(none)");
}

TEST_F(HttpHandlerTest, SetParameterAddsOrReplacesAHeaderForAllLaterRequests) {
  auto handler = MakeHandler(server.Url("/ok"));
  handler->SetParameter(u"X-Device", u"first");
  handler->SetParameter(u"X-Other", u"kept");
  handler->SetParameter(u"x-device", u"second");
  ASSERT_EQ(handler->CustomHeaders().size(), 2u);
  EXPECT_TRUE(handler->Write(u"one"));
  EXPECT_TRUE(handler->Write(u"two"));
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 2u);
  for (const auto& request : seen) {
    EXPECT_EQ(request.headers.count("X-Device"), 1u);
    EXPECT_EQ(Header(request, "X-Device"), "second");
    EXPECT_EQ(Header(request, "X-Other"), "kept");
    EXPECT_EQ(Header(request, "Content-Type"), "(none)");  // none set
  }
}

TEST_F(HttpHandlerTest, HeaderValuesCannotAddLinesToTheRequest) {
  auto handler = MakeHandler(server.Url("/ok"));
  handler->SetParameter(u"X-Device", u"a\r\nX-Injected: yes");
  EXPECT_TRUE(handler->Write(u"x"));
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(Header(seen[0], "X-Injected"), "(none)");
  EXPECT_EQ(Header(seen[0], "X-Device"), "aX-Injected: yes");
}

TEST_F(HttpHandlerTest, RedirectIsNotFollowedAndNotAnError) {
  auto handler = MakeHandler(server.Url("/redirect"));
  EXPECT_FALSE(handler->Write(u"x"));
  EXPECT_EQ(handler->ResponseCode(), 302);
  EXPECT_EQ(handler->Response(), u"moved");
  EXPECT_FALSE(handler->ErrorFound());
  const auto seen = server.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].path, "/redirect");
}

TEST_F(HttpHandlerTest, WriteDoesNotResetTheErrorState) {
  auto handler = MakeHandler(server.Url("/status/404"));
  EXPECT_FALSE(handler->Write(u"x"));
  handler->SetURL(server.Url("/ok"));
  EXPECT_TRUE(handler->Write(u"y"));
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 404);
  EXPECT_EQ(handler->ResponseCode(), 200);
}

TEST_F(HttpHandlerTest, UrlComesFromTheConnectionOrFromAddressAndPort) {
  struct Case {
    std::u16string url, address;
    int32_t port;
    std::u16string expected;
  } cases[] = {
      {u"https://terminal.example/api", u"10.0.0.5", 8080, u"https://terminal.example/api"},
      {u"", u"10.0.0.5", 8080, u"10.0.0.5:8080"},
      {u"", u"10.0.0.5", 0, u"10.0.0.5"},
  };
  for (const auto& c : cases) {
    kConnection settings;
    settings.SetURL(c.url);
    settings.SetAddress(c.address);
    settings.SetPort(c.port);
    EXPECT_EQ(kIOHandler_HTTP(&settings, u"", u"").URL(), c.expected);
  }
  kConnection local;
  local.SetAddress(u"127.0.0.1");
  local.SetPort(server.Port());
  kIOHandler_HTTP handler(&local, u"", u"");
  EXPECT_TRUE(handler.Write(u"to the root"));
  EXPECT_EQ(handler.Response(), u"root");
}

TEST_F(HttpHandlerTest, ConnectLogsTheBlockAndTheUrlAndOpensNothing) {
  connection.SetConnectTimeOut(2500);
  auto handler = MakeHandler(server.Url("/ok"));
  handler->SetVersion(u"Version 1.01 - 27/09/2024");
  EXPECT_TRUE(handler->Connect());
  EXPECT_FALSE(handler->Connected());
  EXPECT_TRUE(server.Seen().empty());
  EXPECT_TRUE(handler->Write(u"x"));
  EXPECT_TRUE(handler->Connected());  // curl keeps the connection for the next request
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->Connected());
  EXPECT_TRUE(handler->Write(u"again"));  // a new connection after Disconnect
  handler.reset();
  const auto trace = Trace();
  ASSERT_GE(trace.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + 7),
            (std::vector<std::string>{kConnectBanner, "kIOHandler_HTTP", "Version 1.01 - 27/09/2024",
                                      "ConnectTimeout=2500", "ReadTimeout=1000",
                                      "URL=" + Utf16ToUtf8(server.Url("/ok")), "Write [1]:x"}));
}

TEST_F(HttpHandlerTest, HexLogAddsTheDumpToWriteAndRead) {
  auto handler = MakeHandler(server.Url("/ok"));
  handler->SetHexLog(true);
  EXPECT_TRUE(handler->Write(u"AB"));
  handler.reset();
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "Write [2]:AB [41 42]",
                         "Read:ResponseCode:200\r\necho:AB [52 65 73 70 6f 6e 73 65 43 6f 64 65 3a 32 30 30 0d 0a "
                         "65 63 68 6f 3a 41 42]"}));
}

TEST_F(HttpHandlerTest, StreamOperationsAreEmptyOrUnsupported) {
  auto handler = MakeHandler(server.Url("/ok"));
  EXPECT_EQ(handler->ReadUpTo({0x0d}), u"");
  EXPECT_EQ(handler->ReadChars(3), u"");
  handler->ClearBuffers();
  EXPECT_EQ(FailureOf([&] { handler->ReadAll(); }), u"ReadAll Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
}

TEST(HttpDecodeErrorTest, StatusTextsAndUnknownCodes) {
  kIOHandler_HTTP handler(nullptr, u"", u"");
  struct Case {
    int32_t code;
    std::u16string text;
  } cases[] = {
      {100, u"Continue"},        {101, u"Switching Protocol"},      {200, u"OK"},
      {208, u"Already Reported (WebDAV)"}, {226, u"IM Used (HTTP Delta encoding)"},
      {300, u"Multiple Choice"}, {305, u"Use Proxy "},              {306, u"unused"},
      {404, u"Not Found"},       {418, u"I'm a teapot"},            {451, u"Unavailable For Legal Reasons"},
      {511, u"Network Authentication Required"},                    {299, u"Unknown"},
      {-1, u"Unknown"},          {0, u"Unknown"},                   {999, u"Unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(handler.DecodeError(c.code), c.text) << c.code;
}

}  // namespace

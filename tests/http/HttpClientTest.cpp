#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "base/uOV_Text.h"
#include "support/TestHttpServer.h"
#include "http/uOV_HTTPClient.h"
#include "http/uOV_JsonWriter.h"
#include "platform/ovUtf.h"
#include "support/HttpDigest.h"
#include "support/TempFolder.h"
#include "support/TestCertificate.h"

namespace {

using namespace std::chrono_literals;

struct TraceLine {
  tOV_MessageType type;
  std::u16string title;
  std::u16string message;
  bool operator==(const TraceLine&) const = default;
};

void PrintTo(const TraceLine& aLine, std::ostream* aOut) {
  *aOut << (aLine.type == let_error ? "error " : "info ") << Utf16ToUtf8(aLine.title) << " | "
        << Utf16ToUtf8(aLine.message);
}

class Trace {
 public:
  ovWriteLogEvent Sink() {
    return [this](tOV_MessageType aType, const std::u16string& aTitle, const std::u16string& aMessage) {
      fLines.push_back({aType, aTitle, aMessage});
    };
  }
  const std::vector<TraceLine>& Lines() const { return fLines; }
  std::vector<std::u16string> Titles() const {
    std::vector<std::u16string> titles;
    for (const auto& line : fLines) titles.push_back(line.title);
    return titles;
  }

 private:
  std::vector<TraceLine> fLines;
};

// What the server saw of the requests to one route.
class Seen {
 public:
  void Record(const httplib::Request& aRequest) {
    std::lock_guard lock(fMutex);
    fRequests.push_back(aRequest);
  }
  size_t Count() const {
    std::lock_guard lock(fMutex);
    return fRequests.size();
  }
  httplib::Request Last() const {
    std::lock_guard lock(fMutex);
    return fRequests.empty() ? httplib::Request() : fRequests.back();
  }

 private:
  mutable std::mutex fMutex;
  std::vector<httplib::Request> fRequests;
};

// Holds a server's answer back until the test has seen the client give up.
class Gate {
 public:
  void WaitOpen(std::chrono::seconds aLongest) { WaitOpenFor(aLongest); }
  void WaitOpenFor(std::chrono::milliseconds aLongest) {
    std::unique_lock lock(fMutex);
    fChanged.wait_for(lock, aLongest, [this] { return fOpen; });
  }
  bool IsOpen() {
    std::lock_guard lock(fMutex);
    return fOpen;
  }
  void Open() {
    {
      std::lock_guard lock(fMutex);
      fOpen = true;
    }
    fChanged.notify_all();
  }

 private:
  std::mutex fMutex;
  std::condition_variable fChanged;
  bool fOpen = false;
};

std::string Base64(const std::string& aBytes) {
  std::string out(4 * ((aBytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                     reinterpret_cast<const unsigned char*>(aBytes.data()), int(aBytes.size()));
  out.resize(size_t(length));
  return out;
}

class HttpClientTest : public testing::Test {
 protected:
  void SetUp() override {
    auto& server = fServer.Server();
    server.Post("/ok", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      fOk.Record(aRequest);
      aResponse.set_content("{}", "application/json");
    });
    server.Get("/ok", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      fOk.Record(aRequest);
      aResponse.set_content("{}", "application/json");
    });
    server.Post("/status/(\\d+)", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      fStatus.Record(aRequest);
      aResponse.status = std::stoi(aRequest.matches[1]);
      if (aResponse.status == 204) return;
      if (aResponse.status >= 300 && aResponse.status < 400) aResponse.set_header("Location", "/redirected");
      aResponse.set_content("{\"error\":\"status " + aRequest.matches[1].str() + "\"}", "application/json");
    });
    server.Get("/status/(\\d+)", [](const httplib::Request& aRequest, httplib::Response& aResponse) {
      aResponse.status = std::stoi(aRequest.matches[1]);
      aResponse.set_header("Location", "/redirected");
      aResponse.set_content("x", "text/plain");
    });
    server.Post("/redirected", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      fRedirected.Record(aRequest);
      aResponse.set_content("{}", "application/json");
    });
    server.Post("/html500", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.status = 500;
      aResponse.set_content("<html><body>Server Error</body></html>", "text/html");
    });
    server.Post("/greek", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content(Utf16ToUtf8(u"{\"t\":\"Ωμέγα \U0001F600\"}"), "application/json; charset=utf-8");
    });
    server.Post("/echo-authorization", [](const httplib::Request& aRequest, httplib::Response& aResponse) {
      aResponse.set_content("{\"seen\":\"" + aRequest.get_header_value("Authorization") + "\"}", "application/json");
    });
    server.Post("/late", [](const httplib::Request&, httplib::Response& aResponse) {
      std::this_thread::sleep_for(1500ms);  // late, but within a read time-out of 3 s
      aResponse.set_content("{\"late\":true}", "application/json");
    });
    server.Post("/held", [this](const httplib::Request&, httplib::Response& aResponse) {
      fGate.WaitOpen(10s);
      aResponse.set_content("{}", "application/json");
    });
    server.Post("/held-body", [this](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_chunked_content_provider("application/json", [this](size_t aOffset, httplib::DataSink& aSink) {
        if (aOffset == 0) return aSink.write("{\"part\":", 8);
        fGate.WaitOpen(10s);
        return false;
      });
    });
    server.Post("/trickle", [this](const httplib::Request&, httplib::Response& aResponse) {
      // One byte every 400 ms, without end: never silent for a read time-out.
      aResponse.set_chunked_content_provider("application/json", [this](size_t, httplib::DataSink& aSink) {
        fGate.WaitOpenFor(400ms);
        return !fGate.IsOpen() && aSink.write(" ", 1);
      });
    });
    server.Post("/large", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content(std::string(2 * 1024 * 1024, ' '), "application/json");
    });
    server.Post("/cut-off", [](const httplib::Request&, httplib::Response& aResponse) {
      // Announces 100 bytes, sends 7 and closes the connection.
      aResponse.set_content_provider(100, "application/json", [](size_t, size_t, httplib::DataSink& aSink) {
        aSink.write("{\"cut\":", 7);
        return false;
      });
    });
    server.Post("/digest", [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      fDigest.Record(aRequest);
      if (DigestAnswerIsValid(aRequest.get_header_value("Authorization"), aRequest.method,
                              {"digest-user", "digest-pass", "ovpa", "n0nce42"}, aRequest.target)) {
        aResponse.set_content("{\"digest\":\"ok\"}", "application/json");
        return;
      }
      aResponse.status = 401;
      aResponse.set_header("WWW-Authenticate", "Digest realm=\"ovpa\", qop=\"auth\", nonce=\"n0nce42\", algorithm=MD5");
      aResponse.set_content("{\"error\":\"challenge\"}", "application/json");
    });
    server.Get("/cookie/set", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_header("Set-Cookie", "session=s1; Path=/");
      aResponse.set_content("set", "text/plain");
    });
    server.Get("/cookie/show", [](const httplib::Request& aRequest, httplib::Response& aResponse) {
      aResponse.set_content(aRequest.get_header_value("Cookie"), "text/plain");
    });
    fServer.Start();
  }

  void TearDown() override { fGate.Open(); }

  // A client as the EPay driver sets one up, tracing into fTrace.
  void UseJson(OV_HttpClient& aClient) {
    aClient.SetContentType(u"application/json");
    aClient.SetOnWriteLog(fTrace.Sink());
  }

  TestHttpServer fServer;
  Trace fTrace;
  Seen fOk, fStatus, fRedirected, fDigest;
  Gate fGate;
};

TEST_F(HttpClientTest, AnswerOf200WithEmptyObjectIsTrueAndTracedWithItsLength) {
  OV_HttpClient client;
  UseJson(client);
  const std::u16string body = u"{\"username\":\"Γιώργος\"}";
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), body));
  EXPECT_EQ(client.Response(), u"{}");
  EXPECT_EQ(client.LastStatusCode(), 200);
  EXPECT_EQ(client.LastStatusText(), u"OK");
  EXPECT_EQ(client.ResponseContentType(), u"application/json");
  const std::vector<TraceLine> expected = {
      {let_info, u"Write", fServer.Url("/ok")},
      {let_info, u"Write [" + IntToStr(int64_t(body.size())) + u"]", body},
      {let_info, u"Read [2]", u"{}"},
  };
  EXPECT_EQ(fTrace.Lines(), expected);

  const httplib::Request seen = fOk.Last();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, Utf16ToUtf8(body));
  EXPECT_EQ(seen.get_header_value("Content-Type"), "application/json");
  // No compressed answers, no preferences, no 100-continue round trip, no
  // user agent unless one is set.
  for (const char* absent : {"Accept-Encoding", "Accept-Charset", "Accept-Language", "Expect", "User-Agent",
                             "Authorization"}) {
    EXPECT_FALSE(seen.has_header(absent)) << absent;
  }
}

TEST_F(HttpClientTest, EmptyBodyWritesNoLengthLine) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u""));
  EXPECT_EQ(fTrace.Titles(), (std::vector<std::u16string>{u"Write", u"Read [2]"}));
  EXPECT_EQ(fOk.Last().method, "POST");
  EXPECT_EQ(fOk.Last().get_header_value("Content-Length"), "0");
}

TEST_F(HttpClientTest, AnswerOf204WithoutBodyIsTrue) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_TRUE(client.Post(fServer.Url("/status/204"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 204);
  EXPECT_EQ(client.LastStatusText(), u"No Content");
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(fTrace.Lines().back(), (TraceLine{let_info, u"Read [0]", u""}));
}

TEST_F(HttpClientTest, AnswerOf401KeepsReasonPhraseAndBodyAndTracesHttpError) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_FALSE(client.Post(fServer.Url("/status/401"), u"{\"refresh\":\"r\"}"));
  EXPECT_EQ(client.LastStatusCode(), 401);
  EXPECT_EQ(client.LastStatusText(), u"Unauthorized");
  EXPECT_FALSE(client.OutcomeUnknown());
  EXPECT_EQ(client.Response(), u"{\"error\":\"status 401\"}");
  EXPECT_EQ(client.ResponseContentType(), u"application/json");
  ASSERT_EQ(fTrace.Lines().size(), 4u);
  EXPECT_EQ(fTrace.Lines()[2], (TraceLine{let_info, u"Read [22]", u"{\"error\":\"status 401\"}"}));
  EXPECT_EQ(fTrace.Lines()[3], (TraceLine{let_error, u"HTTP Error", u"401 - Unauthorized"}));
}

TEST_F(HttpClientTest, HtmlErrorPageIsKeptAsResponse) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_FALSE(client.Post(fServer.Url("/html500"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 500);
  EXPECT_EQ(client.Response(), u"<html><body>Server Error</body></html>");
  EXPECT_EQ(fTrace.Lines().back(), (TraceLine{let_error, u"HTTP Error", u"500 - Internal Server Error"}));
}

struct StatusCase {
  int status;
  bool result;
};

void PrintTo(const StatusCase& aCase, std::ostream* aOut) { *aOut << aCase.status << (aCase.result ? " true" : " false"); }

class HttpClientStatus : public HttpClientTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(HttpClientStatus, StatusDecidesTheResultAndRedirectsAreNotFollowed) {
  OV_HttpClient client;
  UseJson(client);
  const std::string path = "/status/" + std::to_string(GetParam().status);
  EXPECT_EQ(client.Post(fServer.Url(path), u"{}"), GetParam().result);
  EXPECT_EQ(client.LastStatusCode(), GetParam().status);
  EXPECT_FALSE(client.LastStatusText().empty());
  EXPECT_EQ(client.Response(), u"{\"error\":\"status " + IntToStr(GetParam().status) + u"\"}");
  const bool httpError = fTrace.Titles().back() == u"HTTP Error";
  EXPECT_EQ(httpError, !GetParam().result);
  EXPECT_EQ(fRedirected.Count(), 0u);
  EXPECT_EQ(fStatus.Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpClientStatus,
                         testing::Values(StatusCase{201, true}, StatusCase{299, true}, StatusCase{300, false},
                                         StatusCase{301, true}, StatusCase{302, true}, StatusCase{307, true},
                                         StatusCase{308, true}, StatusCase{400, false}, StatusCase{404, false},
                                         StatusCase{503, false}));

TEST_F(HttpClientTest, RedirectAnswerOf302IsReturnedWithItsReasonPhrase) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_TRUE(client.Post(fServer.Url("/status/302"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 302);
  EXPECT_EQ(client.LastStatusText(), u"Found");
  EXPECT_EQ(fRedirected.Count(), 0u);
}

TEST_F(HttpClientTest, ResponseIsReadAsUtf8AndItsLengthCountedInUtf16Units) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_TRUE(client.Post(fServer.Url("/greek"), u"{}"));
  EXPECT_EQ(client.Response(), u"{\"t\":\"Ωμέγα \U0001F600\"}");
  // {"t":" 6, the Greek word 5, blank 1, the emoji 2 code units, "} 2.
  EXPECT_EQ(fTrace.Lines().back().title, u"Read [16]");
  EXPECT_EQ(client.ResponseContentType(), u"application/json; charset=utf-8");
}

TEST_F(HttpClientTest, BodyCutOffAfterTheStatusLineIsAMethodError) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_FALSE(client.Post(fServer.Url("/cut-off"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 200);
  EXPECT_EQ(client.LastStatusText(), u"OK");
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(fTrace.Lines().back(), (TraceLine{let_error, u"PostXml method error", u"200 - OK"}));
  EXPECT_EQ(fTrace.Titles(), (std::vector<std::u16string>{u"Write", u"Write [2]", u"PostXml method error"}));
  // The server had the request and said nothing of failure.
  EXPECT_TRUE(client.OutcomeUnknown());
  EXPECT_NE(client.TransportErrorText().find(u"transfer closed"), std::u16string::npos)
      << Utf16ToUtf8(client.TransportErrorText());
}

TEST_F(HttpClientTest, BasicAuthenticationSendsUserAndPassword) {
  OV_HttpClient client;
  UseJson(client);
  client.SetAuthType(ovHTTPAuthType::at_Basic);
  client.SetUser(u"user");
  client.SetPassword(u"pa:ss Ω");
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(fOk.Last().get_header_value("Authorization"), "Basic " + Base64(Utf16ToUtf8(u"user:pa:ss Ω")));
}

TEST_F(HttpClientTest, DigestAuthenticationAnswersTheChallengeWithinTheCall) {
  OV_HttpClient client;
  UseJson(client);
  client.SetAuthType(ovHTTPAuthType::at_Digest);
  client.SetUser(u"digest-user");
  client.SetPassword(u"digest-pass");
  EXPECT_TRUE(client.Post(fServer.Url("/digest"), u"{\"x\":1}"));
  EXPECT_EQ(client.Response(), u"{\"digest\":\"ok\"}");
  EXPECT_EQ(fDigest.Count(), 2u);  // the challenge, then the answer to it
  EXPECT_EQ(fDigest.Last().body, "{\"x\":1}");
  // Only the final answer is traced.
  EXPECT_EQ(fTrace.Titles(), (std::vector<std::u16string>{u"Write", u"Write [7]", u"Read [15]"}));
}

TEST_F(HttpClientTest, DigestWithWrongPasswordEndsWith401) {
  OV_HttpClient client;
  UseJson(client);
  client.SetAuthType(ovHTTPAuthType::at_Digest);
  client.SetUser(u"digest-user");
  client.SetPassword(u"wrong");
  EXPECT_FALSE(client.Post(fServer.Url("/digest"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 401);
  EXPECT_EQ(client.Response(), u"{\"error\":\"challenge\"}");
}

TEST_F(HttpClientTest, BearerAuthenticationSendsTheToken) {
  OV_HttpClient client;
  UseJson(client);
  client.SetAuthType(ovHTTPAuthType::at_Bearer);
  client.SetBearer(u"eyJ.token-1");
  client.SetRequestHeader(u"Authorization", u"Basic not-this");
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(fOk.Last().get_header_value("Authorization"), "Bearer eyJ.token-1");
  EXPECT_EQ(fOk.Last().get_header_value_count("Authorization"), 1u);
}

TEST_F(HttpClientTest, RequestHeadersAccumulateAndReplaceByName) {
  OV_HttpClient client;
  UseJson(client);
  client.SetRequestHeader(u"X-Api-Key", u"k1");
  client.SetRequestHeader(u"X-Other", u"o");
  client.SetRequestHeader(u"x-api-key", u"k2");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  httplib::Request seen = fOk.Last();
  EXPECT_EQ(seen.get_header_value("X-Api-Key"), "k2");
  EXPECT_EQ(seen.get_header_value_count("X-Api-Key"), 1u);
  EXPECT_EQ(seen.get_header_value("X-Other"), "o");

  client.SetRequestHeader(u"APIKey", u"impact");
  client.SetRequestHeader(u"Accept", u"*/*");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  seen = fOk.Last();
  EXPECT_EQ(seen.get_header_value("X-Api-Key"), "k2");
  EXPECT_EQ(seen.get_header_value("X-Other"), "o");
  EXPECT_EQ(seen.get_header_value("APIKey"), "impact");
  EXPECT_EQ(seen.get_header_value("Accept"), "*/*");
  EXPECT_EQ(seen.get_header_value_count("Accept"), 1u);

  client.SetRequestHeader(u"X-Other", u"");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_FALSE(fOk.Last().has_header("X-Other"));
  EXPECT_EQ(fOk.Last().get_header_value("X-Api-Key"), "k2");
}

TEST_F(HttpClientTest, HeaderValueCannotStartAnotherHeader) {
  OV_HttpClient client;
  UseJson(client);
  client.SetRequestHeader(u"X-Api-Key", u"k\r\nX-Injected: 1");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_FALSE(fOk.Last().has_header("X-Injected"));
  EXPECT_EQ(fOk.Last().get_header_value("X-Api-Key"), "kX-Injected: 1");
}

struct ContentTypeCase {
  std::u16string contentType;
  std::string sent;
};

void PrintTo(const ContentTypeCase& aCase, std::ostream* aOut) {
  *aOut << '"' << Utf16ToUtf8(aCase.contentType) << "\" -> " << aCase.sent;
}

class HttpClientContentType : public HttpClientTest, public testing::WithParamInterface<ContentTypeCase> {};

TEST_P(HttpClientContentType, KindOfPostFollowsTheContentTypeExactly) {
  OV_HttpClient client;
  client.SetContentType(GetParam().contentType);
  client.SetRequestHeader(u"Content-Type", u"text/ignored");
  const std::u16string body = u"a=1&b=%20&c=Ω";
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), body));
  const httplib::Request seen = fOk.Last();
  EXPECT_EQ(seen.get_header_value("Content-Type"), GetParam().sent);
  EXPECT_EQ(seen.get_header_value_count("Content-Type"), 1u);
  EXPECT_EQ(seen.body, Utf16ToUtf8(body));  // as given, in UTF-8
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpClientContentType,
    testing::Values(ContentTypeCase{u"application/xml", "application/xml; charset=utf-8"},
                    ContentTypeCase{u"application/json", "application/json"},
                    ContentTypeCase{u"text/plain", "application/x-www-form-urlencoded"},
                    ContentTypeCase{u"application/JSON", "application/x-www-form-urlencoded"},
                    ContentTypeCase{u"", "application/x-www-form-urlencoded"}));

TEST_F(HttpClientTest, SettingsAreFixedAtTheFirstRequestButTheReadTimeOutIsAppliedAgain) {
  OV_HttpClient client;
  UseJson(client);
  client.SetUserAgent(u"Orvan QVD Driver");
  client.SetAuthType(ovHTTPAuthType::at_Bearer);
  client.SetBearer(u"first");
  client.SetReadTimeout(1);
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(fOk.Last().get_header_value("User-Agent"), "Orvan QVD Driver");

  client.SetUserAgent(u"Other Agent");
  client.SetBearer(u"second");
  client.SetAuthType(ovHTTPAuthType::at_None);
  client.SetConnectTimeout(1);
  client.SetReadTimeout(3);
  // Answered after 1.5 s: only the new read time-out lets it through.
  EXPECT_TRUE(client.Post(fServer.Url("/late"), u"{}"));
  EXPECT_EQ(client.Response(), u"{\"late\":true}");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(fOk.Last().get_header_value("User-Agent"), "Orvan QVD Driver");
  EXPECT_EQ(fOk.Last().get_header_value("Authorization"), "Bearer first");

  client.SetReadTimeout(1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Post(fServer.Url("/held"), u"{}"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(client.LastStatusCode(), CURLE_OPERATION_TIMEDOUT);
}

TEST_F(HttpClientTest, AnswerWithinTheReadTimeOutArrives) {
  OV_HttpClient client;
  UseJson(client);
  client.SetReadTimeout(3);
  EXPECT_TRUE(client.Post(fServer.Url("/late"), u"{}"));
  EXPECT_EQ(client.Response(), u"{\"late\":true}");
}

TEST_F(HttpClientTest, NoAnswerWithinTheReadTimeOutIsATimeOutWithoutAnswer) {
  OV_HttpClient client;
  UseJson(client);
  client.SetReadTimeout(1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Post(fServer.Url("/held"), u"{}"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 1s);
  EXPECT_LT(elapsed, 5s);  // well before the server would answer
  EXPECT_EQ(client.LastStatusCode(), CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(client.LastStatusText(), u"Operation timed out: no data received for 1 seconds");
  EXPECT_TRUE(client.OutcomeUnknown());
  EXPECT_EQ(client.TransportErrorText(), client.LastStatusText());
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(fTrace.Lines().back(),
            (TraceLine{let_error, u"HTTP Error", u"28 - Operation timed out: no data received for 1 seconds"}));
}

TEST_F(HttpClientTest, AnAnswerThatNeverEndsIsCutAtTwiceTheReadTimeOut) {
  OV_HttpClient client;
  UseJson(client);
  client.SetReadTimeout(1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Post(fServer.Url("/trickle"), u"{}"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 2s);
  EXPECT_LT(elapsed, 5s);
  EXPECT_EQ(client.LastStatusCode(), 200);
  EXPECT_TRUE(client.OutcomeUnknown());
  EXPECT_EQ(client.TransportErrorText(), u"Operation timed out: the answer did not end within 2 seconds");
}

TEST_F(HttpClientTest, AnAnswerLargerThanOneMebibyteIsNotKept) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_FALSE(client.Post(fServer.Url("/large"), u"{}"));
  EXPECT_EQ(client.Response(), u"");
  EXPECT_TRUE(client.OutcomeUnknown());
  EXPECT_EQ(client.TransportErrorText(), u"Answer larger than 1048576 bytes");
}

// Answers the first request of a connection (kept alive) and hangs up on the
// second without a word, as a service that fails under a request it took.
class AnswersOnceThenHangsUp {
 public:
  AnswersOnceThenHangsUp() {
    fSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fSocket, 8);
    socklen_t length = sizeof address;
    getsockname(fSocket, reinterpret_cast<sockaddr*>(&address), &length);
    fPort = ntohs(address.sin_port);
    fThread = std::thread([this] {
      for (;;) {
        const int peer = accept(fSocket, nullptr, nullptr);
        if (peer < 0) return;
        for (int request = 1;; ++request) {
          if (!ReadRequest(peer)) break;
          ++fRequests;
          if (request > 1) break;  // taken, never answered
          const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Type: application/json\r\n\r\n{}";
          (void)!write(peer, answer.data(), answer.size());
        }
        close(peer);
      }
    });
  }
  ~AnswersOnceThenHangsUp() {
    shutdown(fSocket, SHUT_RDWR);
    close(fSocket);
    fThread.join();
  }
  std::u16string Url() const { return AsciiToUtf16("http://127.0.0.1:" + std::to_string(fPort) + "/"); }
  int Requests() const { return fRequests.load(); }

 private:
  // A request head and its Content-Length body.
  static bool ReadRequest(int aPeer) {
    std::string data;
    char buffer[4096];
    size_t headEnd = std::string::npos;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t n = read(aPeer, buffer, sizeof buffer);
      if (n <= 0) return false;
      data.append(buffer, size_t(n));
    }
    const size_t lengthAt = data.find("Content-Length: ");
    const size_t length = lengthAt == std::string::npos ? 0 : std::stoul(data.substr(lengthAt + 16));
    while (data.size() < headEnd + 4 + length) {
      const ssize_t n = read(aPeer, buffer, sizeof buffer);
      if (n <= 0) return false;
      data.append(buffer, size_t(n));
    }
    return true;
  }

  int fSocket = -1;
  int fPort = 0;
  std::atomic<int> fRequests{0};
  std::thread fThread;
};

TEST(HttpClientOnce, APostIsNotSentAgainWhenItsConnectionDiesUnderIt) {
  AnswersOnceThenHangsUp server;
  const auto session = std::make_shared<ovHttpSession>();
  OV_HttpClient first(session);
  first.SetContentType(u"application/json");
  ASSERT_TRUE(first.Post(server.Url(), u"{\"sale\":1}"));
  OV_HttpClient second(session);  // the same connection, kept alive
  second.SetContentType(u"application/json");
  EXPECT_FALSE(second.Post(server.Url(), u"{\"sale\":2}"));
  EXPECT_TRUE(second.OutcomeUnknown());
  EXPECT_EQ(server.Requests(), 2);  // the second sale went out once, not again on a new connection
}

TEST_F(HttpClientTest, BodyStallingPastTheReadTimeOutIsAMethodError) {
  OV_HttpClient client;
  UseJson(client);
  client.SetReadTimeout(1);
  EXPECT_FALSE(client.Post(fServer.Url("/held-body"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), 200);
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(fTrace.Lines().back(), (TraceLine{let_error, u"PostXml method error", u"200 - OK"}));
}

TEST_F(HttpClientTest, RefusedConnectionGivesTheLibraryCodeAndText) {
  OV_HttpClient client;
  UseJson(client);
  const std::u16string url = u"http://127.0.0.1:" + IntToStr(ClosedLoopbackPort()) + u"/token";
  EXPECT_FALSE(client.Post(url, u"{}"));
  EXPECT_EQ(client.LastStatusCode(), CURLE_COULDNT_CONNECT);
  EXPECT_FALSE(client.LastStatusText().empty());
  EXPECT_FALSE(client.OutcomeUnknown());  // nothing reached a server
  EXPECT_EQ(client.Response(), u"");
  ASSERT_EQ(fTrace.Lines().size(), 3u);
  EXPECT_EQ(fTrace.Lines()[2], (TraceLine{let_error, u"HTTP Error", u"7 - " + client.LastStatusText()}));
}

TEST_F(HttpClientTest, OnlyHttpAddressesAreReached) {
  OV_HttpClient client;
  UseJson(client);
  EXPECT_FALSE(client.Post(u"file:///etc/passwd", u""));
  EXPECT_EQ(client.LastStatusCode(), CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_EQ(client.Response(), u"");
}

TEST_F(HttpClientTest, ResponseDescribesTheLastRequestOnly) {
  OV_HttpClient client;
  UseJson(client);
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_FALSE(client.Post(u"http://127.0.0.1:" + IntToStr(ClosedLoopbackPort()) + u"/", u"{}"));
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(client.ResponseContentType(), u"");
}

TEST_F(HttpClientTest, WithoutTraceSinkRequestsRunSilently) {
  OV_HttpClient client;
  client.SetContentType(u"application/json");
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{\"a\":1}"));
  EXPECT_EQ(client.Response(), u"{}");
  EXPECT_FALSE(client.Post(fServer.Url("/status/401"), u"{}"));
  EXPECT_FALSE(client.Post(u"http://127.0.0.1:" + IntToStr(ClosedLoopbackPort()) + u"/", u"{}"));
  EXPECT_EQ(client.LastStatusCode(), CURLE_COULDNT_CONNECT);
}

TEST_F(HttpClientTest, SecretsAreMaskedInTheTraceButLengthsAreReal) {
  OV_HttpClient client;
  UseJson(client);
  client.SetSecretMembers({u"password", u"access"});
  client.AddSecretValue(u"K3y/Λ-9a");
  client.AddSecretValue(u"url-secret");
  client.SetAuthType(ovHTTPAuthType::at_Bearer);
  client.SetBearer(u"bearer-token-9");
  tOV_JsonObject login;
  login.AddString(u"username", u"u").AddString(u"password", u"p@ss").AddString(u"note", u"K3y/Λ-9a");
  const std::u16string body = login.ToJSON();
  ASSERT_TRUE(client.Post(fServer.Url("/echo-authorization?k=url-secret"), body));
  EXPECT_EQ(client.Response(), u"{\"seen\":\"Bearer bearer-token-9\"}");  // the caller gets the real text

  ASSERT_EQ(fTrace.Lines().size(), 3u);
  EXPECT_EQ(fTrace.Lines()[0].message, fServer.Url("/echo-authorization?k=********"));
  EXPECT_EQ(fTrace.Lines()[1].title, u"Write [" + IntToStr(int64_t(body.size())) + u"]");
  EXPECT_EQ(fTrace.Lines()[1].message, u"{\"username\":\"u\",\"password\":\"********\",\"note\":\"********\"}");
  EXPECT_EQ(fTrace.Lines()[2].title, u"Read [" + IntToStr(int64_t(client.Response().size())) + u"]");
  EXPECT_EQ(fTrace.Lines()[2].message, u"{\"seen\":\"Bearer ********\"}");
}

TEST_F(HttpClientTest, SecretValuesTooShortToBeTokensAreMaskedOnlyAsMembers) {
  OV_HttpClient client;
  UseJson(client);
  client.SetSecretMembers({u"password"});
  client.AddSecretValue(u"1");
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{\"password\":\"1\",\"amount\":1,\"id\":\"a1\"}"));
  EXPECT_EQ(fTrace.Lines()[1].message, u"{\"password\":\"********\",\"amount\":1,\"id\":\"a1\"}");
}

TEST_F(HttpClientTest, CardNumbersOfTheAnswerKeepSixAndFourDigits) {
  OV_HttpClient client;
  UseJson(client);
  client.SetCardNumberMembers({u"CardPAN"});
  ASSERT_TRUE(client.Post(fServer.Url("/ok"), u"{\"CardPAN\":\"4761739001010010\",\"Other\":\"4761739001010010\"}"));
  EXPECT_EQ(fTrace.Lines()[1].message, u"{\"CardPAN\":\"476173******0010\",\"Other\":\"4761739001010010\"}");
}

TEST_F(HttpClientTest, SecretMembersOfTheAnswerAreMasked) {
  OV_HttpClient client;
  UseJson(client);
  client.SetSecretMembers({u"error"});
  EXPECT_FALSE(client.Post(fServer.Url("/status/401"), u"{}"));
  EXPECT_EQ(fTrace.Lines()[2].message, u"{\"error\":\"********\"}");
  EXPECT_EQ(client.Response(), u"{\"error\":\"status 401\"}");
}

TEST_F(HttpClientTest, GetReadsTheBodyAndAcceptsOnly2xx) {
  OV_HttpClient client;
  client.SetOnWriteLog(fTrace.Sink());
  EXPECT_TRUE(client.Get(fServer.Url("/ok")));
  EXPECT_EQ(client.Response(), u"{}");
  EXPECT_EQ(fOk.Last().method, "GET");
  EXPECT_EQ(fTrace.Titles(), (std::vector<std::u16string>{u"GET", u"Read [2]"}));

  EXPECT_FALSE(client.Get(fServer.Url("/status/302")));
  EXPECT_EQ(client.LastStatusCode(), 302);
  EXPECT_EQ(fTrace.Lines().back(), (TraceLine{let_error, u"HTTP Error", u"302 - Found"}));
}

TEST_F(HttpClientTest, CookiesAreKeptInMemoryOnlyWhenAsked) {
  OV_HttpClient plain;
  ASSERT_TRUE(plain.Get(fServer.Url("/cookie/set")));
  ASSERT_TRUE(plain.Get(fServer.Url("/cookie/show")));
  EXPECT_EQ(plain.Response(), u"");

  OV_HttpClient client;
  EXPECT_TRUE(client.ManageCookies());
  ASSERT_TRUE(client.Get(fServer.Url("/cookie/set")));
  ASSERT_TRUE(client.Get(fServer.Url("/cookie/show")));
  EXPECT_EQ(client.Response(), u"session=s1");
}

TEST(HttpClientDefaults, MatchTheDriverFamily) {
  OV_HttpClient client;
  EXPECT_EQ(client.ReadTimeout(), 10);
  EXPECT_EQ(client.ConnectTimeout(), 5);
  EXPECT_EQ(client.ContentCharset(), u"utf-8");
  EXPECT_EQ(client.AuthType(), ovHTTPAuthType::at_None);
  EXPECT_TRUE(client.VerifyServerCertificate());
  EXPECT_EQ(client.LastStatusCode(), 0);
  EXPECT_EQ(client.Response(), u"");
  EXPECT_FALSE(client.OnWriteLog());
}

class HttpsClientTest : public testing::Test {
 protected:
  void SetUp() override {
    fServer.Server().Post("/ok", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content("{\"tls\":true}", "application/json");
    });
    fServer.Start();
    fCertificate.WriteCaFile(fFolder.Path() / "ca.pem");
  }

  TestCertificate fCertificate;
  TestHttpServer fServer{&fCertificate};
  TempFolder fFolder;
  Trace fTrace;
};

TEST_F(HttpsClientTest, VerifiedAgainstTheTrustedAuthority) {
  OV_HttpClient client;
  client.SetOnWriteLog(fTrace.Sink());
  client.SetCAFile(fFolder.Path16() + u"/ca.pem");
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(client.Response(), u"{\"tls\":true}");
}

TEST_F(HttpsClientTest, UntrustedCertificateIsRefusedByDefault) {
  OV_HttpClient client;
  client.SetOnWriteLog(fTrace.Sink());
  EXPECT_FALSE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), CURLE_PEER_FAILED_VERIFICATION);
  EXPECT_NE(client.LastStatusText().find(u"certificate"), std::u16string::npos) << Utf16ToUtf8(client.LastStatusText());
  EXPECT_EQ(client.Response(), u"");
  EXPECT_EQ(fTrace.Lines().back().title, u"HTTP Error");
  EXPECT_EQ(fTrace.Lines().back().type, let_error);
}

TEST_F(HttpsClientTest, MissingAuthorityFileIsReportedWithoutAnswer) {
  OV_HttpClient client;
  client.SetCAFile(fFolder.Path16() + u"/absent.pem");
  EXPECT_FALSE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_NE(client.LastStatusCode(), 0);
  EXPECT_FALSE(client.LastStatusText().empty());
}

TEST_F(HttpsClientTest, WithoutVerificationAnyCertificateIsAccepted) {
  OV_HttpClient client;
  client.SetVerifyServerCertificate(false);
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(client.Response(), u"{\"tls\":true}");
  EXPECT_EQ(client.LastStatusCode(), 200);
}

// A trusted authority, but a certificate issued for another host.
class HttpsWrongHostTest : public testing::Test {
 protected:
  void SetUp() override {
    fServer.Server().Post("/ok", [](const httplib::Request&, httplib::Response& aResponse) {
      aResponse.set_content("{}", "application/json");
    });
    fServer.Start();
    fCertificate.WriteCaFile(fFolder.Path() / "ca.pem");
  }

  TestCertificate fCertificate{"DNS:elsewhere.invalid"};
  TestHttpServer fServer{&fCertificate};
  TempFolder fFolder;
};

TEST_F(HttpsWrongHostTest, HostNameIsCheckedWhenVerifying) {
  OV_HttpClient client;
  client.SetCAFile(fFolder.Path16() + u"/ca.pem");
  EXPECT_FALSE(client.Post(fServer.Url("/ok"), u"{}"));
  EXPECT_EQ(client.LastStatusCode(), CURLE_PEER_FAILED_VERIFICATION);
}

TEST_F(HttpsWrongHostTest, HostNameIsNotCheckedWithoutVerification) {
  OV_HttpClient client;
  client.SetCAFile(fFolder.Path16() + u"/ca.pem");
  client.SetVerifyServerCertificate(false);
  EXPECT_TRUE(client.Post(fServer.Url("/ok"), u"{}"));
}

}  // namespace

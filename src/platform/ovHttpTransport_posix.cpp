// The HTTP exchange on libcurl. A session owns one easy handle, whose
// connection cache keeps connections open between exchanges; every exchange
// sets all its options afresh.
#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/ovHttpText.h"
#include "platform/ovHttpTransport.h"
#include "platform/ovUtf.h"

static_assert(CURL_ERROR_SIZE == 256, "the error buffer is sized for libcurl's");

const int32_t ovHttpErrorCodes::kRefused = CURLE_COULDNT_CONNECT;
const int32_t ovHttpErrorCodes::kTimedOut = CURLE_OPERATION_TIMEDOUT;
const int32_t ovHttpErrorCodes::kCertificateNotTrusted = CURLE_PEER_FAILED_VERIFICATION;

namespace {

using Clock = std::chrono::steady_clock;

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithNoCase(std::string_view aText, std::string_view aPrefix) {
  if (aText.size() < aPrefix.size()) return false;
  for (size_t i = 0; i < aPrefix.size(); ++i) {
    const char a = aText[i] >= 'A' && aText[i] <= 'Z' ? char(aText[i] + 32) : aText[i];
    if (a != aPrefix[i]) return false;
  }
  return true;
}

// What libcurl's callbacks collect during one exchange.
struct Transfer {
  ovHttpAnswer& answer;
  size_t maxAnswerBytes = 0;
  int32_t readTimeoutMs = 0;  // 0 or below: no limit
  Clock::time_point lastActivity = Clock::now();
  Clock::time_point connectedAt = Clock::now();
  curl_off_t lastUploaded = 0;
  bool tooLong = false;  // the answer took more than twice the read time-out

  void Touch() { lastActivity = Clock::now(); }

  // "HTTP/1.1 401 Unauthorized": every status line starts a new answer (the
  // 401 of a digest challenge, an interim one), so what came before it
  // belonged to an earlier one.
  void StartAnswer(std::string_view aLine) {
    answer.statusSeen = true;
    answer.status = 0;
    answer.statusText.clear();
    answer.contentType.clear();
    answer.body.clear();
    const std::string line = TrimHttpSpace(aLine);
    const size_t space = line.find(' ');
    if (space == std::string::npos) return;
    size_t i = space + 1;
    int32_t code = 0;
    size_t digits = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 3; ++i, ++digits) {
      code = code * 10 + (line[i] - '0');
    }
    answer.status = code;
    if (i < line.size() && line[i] == ' ') answer.statusText = TrimHttpSpace(std::string_view(line).substr(i + 1));
  }

  static size_t OnHeader(char* aBuffer, size_t aSize, size_t aCount, void* aTransfer) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    const size_t length = aSize * aCount;
    try {
      transfer.Touch();
      const std::string_view line(aBuffer, length);
      if (line.starts_with("HTTP/")) {
        transfer.StartAnswer(line);
      } else if (StartsWithNoCase(line, "content-type:")) {
        transfer.answer.contentType = TrimHttpSpace(line.substr(13));
      }
      return length;
    } catch (...) {
      return 0;  // out of memory: libcurl ends the transfer
    }
  }

  static size_t OnBody(char* aBuffer, size_t aSize, size_t aCount, void* aTransfer) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    const size_t length = aSize * aCount;
    transfer.Touch();
    if (transfer.answer.body.size() + length > transfer.maxAnswerBytes) {
      transfer.answer.tooLarge = true;
      return 0;
    }
    try {
      transfer.answer.body.append(aBuffer, length);
      return length;
    } catch (...) {
      return 0;
    }
  }

  // Called once the connection (and its TLS handshake) is up, before the
  // request goes out: from here on the read time-out counts, the connect
  // phase having its own.
  static int OnConnected(void* aTransfer, char*, char*, int, int) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    transfer.answer.reachedServer = true;
    transfer.Touch();
    transfer.connectedAt = transfer.lastActivity;
    return CURL_PREREQFUNC_OK;
  }

  // Called at least once a second: ends the exchange when the server has sent
  // nothing, and taken nothing of the body, for the read time-out.
  static int OnProgress(void* aTransfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t aUploaded) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    if (aUploaded != transfer.lastUploaded) {
      transfer.lastUploaded = aUploaded;
      transfer.Touch();
    }
    if (!transfer.answer.reachedServer || transfer.readTimeoutMs <= 0) return 0;
    const auto now = Clock::now();
    const auto limit = std::chrono::milliseconds(transfer.readTimeoutMs);
    transfer.tooLong = now - transfer.connectedAt >= 2 * limit;
    if (transfer.tooLong || now - transfer.lastActivity >= limit) {
      transfer.answer.readTimedOut = true;
      return 1;
    }
    return 0;
  }
};

// A body that goes out at most once: libcurl asks to rewind it only to send
// it again (a reused connection that died under it), which is refused.
struct OneShotBody {
  const std::string& bytes;
  size_t sent = 0;

  static size_t OnRead(char* aBuffer, size_t aSize, size_t aCount, void* aBody) {
    auto& body = *static_cast<OneShotBody*>(aBody);
    const size_t length = std::min(aSize * aCount, body.bytes.size() - body.sent);
    std::memcpy(aBuffer, body.bytes.data() + body.sent, length);
    body.sent += length;
    return length;
  }

  static int OnSeek(void*, curl_off_t, int) { return CURL_SEEKFUNC_CANTSEEK; }
};

class HeaderList {
 public:
  ~HeaderList() { curl_slist_free_all(fList); }
  void Add(const std::string& aLine) {
    curl_slist* grown = curl_slist_append(fList, aLine.c_str());
    if (grown == nullptr) {
      fComplete = false;
      return;
    }
    fList = grown;
  }
  curl_slist* List() const { return fList; }
  bool Complete() const { return fComplete; }

 private:
  curl_slist* fList = nullptr;
  bool fComplete = true;
};

}  // namespace

struct ovHttpSession::Impl {
  CURL* curl = nullptr;
  std::array<char, CURL_ERROR_SIZE> errorBuffer{};
  bool cookiesOn = false;
};

ovHttpSession::ovHttpSession() : fImpl(std::make_unique<Impl>()) {
  EnsureCurlInitialised();
  fImpl->curl = curl_easy_init();
}

ovHttpSession::~ovHttpSession() {
  if (fImpl->curl != nullptr) curl_easy_cleanup(fImpl->curl);
}

bool ovHttpSession::HoldsConnection() const {
  if (fImpl->curl == nullptr) return false;
  curl_socket_t socket = CURL_SOCKET_BAD;
  return curl_easy_getinfo(fImpl->curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD;
}

void ovHttpSession::CloseConnections() {
  // A curl handle closes the connections it keeps only when it goes away.
  if (fImpl->curl != nullptr) curl_easy_cleanup(fImpl->curl);
  fImpl->curl = curl_easy_init();
  fImpl->cookiesOn = false;
}

ovHttpAnswer ovHttpSession::Exchange(const ovHttpRequest& aRequest) {
  ovHttpAnswer answer;
  CURL* http = fImpl->curl;
  if (http == nullptr) {
    answer.errorCode = CURLE_FAILED_INIT;
    answer.errorText = Utf8ToUtf16(curl_easy_strerror(CURLE_FAILED_INIT));
    return answer;
  }
  // Fresh options for every exchange; connections and cookies survive a reset.
  curl_easy_reset(http);
  auto& errorBuffer = fImpl->errorBuffer;
  errorBuffer[0] = '\0';
  curl_easy_setopt(http, CURLOPT_ERRORBUFFER, errorBuffer.data());
  // The host may run other threads: no signals for name resolution time-outs.
  curl_easy_setopt(http, CURLOPT_NOSIGNAL, 1L);
  // HTTP/1.1 carries the reason phrase that callers show; HTTP/2 has none.
  curl_easy_setopt(http, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  // Addresses come from configuration: nothing but HTTP(S), and no proxy
  // from the environment.
  curl_easy_setopt(http, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(http, CURLOPT_PROXY, "");
  // A transaction answer may take minutes; keep the idle connection alive.
  curl_easy_setopt(http, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(http, CURLOPT_FOLLOWLOCATION, 0L);
  // Without CURLOPT_ACCEPT_ENCODING no Accept-Encoding: answers come uncompressed.
  curl_easy_setopt(http, CURLOPT_ACCEPT_ENCODING, static_cast<char*>(nullptr));
  if (aRequest.connectTimeoutMs > 0) curl_easy_setopt(http, CURLOPT_CONNECTTIMEOUT_MS, long(aRequest.connectTimeoutMs));
  const std::string userAgent = HttpHeaderSafe(aRequest.userAgent);
  if (!userAgent.empty()) curl_easy_setopt(http, CURLOPT_USERAGENT, userAgent.c_str());
  curl_easy_setopt(http, CURLOPT_SSL_VERIFYPEER, aRequest.verifyServer ? 1L : 0L);
  curl_easy_setopt(http, CURLOPT_SSL_VERIFYHOST, aRequest.verifyServer ? 2L : 0L);
  const std::string caFile = Utf16ToUtf8(aRequest.caFile);
  if (!caFile.empty()) curl_easy_setopt(http, CURLOPT_CAINFO, caFile.c_str());
  if (aRequest.keepCookies && !fImpl->cookiesOn) {
    // Naming a cookie jar starts libcurl's cookie engine; naming none keeps it
    // in memory only. Not the usual empty CURLOPT_COOKIEFILE: libcurl 7.88
    // loses that file list, kept among the options, at the next reset.
    curl_easy_setopt(http, CURLOPT_COOKIEJAR, static_cast<char*>(nullptr));
    fImpl->cookiesOn = true;
  }
  const std::string user = Utf16ToUtf8(aRequest.user);
  const std::string password = Utf16ToUtf8(aRequest.password);
  if (aRequest.auth != ovHttpAuthScheme::None) {
    // Digest only when asked: libcurl answers the server's challenge within the call.
    curl_easy_setopt(http, CURLOPT_HTTPAUTH,
                     long(aRequest.auth == ovHttpAuthScheme::Basic ? CURLAUTH_BASIC : CURLAUTH_DIGEST));
    curl_easy_setopt(http, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(http, CURLOPT_PASSWORD, password.c_str());
  }

  HeaderList headers;
  for (const auto& [name, value] : aRequest.headers) {
    // "Name:" keeps libcurl's own header of that name away, "Name;" sends an empty one.
    if (!value) {
      headers.Add(HttpHeaderSafe(name) + ":");
    } else {
      headers.Add(HttpHeaderSafe(name) + (value->empty() ? ";" : ": " + HttpHeaderSafe(*value)));
    }
  }
  headers.Add("Expect:");  // no 100-continue round trip
  if (!headers.Complete()) {
    answer.errorCode = CURLE_OUT_OF_MEMORY;
    answer.errorText = Utf8ToUtf16(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    return answer;
  }
  curl_easy_setopt(http, CURLOPT_HTTPHEADER, headers.List());

  const std::string url = Utf16ToUtf8(aRequest.url);
  curl_easy_setopt(http, CURLOPT_URL, url.c_str());
  std::optional<OneShotBody> oneShot;
  if (aRequest.body != nullptr) {
    curl_easy_setopt(http, CURLOPT_POST, 1L);
    curl_easy_setopt(http, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(aRequest.body->size()));
    if (aRequest.repeatable) {
      curl_easy_setopt(http, CURLOPT_POSTFIELDS, aRequest.body->data());
    } else {
      oneShot.emplace(OneShotBody{*aRequest.body});
      curl_easy_setopt(http, CURLOPT_READFUNCTION, &OneShotBody::OnRead);
      curl_easy_setopt(http, CURLOPT_READDATA, &*oneShot);
      curl_easy_setopt(http, CURLOPT_SEEKFUNCTION, &OneShotBody::OnSeek);
    }
  } else {
    curl_easy_setopt(http, CURLOPT_HTTPGET, 1L);
  }
  Transfer transfer{answer, aRequest.maxAnswerBytes, aRequest.readTimeoutMs};
  curl_easy_setopt(http, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(http, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(http, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
  curl_easy_setopt(http, CURLOPT_PREREQDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(http, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(http, CURLOPT_NOPROGRESS, 0L);

  const CURLcode code = curl_easy_perform(http);

  // Nothing of this exchange may outlive it inside the handle.
  curl_easy_setopt(http, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(http, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));

  answer.complete = code == CURLE_OK && answer.statusSeen;
  if (!answer.complete) {
    answer.body.clear();
    if (answer.readTimedOut) {
      answer.errorCode = CURLE_OPERATION_TIMEDOUT;
      answer.errorText = ReadTimeoutText(aRequest.readTimeoutMs, transfer.tooLong);
    } else if (answer.tooLarge) {
      answer.errorCode = code;
      answer.errorText = u"Answer larger than " + Utf8ToUtf16(std::to_string(aRequest.maxAnswerBytes)) + u" bytes";
    } else {
      answer.errorCode = code;
      errorBuffer.back() = '\0';
      answer.errorText = Utf8ToUtf16(errorBuffer[0] ? TrimHttpSpace(errorBuffer.data()) : curl_easy_strerror(code));
    }
  }
  return answer;
}

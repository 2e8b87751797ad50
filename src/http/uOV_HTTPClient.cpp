#include "http/uOV_HTTPClient.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include <curl/curl.h>

#include "base/uOV_Text.h"
#include "http/uOV_JsonMask.h"
#include "http/uOV_JsonWriter.h"
#include "platform/ovUtf.h"

static_assert(CURL_ERROR_SIZE == 256, "fErrorBuffer is sized for libcurl's error buffer");

namespace {

using Clock = std::chrono::steady_clock;

// The services answer small JSON documents; a server that sends without end
// must not exhaust the host's memory.
constexpr size_t kMaxResponseBytes = 64 * 1024 * 1024;

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimAscii(std::string_view aText) {
  size_t first = 0;
  size_t last = aText.size();
  while (first < last && IsSpace(aText[first])) ++first;
  while (last > first && IsSpace(aText[last - 1])) --last;
  return std::string(aText.substr(first, last - first));
}

bool StartsWithNoCase(std::string_view aText, std::string_view aPrefix) {
  if (aText.size() < aPrefix.size()) return false;
  for (size_t i = 0; i < aPrefix.size(); ++i) {
    const char a = aText[i] >= 'A' && aText[i] <= 'Z' ? char(aText[i] + 32) : aText[i];
    if (a != aPrefix[i]) return false;
  }
  return true;
}

// Header names and values become one line of the request: CR, LF and NUL
// would end it early or start a header of the caller's text.
std::u16string HeaderSafe(const std::u16string& aText) {
  std::u16string out;
  out.reserve(aText.size());
  for (const char16_t c : aText) {
    if (c != u'\r' && c != u'\n' && c != u'\0') out.push_back(c);
  }
  return out;
}

std::u16string CodeAndText(int32_t aCode, const std::u16string& aText) { return IntToStr(aCode) + u" - " + aText; }

}  // namespace

// What libcurl's callbacks collect during one request.
struct OV_HttpClient::Transfer {
  bool StatusLineSeen = false;
  int32_t StatusCode = 0;
  std::string StatusText;
  std::string ContentType;
  std::string Body;

  int32_t ReadTimeoutSeconds = 0;  // 0 or below: no limit
  bool Connected = false;
  Clock::time_point LastActivity = Clock::now();
  curl_off_t LastUploaded = 0;
  bool ReadTimedOut = false;
  bool TooLarge = false;

  void Touch() { LastActivity = Clock::now(); }

  // "HTTP/1.1 401 Unauthorized": every status line starts a new answer (a
  // 100 Continue, the 401 of a digest challenge), so what came before it
  // belonged to an earlier one.
  void StartAnswer(std::string_view aLine) {
    StatusLineSeen = true;
    StatusCode = 0;
    StatusText.clear();
    ContentType.clear();
    Body.clear();
    const std::string line = TrimAscii(aLine);
    const size_t space = line.find(' ');
    if (space == std::string::npos) return;
    size_t i = space + 1;
    int32_t code = 0;
    size_t digits = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 3; ++i, ++digits) {
      code = code * 10 + (line[i] - '0');
    }
    StatusCode = code;
    if (i < line.size() && line[i] == ' ') StatusText = TrimAscii(std::string_view(line).substr(i + 1));
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
        transfer.ContentType = TrimAscii(line.substr(13));
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
    if (transfer.Body.size() + length > kMaxResponseBytes) {
      transfer.TooLarge = true;
      return 0;
    }
    try {
      transfer.Body.append(aBuffer, length);
      return length;
    } catch (...) {
      return 0;
    }
  }

  // Called once the connection (and its TLS handshake) is up: from here on the
  // read time-out counts, the connect phase having its own.
  static int OnConnected(void* aTransfer, char*, char*, int, int) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    transfer.Connected = true;
    transfer.Touch();
    return CURL_PREREQFUNC_OK;
  }

  // Called at least once a second: ends the request when the server has sent
  // nothing, and taken nothing of the body, for the read time-out.
  static int OnProgress(void* aTransfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t aUploaded) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    if (aUploaded != transfer.LastUploaded) {
      transfer.LastUploaded = aUploaded;
      transfer.Touch();
    }
    if (!transfer.Connected || transfer.ReadTimeoutSeconds <= 0) return 0;
    if (Clock::now() - transfer.LastActivity >= std::chrono::seconds(transfer.ReadTimeoutSeconds)) {
      transfer.ReadTimedOut = true;
      return 1;
    }
    return 0;
  }
};

void OV_HttpClient::EasyHandleDeleter::operator()(void* aHandle) const { curl_easy_cleanup(aHandle); }

OV_HttpClient::OV_HttpClient() {
  EnsureCurlInitialised();
  fHttp.reset(curl_easy_init());
  CURL* http = fHttp.get();
  if (!http) return;  // reported by the first request
  curl_easy_setopt(http, CURLOPT_ERRORBUFFER, fErrorBuffer.data());
  // The host may run other threads: no signals for name resolution time-outs.
  curl_easy_setopt(http, CURLOPT_NOSIGNAL, 1L);
  // HTTP/1.1 carries the reason phrase that callers show; HTTP/2 has none.
  curl_easy_setopt(http, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  // Service addresses come from configuration: nothing but HTTP(S), and no
  // proxy from the environment (the client has no proxy settings).
  curl_easy_setopt(http, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(http, CURLOPT_PROXY, "");
  // A transaction answer may take minutes; keep the idle connection alive.
  curl_easy_setopt(http, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(http, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(http, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(http, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
  curl_easy_setopt(http, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(http, CURLOPT_NOPROGRESS, 0L);
}

OV_HttpClient::~OV_HttpClient() = default;

void OV_HttpClient::SetRequestHeader(const std::u16string& aKey, const std::u16string& aValue) {
  const std::u16string key = HeaderSafe(Trim(aKey));
  if (key.empty()) return;
  const std::u16string value = HeaderSafe(aValue);
  for (auto& header : fRequestHeaders) {
    if (SameText(header.first, key)) {
      header = {key, value};
      return;
    }
  }
  fRequestHeaders.emplace_back(key, value);
}

bool OV_HttpClient::ManageCookies() {
  // An empty cookie file starts libcurl's cookie engine in memory only.
  if (CURL* http = fHttp.get()) curl_easy_setopt(http, CURLOPT_COOKIEFILE, "");
  return true;
}

void OV_HttpClient::ConfigureConnection() {
  fHTTPAlreadySet = true;
  fAppliedReadTimeout = fReadTimeout;
  CURL* http = fHttp.get();
  if (!http) return;
  curl_easy_setopt(http, CURLOPT_CONNECTTIMEOUT, long(std::max<int32_t>(fConnectTimeout, 0)));
  // libcurl sends neither Accept-Charset nor Accept-Language, and without
  // CURLOPT_ACCEPT_ENCODING no Accept-Encoding: answers come uncompressed.
  curl_easy_setopt(http, CURLOPT_ACCEPT_ENCODING, static_cast<char*>(nullptr));
  if (!fUserAgent.empty()) {
    curl_easy_setopt(http, CURLOPT_USERAGENT, Utf16ToUtf8(HeaderSafe(fUserAgent)).c_str());
  }
  curl_easy_setopt(http, CURLOPT_SSL_VERIFYPEER, fVerifyServerCertificate ? 1L : 0L);
  curl_easy_setopt(http, CURLOPT_SSL_VERIFYHOST, fVerifyServerCertificate ? 2L : 0L);
  if (!fCAFile.empty()) curl_easy_setopt(http, CURLOPT_CAINFO, Utf16ToUtf8(fCAFile).c_str());
  curl_easy_setopt(http, CURLOPT_FOLLOWLOCATION, 0L);
  switch (fAuthType) {
    case ovHTTPAuthType::at_Basic:
      curl_easy_setopt(http, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
      curl_easy_setopt(http, CURLOPT_USERNAME, Utf16ToUtf8(fUser).c_str());
      curl_easy_setopt(http, CURLOPT_PASSWORD, Utf16ToUtf8(fPassword).c_str());
      break;
    case ovHTTPAuthType::at_Digest:
      // Digest only: libcurl answers the server's challenge within the call.
      curl_easy_setopt(http, CURLOPT_HTTPAUTH, long(CURLAUTH_DIGEST));
      curl_easy_setopt(http, CURLOPT_USERNAME, Utf16ToUtf8(fUser).c_str());
      curl_easy_setopt(http, CURLOPT_PASSWORD, Utf16ToUtf8(fPassword).c_str());
      break;
    case ovHTTPAuthType::at_Bearer:
      // Sent by Exchange as a header of its own: exactly "Bearer <token>".
      fAppliedBearer = HeaderSafe(fBearer);
      break;
    case ovHTTPAuthType::at_None:
      break;
  }
}

void OV_HttpClient::ApplySettings() {
  if (fHTTPAlreadySet) {
    fAppliedReadTimeout = fReadTimeout;
  } else {
    ConfigureConnection();
  }
}

bool OV_HttpClient::Post(const std::u16string& aURL, const std::u16string& aMessage) {
  WriteLogEntry(let_info, u"Write", aURL);
  if (!aMessage.empty()) WriteLogEntry(let_info, u"Write [" + IntToStr(int64_t(aMessage.size())) + u"]", aMessage);
  ApplySettings();
  std::string contentType;
  if (fContentType == u"application/xml") {
    contentType = "application/xml; charset=utf-8";
  } else if (fContentType == u"application/json") {
    contentType = "application/json";
  } else {
    contentType = "application/x-www-form-urlencoded";
  }
  const std::string body = Utf16ToUtf8(aMessage);
  return Exchange(aURL, &body, contentType, true);
}

bool OV_HttpClient::Get(const std::u16string& aURL) {
  WriteLogEntry(let_info, u"GET", aURL);
  ApplySettings();
  return Exchange(aURL, nullptr, std::string(), false);
}

void OV_HttpClient::NoAnswer(int32_t aCode, const std::u16string& aText) {
  fLastStatusCode = aCode;
  fLastStatusText = aText;
  WriteLogEntry(let_error, u"HTTP Error", CodeAndText(fLastStatusCode, fLastStatusText));
}

bool OV_HttpClient::Exchange(const std::u16string& aURL, const std::string* aBody, const std::string& aContentType,
                             bool aRedirectAccepted) {
  fResponse.clear();
  fResponseContentType.clear();
  fOutcomeUnknown = false;
  fTransportErrorText.clear();
  CURL* http = fHttp.get();
  if (!http) {
    NoAnswer(CURLE_FAILED_INIT, Utf8ToUtf16(curl_easy_strerror(CURLE_FAILED_INIT)));
    return false;
  }

  // The headers of this request: the caller's, the content type of the kind
  // of post, the bearer token, and no "Expect: 100-continue" round trip.
  curl_slist* headers = nullptr;
  bool listComplete = true;
  auto addHeader = [&](const std::string& aLine) {
    curl_slist* extended = curl_slist_append(headers, aLine.c_str());
    if (extended) {
      headers = extended;
    } else {
      listComplete = false;
    }
  };
  const bool bearer = !fAppliedBearer.empty();
  for (const auto& [key, value] : fRequestHeaders) {
    if (aBody && SameText(key, u"Content-Type")) continue;
    if (bearer && SameText(key, u"Authorization")) continue;
    addHeader(Utf16ToUtf8(key) + (value.empty() ? ":" : ": " + Utf16ToUtf8(value)));
  }
  if (aBody) addHeader("Content-Type: " + aContentType);
  if (bearer) addHeader("Authorization: Bearer " + Utf16ToUtf8(fAppliedBearer));
  addHeader("Expect:");
  if (!listComplete) {
    curl_slist_free_all(headers);
    NoAnswer(CURLE_OUT_OF_MEMORY, Utf8ToUtf16(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
    return false;
  }

  Transfer transfer;
  transfer.ReadTimeoutSeconds = fAppliedReadTimeout;
  const std::string url = Utf16ToUtf8(aURL);
  curl_easy_setopt(http, CURLOPT_URL, url.c_str());
  curl_easy_setopt(http, CURLOPT_HTTPHEADER, headers);
  if (aBody) {
    curl_easy_setopt(http, CURLOPT_POST, 1L);
    curl_easy_setopt(http, CURLOPT_POSTFIELDS, aBody->data());
    curl_easy_setopt(http, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(aBody->size()));
  } else {
    curl_easy_setopt(http, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(http, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_PREREQDATA, &transfer);
  curl_easy_setopt(http, CURLOPT_XFERINFODATA, &transfer);
  fErrorBuffer[0] = '\0';

  const CURLcode code = curl_easy_perform(http);

  // Nothing of this call may outlive it inside the handle.
  curl_easy_setopt(http, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(http, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));
  curl_slist_free_all(headers);

  if (code != CURLE_OK || !transfer.StatusLineSeen) {
    fTransportErrorText = TransferErrorText(transfer, code);
    // A status of failure tells the outcome even when its body was cut off.
    const bool failureStatus = transfer.StatusLineSeen && transfer.StatusCode >= 400;
    fOutcomeUnknown = transfer.Connected && !failureStatus;
  }
  if (!transfer.StatusLineSeen) {
    NoAnswer(transfer.ReadTimedOut ? CURLE_OPERATION_TIMEDOUT : int32_t(code), fTransportErrorText);
    return false;
  }

  fLastStatusCode = transfer.StatusCode;
  fLastStatusText = Utf8ToUtf16(transfer.StatusText);
  bool result;
  if (code == CURLE_OK) {
    fResponse = Utf8ToUtf16(transfer.Body);
    WriteLogEntry(let_info, u"Read [" + IntToStr(int64_t(fResponse.size())) + u"]", fResponse);
    fResponseContentType = Utf8ToUtf16(transfer.ContentType);
    result = true;
  } else {
    // An answer began but did not arrive in full (cut off, time-out, too large).
    fResponse.clear();
    WriteLogEntry(let_error, u"PostXml method error", CodeAndText(fLastStatusCode, fLastStatusText));
    result = false;
  }
  const int32_t status = fLastStatusCode;
  const bool success = status >= 200 && status <= 299;
  const bool redirect = aRedirectAccepted && status >= 301 && status <= 308;
  if (!success && !redirect) {
    result = false;
    WriteLogEntry(let_error, u"HTTP Error", CodeAndText(fLastStatusCode, fLastStatusText));
  }
  return result;
}

std::u16string OV_HttpClient::TransferErrorText(const Transfer& aTransfer, int aCode) {
  if (aTransfer.ReadTimedOut) {
    return u"Operation timed out: no data received for " + IntToStr(aTransfer.ReadTimeoutSeconds) + u" seconds";
  }
  if (aTransfer.TooLarge) return u"Answer larger than " + IntToStr(int64_t(kMaxResponseBytes)) + u" bytes";
  fErrorBuffer.back() = '\0';
  return Utf8ToUtf16(fErrorBuffer[0] ? TrimAscii(fErrorBuffer.data()) : curl_easy_strerror(CURLcode(aCode)));
}

void OV_HttpClient::WriteLogEntry(tOV_MessageType aEntryType, const std::u16string& aTitle,
                                  const std::u16string& aMessage) {
  if (!fOnWriteLog) return;
  fOnWriteLog(aEntryType, aTitle, MaskSecrets(aMessage));
}

std::u16string OV_HttpClient::MaskSecrets(const std::u16string& aText) const {
  std::u16string text = MaskCardNumberMembers(MaskSecretMembers(aText, fSecretMembers), fCardNumberMembers);
  std::vector<std::u16string> values = fSecretValues;
  values.push_back(fPassword);
  values.push_back(fBearer);
  values.push_back(fAppliedBearer);
  // The longest first, so a secret that holds a shorter one is masked whole.
  std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
  for (const std::u16string& value : values) {
    if (value.size() < kShortestMaskedValue) continue;
    text = ReplaceAll(text, value, kSecretMask);
    const std::u16string escaped = JsonEscape(value);
    if (escaped != value) text = ReplaceAll(text, escaped, kSecretMask);
  }
  return text;
}

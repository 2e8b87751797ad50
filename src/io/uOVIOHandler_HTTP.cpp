#include "io/uOVIOHandler_HTTP.h"

#include <curl/curl.h>

#include <mutex>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

// Without any answer for this long the POST gives up. The handler has no read
// time-out of its own; this only keeps a silent peer from holding the caller
// for ever.
constexpr long kStalledSeconds = 300;

struct StatusText {
  int32_t code;
  const char16_t* text;
};

constexpr StatusText kStatusTexts[] = {
    {100, u"Continue"},
    {101, u"Switching Protocol"},
    {102, u"Processing (WebDAV)"},
    {200, u"OK"},
    {201, u"Created"},
    {202, u"Accepted"},
    {203, u"Non-Authoritative Information"},
    {204, u"No Content"},
    {205, u"Reset Content"},
    {206, u"Partial Content"},
    {207, u"Multi-Status (WebDAV)"},
    {208, u"Already Reported (WebDAV)"},
    {226, u"IM Used (HTTP Delta encoding)"},
    {300, u"Multiple Choice"},
    {301, u"Moved Permanently"},
    {302, u"Found"},
    {303, u"See Other"},
    {304, u"Not Modified"},
    {305, u"Use Proxy "},
    {306, u"unused"},
    {307, u"Temporary Redirect"},
    {308, u"Permanent Redirect"},
    {400, u"Bad Request"},
    {401, u"Unauthorized"},
    {402, u"Payment Required"},
    {403, u"Forbidden"},
    {404, u"Not Found"},
    {405, u"Method Not Allowed"},
    {406, u"Not Acceptable"},
    {407, u"Proxy Authentication Required"},
    {408, u"Request Timeout"},
    {409, u"Conflict"},
    {410, u"Gone"},
    {411, u"Length Required"},
    {412, u"Precondition Failed"},
    {413, u"Payload Too Large"},
    {414, u"URI Too Long"},
    {415, u"Unsupported Media Type"},
    {416, u"Requested Range Not Satisfiable"},
    {417, u"Expectation Failed"},
    {418, u"I'm a teapot"},
    {421, u"Misdirected Request"},
    {422, u"Unprocessable Entity (WebDAV)"},
    {423, u"Locked (WebDAV)"},
    {424, u"Failed Dependency (WebDAV)"},
    {426, u"Upgrade Required"},
    {428, u"Precondition Required"},
    {429, u"Too Many Requests"},
    {431, u"Request Header Fields Too Large"},
    {451, u"Unavailable For Legal Reasons"},
    {500, u"Internal Server Error"},
    {501, u"Not Implemented"},
    {502, u"Bad Gateway"},
    {503, u"Service Unavailable"},
    {504, u"Gateway Timeout"},
    {505, u"HTTP Version Not Supported"},
    {506, u"Variant Also Negotiates"},
    {507, u"Insufficient Storage"},
    {508, u"Loop Detected (WebDAV)"},
    {510, u"Not Extended"},
    {511, u"Network Authentication Required"},
};

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* Curl(void* aHandle) { return static_cast<CURL*>(aHandle); }

// A header line may not carry a line break into the request.
std::string HeaderPart(const std::u16string& aText) {
  std::string part = Utf16ToUtf8(aText);
  std::erase_if(part, [](char c) { return c == '\r' || c == '\n'; });
  return part;
}

std::string HeaderLine(const std::u16string& aName, const std::u16string& aValue) {
  // "Name;" is curl's way of sending a header with an empty value.
  return aValue.empty() ? HeaderPart(aName) + ";" : HeaderPart(aName) + ": " + HeaderPart(aValue);
}

class HeaderList {
 public:
  ~HeaderList() { curl_slist_free_all(fList); }
  bool Add(const std::string& aLine) {
    curl_slist* grown = curl_slist_append(fList, aLine.c_str());
    if (grown == nullptr) return false;
    fList = grown;
    return true;
  }
  curl_slist* List() const { return fList; }

 private:
  curl_slist* fList = nullptr;
};

}  // namespace

struct kIOHandler_HTTP::Exchange {
  std::string body;
  std::string statusLine;  // of the last answer, e.g. "HTTP/1.1 404 Not Found"
  int32_t code = 0;        // status, or curl's error negated when no status arrived

  static size_t OnBody(char* aData, size_t aSize, size_t aCount, void* aExchange) {
    static_cast<Exchange*>(aExchange)->body.append(aData, aSize * aCount);
    return aSize * aCount;
  }
  static size_t OnHeader(char* aData, size_t aSize, size_t aCount, void* aExchange) {
    auto* exchange = static_cast<Exchange*>(aExchange);
    std::string line(aData, aSize * aCount);
    if (line.rfind("HTTP/", 0) == 0) {
      // A new answer (after a challenge or an interim one): only the last counts.
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) line.pop_back();
      exchange->statusLine = line;
      exchange->body.clear();
    }
    return aSize * aCount;
  }
};

kIOHandler_HTTP::kIOHandler_HTTP(const kConnection* aConnection, const std::u16string& aDirectory,
                                 const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  InitialiseCurlOnce();
  fHttpClient = curl_easy_init();
  if (fHttpClient == nullptr) throw tOV_Exception(u"Unable to create the HTTP client");
  if (aConnection != nullptr) {
    if (!aConnection->URL().empty()) {
      fURL = aConnection->URL();
    } else {
      fURL = aConnection->Address();
      if (aConnection->Port() > 0) fURL += u":" + IntToStr(aConnection->Port());
    }
    fAuthType = aConnection->AuthType();
    fUser = aConnection->User();
    fPassword = aConnection->Password();
    fClientConnectTimeout = ConnectTimeout();
  }
}

kIOHandler_HTTP::~kIOHandler_HTTP() {
  if (fHttpClient != nullptr) curl_easy_cleanup(Curl(fHttpClient));
}

bool kIOHandler_HTTP::Connected() {
  if (fHttpClient == nullptr) return false;
  curl_socket_t socket = CURL_SOCKET_BAD;
  return curl_easy_getinfo(Curl(fHttpClient), CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
         socket != CURL_SOCKET_BAD;
}

bool kIOHandler_HTTP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"URL=" + fURL);
  fClientConnectTimeout = ConnectTimeout();
  return true;
}

bool kIOHandler_HTTP::Disconnect() {
  // A curl handle closes the connections it keeps only when it goes away.
  if (fHttpClient != nullptr) {
    curl_easy_cleanup(Curl(fHttpClient));
    fHttpClient = curl_easy_init();
  }
  return !Connected();
}

bool kIOHandler_HTTP::Post(const std::string& aBody, Exchange& aExchange, std::u16string& aFailure) {
  CURL* curl = Curl(fHttpClient);
  if (curl == nullptr) {
    aExchange.code = -CURLE_FAILED_INIT;
    aFailure = u"Unable to create the HTTP client";
    return false;
  }
  // Fresh options for every request; the connection cache survives a reset.
  curl_easy_reset(curl);
  char errorText[CURL_ERROR_SIZE] = {};
  const std::string url = Utf16ToUtf8(fURL);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, aBody.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(aBody.size()));
  if (fClientConnectTimeout > 0) curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(fClientConnectTimeout));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStalledSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Exchange::OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &aExchange);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Exchange::OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &aExchange);

  const std::string user = Utf16ToUtf8(fUser);
  const std::string password = Utf16ToUtf8(fPassword);
  switch (fAuthType) {
    case ovHTTPAuthType::at_Basic:  // credentials with the first request
      curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
      curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
      break;
    case ovHTTPAuthType::at_Digest:  // the 401 challenge is answered within the call
      curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_DIGEST);
      curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
      curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
      break;
    case ovHTTPAuthType::at_None:
    case ovHTTPAuthType::at_Bearer:  // a bearer token comes as a custom header, if at all
      break;
  }

  HeaderList headers;
  bool headersComplete = true;
  bool customContentType = false;
  for (const auto& [name, value] : fCustomHeaders) customContentType |= SameText(name, u"Content-Type");
  if (!customContentType) {
    // An empty content type sends none rather than curl's form type.
    headersComplete &= headers.Add(fContentType.empty() ? std::string("Content-Type:")
                                                        : HeaderLine(u"Content-Type", fContentType));
  }
  for (const auto& [name, value] : fCustomHeaders) headersComplete &= headers.Add(HeaderLine(name, value));
  headersComplete &= headers.Add("Expect:");  // no 100-continue round trip
  if (!headersComplete) {
    aExchange.code = -CURLE_OUT_OF_MEMORY;
    aFailure = AsciiToUtf16(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    return false;
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.List());

  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  // The buffer lives on this stack frame only.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  if (result != CURLE_OK) {
    aExchange.code = status > 0 ? static_cast<int32_t>(status) : -static_cast<int32_t>(result);
    aFailure = Utf8ToUtf16(errorText[0] != '\0' ? errorText : curl_easy_strerror(result));
    return false;
  }
  aExchange.code = static_cast<int32_t>(status);
  if (status >= 400) {
    aFailure = Utf8ToUtf16(aExchange.statusLine.empty() ? "HTTP/1.1 " + std::to_string(status)
                                                        : aExchange.statusLine);
    return false;
  }
  return true;
}

bool kIOHandler_HTTP::Write(const std::u16string& aMessage) {
  const std::string body = Utf16ToUtf8(aMessage);
  WriteLog(let_info, u"Write [" + IntToStr(static_cast<int64_t>(body.size())) + u"]", aMessage);
  Exchange exchange;
  std::u16string failure;
  if (Post(body, exchange, failure)) {
    fResponse = Utf8ToUtf16(exchange.body);
    fResponseCode = exchange.code;
  } else {
    WriteLog(let_error, u"Post Error", failure);
    const int32_t code = exchange.code;
    if (code < 200 || code > 299) {
      fResponseCode = code;
      SetCustomError(code, failure + u" " + DecodeError(code));
      WriteLog(let_error, u"Post Error", IntToStr(code) + u" " + DecodeError(code));
    } else {
      fResponseCode = 999;
      SetCustomError(999, failure);
    }
  }
  WriteLog(let_info, u"Read", u"ResponseCode:" + IntToStr(fResponseCode) + u"\r\n" + fResponse);
  return fResponseCode >= 200 && fResponseCode <= 299;
}

std::u16string kIOHandler_HTTP::ReadUpTo(const std::vector<uint8_t>&) { return {}; }

std::u16string kIOHandler_HTTP::ReadChars(int32_t) { return {}; }

std::u16string kIOHandler_HTTP::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_HTTP::DecodeError(int32_t aErrorCode) {
  for (const auto& entry : kStatusTexts) {
    if (entry.code == aErrorCode) return entry.text;
  }
  return u"Unknown";
}

bool kIOHandler_HTTP::InputBufferContainsData() { throw tOV_Exception(u"InputBufferContainsData Unsupported"); }

void kIOHandler_HTTP::SetParameter(const std::u16string& aName, const std::u16string& aValue) {
  for (auto& header : fCustomHeaders) {
    if (SameText(header.first, aName)) {
      header.second = aValue;
      return;
    }
  }
  fCustomHeaders.emplace_back(aName, aValue);
}

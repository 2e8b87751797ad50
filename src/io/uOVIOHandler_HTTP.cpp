#include "io/uOVIOHandler_HTTP.h"

#include <optional>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

// Without any answer for this long the POST gives up. The handler has no read
// time-out of its own; this only keeps a silent peer from holding the caller
// for ever.
constexpr int32_t kStalledMilliseconds = 300 * 1000;

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

}  // namespace

kIOHandler_HTTP::kIOHandler_HTTP(const kConnection* aConnection, const std::u16string& aDirectory,
                                 const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName), fHttpClient(std::make_unique<ovHttpSession>()) {
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

kIOHandler_HTTP::~kIOHandler_HTTP() = default;

bool kIOHandler_HTTP::Connected() { return fHttpClient->HoldsConnection(); }

bool kIOHandler_HTTP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"URL=" + fURL);
  fClientConnectTimeout = ConnectTimeout();
  return true;
}

bool kIOHandler_HTTP::Disconnect() {
  fHttpClient->CloseConnections();
  return !Connected();
}

bool kIOHandler_HTTP::Post(const std::string& aBody, int32_t& aCode, std::string& aAnswer, std::u16string& aFailure) {
  ovHttpRequest request;
  request.url = fURL;
  request.body = &aBody;
  request.connectTimeoutMs = fClientConnectTimeout;
  request.readTimeoutMs = kStalledMilliseconds;
  switch (fAuthType) {
    case ovHTTPAuthType::at_Basic:  // credentials with the first request
      request.auth = ovHttpAuthScheme::Basic;
      break;
    case ovHTTPAuthType::at_Digest:  // the 401 challenge is answered within the call
      request.auth = ovHttpAuthScheme::Digest;
      break;
    case ovHTTPAuthType::at_None:
    case ovHTTPAuthType::at_Bearer:  // a bearer token comes as a custom header, if at all
      break;
  }
  request.user = fUser;
  request.password = fPassword;
  bool customContentType = false;
  for (const auto& [name, value] : fCustomHeaders) customContentType |= SameText(name, u"Content-Type");
  if (!customContentType) {
    // An empty content type sends none rather than the stack's form type.
    request.headers.emplace_back("Content-Type", fContentType.empty() ? std::nullopt
                                                                      : std::optional(Utf16ToUtf8(fContentType)));
  }
  // The exchange keeps line breaks out of every header it sends.
  for (const auto& [name, value] : fCustomHeaders) request.headers.emplace_back(Utf16ToUtf8(name), Utf16ToUtf8(value));

  const ovHttpAnswer answer = fHttpClient->Exchange(request);
  if (!answer.complete) {
    aCode = answer.statusSeen ? answer.status : -answer.errorCode;
    aFailure = answer.errorText;
    return false;
  }
  aCode = answer.status;
  if (answer.status >= 400) {
    aFailure = AsciiToUtf16("HTTP/1.1 " + std::to_string(answer.status)) +
               (answer.statusText.empty() ? u"" : u" " + Utf8ToUtf16(answer.statusText));
    return false;
  }
  aAnswer = answer.body;
  return true;
}

bool kIOHandler_HTTP::Write(const std::u16string& aMessage) {
  const std::string body = Utf16ToUtf8(aMessage);
  WriteLog(let_info, u"Write [" + IntToStr(static_cast<int64_t>(body.size())) + u"]", aMessage);
  int32_t code = 0;
  std::string answer;
  std::u16string failure;
  if (Post(body, code, answer, failure)) {
    fResponse = Utf8ToUtf16(answer);
    fResponseCode = code;
  } else {
    WriteLog(let_error, u"Post Error", failure);
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

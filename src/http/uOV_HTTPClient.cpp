#include "http/uOV_HTTPClient.h"

#include <algorithm>

#include "base/uOV_Text.h"
#include "http/uOV_JsonMask.h"
#include "http/uOV_JsonWriter.h"
#include "platform/ovUtf.h"

namespace {

// The services answer small JSON documents (a few KiB); what the client keeps
// of an answer stops here, so that a server that sends without end cannot
// exhaust the host's memory.
constexpr size_t kMaxResponseBytes = 1024 * 1024;

std::u16string CodeAndText(int32_t aCode, const std::u16string& aText) { return IntToStr(aCode) + u" - " + aText; }

int32_t Milliseconds(int32_t aSeconds) { return aSeconds > 0 ? aSeconds * 1000 : 0; }

}  // namespace

OV_HttpClient::OV_HttpClient(std::shared_ptr<ovHttpSession> aSession)
    : fSession(aSession ? std::move(aSession) : std::make_shared<ovHttpSession>()) {}

OV_HttpClient::~OV_HttpClient() = default;

void OV_HttpClient::SetRequestHeader(const std::u16string& aKey, const std::u16string& aValue) {
  // The exchange keeps line breaks out of every header it sends.
  const std::u16string key = Trim(aKey);
  if (key.empty()) return;
  for (auto& header : fRequestHeaders) {
    if (SameText(header.first, key)) {
      header = {key, aValue};
      return;
    }
  }
  fRequestHeaders.emplace_back(key, aValue);
}

bool OV_HttpClient::ManageCookies() {
  fKeepCookies = true;
  return true;
}

void OV_HttpClient::ConfigureConnection() {
  fHTTPAlreadySet = true;
  fApplied.connectTimeoutMs = Milliseconds(fConnectTimeout);
  fApplied.userAgent = Utf16ToUtf8(fUserAgent);
  fApplied.verifyServer = fVerifyServerCertificate;
  fApplied.caFile = fCAFile;
  fApplied.maxAnswerBytes = kMaxResponseBytes;
  switch (fAuthType) {
    case ovHTTPAuthType::at_Basic:
      fApplied.auth = ovHttpAuthScheme::Basic;
      break;
    case ovHTTPAuthType::at_Digest:
      fApplied.auth = ovHttpAuthScheme::Digest;
      break;
    case ovHTTPAuthType::at_Bearer:
      // Sent by Exchange as a header of its own: exactly "Bearer <token>".
      fAppliedBearer = fBearer;
      break;
    case ovHTTPAuthType::at_None:
      break;
  }
  if (fApplied.auth != ovHttpAuthScheme::None) {
    fApplied.user = fUser;
    fApplied.password = fPassword;
  }
}

void OV_HttpClient::ApplySettings() {
  if (!fHTTPAlreadySet) ConfigureConnection();
  fApplied.readTimeoutMs = Milliseconds(fReadTimeout);
  fApplied.keepCookies = fKeepCookies;
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

  // The headers of this request: the caller's, the content type of the kind
  // of post, and the bearer token.
  ovHttpRequest request = fApplied;
  request.url = aURL;
  request.body = aBody;
  // A payment posted twice is a payment charged twice.
  request.repeatable = aBody == nullptr;
  const bool bearer = !fAppliedBearer.empty();
  for (const auto& [key, value] : fRequestHeaders) {
    if (aBody && SameText(key, u"Content-Type")) continue;
    if (bearer && SameText(key, u"Authorization")) continue;
    // An empty value sends no such header, not even the stack's own default.
    request.headers.emplace_back(Utf16ToUtf8(key), value.empty() ? std::nullopt : std::optional(Utf16ToUtf8(value)));
  }
  if (aBody) request.headers.emplace_back("Content-Type", aContentType);
  if (bearer) request.headers.emplace_back("Authorization", "Bearer " + Utf16ToUtf8(fAppliedBearer));

  const ovHttpAnswer answer = fSession->Exchange(request);
  if (!answer.complete) {
    fTransportErrorText = answer.errorText;
    // A status of failure tells the outcome even when its body was cut off.
    const bool failureStatus = answer.statusSeen && answer.status >= 400;
    fOutcomeUnknown = answer.reachedServer && !failureStatus;
  }
  if (!answer.statusSeen) {
    NoAnswer(answer.errorCode, answer.errorText);
    return false;
  }

  fLastStatusCode = answer.status;
  fLastStatusText = Utf8ToUtf16(answer.statusText);
  bool result;
  if (answer.complete) {
    fResponse = Utf8ToUtf16(answer.body);
    WriteLogEntry(let_info, u"Read [" + IntToStr(int64_t(fResponse.size())) + u"]", fResponse);
    fResponseContentType = Utf8ToUtf16(answer.contentType);
    result = true;
  } else {
    // An answer began but did not arrive in full (cut off, time-out, too large).
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

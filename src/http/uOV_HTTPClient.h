// One HTTP request/response object over the platform's HTTP stack
// (ovHttpSession: libcurl, WinHTTP), as the EPay driver uses it:
// the caller sets the properties and headers, posts one text body, and reads
// the status, the reason phrase and the answer body. Transport and HTTP
// failures are reported through the result, the status fields and the trace
// (OnWriteLog), never raised. The client owns its session; a client is used by
// one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "log/uOV_Base_Defs.h"
#include "platform/ovHttpTransport.h"
#include "request/uOvConnection.h"

// Trace sink: entry type, title ("Write", "Read [2]", "HTTP Error", ...) and
// message (URL, body, code + " - " + text).
using ovWriteLogEvent =
    std::function<void(tOV_MessageType aEntryType, const std::u16string& aTitle, const std::u16string& aMessage)>;

class OV_HttpClient {
 public:
  // With aSession, the exchanges go over that session, shared with the
  // caller's other clients: its open connections, TLS sessions and the
  // certificate store it read serve every client in turn (one at a time).
  explicit OV_HttpClient(std::shared_ptr<ovHttpSession> aSession = {});
  ~OV_HttpClient();
  OV_HttpClient(const OV_HttpClient&) = delete;
  OV_HttpClient& operator=(const OV_HttpClient&) = delete;

  // Settings. They are applied to the connection at the first request and
  // fixed from then on, except ReadTimeout, which every later request applies
  // again. Time-outs are in seconds; a value of 0 or below means no limit of
  // our own (libcurl's default for the connect phase).
  ovHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(ovHTTPAuthType aValue) { fAuthType = aValue; }
  const std::u16string& User() const { return fUser; }  // basic and digest
  void SetUser(const std::u16string& aValue) { fUser = aValue; }
  const std::u16string& Password() const { return fPassword; }  // basic and digest
  void SetPassword(const std::u16string& aValue) { fPassword = aValue; }
  // The longest wait for data from the server once connected (default 10);
  // the whole answer may take twice as long, no more.
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }
  // The connect phase, TLS handshake included (default 5).
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  void SetConnectTimeout(int32_t aValue) { fConnectTimeout = aValue; }
  // Sent as "Authorization: Bearer <token>" with at_Bearer.
  const std::u16string& Bearer() const { return fBearer; }
  void SetBearer(const std::u16string& aValue) { fBearer = aValue; }
  const std::u16string& UserAgent() const { return fUserAgent; }  // empty: no User-Agent header
  void SetUserAgent(const std::u16string& aValue) { fUserAgent = aValue; }
  // Selects the kind of post, compared exactly: "application/xml" is sent as
  // "application/xml; charset=utf-8", "application/json" as is, anything else
  // as "application/x-www-form-urlencoded" with the body as given.
  const std::u16string& ContentType() const { return fContentType; }
  void SetContentType(const std::u16string& aValue) { fContentType = aValue; }
  // Declared charset (default "utf-8"); bodies always travel as UTF-8.
  const std::u16string& ContentCharset() const { return fContentCharset; }
  void SetContentCharset(const std::u16string& aValue) { fContentCharset = aValue; }
  // HTTPS: the server's certificate and host name are checked (default on)
  // against CAFile, a PEM file of trusted certificates, or the system's store
  // when it is empty. Off: neither the certificate nor the host is checked.
  bool VerifyServerCertificate() const { return fVerifyServerCertificate; }
  void SetVerifyServerCertificate(bool aValue) { fVerifyServerCertificate = aValue; }
  const std::u16string& CAFile() const { return fCAFile; }
  void SetCAFile(const std::u16string& aValue) { fCAFile = aValue; }

  // Secrets in the trace. The string values of these JSON members are masked
  // as "********" wherever they occur in a traced message. A secret value is
  // masked wherever it occurs (as written and as a JSON string escapes it)
  // when it has at least kShortestMaskedValue characters: a shorter one would
  // mask every amount or id that happens to hold it, and stands masked by its
  // member anyway. Password and Bearer count as secret values without being
  // added. Headers are never traced. The "Write [n]" and "Read [n]" lengths
  // stay those of the real text.
  static constexpr size_t kShortestMaskedValue = 8;
  const std::vector<std::u16string>& SecretMembers() const { return fSecretMembers; }
  void SetSecretMembers(std::vector<std::u16string> aNames) { fSecretMembers = std::move(aNames); }
  void AddSecretMember(const std::u16string& aName) { fSecretMembers.push_back(aName); }
  void AddSecretValue(const std::u16string& aValue) { fSecretValues.push_back(aValue); }
  // Card numbers in the trace: the values of these JSON members keep at most
  // their first six and last four digits (MaskCardNumber).
  void SetCardNumberMembers(std::vector<std::u16string> aNames) { fCardNumberMembers = std::move(aNames); }

  // The last request only. Without an answer, LastStatusCode is the HTTP
  // stack's error code (ovHttpErrorCodes: libcurl's CURLcode 7 refused, 28
  // time-out, 60 certificate not trusted; WinHTTP's errors on Windows) and
  // LastStatusText its error text.
  int32_t LastStatusCode() const { return fLastStatusCode; }
  const std::u16string& LastStatusText() const { return fLastStatusText; }
  // The request reached the server, but no complete answer came back and none
  // that says it failed (cut off, too large, timed out, connection dropped):
  // the server may have acted on it. TransportErrorText then says what
  // happened (libcurl's error text); it is empty after a complete answer.
  bool OutcomeUnknown() const { return fOutcomeUnknown; }
  const std::u16string& TransportErrorText() const { return fTransportErrorText; }
  const std::u16string& Response() const { return fResponse; }
  const std::u16string& ResponseContentType() const { return fResponseContentType; }

  const ovWriteLogEvent& OnWriteLog() const { return fOnWriteLog; }
  void SetOnWriteLog(ovWriteLogEvent aValue) { fOnWriteLog = std::move(aValue); }

  // Adds a header to every later request of this client, replacing one of the
  // same name (letter case aside). An empty value sends no such header, not
  // even libcurl's own default (e.g. "Accept"). CR and LF are dropped.
  void SetRequestHeader(const std::u16string& aKey, const std::u16string& aValue);

  // Posts aMessage (as UTF-8) to aURL. True: an answer was received in full
  // and its status is 200 to 299 or 301 to 308 (redirects are not followed).
  // A post goes out once: a connection that dies under it is not sent again.
  bool Post(const std::u16string& aURL, const std::u16string& aMessage);
  // A simple GET; true for an answer received in full with status 200 to 299.
  bool Get(const std::u16string& aURL);
  // Keeps cookies in memory for this client's later requests; always true.
  bool ManageCookies();

 private:
  void ConfigureConnection();
  void ApplySettings();
  bool Exchange(const std::u16string& aURL, const std::string* aBody, const std::string& aContentType,
                bool aRedirectAccepted);
  void NoAnswer(int32_t aCode, const std::u16string& aText);
  void WriteLogEntry(tOV_MessageType aEntryType, const std::u16string& aTitle, const std::u16string& aMessage);
  std::u16string MaskSecrets(const std::u16string& aText) const;

  std::shared_ptr<ovHttpSession> fSession;
  bool fHTTPAlreadySet = false;
  ovHTTPAuthType fAuthType = ovHTTPAuthType::at_None;
  std::u16string fUser;
  std::u16string fPassword;
  int32_t fReadTimeout = 10;
  int32_t fConnectTimeout = 5;
  std::u16string fBearer;
  std::u16string fUserAgent;
  std::u16string fContentType;
  std::u16string fContentCharset = u"utf-8";
  int32_t fLastStatusCode = 0;
  std::u16string fLastStatusText;
  bool fOutcomeUnknown = false;
  std::u16string fTransportErrorText;
  std::u16string fResponse;
  std::u16string fResponseContentType;
  ovWriteLogEvent fOnWriteLog;

  bool fVerifyServerCertificate = true;
  std::u16string fCAFile;
  bool fKeepCookies = false;
  std::vector<std::u16string> fSecretMembers;
  std::vector<std::u16string> fSecretValues;
  std::vector<std::u16string> fCardNumberMembers;
  std::vector<std::pair<std::u16string, std::u16string>> fRequestHeaders;
  // What the first request fixed; the read time-out is taken again each time.
  ovHttpRequest fApplied;
  std::u16string fAppliedBearer;  // empty: none is sent
};

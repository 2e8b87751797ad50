// I/O handler of devices reached over HTTP: Write posts the message as the
// body of one POST to the configured URL and keeps the answer in Response and
// ResponseCode. There is no stream to read from. Built on the platform's HTTP
// stack; the handler owns its session, which may keep the connection open
// between requests.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "io/uOVIOHandler.h"
#include "platform/ovHttpTransport.h"
#include "request/uOvConnection.h"

class kIOHandler_HTTP : public kIOHandler {
 public:
  // URL from the connection (or Address:Port), its authentication and its
  // connect time-out.
  kIOHandler_HTTP(const kConnection* aConnection, const std::u16string& aDirectory,
                  const std::u16string& aFileName);
  ~kIOHandler_HTTP() override;

  const char16_t* ClassName() const override { return u"kIOHandler_HTTP"; }
  // Whether the session still holds a connection from an earlier request.
  bool Connected() override;
  // Logs the connect block and the URL and takes ConnectTimeout; opens nothing.
  bool Connect() override;
  // Drops any connection the handle holds; answers whether none is left.
  bool Disconnect() override;
  void ClearBuffers() override {}
  // One POST of the UTF-8 message; true for a 2xx answer. Failures are logged
  // and recorded in the error state, never raised.
  bool Write(const std::u16string& aMessage) override;
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  // Text of an HTTP status; "Unknown" for any other code.
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  // Adds a request header, or replaces the value of one of that name; it
  // stays for all later requests.
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  const std::u16string& ContentType() const { return fContentType; }
  void SetContentType(const std::u16string& aValue) { fContentType = aValue; }
  const std::u16string& URL() const { return fURL; }
  void SetURL(const std::u16string& aValue) { fURL = aValue; }
  ovHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(ovHTTPAuthType aValue) { fAuthType = aValue; }
  const std::u16string& User() const { return fUser; }
  void SetUser(const std::u16string& aValue) { fUser = aValue; }
  const std::u16string& Password() const { return fPassword; }
  void SetPassword(const std::u16string& aValue) { fPassword = aValue; }
  const std::u16string& Response() const { return fResponse; }
  void SetResponse(const std::u16string& aValue) { fResponse = aValue; }
  int32_t ResponseCode() const { return fResponseCode; }
  void SetResponseCode(int32_t aValue) { fResponseCode = aValue; }
  // Request headers set by SetParameter, in the order they were added.
  const std::vector<std::pair<std::u16string, std::u16string>>& CustomHeaders() const { return fCustomHeaders; }

 private:
  // The POST itself: true when an answer arrived whose status the client
  // accepts (below 400), with aAnswer its body; otherwise aFailure holds the
  // client's message. aCode is the status, or the stack's error negated when
  // no status arrived.
  bool Post(const std::string& aBody, int32_t& aCode, std::string& aAnswer, std::u16string& aFailure);

  std::unique_ptr<ovHttpSession> fHttpClient;
  std::u16string fContentType;
  std::u16string fURL;
  ovHTTPAuthType fAuthType = ovHTTPAuthType::at_None;
  std::u16string fUser;
  std::u16string fPassword;
  std::u16string fResponse;
  int32_t fResponseCode = 0;
  std::vector<std::pair<std::u16string, std::u16string>> fCustomHeaders;
  int32_t fClientConnectTimeout = 0;  // ms; 0 leaves curl's default
};

// Tokens of the terminal service and the posting of one request to either
// service.
#include <exception>
#include <optional>

#include "base/uOV_Exception.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "http/uOV_HTTPClient.h"
#include "http/uOV_JsonReader.h"
#include "http/uOV_JsonWriter.h"
#include "io/uOVIOHandler_HTTP.h"
#include "platform/ovUtf.h"

namespace {

constexpr const char16_t* kUserAgent = u"Orvan QVD Driver";

// The error text of a failed terminal exchange: the answer's "error" member
// when the body is a JSON object that holds one as text, else the reason phrase.
std::u16string TerminalErrorText(const std::u16string& aBody, const std::u16string& aStatusText) {
  const std::optional<tOV_JsonValue> answer = tOV_JsonValue::Parse(aBody);
  std::u16string error;
  if (answer && answer->IsObject() && answer->TryGetText(u"error", error)) return error;
  return aStatusText;
}

// A request that went out without a complete answer coming back may have been
// carried out: a card may have been charged. The text says so, so that the
// till checks the terminal before it tries again.
std::u16string OutcomeUnknownText(const char16_t* aService, const OV_HttpClient& aClient) {
  return u"The answer of the " + std::u16string(aService) + u" could not be read (" + aClient.TransportErrorText() +
         u"): the outcome is unknown, check the terminal before retrying";
}

}  // namespace

bool kPayment_DOVAVAREZU::RequestAccessToken() {
  fAccessToken.clear();
  fRefreshToken.clear();
  tOV_JsonObject login;
  login.AddString(u"username", fUser).AddString(u"password", fPassword);
  fJSONRequest = login.ToJSON();
  const bool ok = PostToTerminalService(fBaseURL + u"/token");
  if (ok) {
    const tOV_JsonValue answer = tOV_JsonValue::ParseObject(fJSONResponse);
    fAccessToken = answer.GetText(u"access");
    fRefreshToken = answer.GetText(u"refresh");
  }
  return ok;
}

bool kPayment_DOVAVAREZU::RefreshAccessToken() {
  fAccessToken.clear();
  tOV_JsonObject refresh;
  refresh.AddString(u"refresh", fRefreshToken);
  fJSONRequest = refresh.ToJSON();
  const bool ok = PostToTerminalService(fBaseURL + u"/token/refresh");
  // The log-in's refresh token stays in use, whatever the answer holds.
  if (ok) fAccessToken = tOV_JsonValue::ParseObject(fJSONResponse).GetText(u"access");
  return ok;
}

void kPayment_DOVAVAREZU::PrepareClient(OV_HttpClient& aClient) {
  aClient.SetOnWriteLog([this](tOV_MessageType aType, const std::u16string& aTitle, const std::u16string& aMessage) {
    IOHandler().WriteLog(aType, aTitle, aMessage);
  });
  fIOHandlerHTTP->ResetCustomError();
  aClient.SetConnectTimeout(kConnectTimeoutSeconds);
  aClient.SetReadTimeout(fReadTimeout);
  aClient.SetUserAgent(kUserAgent);
  aClient.SetContentType(u"application/json");
  aClient.SetVerifyServerCertificate(fTlsVerify);
  aClient.SetCAFile(fCAFile);
  // No secret reaches the device log: the log-in password and the tokens by
  // their member names, the keys and tokens by their values wherever they are.
  aClient.SetSecretMembers({u"password", u"access", u"refresh"});
  aClient.SetCardNumberMembers({u"CardPAN"});
  for (const std::u16string* secret : {&fPassword, &fAccessToken, &fRefreshToken, &fApiKey, &fImpactApiKey}) {
    if (!secret->empty()) aClient.AddSecretValue(*secret);
  }
}

// Posts fJSONRequest; an exception of the client counts as a failed post.
bool kPayment_DOVAVAREZU::PostWith(OV_HttpClient& aClient, const std::u16string& aURL) {
  try {
    return aClient.Post(aURL, fJSONRequest);
  } catch (const tOV_Exception& error) {
    IOHandler().WriteLog(let_error, u"kDOVAVAREZU.Post", error.Message());
  } catch (const std::exception& error) {
    IOHandler().WriteLog(let_error, u"kDOVAVAREZU.Post", Utf8ToUtf16(error.what()));
  }
  return false;
}

bool kPayment_DOVAVAREZU::PostToTerminalService(const std::u16string& aURL) {
  fJSONResponse.clear();
  OV_HttpClient client(fHttpSession);
  PrepareClient(client);
  if (!fAccessToken.empty()) {
    client.SetAuthType(ovHTTPAuthType::at_Bearer);
    client.SetBearer(fAccessToken);
  }
  if (!fApiKey.empty()) client.SetRequestHeader(u"X-Api-Key", fApiKey);

  const bool ok = PostWith(client, aURL);
  if (!client.Response().empty()) fJSONResponse = client.Response();
  if (!ok) {
    fIOHandlerHTTP->SetCustomError(client.LastStatusCode(),
                                   client.OutcomeUnknown() ? OutcomeUnknownText(u"terminal service", client)
                                                           : TerminalErrorText(fJSONResponse, client.LastStatusText()));
  }
  return ok;
}

bool kPayment_DOVAVAREZU::PostToSigningService(const std::u16string& aURL) {
  fJSONResponse.clear();
  OV_HttpClient client(fHttpSession);
  PrepareClient(client);
  client.SetRequestHeader(u"APIKey", fImpactApiKey);
  client.SetRequestHeader(u"Accept", u"*/*");

  const bool ok = PostWith(client, aURL);
  if (ok) {
    fJSONResponse = client.Response();
  } else {
    fIOHandlerHTTP->SetCustomError(client.LastStatusCode(), client.OutcomeUnknown()
                                                                ? OutcomeUnknownText(u"signing service", client)
                                                                : client.LastStatusText());
  }
  return ok;
}

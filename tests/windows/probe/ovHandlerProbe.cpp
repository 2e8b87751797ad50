// ovpa-handler-probe: one operation of the Windows build's I/O handlers and
// HTTP client, for the tests that run it under Wine against peers of their
// own. It prints one JSON line.
//
//   ovpa-handler-probe handler URL AUTH USER PASSWORD BODY
//       one Write of the HTTP I/O handler (AUTH: none, basic or digest)
//   ovpa-handler-probe client URL READ_TIMEOUT_SECONDS BODY
//       one Post of the EPay driver's HTTP client (application/json)
//   ovpa-handler-probe library NAME
//       the DLL handler built for the library NAME: its failure, if any
#include <iostream>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"
#include "http/uOV_HTTPClient.h"
#include "http/uOV_JsonWriter.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"

namespace {

int Handler(const std::vector<std::u16string>& aArguments) {
  kConnection connection;
  connection.SetURL(aArguments[1]);
  connection.SetAuthType(kConnection::ConvertAuthType(aArguments[2]));
  connection.SetUser(aArguments[3]);
  connection.SetPassword(aArguments[4]);
  kIOHandler_HTTP handler(&connection, u"", u"");
  const bool ok = handler.Write(aArguments[5]);
  tOV_JsonObject answer;
  answer.AddInteger(u"ok", ok ? 1 : 0)
      .AddInteger(u"responseCode", handler.ResponseCode())
      .AddString(u"response", handler.Response())
      .AddInteger(u"errorFound", handler.ErrorFound() ? 1 : 0)
      .AddInteger(u"errorCode", handler.ErrorCode())
      .AddString(u"errorMessage", handler.ErrorMessage());
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

int Client(const std::vector<std::u16string>& aArguments) {
  OV_HttpClient client;
  client.SetContentType(u"application/json");
  client.SetConnectTimeout(10);
  client.SetReadTimeout(std::stoi(Utf16ToUtf8(aArguments[2])));
  const bool ok = client.Post(aArguments[1], aArguments[3]);
  tOV_JsonObject answer;
  answer.AddInteger(u"ok", ok ? 1 : 0)
      .AddInteger(u"lastStatusCode", client.LastStatusCode())
      .AddString(u"lastStatusText", client.LastStatusText())
      .AddString(u"response", client.Response())
      .AddInteger(u"outcomeUnknown", client.OutcomeUnknown() ? 1 : 0)
      .AddString(u"transportErrorText", client.TransportErrorText());
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

int Library(const std::vector<std::u16string>& aArguments) {
  kConnection connection;
  connection.SetLibraryName(aArguments[1]);
  std::u16string failure;
  try {
    kIOHandler_Dll handler(&connection, u"", u"");
  } catch (const tOV_Exception& error) {
    failure = error.Message();
  }
  tOV_JsonObject answer;
  answer.AddString(u"failure", failure);
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

}  // namespace

int main() {
  const std::vector<std::u16string> arguments = CommandLineArguments();
  if (arguments.size() == 6 && arguments[0] == u"handler") return Handler(arguments);
  if (arguments.size() == 4 && arguments[0] == u"client") return Client(arguments);
  if (arguments.size() == 2 && arguments[0] == u"library") return Library(arguments);
  std::cerr << "usage: ovpa-handler-probe handler URL AUTH USER PASSWORD BODY | client URL READ_TIMEOUT BODY"
               " | library NAME\n";
  return 2;
}

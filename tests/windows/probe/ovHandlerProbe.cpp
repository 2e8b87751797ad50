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
//   ovpa-handler-probe spool-raw PRINTER TEXT
//       one raw job of the spool handler (TEXT in code page 1253)
//   ovpa-handler-probe spool-page PRINTER WIDTH HEIGHT
//       one page of the spool handler with a WIDTH x HEIGHT bitmap of four
//       quadrants (red, green / blue, black), and the printer's capabilities
//   ovpa-handler-probe opos PROGID DEVICE
//       the OPOS handler built for the control PROGID, then Connect
#include <iostream>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"
#include "http/uOV_HTTPClient.h"
#include "http/uOV_JsonWriter.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "io/uOVIOHandler_OPOS.h"
#include "io/uOVIOHandler_Spool.h"
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

int SpoolRaw(const std::vector<std::u16string>& aArguments) {
  kConnection connection;
  connection.SetPrinterName(aArguments[1]);
  kIOHandler_Spool handler(&connection, u"", u"");
  handler.SetOutputType(ovSpoolOutputType::Raw);
  handler.SetCodePage(1253);
  const bool ok = handler.Write(aArguments[2]);
  tOV_JsonObject answer;
  answer.AddInteger(u"ok", ok ? 1 : 0).AddString(u"errorMessage", handler.ErrorMessage());
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

int SpoolPage(const std::vector<std::u16string>& aArguments) {
  const int32_t width = std::stoi(Utf16ToUtf8(aArguments[2]));
  const int32_t height = std::stoi(Utf16ToUtf8(aArguments[3]));
  tOV_Bitmap bitmap(width, height);
  bitmap.FillRect(0, 0, width / 2, height / 2, 255, 0, 0);
  bitmap.FillRect(width / 2, 0, width - width / 2, height / 2, 0, 255, 0);
  bitmap.FillRect(0, height / 2, width / 2, height - height / 2, 0, 0, 255);
  bitmap.FillRect(width / 2, height / 2, width - width / 2, height - height / 2, 0, 0, 0);
  tOV_JsonObject answer;
  // What the printer's device context reports, from a document that is abandoned.
  ovPrinterPage probe;
  std::u16string errorText;
  if (probe.Begin(aArguments[1], u"probe", ovSpoolTimeouts{}, errorText)) {
    const ovPrinterCapabilities& caps = probe.Capabilities();
    answer.AddInteger(u"horzRes", caps.HorzRes)
        .AddInteger(u"vertRes", caps.VertRes)
        .AddInteger(u"offsetX", caps.PhysicalOffsetX)
        .AddInteger(u"offsetY", caps.PhysicalOffsetY)
        .AddInteger(u"dpi", caps.LogPixelsX);
  }
  kConnection connection;
  connection.SetPrinterName(aArguments[1]);
  kIOHandler_Spool handler(&connection, u"", u"");
  handler.SetBitmap(&bitmap);
  std::u16string failure;
  bool ok = false;
  try {
    ok = handler.Write(u"");
  } catch (const tOV_Exception& error) {
    failure = error.Message();
  }
  answer.AddInteger(u"ok", ok ? 1 : 0).AddString(u"failure", failure);
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

int Opos(const std::vector<std::u16string>& aArguments) {
  kConnection connection;
  connection.SetLibraryName(aArguments[1]);
  connection.SetDeviceName(aArguments[2]);
  std::u16string failure;
  int connected = -1;
  try {
    kIOHandler_OPOS handler(&connection, u"", u"");
    connected = handler.Connect() ? 1 : 0;
  } catch (const tOV_Exception& error) {
    failure = error.Message();
  }
  tOV_JsonObject answer;
  answer.AddString(u"failure", failure).AddInteger(u"connected", connected);
  std::cout << Utf16ToUtf8(answer.ToJSON()) << std::endl;
  return 0;
}

}  // namespace

int main() {
  const std::vector<std::u16string> arguments = CommandLineArguments();
  if (arguments.size() == 6 && arguments[0] == u"handler") return Handler(arguments);
  if (arguments.size() == 4 && arguments[0] == u"client") return Client(arguments);
  if (arguments.size() == 2 && arguments[0] == u"library") return Library(arguments);
  if (arguments.size() == 3 && arguments[0] == u"spool-raw") return SpoolRaw(arguments);
  if (arguments.size() == 4 && arguments[0] == u"spool-page") return SpoolPage(arguments);
  if (arguments.size() == 3 && arguments[0] == u"opos") return Opos(arguments);
  std::cerr << "usage: ovpa-handler-probe handler URL AUTH USER PASSWORD BODY | client URL READ_TIMEOUT BODY"
               " | library NAME | spool-raw PRINTER TEXT | spool-page PRINTER WIDTH HEIGHT | opos PROGID DEVICE\n";
  return 2;
}

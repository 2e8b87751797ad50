#include "io/uOVIOHandlerFactory.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/uOVIOHandler_Com.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "io/uOVIOHandler_OPOS.h"
#include "io/uOVIOHandler_Serial.h"
#include "io/uOVIOHandler_Spool.h"
#include "io/uOVIOHandler_TCP.h"
#include "request/uOvDeviceHandler.h"

namespace {

// Longest part of a log file name taken from the request: the whole name,
// with the driver, the date and a roll-over stamp, stays well within the 255
// bytes a file name may have, even in UTF-8.
constexpr size_t kMaxLogNamePart = 64;

// A part of a file name as the request spelled it, made safe: a path
// separator or a character that no file name may hold on either platform
// becomes "_", and the text is cut to kMaxLogNamePart. So a request cannot
// move its log out of the folder, nor lose the part that names the driver.
std::u16string FileNamePart(std::u16string_view aText) {
  std::u16string part(aText.substr(0, kMaxLogNamePart));
  for (char16_t& c : part) {
    if (c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) c = u'_';
  }
  return part;
}

}  // namespace

std::u16string LogFileBaseName(const kDeviceHandler& aHandler) {
  return FileNamePart(aHandler.Driver()) + u"_" + FileNamePart(aHandler.LogId());
}

std::unique_ptr<kIOHandler> CreateIOHandler(const kDeviceHandler& aHandler, const std::u16string& aLogDir) {
  const std::u16string logName = LogFileBaseName(aHandler);
  const kConnection& connection = aHandler.Connection();
  std::unique_ptr<kIOHandler> handler;
  switch (connection.ConnectionType()) {
    case ovConnectionType::HTTP:
      handler = std::make_unique<kIOHandler_HTTP>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::DLL:
      handler = std::make_unique<kIOHandler_Dll>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::Com:
      handler = std::make_unique<kIOHandler_Com>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::OPOS:
      handler = std::make_unique<kIOHandler_OPOS>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::Spool:
      handler = std::make_unique<kIOHandler_Spool>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::TCP:
      handler = std::make_unique<kIOHandler_TCP>(&connection, aLogDir, logName);
      break;
    case ovConnectionType::Serial:
      handler = std::make_unique<kIOHandler_Serial>(&connection, aLogDir, logName);
      break;
  }
  if (!handler) throw tOV_Exception(u"Connection Type is not valid");
  handler->SetHexLog(LowerCase(aHandler.GetParameter(u"HexLog")) == u"true");
  return handler;
}

#include "io/uOVIOHandlerFactory.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/uOVIOHandler_Com.h"
#include "io/uOVIOHandler_Dll.h"
#include "io/uOVIOHandler_HTTP.h"
#include "request/uOvDeviceHandler.h"

std::unique_ptr<kIOHandler> CreateIOHandler(const kDeviceHandler& aHandler, const std::u16string& aLogDir) {
  const std::u16string logName = aHandler.Driver() + u"_" + aHandler.LogId();
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
    case ovConnectionType::TCP:
    case ovConnectionType::Serial:
    case ovConnectionType::Spool:
      throw tOV_Exception(u"Connection Type " + kConnection::ConnectionTypeToString(connection.ConnectionType()) +
                          u" is not available in this version");
  }
  if (!handler) throw tOV_Exception(u"Connection Type is not valid");
  handler->SetHexLog(LowerCase(aHandler.GetParameter(u"HexLog")) == u"true");
  return handler;
}

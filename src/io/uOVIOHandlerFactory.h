// Builds the I/O handler a device's request envelope asks for. It lives in
// the I/O layer because the envelope's layer sits below the handlers.
#pragma once

#include <memory>
#include <string>

#include "io/uOVIOHandler.h"

class kDeviceHandler;

// The handler class follows the connection type; its log is
// aLogDir/<Driver>_<LogId>_yyyymmdd.log. The parameter "HexLog" set to "true"
// in any letter case switches the hex dump on. Raises what the handler's
// constructor raises, and "Connection Type <type> is not available in this
// version" for the connection types this build has no handler for.
std::unique_ptr<kIOHandler> CreateIOHandler(const kDeviceHandler& aHandler, const std::u16string& aLogDir);

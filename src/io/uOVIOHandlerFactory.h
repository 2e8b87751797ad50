// Builds the I/O handler a device's request envelope asks for. It lives in
// the I/O layer because the envelope's layer sits below the handlers.
#pragma once

#include <memory>
#include <string>

#include "io/uOVIOHandler.h"

class kDeviceHandler;

// <Driver>_<LogId>, each part made fit for a file name: path separators and
// characters no file name may hold become "_", and each part is cut to 64
// characters.
std::u16string LogFileBaseName(const kDeviceHandler& aHandler);

// The handler class follows the connection type; its log is
// aLogDir/LogFileBaseName_yyyymmdd.log. The parameter "HexLog" set to "true"
// in any letter case switches the hex dump on. Raises what the handler's
// constructor raises, and "Connection Type <type> is not available in this
// version" for the connection types this build has no handler for.
std::unique_ptr<kIOHandler> CreateIOHandler(const kDeviceHandler& aHandler, const std::u16string& aLogDir);

// The ODBC API as the system provides it: unixODBC's headers on POSIX, the
// Windows SDK's (which need windows.h first) on Windows. SQLWCHAR is UTF-16 on both.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

static_assert(sizeof(SQLWCHAR) == 2, "the wide ODBC API must be UTF-16");

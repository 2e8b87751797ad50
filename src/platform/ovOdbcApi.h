// The ODBC API as the system provides it: unixODBC's headers on POSIX, the
// Windows SDK's (which need windows.h first) on Windows. SQLWCHAR is UTF-16 on both.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

static_assert(sizeof(SQLWCHAR) == 2, "the wide ODBC API must be UTF-16");

// The ODBC driver for SQL Server when the settings name none: on Windows
// "SQL Server", the one every Windows carries (a newer "ODBC Driver 18 for
// SQL Server" is named in the settings); on POSIX FreeTDS's.
#if defined(_WIN32)
inline constexpr const char16_t* kSystemSqlServerDriver = u"SQL Server";
#else
inline constexpr const char16_t* kSystemSqlServerDriver = u"FreeTDS";
#endif

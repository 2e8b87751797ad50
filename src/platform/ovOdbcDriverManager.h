// The ODBC driver manager stays loaded once the library has used it.
#pragma once

// Keeps the driver manager in the process until it ends, even when the host
// unloads this library. Safe to call often; only the first call acts.
void KeepOdbcDriverManagerLoaded();

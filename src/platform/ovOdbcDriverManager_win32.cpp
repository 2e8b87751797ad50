#include "platform/ovOdbcDriverManager.h"

#include <windows.h>

#include <mutex>

// As on other systems: whatever the driver manager holds for the process
// stays reachable when the host unloads this library and loads it again.
void KeepOdbcDriverManagerLoaded() {
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"odbc32.dll", &module);
  });
}

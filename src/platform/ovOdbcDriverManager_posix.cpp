#include "platform/ovOdbcDriverManager.h"

#include <dlfcn.h>

#include <mutex>

#include "platform/ovOdbcApi.h"

// unixODBC keeps what it read of odbc.ini and odbcinst.ini in a cache that
// only its globals reach. Unloaded together with this library it loses that
// memory, at every unload of a host that loads and unloads the library again
// and again; kept loaded, it finds its cache at the next load.
void KeepOdbcDriverManagerLoaded() {
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info module{};
    if (dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &module) == 0 || module.dli_fname == nullptr) return;
    // A reference never given back: RTLD_NODELETE keeps the module past the
    // process's last dlclose of it.
    dlopen(module.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  });
}

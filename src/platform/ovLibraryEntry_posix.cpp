// Runs at dlopen and at dlclose, or at process exit for a host that never
// unloads the library (after every static destructor of the process, which
// is why the library keeps no object with one).
#include "platform/ovLibraryEntry.h"

namespace {

__attribute__((constructor)) void OnLoad() { LibraryLoad(); }

__attribute__((destructor)) void OnUnload() { LibraryUnload(); }

}  // namespace

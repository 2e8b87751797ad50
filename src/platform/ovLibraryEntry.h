// Where the system hands the library its load and unload: a constructor and a
// destructor function of the shared object on POSIX, DllMain on Windows. Both
// run the library's one pair, which the library defines beside its exports.
#pragma once

// Everything the library needs before its first export call.
void LibraryLoad();
// Everything undone, in the reverse order; the host's process may be ending.
void LibraryUnload();

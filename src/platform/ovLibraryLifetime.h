// What the library's own threads must know of how the library is going away,
// and the library's module. On POSIX an unload is always ordinary: threads
// may be joined. On Windows DllMain runs under the loader lock: at
// FreeLibrary a thread that ends would wait for that lock, so none may be
// waited for; at process exit the other threads are already gone.
#pragma once

#include <thread>

enum class ovUnloadContext { Ordinary, LoaderLockHeld, ProcessExiting };

ovUnloadContext CurrentUnloadContext();
void SetUnloadContext(ovUnloadContext aContext);

// The library's own module (Windows: for its resources); null elsewhere and
// before the library is loaded.
void* LibraryModule();
void SetLibraryModule(void* aModule);

// Ends a thread that waits, holding nothing, for a wake-up that never comes:
// the way out under the loader lock, where it may not end by itself. The
// thread object is left neither joinable nor running. Ordinary unloads join.
void StopParkedThread(std::thread& aThread);

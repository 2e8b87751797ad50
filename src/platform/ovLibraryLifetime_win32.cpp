#include <windows.h>

#include <pthread.h>

#include "platform/ovLibraryLifetime.h"

// The thread holds no lock and runs no code of ours while parked, so ending it
// from outside leaves nothing half done; ended this way it does not ask for
// the loader lock, which the caller holds. Its own stack goes with it.
void StopParkedThread(std::thread& aThread) {
  if (!aThread.joinable()) return;
  const HANDLE handle = pthread_gethandle(aThread.native_handle());
  TerminateThread(handle, 0);
  WaitForSingleObject(handle, INFINITE);
  aThread.detach();
}

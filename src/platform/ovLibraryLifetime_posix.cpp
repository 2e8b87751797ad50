#include "platform/ovLibraryLifetime.h"

// Unloads here are ordinary: the thread is only parked when asked to be, which
// POSIX never does, so joining it is all there is.
void StopParkedThread(std::thread& aThread) {
  if (aThread.joinable()) aThread.join();
}

// DllMain, under the loader lock. At DLL_PROCESS_DETACH the library learns
// how it is going away: FreeLibrary (its threads still run, but none may be
// waited for) or process exit (every other thread is gone already).
#include <windows.h>

#include "platform/ovLibraryEntry.h"
#include "platform/ovLibraryLifetime.h"

BOOL WINAPI DllMain(HINSTANCE aModule, DWORD aReason, LPVOID aReserved) {
  switch (aReason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(aModule);
      SetLibraryModule(aModule);
      LibraryLoad();
      break;
    case DLL_PROCESS_DETACH:
      SetUnloadContext(aReserved != nullptr ? ovUnloadContext::ProcessExiting : ovUnloadContext::LoaderLockHeld);
      LibraryUnload();
      SetUnloadContext(ovUnloadContext::Ordinary);
      break;
    default:
      break;
  }
  return TRUE;
}

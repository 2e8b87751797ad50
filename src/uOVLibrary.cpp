// Library load and unload, in one place and in this order. Load: the
// application object (application log, application information, switches),
// then the driver registry and device table, then the driver's registration.
// Unload: every open device first (its log is written out), then the tables,
// then the application object. The system calls the pair (ovLibraryEntry.h);
// the objects are plain heap objects behind plain pointers, so nothing else
// releases them at process exit.
#include "app/uOV_Base.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "entry/uOVDeviceTable.h"
#include "platform/ovLibraryEntry.h"
#include "platform/ovPlatformState.h"

void LibraryLoad() {
  // No exception may leave into the system's loader: a library that could
  // not set itself up answers every call with an error instead.
  try {
    CreateApplication();
    InitializePaymentTables();
    RegisterPaymentDriver_DOVAVAREZU(*PaymentTables());
  } catch (...) {
  }
}

void LibraryUnload() {
  try {
    FinalizePaymentTables();
    DestroyApplication();
    ReleasePlatformState();
  } catch (...) {
  }
}

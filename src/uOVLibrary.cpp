// Library load and unload, in one place and in this order. Load: the
// application object (application log, application information, switches),
// then the driver registry and device table, then the driver's registration.
// Unload: every open device first (its log is written out), then the tables,
// then the application object.
#include "app/uOV_Base.h"
#include "drivers/epay_webecr/uOVPA_DOVAVAREZU_10.h"
#include "entry/uOVDeviceTable.h"

namespace {

__attribute__((constructor)) void LibraryLoad() {
  CreateApplication();
  InitializePaymentTables();
  RegisterPaymentDriver_DOVAVAREZU(*PaymentTables());
}

__attribute__((destructor)) void LibraryUnload() {
  FinalizePaymentTables();
  DestroyApplication();
}

}  // namespace

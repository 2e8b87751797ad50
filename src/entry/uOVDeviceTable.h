// The two process-wide tables that make devices outlive a call: the registry
// of driver classes by name and the table of open devices by handle, with the
// handle counter. Created at library load, released at unload (devices
// first). A lock guards both tables and the counter is atomic, so a host that
// calls from several threads cannot corrupt them; device operations run
// outside the lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "payment/uOvPaymentDevice.h"

// A driver class: constructs its device from the request that opens it.
using kPaymentClass = std::function<std::unique_ptr<kPaymentDevice>(const kPaymentHandler&)>;

class ovPaymentTables {
 public:
  void RegisterClass(const std::u16string& aDriverName, kPaymentClass aClass);
  // Exact, case-sensitive match of the whole name.
  bool IsRegistered(const std::u16string& aDriverName) const;

  // The device named by the handler's handle, or a new one from the
  // registered class named by its driver (aCreate) — see the messages in the
  // implementation. A failed construction leaves no entry and no counter step.
  std::shared_ptr<kPaymentDevice> GetDevice(const kPaymentHandler& aHandler, bool aCreate);
  // Removes the device from the table; it is destroyed when no call uses it
  // any more. False when the handle was not (or no longer) open.
  bool Remove(int32_t aHandle);
  // Destroys every open device (library unload).
  void CloseAll();

  int32_t LastHandle() const { return fDeviceCounter.load(); }

 private:
  mutable std::mutex fLock;
  std::map<std::u16string, kPaymentClass> fPaymentClasses;
  std::map<int32_t, std::shared_ptr<kPaymentDevice>> fPaymentDevices;
  std::atomic<int32_t> fDeviceCounter{0};
};

// The library's tables; null before InitializePaymentTables and after
// FinalizePaymentTables.
ovPaymentTables* PaymentTables();
void InitializePaymentTables();
void FinalizePaymentTables();

#include "entry/uOVDeviceTable.h"

#include "base/uOV_Exception.h"

namespace {

// A plain pointer: no static destructor may free the tables behind the
// library's unload, which runs at process exit too.
ovPaymentTables* gTables = nullptr;

}  // namespace

void ovPaymentTables::RegisterClass(const std::u16string& aDriverName, kPaymentClass aClass) {
  std::lock_guard guard(fLock);
  fPaymentClasses[aDriverName] = std::move(aClass);
}

bool ovPaymentTables::IsRegistered(const std::u16string& aDriverName) const {
  std::lock_guard guard(fLock);
  return fPaymentClasses.count(aDriverName) > 0;
}

std::shared_ptr<kPaymentDevice> ovPaymentTables::GetDevice(const kPaymentHandler& aHandler, bool aCreate) {
  const int32_t handle = aHandler.DeviceHandle();
  if (handle > 0) {
    std::lock_guard guard(fLock);
    const auto found = fPaymentDevices.find(handle);
    if (found == fPaymentDevices.end()) throw tOV_Exception(u"Device Handle not found");
    return found->second;
  }
  if (!aCreate) throw tOV_Exception(u"Payment Device has not previously opened");
  kPaymentClass construct;
  {
    std::lock_guard guard(fLock);
    const auto found = fPaymentClasses.find(aHandler.Driver());
    if (found == fPaymentClasses.end()) {
      throw tOV_Exception(u"Payment Driver [" + aHandler.Driver() + u"] not registered.");
    }
    construct = found->second;
  }
  // Construction logs in and reads the database: it runs outside the lock.
  std::shared_ptr<kPaymentDevice> device = construct(aHandler);
  const int32_t newHandle = ++fDeviceCounter;
  device->SetHandle(newHandle);
  std::lock_guard guard(fLock);
  fPaymentDevices[newHandle] = device;
  return device;
}

bool ovPaymentTables::Remove(int32_t aHandle) {
  std::shared_ptr<kPaymentDevice> device;
  {
    std::lock_guard guard(fLock);
    const auto found = fPaymentDevices.find(aHandle);
    if (found == fPaymentDevices.end()) return false;
    device = std::move(found->second);
    fPaymentDevices.erase(found);
  }
  // The device is destroyed here, outside the lock (its log drains first),
  // unless another call still holds it.
  return true;
}

void ovPaymentTables::CloseAll() {
  std::map<int32_t, std::shared_ptr<kPaymentDevice>> devices;
  {
    std::lock_guard guard(fLock);
    devices.swap(fPaymentDevices);
  }
}

ovPaymentTables* PaymentTables() { return gTables; }

void InitializePaymentTables() {
  if (gTables == nullptr) gTables = new ovPaymentTables();
}

void FinalizePaymentTables() {
  if (gTables == nullptr) return;
  gTables->CloseAll();
  delete gTables;
  gTables = nullptr;
}

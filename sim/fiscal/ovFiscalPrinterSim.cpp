// The plug-in interface and the control functions of the simulator, over the
// sessions of SimFiscalPrinter: each call takes the registry's lock.
#include "sim/fiscal/ovFiscalPrinterSim.h"

#include <string>

#include "ovFiscalPrinterPlugin.h"
#include "sim/fiscal/SimFiscalPrinter.h"

#define OVFPTR_EXPORT extern "C" __attribute__((visibility("default")))

struct ovfptr_device {
  ovfptr_sim::Session session;
};

namespace {

using ovfptr_sim::Lock;
using Guard = std::unique_lock<std::mutex>;

std::string Text(const char* aText) { return aText != nullptr ? aText : ""; }

ovfptr_device* Create() { return new ovfptr_device; }

void Destroy(ovfptr_device* aDevice) {
  Guard guard(Lock());
  delete aDevice;
}

// One method call under the lock.
template <typename Call>
int32_t Locked(Call aCall) {
  Guard guard(Lock());
  return aCall();
}

const ovfptr_interface kInterface = {
    OVFPTR_INTERFACE_VERSION,
    sizeof(ovfptr_interface),
    Create,
    Destroy,
    [](ovfptr_device* d, const char* name) { return Locked([&] { return d->session.Open(Text(name)); }); },
    [](ovfptr_device* d, int32_t timeout) {
      Guard guard(Lock());
      return d->session.ClaimDevice(timeout, guard);
    },
    [](ovfptr_device* d) { return Locked([&] { return d->session.ReleaseDevice(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.Close(); }); },
    [](ovfptr_device* d, int32_t header) { return Locked([&] { return d->session.BeginFiscalReceipt(header != 0); }); },
    [](ovfptr_device* d, int32_t) { return Locked([&] { return d->session.EndFiscalReceipt(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.BeginNonFiscal(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.EndNonFiscal(); }); },
    [](ovfptr_device* d, int32_t station, const char* data) {
      return Locked([&] { return d->session.PrintNormal(station, Text(data)); });
    },
    [](ovfptr_device* d, const char* description, int64_t price, int32_t quantity, int32_t vat, int64_t unitPrice,
       const char* unit) {
      return Locked([&] {
        return d->session.PrintRecItem(Text(description), price, quantity, vat, unitPrice, Text(unit), false);
      });
    },
    [](ovfptr_device* d, const char* description, int64_t price, int32_t quantity, int32_t vat, int64_t unitPrice,
       const char* unit) {
      return Locked([&] {
        return d->session.PrintRecItem(Text(description), price, quantity, vat, unitPrice, Text(unit), true);
      });
    },
    [](ovfptr_device* d, const char* description, int64_t amount, int32_t vat) {
      return Locked([&] { return d->session.PrintRecRefund(Text(description), amount, vat); });
    },
    [](ovfptr_device* d, int32_t type, const char* description, int64_t amount, int32_t vat) {
      return Locked([&] { return d->session.PrintRecItemAdjustment(type, Text(description), amount, vat); });
    },
    [](ovfptr_device* d, int64_t amount) { return Locked([&] { return d->session.PrintRecSubtotal(amount); }); },
    [](ovfptr_device* d, int32_t type, const char* description, int64_t amount) {
      return Locked([&] { return d->session.PrintRecSubtotalAdjustment(type, Text(description), amount); });
    },
    [](ovfptr_device* d, int64_t total, int64_t payment, const char* description) {
      return Locked([&] { return d->session.PrintRecTotal(total, payment, Text(description)); });
    },
    [](ovfptr_device* d, const char* description, int64_t amount) {
      return Locked([&] { return d->session.PrintRecNotPaid(Text(description), amount); });
    },
    [](ovfptr_device* d, const char* message) {
      return Locked([&] { return d->session.PrintRecMessage(Text(message)); });
    },
    [](ovfptr_device* d, const char* taxId) { return Locked([&] { return d->session.PrintRecTaxId(Text(taxId)); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.ResetPrinter(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.PrintXReport(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.PrintZReport(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.BeginTraining(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.EndTraining(); }); },
    [](ovfptr_device* d, const char* date) { return Locked([&] { return d->session.SetDate(Text(date)); }); },
    [](ovfptr_device* d, const char** date) {
      return Locked([&] {
        const int32_t result = d->session.GetDate(d->session.fAnswer);
        *date = d->session.fAnswer.c_str();
        return result;
      });
    },
    [](ovfptr_device* d, int32_t item, int32_t* optArgs, const char** data) {
      return Locked([&] {
        int32_t options = optArgs != nullptr ? *optArgs : 0;
        d->session.fAnswer.clear();
        const int32_t result = d->session.GetData(item, options, d->session.fAnswer);
        if (optArgs != nullptr) *optArgs = options;
        *data = d->session.fAnswer.c_str();
        return result;
      });
    },
    [](ovfptr_device* d, int32_t command, int32_t* data, const char* in, const char** out) {
      return Locked([&] {
        int32_t number = data != nullptr ? *data : 0;
        d->session.fAnswer = Text(in);
        const int32_t result = d->session.DirectIO(command, number, d->session.fAnswer);
        if (data != nullptr) *data = number;
        *out = d->session.fAnswer.c_str();
        return result;
      });
    },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.DeviceEnabled()); }); },
    [](ovfptr_device* d, int32_t enabled) {
      Locked([&] {
        d->session.SetDeviceEnabled(enabled != 0);
        return 0;
      });
    },
    [](ovfptr_device* d) { return Locked([&] { return d->session.ResultCodeExtended(); }); },
    [](ovfptr_device* d) -> const char* {
      Guard guard(Lock());
      d->session.fErrorAnswer = d->session.ErrorString();
      return d->session.fErrorAnswer.c_str();
    },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.CoverOpen()); }); },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.DayOpened()); }); },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.RecEmpty()); }); },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.RecNearEnd()); }); },
    [](ovfptr_device* d) { return Locked([&] { return int32_t(d->session.TrainingModeActive()); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.PrinterState(); }); },
    [](ovfptr_device* d) { return Locked([&] { return d->session.RemainingFiscalMemory(); }); },
    [](ovfptr_device* d) -> const char* {
      Guard guard(Lock());
      d->session.fTrailerAnswer = d->session.AdditionalTrailer();
      return d->session.fTrailerAnswer.c_str();
    },
    [](ovfptr_device* d, const char* trailer) {
      Guard guard(Lock());
      d->session.SetAdditionalTrailer(Text(trailer));
    },
    [](ovfptr_device* d, const char* preLine) {
      Guard guard(Lock());
      d->session.SetPreLine(Text(preLine));
    },
    [](ovfptr_device* d, int32_t type) {
      Guard guard(Lock());
      d->session.SetFiscalReceiptType(type);
    },
};

std::string gJournalAnswer;

}  // namespace

OVFPTR_EXPORT const ovfptr_interface* ovfptr_get_interface(void) { return &kInterface; }

OVFPTR_EXPORT int32_t ovfptr_sim_add_printer(const char* name) {
  Guard guard(Lock());
  ovfptr_sim::AddPrinter(Text(name));
  return 0;
}

OVFPTR_EXPORT int32_t ovfptr_sim_set_condition(const char* name, const char* condition, int32_t value) {
  Guard guard(Lock());
  const auto printer = ovfptr_sim::FindPrinter(Text(name));
  if (!printer) return -1;
  const std::string which = Text(condition);
  bool* flag = which == "cover-open"     ? &printer->CoverOpen
               : which == "rec-empty"    ? &printer->RecEmpty
               : which == "rec-near-end" ? &printer->RecNearEnd
               : which == "offline"      ? &printer->Offline
                                         : nullptr;
  if (flag == nullptr) return -1;
  *flag = value != 0;
  return 0;
}

OVFPTR_EXPORT const char* ovfptr_sim_journal(const char* name) {
  Guard guard(Lock());
  gJournalAnswer.clear();
  if (const auto printer = ovfptr_sim::FindPrinter(Text(name))) {
    for (const std::string& line : printer->Journal) gJournalAnswer += line + "\n";
  }
  return gJournalAnswer.c_str();
}

OVFPTR_EXPORT void ovfptr_sim_reset(void) {
  Guard guard(Lock());
  ovfptr_sim::ForgetPrinters();
}

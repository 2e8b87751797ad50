#include "sim/fiscal/SimFiscalPrinter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>

namespace ovfptr_sim {

namespace {

// OPOS result codes, extended codes and printer states.
constexpr int32_t kSuccess = 0;
constexpr int32_t kClosed = 101;
constexpr int32_t kClaimed = 102;
constexpr int32_t kNotClaimed = 103;
constexpr int32_t kDisabled = 105;
constexpr int32_t kIllegal = 106;
constexpr int32_t kOffline = 108;
constexpr int32_t kNoExist = 109;
constexpr int32_t kTimeout = 112;
constexpr int32_t kExtended = 114;
constexpr int32_t kCoverOpen = 201;
constexpr int32_t kRecEmpty = 203;
constexpr int32_t kWrongState = 207;
constexpr int32_t kMemoryFull = 210;
constexpr int32_t kTotalsError = 212;
constexpr int32_t kBadQuantity = 213;
constexpr int32_t kBadAmount = 214;
constexpr int32_t kBadDescription = 215;
constexpr int32_t kBadVat = 217;
constexpr int32_t kBadDate = 219;
constexpr int32_t kNegativeTotal = 220;

constexpr int32_t kMonitor = 1;
constexpr int32_t kFiscalReceipt = 2;
constexpr int32_t kReceiptTotal = 3;
constexpr int32_t kReceiptEnding = 4;
constexpr int32_t kNonFiscal = 9;

constexpr int32_t kReceiptStation = 2;
constexpr int32_t kHighestVat = 9;

struct Registry {
  std::mutex lock;
  std::condition_variable released;
  std::map<std::string, std::shared_ptr<Printer>> printers;
  std::vector<std::string> names;  // known names
};

Registry& TheRegistry() {
  static Registry* registry = [] {
    auto* made = new Registry;  // lives as long as the process: sessions may outlive a static's destructor
    made->names.push_back("FiscalPrinter");
    if (const char* listed = std::getenv("OVFPTR_SIM_PRINTERS")) {
      std::string names = listed;
      size_t start = 0;
      while (start <= names.size()) {
        const size_t comma = std::min(names.find(',', start), names.size());
        if (comma > start) made->names.push_back(names.substr(start, comma - start));
        start = comma + 1;
      }
    }
    return made;
  }();
  return *registry;
}

// Amounts as a fiscal printer prints them: two decimals.
std::string Money(int64_t aTicks) {
  const bool negative = aTicks < 0;
  const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(aTicks) : uint64_t(aTicks);
  const uint64_t hundredths = (magnitude + 50) / 100;
  std::string digits = std::to_string(hundredths % 100);
  if (digits.size() < 2) digits.insert(0, "0");
  return (negative ? "-" : "") + std::to_string(hundredths / 100) + "." + digits;
}

std::string Quantity(int32_t aThousandths) {
  std::string fraction = std::to_string(aThousandths % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return std::to_string(aThousandths / 1000) + "." + fraction;
}

bool ValidDate(const std::string& aDate) {
  if (aDate.size() != 12) return false;
  for (char c : aDate) {
    if (c < '0' || c > '9') return false;
  }
  const int day = std::stoi(aDate.substr(0, 2));
  const int month = std::stoi(aDate.substr(2, 2));
  const int hour = std::stoi(aDate.substr(8, 2));
  const int minute = std::stoi(aDate.substr(10, 2));
  return day >= 1 && day <= 31 && month >= 1 && month <= 12 && hour <= 23 && minute <= 59;
}

std::string ClockDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%d%m%Y%H%M", &local);
  return text;
}

}  // namespace

std::mutex& Lock() { return TheRegistry().lock; }

std::condition_variable& Released() { return TheRegistry().released; }

std::shared_ptr<Printer> FindPrinter(const std::string& aName) {
  Registry& registry = TheRegistry();
  auto found = registry.printers.find(aName);
  if (found != registry.printers.end()) return found->second;
  for (const std::string& name : registry.names) {
    if (name == aName) {
      auto printer = std::make_shared<Printer>();
      printer->Name = aName;
      registry.printers[aName] = printer;
      return printer;
    }
  }
  return nullptr;
}

void AddPrinter(const std::string& aName) {
  Registry& registry = TheRegistry();
  for (const std::string& name : registry.names) {
    if (name == aName) return;
  }
  registry.names.push_back(aName);
}

void ForgetPrinters() { TheRegistry().printers.clear(); }

Session::~Session() {
  if (fPrinter && fPrinter->ClaimedBy == this) {
    fPrinter->ClaimedBy = nullptr;
    Released().notify_all();
  }
}

int32_t Session::Succeed() {
  fExtended = 0;
  fErrorString.clear();
  return kSuccess;
}

int32_t Session::Fail(int32_t aCode, const std::string& aText) {
  fExtended = 0;
  fErrorString = aText;
  return aCode;
}

int32_t Session::Extended(int32_t aExtended, const std::string& aText) {
  fExtended = aExtended;
  fErrorString = aText;
  return kExtended;
}

int32_t Session::Ready(bool aPrinting) {
  if (!fPrinter) return Fail(kClosed, "Device not open");
  if (!fClaimed) return Fail(kNotClaimed, "Device not claimed");
  if (!fEnabled) return Fail(kDisabled, "Device not enabled");
  if (fPrinter->Offline) return Fail(kOffline, "Printer offline");
  if (aPrinting && fPrinter->CoverOpen) return Extended(kCoverOpen, "Cover open");
  if (aPrinting && fPrinter->RecEmpty) return Extended(kRecEmpty, "Paper out");
  return kSuccess;
}

void Session::Print(const std::string& aLine) {
  fPrinter->Journal.push_back(aLine);
  if (const char* folder = std::getenv("OVFPTR_SIM_JOURNAL_DIR")) {
    std::ofstream(std::string(folder) + "/" + fPrinter->Name + ".journal", std::ios::app) << aLine << '\n';
  }
}

int32_t Session::Open(const std::string& aName) {
  if (fPrinter) return Fail(kIllegal, "Device already open");
  fPrinter = FindPrinter(aName);
  if (!fPrinter) return Fail(kNoExist, "Device " + aName + " does not exist");
  return Succeed();
}

int32_t Session::ClaimDevice(int32_t aTimeout, std::unique_lock<std::mutex>& aLock) {
  if (!fPrinter) return Fail(kClosed, "Device not open");
  if (fClaimed) return Succeed();
  const auto free = [this] { return fPrinter->ClaimedBy == nullptr; };
  if (!free()) {
    if (aTimeout == 0) return Fail(kClaimed, "Device claimed by another application");
    const bool waited = aTimeout < 0 ? (Released().wait(aLock, free), true)
                                     : Released().wait_for(aLock, std::chrono::milliseconds(aTimeout), free);
    if (!waited) return Fail(kTimeout, "Device claimed by another application");
  }
  fPrinter->ClaimedBy = this;
  fClaimed = true;
  return Succeed();
}

int32_t Session::ReleaseDevice() {
  if (!fPrinter) return Fail(kClosed, "Device not open");
  if (!fClaimed) return Fail(kNotClaimed, "Device not claimed");
  fClaimed = false;
  fEnabled = false;
  fPrinter->ClaimedBy = nullptr;
  Released().notify_all();
  return Succeed();
}

int32_t Session::Close() {
  if (!fPrinter) return Fail(kClosed, "Device not open");
  if (fClaimed) ReleaseDevice();
  fPrinter.reset();
  return Succeed();
}

int32_t Session::BeginFiscalReceipt(bool aPrintHeader) {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kMonitor) return Extended(kWrongState, "Wrong state");
  printer.DayOpened = true;
  printer.State = kFiscalReceipt;
  printer.ReceiptTotal = 0;
  printer.Paid = 0;
  if (aPrintHeader) Print("SIMULATED FISCAL PRINTER " + printer.Name);
  Print(std::string(printer.Training ? "TRAINING " : "") + "RECEIPT " + std::to_string(printer.ReceiptNumber + 1));
  return Succeed();
}

int32_t Session::EndFiscalReceipt() {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kReceiptEnding) return Extended(kWrongState, "Wrong state");
  size_t start = 0;
  while (start < fAdditionalTrailer.size()) {
    size_t end = fAdditionalTrailer.find("\r\n", start);
    if (end == std::string::npos) end = fAdditionalTrailer.size();
    Print(fAdditionalTrailer.substr(start, end - start));
    start = end + 2;
  }
  if (!printer.Training) {
    printer.DailyTotal += printer.ReceiptTotal;
    ++printer.ReceiptNumber;
  }
  Print(std::string(printer.Training ? "TRAINING - NOT A FISCAL RECEIPT" : "FISCAL RECEIPT") + " END");
  printer.State = kMonitor;
  return Succeed();
}

int32_t Session::BeginNonFiscal() {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kMonitor) return Extended(kWrongState, "Wrong state");
  fPrinter->State = kNonFiscal;
  Print("NON FISCAL");
  return Succeed();
}

int32_t Session::EndNonFiscal() {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kNonFiscal) return Extended(kWrongState, "Wrong state");
  fPrinter->State = kMonitor;
  Print("NON FISCAL END");
  return Succeed();
}

int32_t Session::PrintNormal(int32_t aStation, const std::string& aData) {
  if (int32_t ready = Ready(true)) return ready;
  if (aStation != kReceiptStation) return Fail(kIllegal, "Station not available");
  if (fPrinter->State != kNonFiscal) return Extended(kWrongState, "Wrong state");
  Print(aData);
  return Succeed();
}

int32_t Session::PrintRecItem(const std::string& aDescription, int64_t aPrice, int32_t aQuantity, int32_t aVat,
                              int64_t aUnitPrice, const std::string& aUnit, bool aVoid) {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kFiscalReceipt) return Extended(kWrongState, "Wrong state");
  if (aDescription.empty()) return Extended(kBadDescription, "Bad item description");
  if (aQuantity <= 0) return Extended(kBadQuantity, "Bad item quantity");
  if (aPrice < 0 || aUnitPrice < 0) return Extended(kBadAmount, "Bad item amount");
  if (aVat < 1 || aVat > kHighestVat) return Extended(kBadVat, "Bad VAT");
  if (aVoid && printer.ReceiptTotal < aPrice) return Extended(kNegativeTotal, "Negative total");
  if (!fPreLine.empty()) {
    Print(fPreLine);
    fPreLine.clear();
  }
  Print(std::string(aVoid ? "VOID " : "") + aDescription + " " + Quantity(aQuantity) + " " + aUnit + " x " +
        Money(aUnitPrice) + " = " + Money(aVoid ? -aPrice : aPrice) + " V" + std::to_string(aVat));
  printer.ReceiptTotal += aVoid ? -aPrice : aPrice;
  printer.LastItemPrice = aPrice;
  return Succeed();
}

int32_t Session::PrintRecRefund(const std::string& aDescription, int64_t aAmount, int32_t aVat) {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kFiscalReceipt) return Extended(kWrongState, "Wrong state");
  if (aAmount < 0) return Extended(kBadAmount, "Bad item amount");
  if (aVat < 1 || aVat > kHighestVat) return Extended(kBadVat, "Bad VAT");
  if (printer.ReceiptTotal < aAmount) return Extended(kNegativeTotal, "Negative total");
  Print("REFUND " + aDescription + " = " + Money(-aAmount) + " V" + std::to_string(aVat));
  printer.ReceiptTotal -= aAmount;
  return Succeed();
}

// Types 1 and 2 are amounts off and on, 3 and 4 percentages (the amount holds
// the percentage) off and on aBase.
int32_t Session::Adjust(int32_t aType, const std::string& aDescription, int64_t aAmount, int64_t aBase,
                        const char* aWhat) {
  if (aType < 1 || aType > 4) return Fail(kIllegal, "Unknown adjustment type");
  if (aAmount < 0) return Extended(kBadAmount, "Bad item amount");
  const int64_t change = aType <= 2 ? aAmount : aBase * aAmount / 1000000;
  const int64_t signedChange = aType % 2 == 1 ? -change : change;
  if (fPrinter->ReceiptTotal + signedChange < 0) return Extended(kNegativeTotal, "Negative total");
  Print(std::string(aWhat) + " " + aDescription + " = " + Money(signedChange));
  fPrinter->ReceiptTotal += signedChange;
  return Succeed();
}

int32_t Session::PrintRecItemAdjustment(int32_t aType, const std::string& aDescription, int64_t aAmount, int32_t aVat) {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kFiscalReceipt) return Extended(kWrongState, "Wrong state");
  if (aVat < 1 || aVat > kHighestVat) return Extended(kBadVat, "Bad VAT");
  return Adjust(aType, aDescription, aAmount, fPrinter->LastItemPrice, "ADJUSTMENT");
}

int32_t Session::PrintRecSubtotal(int64_t) {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kFiscalReceipt) return Extended(kWrongState, "Wrong state");
  Print("SUBTOTAL " + Money(fPrinter->ReceiptTotal));
  return Succeed();
}

int32_t Session::PrintRecSubtotalAdjustment(int32_t aType, const std::string& aDescription, int64_t aAmount) {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kFiscalReceipt) return Extended(kWrongState, "Wrong state");
  return Adjust(aType, aDescription, aAmount, fPrinter->ReceiptTotal, "SUBTOTAL ADJUSTMENT");
}

int32_t Session::PrintRecTotal(int64_t aTotal, int64_t aPayment, const std::string& aDescription) {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kFiscalReceipt && printer.State != kReceiptTotal) return Extended(kWrongState, "Wrong state");
  if (aTotal != printer.ReceiptTotal) return Extended(kTotalsError, "Total does not match the receipt");
  if (aPayment < 0) return Extended(kBadAmount, "Bad item amount");
  if (printer.State == kFiscalReceipt) Print("TOTAL " + Money(printer.ReceiptTotal));
  Print(aDescription + " " + Money(aPayment));
  printer.Paid += aPayment;
  if (printer.Paid >= printer.ReceiptTotal) {
    if (printer.Paid > printer.ReceiptTotal) Print("CHANGE " + Money(printer.Paid - printer.ReceiptTotal));
    printer.State = kReceiptEnding;
  } else {
    printer.State = kReceiptTotal;
  }
  return Succeed();
}

int32_t Session::PrintRecNotPaid(const std::string& aDescription, int64_t aAmount) {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kReceiptTotal) return Extended(kWrongState, "Wrong state");
  if (aAmount < 0) return Extended(kBadAmount, "Bad item amount");
  Print("NOT PAID " + aDescription + " " + Money(aAmount));
  printer.Paid += aAmount;
  if (printer.Paid >= printer.ReceiptTotal) printer.State = kReceiptEnding;
  return Succeed();
}

int32_t Session::PrintRecMessage(const std::string& aMessage) {
  if (int32_t ready = Ready(true)) return ready;
  const int32_t state = fPrinter->State;
  if (state != kFiscalReceipt && state != kReceiptTotal && state != kReceiptEnding) {
    return Extended(kWrongState, "Wrong state");
  }
  Print(aMessage);
  return Succeed();
}

int32_t Session::PrintRecTaxId(const std::string& aTaxId) {
  if (int32_t ready = Ready(true)) return ready;
  const int32_t state = fPrinter->State;
  if (state != kFiscalReceipt && state != kReceiptTotal && state != kReceiptEnding) {
    return Extended(kWrongState, "Wrong state");
  }
  Print("TAX ID " + aTaxId);
  return Succeed();
}

int32_t Session::ResetPrinter() {
  if (int32_t ready = Ready(false)) return ready;
  if (fPrinter->State != kMonitor) Print("*** CANCELLED ***");
  fPrinter->State = kMonitor;
  fPrinter->ReceiptTotal = 0;
  fPrinter->Paid = 0;
  return Succeed();
}

int32_t Session::PrintXReport() {
  if (int32_t ready = Ready(true)) return ready;
  if (fPrinter->State != kMonitor) return Extended(kWrongState, "Wrong state");
  Print("X REPORT " + Money(fPrinter->DailyTotal));
  return Succeed();
}

int32_t Session::PrintZReport() {
  if (int32_t ready = Ready(true)) return ready;
  Printer& printer = *fPrinter;
  if (printer.State != kMonitor || printer.Training) return Extended(kWrongState, "Wrong state");
  if (printer.RemainingFiscalMemory <= 0) return Extended(kMemoryFull, "Fiscal memory full");
  ++printer.ZReports;
  Print("Z REPORT " + std::to_string(printer.ZReports) + " " + Money(printer.DailyTotal));
  printer.GrandTotal += printer.DailyTotal;
  printer.DailyTotal = 0;
  printer.DayOpened = false;
  --printer.RemainingFiscalMemory;
  return Succeed();
}

int32_t Session::BeginTraining() {
  if (int32_t ready = Ready(false)) return ready;
  if (fPrinter->State != kMonitor || fPrinter->Training) return Extended(kWrongState, "Wrong state");
  fPrinter->Training = true;
  return Succeed();
}

int32_t Session::EndTraining() {
  if (int32_t ready = Ready(false)) return ready;
  if (fPrinter->State != kMonitor || !fPrinter->Training) return Extended(kWrongState, "Wrong state");
  fPrinter->Training = false;
  return Succeed();
}

int32_t Session::SetDate(const std::string& aDate) {
  if (int32_t ready = Ready(false)) return ready;
  if (fPrinter->DayOpened) return Extended(kWrongState, "Wrong state: the day is open");
  if (!ValidDate(aDate)) return Extended(kBadDate, "Bad date");
  fPrinter->Date = aDate;
  return Succeed();
}

int32_t Session::GetDate(std::string& aDate) {
  if (int32_t ready = Ready(false)) return ready;
  aDate = fPrinter->Date.empty() ? ClockDate() : fPrinter->Date;
  return Succeed();
}

int32_t Session::GetData(int32_t aItem, int32_t&, std::string& aData) {
  if (int32_t ready = Ready(false)) return ready;
  const Printer& printer = *fPrinter;
  switch (aItem) {
    case 1: aData = std::to_string(printer.ReceiptTotal); break;   // FPTR_GD_CURRENT_TOTAL
    case 2: aData = std::to_string(printer.DailyTotal); break;     // FPTR_GD_DAILY_TOTAL
    case 3: aData = std::to_string(printer.ReceiptNumber); break;  // FPTR_GD_RECEIPT_NUMBER
    case 7: aData = std::to_string(printer.ZReports); break;       // FPTR_GD_Z_REPORT
    case 8: aData = std::to_string(printer.GrandTotal); break;     // FPTR_GD_GRAND_TOTAL
    case 9: aData = "SIM-" + printer.Name; break;                  // FPTR_GD_PRINTER_ID
    case 10: aData = "ovfptr-sim 1.0"; break;                      // FPTR_GD_FIRMWARE
    default: return Fail(kIllegal, "Data item not available");
  }
  return Succeed();
}

// Command 1: journal line aData (from 0) into aString; command 2: the number
// of journal lines into aData.
int32_t Session::DirectIO(int32_t aCommand, int32_t& aData, std::string& aString) {
  if (int32_t ready = Ready(false)) return ready;
  const auto& journal = fPrinter->Journal;
  if (aCommand == 1) {
    if (aData < 0 || size_t(aData) >= journal.size()) return Fail(kIllegal, "No such journal line");
    aString = journal[size_t(aData)];
    return Succeed();
  }
  if (aCommand == 2) {
    aData = int32_t(journal.size());
    return Succeed();
  }
  return Fail(kIllegal, "Unknown command");
}

bool Session::DeviceEnabled() { return fEnabled; }

void Session::SetDeviceEnabled(bool aValue) {
  if (!fPrinter) {
    Fail(kClosed, "Device not open");
  } else if (aValue && !fClaimed) {
    Fail(kNotClaimed, "Device not claimed");
  } else {
    fEnabled = aValue;
    Succeed();
  }
}

int32_t Session::ResultCodeExtended() { return fExtended; }
std::string Session::ErrorString() { return fErrorString; }
bool Session::CoverOpen() { return fPrinter && fPrinter->CoverOpen; }
bool Session::DayOpened() { return fPrinter && fPrinter->DayOpened; }
bool Session::RecEmpty() { return fPrinter && fPrinter->RecEmpty; }
bool Session::RecNearEnd() { return fPrinter && fPrinter->RecNearEnd; }
bool Session::TrainingModeActive() { return fPrinter && fPrinter->Training; }
int32_t Session::PrinterState() { return fPrinter ? fPrinter->State : kMonitor; }
int32_t Session::RemainingFiscalMemory() { return fPrinter ? fPrinter->RemainingFiscalMemory : 0; }
std::string Session::AdditionalTrailer() { return fAdditionalTrailer; }
void Session::SetAdditionalTrailer(const std::string& aValue) { fAdditionalTrailer = aValue; }
void Session::SetPreLine(const std::string& aValue) { fPreLine = aValue; }
void Session::SetFiscalReceiptType(int32_t aValue) { fReceiptType = aValue; }

}  // namespace ovfptr_sim

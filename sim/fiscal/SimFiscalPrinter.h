// The simulated fiscal printer: one printer per logical device name with its
// fiscal state and journal, and the sessions (control objects) that open,
// claim and drive it. Every method answers an OPOS result code and leaves
// the extended code and the error string in the session. One lock guards
// everything; ClaimDevice waits on it for a printer another session holds.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ovfptr_sim {

struct Printer {
  std::string Name;
  bool DayOpened = false;
  bool Training = false;
  bool CoverOpen = false;
  bool RecEmpty = false;
  bool RecNearEnd = false;
  bool Offline = false;
  int32_t State = 1;  // FPTR_PS_MONITOR
  int64_t ReceiptTotal = 0;
  int64_t Paid = 0;
  int64_t LastItemPrice = 0;
  int64_t DailyTotal = 0;
  int64_t GrandTotal = 0;
  int32_t ReceiptNumber = 0;
  int32_t ZReports = 0;
  int32_t RemainingFiscalMemory = 2000;
  std::string Date;  // set by SetDate; empty: the machine's clock
  std::vector<std::string> Journal;
  const void* ClaimedBy = nullptr;
};

class Session {
 public:
  ~Session();

  int32_t Open(const std::string& aName);
  // Called with the registry lock held in aLock; waits on it.
  int32_t ClaimDevice(int32_t aTimeout, std::unique_lock<std::mutex>& aLock);
  int32_t ReleaseDevice();
  int32_t Close();
  int32_t BeginFiscalReceipt(bool aPrintHeader);
  int32_t EndFiscalReceipt();
  int32_t BeginNonFiscal();
  int32_t EndNonFiscal();
  int32_t PrintNormal(int32_t aStation, const std::string& aData);
  int32_t PrintRecItem(const std::string& aDescription, int64_t aPrice, int32_t aQuantity, int32_t aVat,
                       int64_t aUnitPrice, const std::string& aUnit, bool aVoid);
  int32_t PrintRecRefund(const std::string& aDescription, int64_t aAmount, int32_t aVat);
  int32_t PrintRecItemAdjustment(int32_t aType, const std::string& aDescription, int64_t aAmount, int32_t aVat);
  int32_t PrintRecSubtotal(int64_t aAmount);
  int32_t PrintRecSubtotalAdjustment(int32_t aType, const std::string& aDescription, int64_t aAmount);
  int32_t PrintRecTotal(int64_t aTotal, int64_t aPayment, const std::string& aDescription);
  int32_t PrintRecNotPaid(const std::string& aDescription, int64_t aAmount);
  int32_t PrintRecMessage(const std::string& aMessage);
  int32_t PrintRecTaxId(const std::string& aTaxId);
  int32_t ResetPrinter();
  int32_t PrintXReport();
  int32_t PrintZReport();
  int32_t BeginTraining();
  int32_t EndTraining();
  int32_t SetDate(const std::string& aDate);
  int32_t GetDate(std::string& aDate);
  int32_t GetData(int32_t aItem, int32_t& aOptArgs, std::string& aData);
  int32_t DirectIO(int32_t aCommand, int32_t& aData, std::string& aString);

  bool DeviceEnabled();
  void SetDeviceEnabled(bool aValue);
  int32_t ResultCodeExtended();
  std::string ErrorString();
  bool CoverOpen();
  bool DayOpened();
  bool RecEmpty();
  bool RecNearEnd();
  bool TrainingModeActive();
  int32_t PrinterState();
  int32_t RemainingFiscalMemory();
  std::string AdditionalTrailer();
  void SetAdditionalTrailer(const std::string& aValue);
  void SetPreLine(const std::string& aValue);
  void SetFiscalReceiptType(int32_t aValue);

  // Room for the texts the plug-in interface hands out.
  std::string fAnswer;
  std::string fErrorAnswer;
  std::string fTrailerAnswer;

 private:
  int32_t Succeed();
  int32_t Fail(int32_t aCode, const std::string& aText);
  int32_t Extended(int32_t aExtended, const std::string& aText);
  // Open, claimed, enabled, online; with aPrinting also cover shut and paper in.
  int32_t Ready(bool aPrinting);
  void Print(const std::string& aLine);
  int32_t Adjust(int32_t aType, const std::string& aDescription, int64_t aAmount, int64_t aBase, const char* aWhat);

  std::shared_ptr<Printer> fPrinter;
  bool fClaimed = false;
  bool fEnabled = false;
  int32_t fExtended = 0;
  std::string fErrorString;
  std::string fAdditionalTrailer;
  std::string fPreLine;
  int32_t fReceiptType = 4;  // FPTR_RT_SALES
};

// The process-wide registry of printers.
std::mutex& Lock();
std::condition_variable& Released();
std::shared_ptr<Printer> FindPrinter(const std::string& aName);  // null for an unknown name
void AddPrinter(const std::string& aName);
void ForgetPrinters();

}  // namespace ovfptr_sim

// Payment enumerations with their words, the small payment records, the
// currency table, and the result records of every operation with the defaults
// a wrapper reports before (or instead of) a device's result.
#pragma once

#include <cstdint>
#include <string>

#include "base/uOV_Currency.h"
#include "base/uOV_DateTime.h"

enum ovPaymentNetwork : uint8_t {
  Bank, Cheque, Visa, Amex, Mastercard, JCB, CUP, Diners, Maestro, NHS, Edenred, Day, Sodexo, Pellegrini,
  BluTicket, Jakala, MIGLunch, AliPay, Discover, Doku, DragonPay, MolPay, VPay, AmazonPay, ApplePay,
  SamsungPay, Paypal, Yandex, QuiTicket, Repas, Ristomat, Agape, LunchTime, QuiWelfare, EP, CIR, Gemeaz,
  Satispay, Jiffy, Bitcoin, Tinaba, Scalapay, Nexi, Other
};

enum ovPaymentTransactionType : uint8_t {
  ptt_Chip, ptt_MagStripe, ptt_Manual, ptt_Cless, ptt_ClessMagStripe, ptt_ClessChip, ptt_RFID, ptt_Other, ptt_Token
};

// "unrecognized" for Nexi and for values outside the table.
std::u16string PaymentNetworkToString(ovPaymentNetwork aValue);
// Empty text for ptt_RFID and for values outside the table.
std::u16string TransactionTypeToString(ovPaymentTransactionType aValue);

// Identifies an earlier transaction (the driver quotes PaymentNumber to void it).
struct ovPaymentRefundReference {
  ovDateTime PaymentDateTime = 0;
  std::u16string PaymentNumber;
};

struct ovCurrencyMap {
  const char16_t* Code;
  const char16_t* Number;
};

// The 175 rows of the currency table, in table order.
extern const ovCurrencyMap CurrencyMaps[175];

// Exact, case-sensitive lookups; the first matching row wins; empty text when
// nothing matches ("008" is found, "8" is not; "938" gives SDG).
std::u16string CurrencyCodeToNumber(const std::u16string& aCode);
std::u16string CurrencyNumberToCode(const std::u16string& aNumber);

// Every record's members start zero, empty or false (Error false), the state
// in which a device receives it. Defaults() gives what a wrapper reports when
// no device has filled the record: Error true and, for payments, the "other"
// network and entry mode.

struct _int_PAY_result {
  std::u16string DeviceId;
  ovDateTime PaymentDateTime = 0;
  std::u16string PaymentNumber;
  ovCurrency PaymentAmount;
  std::u16string PaymentCurrency;
  std::u16string MaskedPAN;
  std::u16string SerialNumber;
  ovPaymentTransactionType TransactionType = ptt_Chip;
  ovPaymentNetwork PaymentNetwork = Bank;
  std::u16string AuthCode;
  std::u16string TraceAuditId;
  ovCurrency ExchangeRate;
  ovCurrency PaymentAmountCurrency;
  std::u16string PaymentCurrencyCurrency;
  ovCurrency TippedAmount;
  ovCurrency RemainingBalance;
  int32_t InstalmentCount = 0;
  int32_t NumberOfItems = 0;
  ovCurrency SingleItemAmount;
  bool SignatureRequested = false;
  std::u16string CustomerCountryCode;
  std::u16string CardToken;
  std::u16string RefundReference;
  std::u16string ReceiptText;
  std::u16string CashierReceiptText;
  std::u16string RawResponse;  // never written to the output
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_PAY_result Defaults();
};

struct _int_REPRINT_result {
  std::u16string ReceiptText;
  std::u16string CashierReceiptText;
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_REPRINT_result Defaults();
};

struct _int_OPEN_result {
  int32_t Handle = 0;
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_OPEN_result Defaults();
};

struct _int_CLOSE_result {
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_CLOSE_result Defaults();
};

struct _int_GETSTATUS_result {
  bool DayOpened = false;
  ovDateTime DateTime = 0;
  bool PaperEnd = false;
  bool PaperNearEnd = false;
  bool CoverOpen = false;
  bool FiscalReceiptOpen = false;
  bool ReceiptOpen = false;
  bool TrainingMode = false;
  std::u16string FirmwareVersion;
  std::u16string SerialNumber;
  std::u16string FiscalMode;
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_GETSTATUS_result Defaults();
};

struct _int_DAYCLOSE_result {
  std::u16string DeviceId;
  ovDateTime ClosureDateTime = 0;
  std::u16string ClosureNumber;
  int32_t TransactionsCount = 0;
  ovCurrency TotalAmount;
  std::u16string Currency;
  std::u16string ReceiptText;
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_DAYCLOSE_result Defaults();
};

struct _int_GETTOTALS_result {
  std::u16string DeviceId;
  ovDateTime DateTime = 0;
  int32_t TransactionsCount = 0;
  ovCurrency TotalAmount;
  std::u16string Currency;
  std::u16string ReceiptText;
  bool Error = false;
  std::u16string ErrorText;
  std::u16string LogFileName;

  static _int_GETTOTALS_result Defaults();
};

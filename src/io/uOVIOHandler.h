// The abstract I/O handler through which a device talks to its hardware or
// service. It owns the device's log writer (when built with a log folder and
// name), carries the device's error state and time-outs, and declares one
// transport-neutral set of operations that each concrete handler implements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/uOV_Currency.h"
#include "log/uOV_Base_Defs.h"

class kConnection;
class tOV_LogWriter;

class kIOHandler {
 public:
  // Takes the time-outs from aConnection when given. With both aDirectory and
  // aFileName set, opens the daily log aFileName_yyyymmdd.log in aDirectory
  // and writes the START banner; otherwise the handler logs nothing.
  kIOHandler(const kConnection* aConnection, const std::u16string& aDirectory,
             const std::u16string& aFileName);
  // Writes the STOP banner and then every queued line of the log.
  virtual ~kIOHandler();
  kIOHandler(const kIOHandler&) = delete;
  kIOHandler& operator=(const kIOHandler&) = delete;

  // Name of the concrete class, as Connect logs it.
  virtual const char16_t* ClassName() const = 0;

  virtual bool Connected() = 0;
  // Logs the connect block (class, version, time-outs); answers true.
  virtual bool Connect();
  virtual bool Disconnect() = 0;
  virtual void ClearBuffers() = 0;
  virtual bool Write(const std::u16string& aMessage) = 0;
  // Reads until one of the terminator bytes (included in the answer) or the read time-out.
  virtual std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) = 0;
  virtual std::u16string ReadChars(int32_t aCharsNum) = 0;
  virtual std::u16string ReadAll() = 0;
  virtual std::u16string DecodeError(int32_t aErrorCode) = 0;
  virtual bool InputBufferContainsData() = 0;
  virtual void SetParameter(const std::u16string& aName, const std::u16string& aValue) = 0;

  // aTitle + ":" + aMessage, with " [" + hex dump + "]" when HexLog is set.
  void WriteLog(tOV_MessageType aEntryType, const std::u16string& aTitle, const std::u16string& aMessage);
  // The message as it is.
  void Debug(tOV_MessageType aEntryType, const std::u16string& aMessage);

  void SetCustomError(int32_t aErrorCode, const std::u16string& aErrorMessage);
  void ResetCustomError();
  bool ErrorFound() const { return fErrorFound; }
  int32_t ErrorCode() const { return fErrorCode; }
  const std::u16string& ErrorMessage() const { return fErrorMessage; }

  // Full path of the current log file; empty without a log.
  std::u16string GetLogFileName() const;

  // A read time-out for the next operations; values of 0 or below only log.
  void SetTemporaryReadTimeout(int32_t aNewTimeout);
  // Back to the time-out saved by the last positive SetTemporaryReadTimeout.
  void ResetTemporaryReadTimeout();

  bool HexLog() const { return fHexLog; }
  void SetHexLog(bool aValue) { fHexLog = aValue; }
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  void SetConnectTimeout(int32_t aValue) { fConnectTimeout = aValue; }
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }
  const std::u16string& Version() const { return fVersion; }
  void SetVersion(const std::u16string& aValue) { fVersion = aValue; }
  // Code page of text sent by handlers that work in one; 0 means their default.
  int32_t CodePage() const { return fCodePage; }
  void SetCodePage(int32_t aValue) { fCodePage = aValue; }

 protected:
  // The text alone, for failures that leave ErrorFound and ErrorCode as they were.
  void SetErrorMessage(const std::u16string& aValue) { fErrorMessage = aValue; }
  // Each UTF-16 code unit in lower-case hex, at least two digits, blank-separated.
  static std::u16string StringToHex(const std::u16string& aText);
  // Decimal text with "." and no trailing zeros (12.5, 3).
  static std::u16string FormatAmount(ovCurrency aAmount);

 private:
  bool fErrorFound = false;
  int32_t fErrorCode = 0;
  std::u16string fErrorMessage;
  std::unique_ptr<tOV_LogWriter> fLogger;
  bool fHexLog = false;
  int32_t fConnectTimeout = 0;
  int32_t fReadTimeout = 0;
  int32_t fTemporaryReadTimeout = 0;
  std::u16string fVersion;
  int32_t fCodePage = 0;
};

// A small synchronous driver for one COM port: open by number, line
// parameters, reads with a total time-out (and 100 ms between bytes), writes,
// purge, the DTR and RTS lines. Every failure is a TComPortException. The
// port comes from the platform (the communications functions on Windows,
// termios on POSIX; see platform/ovSerialPort.h for how COMn is found); the
// driver owns it while it is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"

class ovSerialPort;

enum class TParity : uint8_t { ptNone = 0, ptOdd = 1, ptEven = 2, ptMark = 3, ptSpace = 4 };
enum class TStopBits : uint8_t { sbOne = 0, sbOneHalf = 1, sbTwo = 2 };

class TComPortException : public tOV_Exception {
 public:
  using tOV_Exception::tOV_Exception;
};

class TComPort {
 public:
  // Closed; 9600 baud, 8 data bits, one stop bit, no parity unless given.
  explicit TComPort(uint32_t ncom);
  TComPort(uint32_t ncom, uint32_t baud);
  TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity);
  // Closes the port if open.
  ~TComPort();
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // Opens COMn exclusively and sets the line parameters. "COMn is not a
  // valid COM port." when there is no such port, "Cannot open COMn (error
  // #code)." otherwise (5: another program holds it); the line's failures
  // close the port again before they are raised.
  void Open();
  // Purges both directions and closes; nothing when closed.
  void Close();
  // Up to nbytes into buffer (resized to what came): the count read, 0 when
  // timeout passed first, -1 when the read failed, with the port's error
  // flags in ErrorCode (untouched otherwise). A timeout of 0 keeps the one
  // programmed last; the port is re-programmed only for a different one.
  int32_t Read(std::vector<uint8_t>& buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode);
  // True when every byte of S was written.
  bool WriteText(const std::string& S);
  void SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity pty);
  // Bytes in the input queue; 0 when the query fails or the port is closed.
  int32_t GetBytesPending();
  // Purges both directions when open ("PurgeComm failed!"); nothing when closed.
  void ClearBuffers();
  // Raise when the port is not open.
  void SetDTR(bool assert);
  void SetRTS(bool assert);

  uint32_t ComNumber() const { return fComNumber; }
  uint32_t BaudRate() const { return fBaudRate; }
  uint8_t DataBits() const { return fDataBits; }
  TStopBits StopBits() const { return fStopBits; }
  TParity Parity() const { return fParity; }
  bool ComIsOpen() const { return fIsOpen; }
  std::u16string DriverVersion() const { return u"1.0"; }

 private:
  static constexpr uint32_t kNoTimeoutProgrammed = 0xFFFFFFFF;

  uint32_t WriteBuffer(const uint8_t* aData, uint32_t aLength);
  void SetReadTimeouts(uint32_t timeout);
  [[noreturn]] void RaiseOpenError(uint32_t aCode) const;

  uint32_t fComNumber = 0;
  uint32_t fBaudRate = 9600;
  uint8_t fDataBits = 8;
  TStopBits fStopBits = TStopBits::sbOne;
  TParity fParity = TParity::ptNone;
  std::unique_ptr<ovSerialPort> fComHandle;  // the system's port, open or not
  bool fIsOpen = false;
  uint32_t fCurrentComTimeout = kNoTimeoutProgrammed;
};

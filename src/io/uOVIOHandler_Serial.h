// I/O handler of devices on a serial line: the connection's SerialPort,
// Speed, DataBits, Parity and StopBits become a COM port (which the handler
// owns), opened at Connect. Reads go one byte at a time with 100 ms waits
// against the overall ReadTimeout; a byte read is the character of the same
// code, and text written goes out in the host's ANSI code page.
//
// ReadUpTo ends at a terminator, at the first 100 ms without a byte once
// ReadTimeout has passed, and in any case at the first byte after twice
// ReadTimeout (a line that never pauses). It collects at most kReadLimit
// bytes: at the limit it stops with a "Read Overflow" error line and answers
// what it has.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "io/uOVIOHandler.h"
#include "io/uovSerialDriver.h"

class kIOHandler_Serial : public kIOHandler {
 public:
  static constexpr size_t kReadLimit = 1024 * 1024;

  // Raises "Parity invalid", "Stop Bits <n> invalid", and for SerialPort the
  // whole-number error of its characters 4 to 6 ("COM12" is port 12) or
  // "Serial Port <text> invalid" for a longer text or a number below 1.
  kIOHandler_Serial(const kConnection* aConnection, const std::u16string& aDirectory,
                    const std::u16string& aFileName);
  // Closes the port before the STOP banner.
  ~kIOHandler_Serial() override;

  const char16_t* ClassName() const override { return u"kIOHandler_Serial"; }
  bool Connected() override;
  // Logs the connect block and the port's settings, then opens it; the
  // port's TComPortException is raised.
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override;
  // Logs "Write", sends aMessage in the ANSI code page; the port's failures are raised.
  bool Write(const std::u16string& aMessage) override;
  // Never raise for a time-out; a port that is not open raises.
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  // Raises "ReadAll Unsupported".
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  TComPort& ComPort() { return *fComPort; }

 private:
  std::unique_ptr<TComPort> fComPort;
};

// One serial port, in the terms of the Windows communications functions: on
// Windows those functions themselves, on POSIX termios with the same
// observable behaviour (an exclusive open, the four line parameters, read
// time-outs with an interval between bytes, purge, error flags, bytes
// pending, the DTR and RTS lines). Error numbers are Windows' on both.
//
// COMn on POSIX is the device named by the environment variable OVPA_COM<n>
// when it is set (OVPA_COM3=/dev/ttyUSB0), else /dev/ttyS<n-1>. Opening it
// takes an exclusive flock on the device, which a second program that opens
// the port through this library (or locks it with flock) is refused by, and
// sets TIOCEXCL, which refuses any other unprivileged opener. The line is
// made raw: bytes pass unchanged in both directions, as they do on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Windows' numbers, which the open errors of both systems carry.
constexpr uint32_t kSerialErrorFileNotFound = 2;  // no such port
constexpr uint32_t kSerialErrorAccessDenied = 5;  // held by another program, or not allowed

// Which of the two steps of a settings change failed: reading what the port
// has, or writing the changed settings back.
enum class ovSerialSetting { Done, ReadFailed, WriteFailed };
enum class ovModemLine { DTR, RTS };

// "\\.\COM<n>" on Windows; the device path on POSIX, as above.
std::u16string SerialPortDeviceName(uint32_t aComNumber);

class ovSerialPort {
 public:
  ovSerialPort();
  ~ovSerialPort();
  ovSerialPort(const ovSerialPort&) = delete;
  ovSerialPort& operator=(const ovSerialPort&) = delete;

  // Opens COM<aComNumber> for reading and writing, shared with no one.
  // False with the system's error in aError.
  bool Open(uint32_t aComNumber, uint32_t& aError);
  bool IsOpen() const;
  void Close();

  // Reads the line settings, changes the speed, data bits, stop bits (0 one,
  // 1 one and a half, 2 two) and parity (0 none, 1 odd, 2 even, 3 mark,
  // 4 space), and writes them back; everything else stays as the port had
  // it. Settings the port cannot take fail the write.
  ovSerialSetting SetLine(uint32_t aBaudRate, uint8_t aDataBits, uint8_t aStopBits, uint8_t aParity);
  // Reads the time-outs, sets the read interval, a read total multiplier of
  // 0 and the read total constant, and writes them back; write time-outs stay.
  // Until this is called a read waits for all its bytes.
  ovSerialSetting SetReadTimeouts(uint32_t aIntervalMs, uint32_t aTotalMs);
  // Returns when aCount bytes arrived, the total time-out passed, or the
  // interval passed after a byte without another; true with 0 bytes is a
  // time-out.
  bool Read(uint8_t* aBuffer, uint32_t aCount, uint32_t& aRead);
  bool Write(const uint8_t* aData, uint32_t aCount, uint32_t& aWritten);
  // The error flags (CE_RXOVER 1, CE_OVERRUN 2, CE_RXPARITY 4, CE_FRAME 8,
  // CE_BREAK 16) since the last call, and the bytes in the input queue.
  bool ClearErrors(uint32_t& aFlags, uint32_t& aInputQueue);
  // Aborts pending reads and writes and empties both queues.
  bool Purge();
  bool SetModemLine(ovModemLine aLine, bool aOn);

 private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

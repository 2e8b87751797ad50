// The serial port on the Windows communications functions, synchronous, on
// the handle of CreateFileW. The HANDLE is as wide as a pointer and stays
// inside this file.
#include <windows.h>

#include <string>

#include "platform/ovSerialPort.h"
#include "platform/ovUtf.h"

std::u16string SerialPortDeviceName(uint32_t aComNumber) {
  return u"\\\\.\\COM" + AsciiToUtf16(std::to_string(aComNumber));
}

struct ovSerialPort::Impl {
  HANDLE handle = INVALID_HANDLE_VALUE;

  void Close() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
};

ovSerialPort::ovSerialPort() : fImpl(std::make_unique<Impl>()) {}

ovSerialPort::~ovSerialPort() { fImpl->Close(); }

bool ovSerialPort::Open(uint32_t aComNumber, uint32_t& aError) {
  const std::u16string name = SerialPortDeviceName(aComNumber);
  const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(name.c_str()), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    aError = uint32_t(GetLastError());
    return false;
  }
  fImpl->Close();
  fImpl->handle = handle;
  return true;
}

bool ovSerialPort::IsOpen() const { return fImpl->handle != INVALID_HANDLE_VALUE; }

void ovSerialPort::Close() { fImpl->Close(); }

ovSerialSetting ovSerialPort::SetLine(uint32_t aBaudRate, uint8_t aDataBits, uint8_t aStopBits, uint8_t aParity) {
  DCB control{};
  control.DCBlength = sizeof control;
  if (!GetCommState(fImpl->handle, &control)) return ovSerialSetting::ReadFailed;
  control.BaudRate = aBaudRate;
  control.ByteSize = aDataBits;
  control.StopBits = aStopBits;  // ONESTOPBIT 0, ONE5STOPBITS 1, TWOSTOPBITS 2
  control.Parity = aParity;      // NOPARITY 0, ODDPARITY 1, EVENPARITY 2, MARKPARITY 3, SPACEPARITY 4
  return SetCommState(fImpl->handle, &control) ? ovSerialSetting::Done : ovSerialSetting::WriteFailed;
}

ovSerialSetting ovSerialPort::SetReadTimeouts(uint32_t aIntervalMs, uint32_t aTotalMs) {
  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(fImpl->handle, &timeouts)) return ovSerialSetting::ReadFailed;
  timeouts.ReadIntervalTimeout = aIntervalMs;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = aTotalMs;
  return SetCommTimeouts(fImpl->handle, &timeouts) ? ovSerialSetting::Done : ovSerialSetting::WriteFailed;
}

bool ovSerialPort::Read(uint8_t* aBuffer, uint32_t aCount, uint32_t& aRead) {
  DWORD read = 0;
  const BOOL ok = ReadFile(fImpl->handle, aBuffer, aCount, &read, nullptr);
  aRead = read;
  return ok != FALSE;
}

bool ovSerialPort::Write(const uint8_t* aData, uint32_t aCount, uint32_t& aWritten) {
  DWORD written = 0;
  const BOOL ok = WriteFile(fImpl->handle, aData, aCount, &written, nullptr);
  aWritten = written;
  return ok != FALSE;
}

bool ovSerialPort::ClearErrors(uint32_t& aFlags, uint32_t& aInputQueue) {
  DWORD flags = 0;
  COMSTAT status{};
  const BOOL ok = ClearCommError(fImpl->handle, &flags, &status);
  aFlags = flags;
  aInputQueue = ok ? status.cbInQue : 0;
  return ok != FALSE;
}

bool ovSerialPort::Purge() {
  return PurgeComm(fImpl->handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
}

bool ovSerialPort::SetModemLine(ovModemLine aLine, bool aOn) {
  const DWORD function = aLine == ovModemLine::DTR ? (aOn ? SETDTR : CLRDTR) : (aOn ? SETRTS : CLRRTS);
  return EscapeCommFunction(fImpl->handle, function) != FALSE;
}

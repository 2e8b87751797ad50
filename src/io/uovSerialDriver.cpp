#include "io/uovSerialDriver.h"

#include "base/uOV_Text.h"
#include "platform/ovSerialPort.h"

namespace {

// The interval between two bytes after which a read returns what it has.
constexpr uint32_t kReadIntervalMs = 100;

}  // namespace

TComPort::TComPort(uint32_t ncom) : fComNumber(ncom), fComHandle(std::make_unique<ovSerialPort>()) {}

TComPort::TComPort(uint32_t ncom, uint32_t baud) : TComPort(ncom) { fBaudRate = baud; }

TComPort::TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity) : TComPort(ncom) {
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = parity;
}

TComPort::~TComPort() { Close(); }

void TComPort::Open() {
  // A new handle: an open port stays as it is when this one fails.
  auto port = std::make_unique<ovSerialPort>();
  uint32_t error = 0;
  if (!port->Open(fComNumber, error)) RaiseOpenError(error);
  fComHandle = std::move(port);
  fIsOpen = false;
  try {
    SetLineParameters(fBaudRate, fDataBits, fStopBits, fParity);
  } catch (...) {
    // A port left open here would stay held, refusing every later open.
    fComHandle->Close();
    throw;
  }
  fIsOpen = true;
  fCurrentComTimeout = kNoTimeoutProgrammed;
}

void TComPort::Close() {
  if (!fIsOpen) return;
  fComHandle->Purge();
  fComHandle->Close();
  fIsOpen = false;
}

int32_t TComPort::Read(std::vector<uint8_t>& buffer, uint32_t nbytes, uint32_t timeout, uint32_t& ErrorCode) {
  if (!fIsOpen) throw TComPortException(u"Cannot read because COM port is not open.");
  if (timeout != 0 && timeout != fCurrentComTimeout) {
    SetReadTimeouts(timeout);
    fCurrentComTimeout = timeout;
  }
  buffer.resize(nbytes);
  uint32_t read = 0;
  if (fComHandle->Read(buffer.data(), nbytes, read)) {
    buffer.resize(read);
    return int32_t(read);
  }
  buffer.clear();
  uint32_t waiting = 0;
  fComHandle->ClearErrors(ErrorCode, waiting);
  return -1;
}

bool TComPort::WriteText(const std::string& S) {
  // WriteBuffer counts in 32 bits; no text a device is sent comes near it.
  const uint32_t length = S.size() > 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(S.size());
  return WriteBuffer(reinterpret_cast<const uint8_t*>(S.data()), length) == S.size();
}

void TComPort::SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity pty) {
  switch (fComHandle->SetLine(baud, data, uint8_t(stop), uint8_t(pty))) {
    case ovSerialSetting::ReadFailed:
      throw TComPortException(u"GetCommState failed!");
    case ovSerialSetting::WriteFailed:
      throw TComPortException(u"SetCommState failed!");
    case ovSerialSetting::Done:
      break;
  }
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = pty;
}

int32_t TComPort::GetBytesPending() {
  if (!fIsOpen) return 0;
  uint32_t flags = 0;
  uint32_t waiting = 0;
  if (!fComHandle->ClearErrors(flags, waiting)) return 0;
  return waiting > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(waiting);
}

void TComPort::ClearBuffers() {
  if (!fIsOpen) return;
  if (!fComHandle->Purge()) throw TComPortException(u"PurgeComm failed!");
}

void TComPort::SetDTR(bool assert) {
  if (!fIsOpen) throw TComPortException(u"SetDTR failed because COM port not open.");
  fComHandle->SetModemLine(ovModemLine::DTR, assert);
}

void TComPort::SetRTS(bool assert) {
  if (!fIsOpen) throw TComPortException(u"SetRTS failed because COM port not open.");
  fComHandle->SetModemLine(ovModemLine::RTS, assert);
}

uint32_t TComPort::WriteBuffer(const uint8_t* aData, uint32_t aLength) {
  if (!fIsOpen) throw TComPortException(u"Cannot write because COM port is not open.");
  uint32_t written = 0;
  if (!fComHandle->Write(aData, aLength, written)) throw TComPortException(u"Write to com port failed.");
  return written;
}

void TComPort::SetReadTimeouts(uint32_t timeout) {
  switch (fComHandle->SetReadTimeouts(kReadIntervalMs, timeout)) {
    case ovSerialSetting::ReadFailed:
      throw TComPortException(u"GetCommTimeouts failed.");
    case ovSerialSetting::WriteFailed:
      throw TComPortException(u"SetCommTimeouts failed.");
    case ovSerialSetting::Done:
      break;
  }
}

void TComPort::RaiseOpenError(uint32_t aCode) const {
  const std::u16string port = u"COM" + IntToStr(fComNumber);
  if (aCode == kSerialErrorFileNotFound) throw TComPortException(port + u" is not a valid COM port.");
  throw TComPortException(u"Cannot open " + port + u" (error #" + IntToStr(aCode) + u").");
}

#include "io/uOVIOHandler_Serial.h"

#include <algorithm>
#include <chrono>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/uOVDeviceText.h"
#include "platform/ovRegional.h"
#include "request/uOvConnection.h"

namespace {

using Clock = std::chrono::steady_clock;

// Each read of one byte waits this long at most.
constexpr uint32_t kByteWaitMs = 100;

int64_t ElapsedMilliseconds(Clock::time_point aStart) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - aStart).count();
}

// "COM12" is port 12: the number is characters 4 to 6, read by the
// whole-number rule. A longer name would silently open another port.
uint32_t PortNumber(const std::u16string& aSerialPort) {
  const int32_t number = StrToInt(aSerialPort.size() > 3 ? std::u16string_view(aSerialPort).substr(3, 3) : u"");
  if (aSerialPort.size() > 6 || number < 1) throw tOV_Exception(u"Serial Port " + aSerialPort + u" invalid");
  return uint32_t(number);
}

TParity PortParity(ovParity aParity) {
  switch (aParity) {
    case ovParity::None: return TParity::ptNone;
    case ovParity::Even: return TParity::ptEven;
    case ovParity::Odd: return TParity::ptOdd;
  }
  throw tOV_Exception(u"Parity invalid");
}

TStopBits PortStopBits(int32_t aStopBits) {
  if (aStopBits == 1) return TStopBits::sbOne;
  if (aStopBits == 2) return TStopBits::sbTwo;
  throw tOV_Exception(u"Stop Bits " + IntToStr(aStopBits) + u" invalid");
}

const char16_t* ParityLine(TParity aParity) {
  switch (aParity) {
    case TParity::ptNone: return u"Parity=none";
    case TParity::ptOdd: return u"Parity=odd";
    case TParity::ptEven: return u"Parity=even";
    case TParity::ptMark: return u"Parity=mark";
    case TParity::ptSpace: return u"Parity=space";
  }
  return u"Parity=none";
}

const char16_t* StopBitsLine(TStopBits aStopBits) {
  switch (aStopBits) {
    case TStopBits::sbOne: return u"StopBits=1";
    case TStopBits::sbOneHalf: return u"StopBits=1.5";
    case TStopBits::sbTwo: return u"StopBits=2";
  }
  return u"StopBits=1";
}

}  // namespace

kIOHandler_Serial::kIOHandler_Serial(const kConnection* aConnection, const std::u16string& aDirectory,
                                     const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  const kConnection defaults;
  const kConnection& connection = aConnection != nullptr ? *aConnection : defaults;
  const uint32_t number = PortNumber(connection.SerialPort());
  const TParity parity = PortParity(connection.Parity());
  const TStopBits stopBits = PortStopBits(connection.StopBits());
  // Values no port has (a negative speed, 300 data bits) fail at Connect
  // with "SetCommState failed!" rather than being cut to another value here.
  const uint32_t speed = connection.Speed() > 0 ? uint32_t(connection.Speed()) : 0;
  const uint8_t dataBits =
      connection.DataBits() > 0 && connection.DataBits() <= 255 ? uint8_t(connection.DataBits()) : 0;
  fComPort = std::make_unique<TComPort>(number, speed, dataBits, stopBits, parity);
}

kIOHandler_Serial::~kIOHandler_Serial() { fComPort.reset(); }

bool kIOHandler_Serial::Connected() { return fComPort->ComIsOpen(); }

bool kIOHandler_Serial::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"Serial Driver Version: " + fComPort->DriverVersion());
  Debug(let_info, u"SerialPort=COM" + IntToStr(fComPort->ComNumber()));
  Debug(let_info, u"Speed=" + IntToStr(fComPort->BaudRate()));
  Debug(let_info, ParityLine(fComPort->Parity()));
  Debug(let_info, u"DataBits=" + IntToStr(fComPort->DataBits()));
  Debug(let_info, StopBitsLine(fComPort->StopBits()));
  fComPort->Open();
  return fComPort->ComIsOpen();
}

bool kIOHandler_Serial::Disconnect() {
  fComPort->Close();
  return !fComPort->ComIsOpen();
}

void kIOHandler_Serial::ClearBuffers() { fComPort->ClearBuffers(); }

bool kIOHandler_Serial::Write(const std::u16string& aMessage) {
  WriteLog(let_info, u"Write", aMessage);
  fComPort->WriteText(DeviceBytesFromText(aMessage, RegionalSettings().AnsiCodePage));
  return true;
}

std::u16string kIOHandler_Serial::ReadUpTo(const std::vector<uint8_t>& aChars) {
  Debug(let_info, WaitingForLine(aChars, HexLog() ? &StringToHex : nullptr));
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> buffer;
  const Clock::time_point start = Clock::now();
  bool timedOut = false;
  bool overflow = false;
  for (;;) {
    uint32_t errorFlags = 0;
    const int32_t count = fComPort->Read(buffer, 1, kByteWaitMs, errorFlags);
    if (count < 0 && errorFlags != 0) WriteLog(let_error, u"Read Error", IntToStr(errorFlags));
    if (count <= 0) {
      timedOut = ElapsedMilliseconds(start) > ReadTimeout();
      if (timedOut) break;
      continue;
    }
    bytes.push_back(buffer[0]);
    if (std::find(aChars.begin(), aChars.end(), buffer[0]) != aChars.end()) break;
    // A line that never pauses would otherwise keep the read going for ever.
    timedOut = ElapsedMilliseconds(start) > 2 * int64_t(ReadTimeout());
    if (timedOut) break;
    overflow = bytes.size() >= kReadLimit;
    if (overflow) break;
  }
  const std::u16string text = TextFromDeviceBytes(bytes);
  if (timedOut) {
    WriteLog(let_error, u"Read Timeout", text);
  } else if (overflow) {
    WriteLog(let_error, u"Read Overflow", text);
  } else {
    WriteLog(let_info, u"Read", text);
  }
  return text;
}

std::u16string kIOHandler_Serial::ReadChars(int32_t aCharsNum) {
  if (aCharsNum > 0 && size_t(aCharsNum) > kReadLimit) {
    throw tOV_Exception(u"Cannot read " + IntToStr(aCharsNum) + u" characters at once; the limit is " +
                        IntToStr(int64_t(kReadLimit)));
  }
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> buffer;
  const Clock::time_point start = Clock::now();
  bool timedOut = false;
  // Asked for nothing, it reads nothing: every byte taken would be lost to the caller.
  while (int64_t(bytes.size()) < aCharsNum) {
    uint32_t errorFlags = 0;
    if (fComPort->Read(buffer, 1, kByteWaitMs, errorFlags) > 0) bytes.push_back(buffer[0]);
    timedOut = ElapsedMilliseconds(start) > ReadTimeout();
    if (timedOut) break;
  }
  const std::u16string text = TextFromDeviceBytes(bytes);
  if (timedOut) {
    WriteLog(let_error, u"Read Timeout", text);
  } else {
    WriteLog(let_info, u"Read", text);
  }
  return text;
}

std::u16string kIOHandler_Serial::ReadAll() { throw tOV_Exception(u"ReadAll Unsupported"); }

std::u16string kIOHandler_Serial::DecodeError(int32_t) { return {}; }

bool kIOHandler_Serial::InputBufferContainsData() { return fComPort->GetBytesPending() > 0; }

void kIOHandler_Serial::SetParameter(const std::u16string&, const std::u16string&) {}

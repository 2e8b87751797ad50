// ovpa-stream-probe: the Windows build's TCP and serial I/O handlers on their
// own, for the tests that run it under Wine against peers of their own. It
// plays the steps given, in order, on one handler and prints one JSON line
// per step: {"step":..., "answer":..., "error":..., "ms":...}. The handler's
// log goes to LOGDIR as probe_20240315.log, its clock fixed at
// 2024-03-15 14:30:05.123 so every line has the same stamp.
//
//   ovpa-stream-probe tcp HOST PORT CONNECT_TIMEOUT READ_TIMEOUT LOGDIR STEP...
//   ovpa-stream-probe serial SERIALPORT READ_TIMEOUT LOGDIR STEP...
//
// Steps: connect, connected, disconnect, pending, clear, readall, readallbytes,
// hexlog, codepage:N, readchars:N, readbytes:N, readupto:HH.., readbytesupto:HH..,
// write:UUUU.. (UTF-16 code units, four hex digits each), writebytes:HH..,
// dtr:0|1 and rts:0|1 (serial). Answers of reads are hex, two digits per
// character or byte; other answers 1 or 0.
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "http/uOV_JsonWriter.h"
#include "io/uOVIOHandler_Serial.h"
#include "io/uOVIOHandler_TCP.h"
#include "platform/ovClock.h"
#include "platform/ovProcess.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> FromHex(const std::u16string& aHex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < aHex.size(); i += 2) {
    bytes.push_back(uint8_t(std::stoi(Utf16ToUtf8(aHex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::u16string TextFromHex(const std::u16string& aHex) {
  std::u16string text;
  for (size_t i = 0; i + 3 < aHex.size(); i += 4) {
    text += char16_t(std::stoi(Utf16ToUtf8(aHex.substr(i, 4)), nullptr, 16));
  }
  return text;
}

template <typename Units>
std::u16string Hex(const Units& aUnits) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string hex;
  for (const auto unit : aUnits) {
    hex += kDigits[(unsigned(unit) >> 4) & 0xf];
    hex += kDigits[unsigned(unit) & 0xf];
  }
  return hex;
}

std::u16string Flag(bool aValue) { return aValue ? u"1" : u"0"; }

// One step on the handler; answers what it answered.
std::u16string Play(kIOHandler& aHandler, const std::u16string& aName, const std::u16string& aArgument) {
  auto* tcp = dynamic_cast<kIOHandler_TCP*>(&aHandler);
  auto* serial = dynamic_cast<kIOHandler_Serial*>(&aHandler);
  if (aName == u"connect") return Flag(aHandler.Connect());
  if (aName == u"connected") return Flag(aHandler.Connected());
  if (aName == u"disconnect") return Flag(aHandler.Disconnect());
  if (aName == u"pending") return Flag(aHandler.InputBufferContainsData());
  if (aName == u"clear") {
    aHandler.ClearBuffers();
    return u"1";
  }
  if (aName == u"hexlog") {
    aHandler.SetHexLog(true);
    return u"1";
  }
  if (aName == u"codepage") {
    aHandler.SetCodePage(StrToInt(aArgument));
    return u"1";
  }
  if (aName == u"write") return Flag(aHandler.Write(TextFromHex(aArgument)));
  if (aName == u"readupto") return Hex(aHandler.ReadUpTo(FromHex(aArgument)));
  if (aName == u"readchars") return Hex(aHandler.ReadChars(StrToInt(aArgument)));
  if (aName == u"readall") return Hex(aHandler.ReadAll());
  if (tcp != nullptr && aName == u"writebytes") return Flag(tcp->WriteBytes(FromHex(aArgument)));
  if (tcp != nullptr && aName == u"readbytes") return Hex(tcp->ReadBytes(StrToInt(aArgument)));
  if (tcp != nullptr && aName == u"readbytesupto") return Hex(tcp->ReadBytesUpTo(FromHex(aArgument)));
  if (tcp != nullptr && aName == u"readallbytes") return Hex(tcp->ReadAllBytes());
  if (serial != nullptr && aName == u"dtr") {
    serial->ComPort().SetDTR(aArgument == u"1");
    return u"1";
  }
  if (serial != nullptr && aName == u"rts") {
    serial->ComPort().SetRTS(aArgument == u"1");
    return u"1";
  }
  throw tOV_Exception(u"unknown step " + aName);
}

void PlayAll(kIOHandler& aHandler, const std::vector<std::u16string>& aSteps) {
  for (const std::u16string& step : aSteps) {
    const size_t colon = step.find(u':');
    const std::u16string name = step.substr(0, colon);
    const std::u16string argument = colon == std::u16string::npos ? u"" : step.substr(colon + 1);
    tOV_JsonObject line;
    line.AddString(u"step", step);
    const Clock::time_point start = Clock::now();
    try {
      const std::u16string answer = Play(aHandler, name, argument);
      line.AddString(u"answer", answer);
    } catch (const tOV_Exception& error) {
      line.AddString(u"error", error.Message());
    }
    line.AddInteger(u"ms", std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    std::cout << Utf16ToUtf8(line.ToJSON()) << std::endl;
  }
}

}  // namespace

int main() {
  const std::vector<std::u16string> arguments = CommandLineArguments();
  SetClockForTesting([] { return ovLocalTime{2024, 3, 15, 14, 30, 5, 123}; });
  kConnection connection;
  std::unique_ptr<kIOHandler> handler;
  std::vector<std::u16string> steps;
  try {
    if (arguments.size() >= 6 && arguments[0] == u"tcp") {
      connection.SetAddress(arguments[1]);
      connection.SetPort(StrToInt(arguments[2]));
      connection.SetConnectTimeOut(StrToInt(arguments[3]));
      connection.SetReadTimeOut(StrToInt(arguments[4]));
      handler = std::make_unique<kIOHandler_TCP>(&connection, arguments[5], u"probe");
      steps.assign(arguments.begin() + 6, arguments.end());
    } else if (arguments.size() >= 4 && arguments[0] == u"serial") {
      connection.SetSerialPort(arguments[1]);
      connection.SetSpeed(9600);
      connection.SetDataBits(8);
      connection.SetParity(ovParity::None);
      connection.SetStopBits(1);
      connection.SetReadTimeOut(StrToInt(arguments[2]));
      handler = std::make_unique<kIOHandler_Serial>(&connection, arguments[3], u"probe");
      steps.assign(arguments.begin() + 4, arguments.end());
    } else {
      std::cerr << "usage: ovpa-stream-probe tcp HOST PORT CONNECT_TIMEOUT READ_TIMEOUT LOGDIR STEP..."
                   " | serial SERIALPORT READ_TIMEOUT LOGDIR STEP...\n";
      return 2;
    }
  } catch (const tOV_Exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  PlayAll(*handler, steps);
  handler.reset();
  SetClockForTesting(nullptr);
  return 0;
}

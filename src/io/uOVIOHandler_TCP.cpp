#include "io/uOVIOHandler_TCP.h"

#include <algorithm>
#include <new>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "io/uOVDeviceText.h"
#include "request/uOvConnection.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t ElapsedMilliseconds(Clock::time_point aStart) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - aStart).count();
}

bool IsTerminator(const std::vector<uint8_t>& aChars, uint8_t aByte) {
  return std::find(aChars.begin(), aChars.end(), aByte) != aChars.end();
}

std::u16string ExceptionText(const std::exception& aError) {
  if (const auto* own = dynamic_cast<const tOV_Exception*>(&aError)) return own->Message();
  if (dynamic_cast<const std::bad_alloc*>(&aError) != nullptr) return u"Out of memory";
  return Utf8ToUtf16(aError.what());
}

}  // namespace

kIOHandler_TCP::kIOHandler_TCP(const kConnection* aConnection, const std::u16string& aDirectory,
                               const std::u16string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName), fTCPClient(std::make_unique<kTCPClient>()) {
  if (aConnection != nullptr) {
    fTCPClient->SetHost(aConnection->Address());
    fTCPClient->SetPort(aConnection->Port());
  }
  fTCPClient->SetConnectTimeout(ConnectTimeout());
  // ReadBytes uses whatever the client was last given; it starts with the
  // handler's, never without a limit.
  fTCPClient->SetReadTimeout(ReadTimeout());
}

kIOHandler_TCP::~kIOHandler_TCP() { fTCPClient.reset(); }

bool kIOHandler_TCP::Connected() { return fTCPClient->Connected(); }

bool kIOHandler_TCP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, u"Host=" + fTCPClient->Host());
  Debug(let_info, u"Port=" + IntToStr(fTCPClient->Port()));
  // The time-out the block above logged is the one that applies.
  fTCPClient->SetConnectTimeout(ConnectTimeout());
  try {
    if (!fTCPClient->Connected()) fTCPClient->Connect();
    const bool connected = fTCPClient->Connected();
    if (!connected) WriteLog(let_error, u"Connect Timeout", u"");
    return connected;
  } catch (const std::exception& error) {
    WriteLog(let_error, u"Connect Error", ExceptionText(error));
    return false;
  }
}

bool kIOHandler_TCP::Disconnect() {
  fTCPClient->Disconnect();
  return !fTCPClient->Connected();
}

void kIOHandler_TCP::ClearBuffers() { fTCPClient->ClearInputBuffer(); }

bool kIOHandler_TCP::Write(const std::u16string& aMessage) {
  WriteLog(let_info, u"Write", aMessage);
  fTCPClient->Write(DeviceBytesFromText(aMessage, CodePage()));
  return true;
}

bool kIOHandler_TCP::WriteBytes(const std::vector<uint8_t>& aBytes) {
  WriteLog(let_info, u"Write", AsciiTextOfBytes(aBytes));
  fTCPClient->Write(std::string(aBytes.begin(), aBytes.end()));
  return true;
}

kIOHandler_TCP::ReadEnd kIOHandler_TCP::CollectUpTo(const std::vector<uint8_t>& aChars,
                                                    std::vector<uint8_t>& aBytes) {
  Debug(let_info, WaitingForLine(aChars, HexLog() ? &kIOHandler::StringToHex : nullptr));
  fTCPClient->SetReadTimeout(ReadTimeout());
  const Clock::time_point start = Clock::now();
  for (;;) {
    const uint8_t byte = fTCPClient->ReadByte();
    aBytes.push_back(byte);
    // Only a byte that arrived ends the read by the clock; a silent peer ends
    // it through the client's time-out.
    if (ElapsedMilliseconds(start) > ReadTimeout()) return ReadEnd::TimedOut;
    if (IsTerminator(aChars, byte)) return ReadEnd::Terminator;
    if (aBytes.size() >= kReadLimit) return ReadEnd::Overflow;
  }
}

kIOHandler_TCP::ReadEnd kIOHandler_TCP::CollectAll(Clock::time_point aStart, std::vector<uint8_t>& aBytes) {
  for (;;) {
    aBytes.push_back(fTCPClient->ReadByte());
    if (ElapsedMilliseconds(aStart) > ReadTimeout()) return ReadEnd::TimedOut;
    if (aBytes.size() >= kReadLimit) return ReadEnd::Overflow;
  }
}

void kIOHandler_TCP::LogReadEnd(ReadEnd aEnd, const std::u16string& aText) {
  switch (aEnd) {
    case ReadEnd::Terminator:
      WriteLog(let_info, u"Read", aText);
      break;
    case ReadEnd::TimedOut:
      WriteLog(let_error, u"Read Timeout", aText);
      break;
    case ReadEnd::Overflow:
      WriteLog(let_error, u"Read Overflow", aText);
      break;
  }
}

std::u16string kIOHandler_TCP::ReadUpTo(const std::vector<uint8_t>& aChars) {
  std::vector<uint8_t> bytes;
  try {
    const ReadEnd end = CollectUpTo(aChars, bytes);
    LogReadEnd(end, TextFromDeviceBytes(bytes));
  } catch (const std::exception& error) {
    WriteLog(let_error, u"ReadUpTo Unexpected error", ExceptionText(error));
  }
  return TextFromDeviceBytes(bytes);
}

std::vector<uint8_t> kIOHandler_TCP::ReadBytesUpTo(const std::vector<uint8_t>& aChars) {
  std::vector<uint8_t> bytes;
  try {
    const ReadEnd end = CollectUpTo(aChars, bytes);
    LogReadEnd(end, AsciiTextOfBytes(bytes));
  } catch (const std::exception& error) {
    WriteLog(let_error, u"ReadUpTo Unexpected error", ExceptionText(error));
    throw;
  }
  return bytes;
}

std::u16string kIOHandler_TCP::ReadChars(int32_t aCharsNum) {
  fTCPClient->SetReadTimeout(ReadTimeout());
  try {
    if (size_t(std::max(aCharsNum, 0)) > kReadLimit) {
      throw tOV_Exception(u"Cannot read " + IntToStr(aCharsNum) + u" characters at once; the limit is " +
                          IntToStr(int64_t(kReadLimit)));
    }
    // The client answers exactly the count or raises: a short read is a time-out.
    const std::u16string text = TextFromDeviceBytes(fTCPClient->ReadBytes(size_t(std::max(aCharsNum, 0))));
    WriteLog(let_info, u"Read", HexLog() ? text + u" [" + StringToHex(text) + u"]" : text);
    return text;
  } catch (const std::exception& error) {
    WriteLog(let_error, u"ReadChars Unexpected error", ExceptionText(error));
    return {};
  }
}

std::u16string kIOHandler_TCP::ReadAll() {
  fTCPClient->SetReadTimeout(ReadTimeout());
  std::vector<uint8_t> bytes;
  try {
    const ReadEnd end = CollectAll(Clock::now(), bytes);
    LogReadEnd(end, TextFromDeviceBytes(bytes));
  } catch (const kTCPConnectionClosed&) {
    WriteLog(let_info, u"Read", TextFromDeviceBytes(bytes));
  } catch (const std::exception& error) {
    WriteLog(let_error, u"ReadAll Unexpected error", ExceptionText(error));
  }
  return TextFromDeviceBytes(bytes);
}

// Every end answers the bytes read: they have been taken from the connection
// and would otherwise be lost.
std::vector<uint8_t> kIOHandler_TCP::ReadAllBytes() {
  fTCPClient->SetReadTimeout(ReadTimeout());
  std::vector<uint8_t> bytes;
  const Clock::time_point start = Clock::now();
  try {
    const ReadEnd end = CollectAll(start, bytes);
    LogReadEnd(end, AsciiTextOfBytes(bytes));
  } catch (const kTCPConnectionClosed&) {
    WriteLog(let_info, u"Read", AsciiTextOfBytes(bytes));
  } catch (const std::exception& error) {
    WriteLog(let_error, u"lTimeoutExpired", IntToStr(ElapsedMilliseconds(start)));
    WriteLog(let_error, u"ReadAll Unexpected error", ExceptionText(error));
  }
  return bytes;
}

std::vector<uint8_t> kIOHandler_TCP::ReadBytes(int32_t aCount) {
  if (aCount <= 0) return {};
  if (size_t(aCount) > kReadLimit) {
    throw tOV_Exception(u"Cannot read " + IntToStr(aCount) + u" bytes at once; the limit is " +
                        IntToStr(int64_t(kReadLimit)));
  }
  return fTCPClient->ReadBytes(size_t(aCount));
}

std::u16string kIOHandler_TCP::DecodeError(int32_t) { return {}; }

bool kIOHandler_TCP::InputBufferContainsData() { return fTCPClient->InputBufferSize() > 0; }

void kIOHandler_TCP::SetParameter(const std::u16string&, const std::u16string&) {}

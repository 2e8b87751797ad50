// I/O handler of devices reached over a plain TCP connection: a blocking
// client connection to the connection's Address and Port, with reads that
// stop at a terminator byte, after a number of characters, at the peer's
// close or at the read time-out. Every byte read is one character of the
// same code; text written goes out in CodePage. Every read and write is
// logged. The handler owns its client.
//
// Each wait for a byte lasts at most ReadTimeout, and ReadUpTo, ReadAll and
// their byte forms also stop at the first byte after ReadTimeout has passed,
// so they end within about twice ReadTimeout. None of them collects more than
// kReadLimit bytes: at the limit the read stops with a "Read Overflow" error
// line and answers what it has; the rest stays unread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "io/uOVIOHandler.h"
#include "io/uOVTCPClient.h"

class kIOHandler_TCP : public kIOHandler {
 public:
  static constexpr size_t kReadLimit = 1024 * 1024;

  // The client gets the connection's Address, Port and the connect time-out;
  // nothing is opened here.
  kIOHandler_TCP(const kConnection* aConnection, const std::u16string& aDirectory,
                 const std::u16string& aFileName);
  // Closes the connection before the STOP banner.
  ~kIOHandler_TCP() override;

  const char16_t* ClassName() const override { return u"kIOHandler_TCP"; }
  bool Connected() override;
  // Logs the connect block, Host and Port, and connects unless connected.
  // Failures are logged ("Connect Timeout", "Connect Error") and answered
  // false, never raised.
  bool Connect() override;
  bool Disconnect() override;
  // Drops the bytes received and not yet read.
  void ClearBuffers() override;
  // Logs "Write", sends aMessage in CodePage; the client's failures are raised.
  bool Write(const std::u16string& aMessage) override;
  // These three log their end and never raise.
  std::u16string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::u16string ReadChars(int32_t aCharsNum) override;
  std::u16string ReadAll() override;
  std::u16string DecodeError(int32_t aErrorCode) override;
  // Bytes already received and not yet read; the socket is not asked.
  bool InputBufferContainsData() override;
  void SetParameter(const std::u16string& aName, const std::u16string& aValue) override;

  // Logs "Write" with the bytes as ASCII text and sends them; failures are raised.
  bool WriteBytes(const std::vector<uint8_t>& aBytes);
  // Exactly aCount bytes with the read time-out last set on the client, not
  // logged; the client's failures (the time-out included) are raised, and
  // the bytes that did arrive stay buffered. A count above kReadLimit is
  // refused before anything is read.
  std::vector<uint8_t> ReadBytes(int32_t aCount);
  // As ReadUpTo on bytes; a failure of the client is logged and then raised.
  std::vector<uint8_t> ReadBytesUpTo(const std::vector<uint8_t>& aChars);
  // As ReadAll on bytes; never raises.
  std::vector<uint8_t> ReadAllBytes();

  kTCPClient& TCPClient() { return *fTCPClient; }

 private:
  enum class ReadEnd { Terminator, TimedOut, Overflow };

  // Announces the terminators, then reads into aBytes until one of them, the
  // read time-out or kReadLimit; the client's failures are raised.
  ReadEnd CollectUpTo(const std::vector<uint8_t>& aChars, std::vector<uint8_t>& aBytes);
  // Reads into aBytes until the read time-out or kReadLimit; the client's
  // failures are raised. aStart is when the read began.
  ReadEnd CollectAll(std::chrono::steady_clock::time_point aStart, std::vector<uint8_t>& aBytes);
  // Logs how a read ended that collected aText.
  void LogReadEnd(ReadEnd aEnd, const std::u16string& aText);

  std::unique_ptr<kTCPClient> fTCPClient;
};

// The blocking TCP client of the TCP I/O handler: one connection to one host
// and port, with an input buffer of its own (bytes received and not yet
// taken) and a read time-out for every wait for input. Built on the
// platform's socket; the client owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/uOV_Exception.h"

class ovTcpSocket;

// Raised by a read when the peer has closed the connection in an orderly way
// and every byte it sent has been taken. Any other read failure, the read
// time-out included, is a plain tOV_Exception.
class kTCPConnectionClosed : public tOV_Exception {
 public:
  kTCPConnectionClosed();
};

class kTCPClient {
 public:
  static constexpr const char16_t* kReadTimedOutText = u"Read timed out";
  static constexpr const char16_t* kClosedText = u"Connection closed by the peer";
  static constexpr const char16_t* kNotConnectedText = u"Not connected";

  kTCPClient();
  ~kTCPClient();
  kTCPClient(const kTCPClient&) = delete;
  kTCPClient& operator=(const kTCPClient&) = delete;

  const std::u16string& Host() const { return fHost; }
  void SetHost(const std::u16string& aValue) { fHost = aValue; }
  int32_t Port() const { return fPort; }
  void SetPort(int32_t aValue) { fPort = aValue; }
  // Milliseconds; 0 or below leaves the limit to the system.
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  void SetConnectTimeout(int32_t aValue) { fConnectTimeout = aValue; }
  // Longest wait for one byte, in milliseconds; 0 or below takes only what
  // has already arrived.
  int32_t ReadTimeout() const { return fReadTimeout; }
  void SetReadTimeout(int32_t aValue) { fReadTimeout = aValue; }
  // A write fails when the peer takes no byte for this long (milliseconds).
  int32_t WriteTimeout() const { return fWriteTimeout; }
  void SetWriteTimeout(int32_t aValue) { fWriteTimeout = aValue; }

  // Opens a new connection (dropping any earlier one and its buffered
  // input). Answers false when ConnectTimeout passed first; raises the
  // system's text for any other failure, and for a port outside 1 to 65535.
  bool Connect();
  // The connection is open and has not been ended by the peer, or input is
  // still buffered. Takes in what has arrived meanwhile, so a close by the
  // peer is noticed.
  bool Connected();
  // Closes the connection and drops the buffered input.
  void Disconnect();

  size_t InputBufferSize() const { return fInput.size() - fTaken; }
  void ClearInputBuffer();

  // Waits at most ReadTimeout for a byte.
  uint8_t ReadByte();
  // Exactly aCount bytes, every wait at most ReadTimeout. On failure the
  // bytes that did arrive stay in the input buffer.
  std::vector<uint8_t> ReadBytes(size_t aCount);
  void Write(const std::string& aBytes);

 private:
  // Waits at most ReadTimeout and appends what arrived to the input buffer;
  // raises on the time-out, the peer's close and failures.
  void FillInput();
  // Takes what has arrived without waiting (a close is noted, not raised).
  void TakeArrived();

  std::unique_ptr<ovTcpSocket> fSocket;
  std::u16string fHost;
  int32_t fPort = 0;
  int32_t fConnectTimeout = 0;
  int32_t fReadTimeout = 0;
  int32_t fWriteTimeout = 60 * 1000;
  std::vector<uint8_t> fInput;  // received; bytes before fTaken are taken
  size_t fTaken = 0;
  bool fClosedByPeer = false;
};

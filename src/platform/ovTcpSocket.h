// One TCP connection over the system's sockets: BSD sockets on POSIX,
// Winsock on Windows. It connects within a time-out, waits for input within a
// time-out, takes what has arrived without waiting, and sends. It keeps no
// buffer of its own; the TCP client of the I/O layer does. Failures come back
// as the system's text followed by its error number in brackets. Used by one
// thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class ovConnectOutcome { Connected, TimedOut, Failed };
enum class ovWaitOutcome { Ready, TimedOut, Failed };
enum class ovReceiveOutcome { Data, NothingWaiting, Closed, Failed };

class ovTcpSocket {
 public:
  ovTcpSocket();
  ~ovTcpSocket();
  ovTcpSocket(const ovTcpSocket&) = delete;
  ovTcpSocket& operator=(const ovTcpSocket&) = delete;

  // Closes any earlier connection, resolves aHost and tries its addresses in
  // turn until one accepts, all within aTimeoutMs (0 or below: the system's
  // own limit). Name resolution itself is not timed.
  ovConnectOutcome Connect(const std::u16string& aHost, uint16_t aPort, int32_t aTimeoutMs,
                           std::u16string& aFailure);
  bool IsOpen() const;
  void Close();

  // Waits until input, the peer's close or an error is waiting; 0 or below
  // does not wait.
  ovWaitOutcome WaitReadable(int32_t aTimeoutMs, std::u16string& aFailure);
  // Takes up to aCapacity (above 0) bytes that have arrived, without waiting; aCount is
  // the number taken (Data only). Closed: the peer ended the connection in
  // an orderly way and everything it sent has been taken.
  ovReceiveOutcome Receive(uint8_t* aBuffer, size_t aCapacity, size_t& aCount, std::u16string& aFailure);
  // Sends all of aData; fails when the peer takes no byte for aStallTimeoutMs.
  bool Send(const uint8_t* aData, size_t aSize, int32_t aStallTimeoutMs, std::u16string& aFailure);

 private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

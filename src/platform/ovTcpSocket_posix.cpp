// The TCP connection on BSD sockets. The socket is non-blocking throughout;
// every wait is a poll with a deadline, so no call blocks longer than asked.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/ovTcpSocket.h"
#include "platform/ovUtf.h"

namespace {

using Clock = std::chrono::steady_clock;

std::u16string SystemText(int aCode) {
  char buffer[256] = {};
  // The GNU strerror_r answers its own text, or fills the buffer.
  const char* text = strerror_r(aCode, buffer, sizeof buffer);
  return Utf8ToUtf16(text != nullptr ? text : buffer) + u" [" + AsciiToUtf16(std::to_string(aCode)) + u"]";
}

// Milliseconds left before aDeadline, rounded up so a wait never ends early;
// at least 0; -1 (no limit) without one.
int Remaining(const Clock::time_point* aDeadline) {
  if (aDeadline == nullptr) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*aDeadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

// poll on one descriptor, resumed after signals, within aDeadline.
// Answers poll's result: 1 ready, 0 timed out, -1 failed (errno set).
int PollOne(int aSocket, short aEvents, const Clock::time_point* aDeadline, short& aSeen) {
  for (;;) {
    pollfd entry{aSocket, aEvents, 0};
    const int result = poll(&entry, 1, Remaining(aDeadline));
    if (result < 0 && errno == EINTR) continue;
    aSeen = entry.revents;
    return result;
  }
}

}  // namespace

struct ovTcpSocket::Impl {
  int socket = -1;

  void Close() {
    if (socket >= 0) ::close(socket);
    socket = -1;
  }

  // One address: Connected, TimedOut, or Failed with aCode.
  ovConnectOutcome TryAddress(const addrinfo& aAddress, const Clock::time_point* aDeadline, int& aCode) {
    socket = ::socket(aAddress.ai_family, aAddress.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, aAddress.ai_protocol);
    if (socket < 0) {
      aCode = errno;
      return ovConnectOutcome::Failed;
    }
    if (::connect(socket, aAddress.ai_addr, aAddress.ai_addrlen) == 0) return ovConnectOutcome::Connected;
    if (errno != EINPROGRESS) {
      aCode = errno;
      Close();
      return ovConnectOutcome::Failed;
    }
    short seen = 0;
    const int ready = PollOne(socket, POLLOUT, aDeadline, seen);
    if (ready == 0) {
      Close();
      return ovConnectOutcome::TimedOut;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (ready < 0) {
      error = errno;
    } else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
      error = errno;
    }
    if (error != 0) {
      aCode = error;
      Close();
      return ovConnectOutcome::Failed;
    }
    return ovConnectOutcome::Connected;
  }
};

ovTcpSocket::ovTcpSocket() : fImpl(std::make_unique<Impl>()) {}

ovTcpSocket::~ovTcpSocket() { fImpl->Close(); }

ovConnectOutcome ovTcpSocket::Connect(const std::u16string& aHost, uint16_t aPort, int32_t aTimeoutMs,
                                      std::u16string& aFailure) {
  fImpl->Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  const int resolved =
      getaddrinfo(Utf16ToUtf8(aHost).c_str(), std::to_string(aPort).c_str(), &hints, &addresses);
  if (resolved != 0) {
    aFailure = Utf8ToUtf16(gai_strerror(resolved)) + u" [" + AsciiToUtf16(std::to_string(resolved)) + u"]";
    return ovConnectOutcome::Failed;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aTimeoutMs);
  const Clock::time_point* limit = aTimeoutMs > 0 ? &deadline : nullptr;
  ovConnectOutcome outcome = ovConnectOutcome::Failed;
  int code = 0;
  for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
    outcome = fImpl->TryAddress(*address, limit, code);
    if (outcome != ovConnectOutcome::Failed) break;
  }
  freeaddrinfo(addresses);
  if (outcome == ovConnectOutcome::Failed) aFailure = SystemText(code);
  return outcome;
}

bool ovTcpSocket::IsOpen() const { return fImpl->socket >= 0; }

void ovTcpSocket::Close() { fImpl->Close(); }

ovWaitOutcome ovTcpSocket::WaitReadable(int32_t aTimeoutMs, std::u16string& aFailure) {
  if (fImpl->socket < 0) {
    aFailure = SystemText(ENOTCONN);
    return ovWaitOutcome::Failed;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aTimeoutMs > 0 ? aTimeoutMs : 0);
  short seen = 0;
  const int ready = PollOne(fImpl->socket, POLLIN, &deadline, seen);
  if (ready < 0) {
    aFailure = SystemText(errno);
    return ovWaitOutcome::Failed;
  }
  // A hang-up or an error is "ready" as well: the receive that follows tells which.
  return ready == 0 ? ovWaitOutcome::TimedOut : ovWaitOutcome::Ready;
}

ovReceiveOutcome ovTcpSocket::Receive(uint8_t* aBuffer, size_t aCapacity, size_t& aCount, std::u16string& aFailure) {
  aCount = 0;
  if (fImpl->socket < 0) {
    aFailure = SystemText(ENOTCONN);
    return ovReceiveOutcome::Failed;
  }
  for (;;) {
    const ssize_t received = recv(fImpl->socket, aBuffer, aCapacity, 0);
    if (received > 0) {
      aCount = size_t(received);
      return ovReceiveOutcome::Data;
    }
    if (received == 0) return ovReceiveOutcome::Closed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return ovReceiveOutcome::NothingWaiting;
    aFailure = SystemText(errno);
    return ovReceiveOutcome::Failed;
  }
}

bool ovTcpSocket::Send(const uint8_t* aData, size_t aSize, int32_t aStallTimeoutMs, std::u16string& aFailure) {
  if (fImpl->socket < 0) {
    aFailure = SystemText(ENOTCONN);
    return false;
  }
  size_t sent = 0;
  while (sent < aSize) {
    // MSG_NOSIGNAL: a peer that has gone fails the send instead of ending the host with SIGPIPE.
    const ssize_t count = send(fImpl->socket, aData + sent, aSize - sent, MSG_NOSIGNAL);
    if (count > 0) {
      sent += size_t(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      aFailure = SystemText(errno);
      return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aStallTimeoutMs);
    short seen = 0;
    const int ready = PollOne(fImpl->socket, POLLOUT, &deadline, seen);
    if (ready < 0) {
      aFailure = SystemText(errno);
      return false;
    }
    if (ready == 0) {
      aFailure = SystemText(ETIMEDOUT);
      return false;
    }
  }
  return true;
}

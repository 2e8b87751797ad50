// The TCP connection on Winsock. The socket is non-blocking throughout;
// every wait is a select with a deadline, so no call blocks longer than asked.
// A SOCKET is as wide as a pointer and stays inside this file.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <chrono>
#include <mutex>
#include <string>

#include "platform/ovSystemText_win32.h"
#include "platform/ovTcpSocket.h"
#include "platform/ovUtf.h"

namespace {

using Clock = std::chrono::steady_clock;

// Winsock is started once for the process and left to the system at exit.
bool WinsockStarted(int& aCode) {
  static std::once_flag once;
  static int startCode = 0;
  std::call_once(once, [] {
    WSADATA data;
    startCode = WSAStartup(MAKEWORD(2, 2), &data);
  });
  aCode = startCode;
  return startCode == 0;
}

std::u16string SystemText(int aCode) {
  std::u16string text = SystemErrorText(DWORD(aCode));
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' || text.back() == u'.')) {
    text.pop_back();
  }
  return text + u" [" + AsciiToUtf16(std::to_string(aCode)) + u"]";
}

// select's wait for the time left before aDeadline; null (no limit) without one.
timeval* Remaining(const Clock::time_point* aDeadline, timeval& aWait) {
  if (aDeadline == nullptr) return nullptr;
  auto left = std::chrono::ceil<std::chrono::microseconds>(*aDeadline - Clock::now()).count();
  if (left < 0) left = 0;
  aWait.tv_sec = long(left / 1000000);
  aWait.tv_usec = long(left % 1000000);
  return &aWait;
}

// 1 ready, 0 timed out, SOCKET_ERROR failed. For a connect, the exception set
// carries the failure.
int SelectOne(SOCKET aSocket, bool aForWriting, const Clock::time_point* aDeadline) {
  fd_set wanted;
  fd_set failed;
  FD_ZERO(&wanted);
  FD_ZERO(&failed);
  FD_SET(aSocket, &wanted);
  FD_SET(aSocket, &failed);
  timeval wait{};
  return select(0, aForWriting ? nullptr : &wanted, aForWriting ? &wanted : nullptr, &failed,
                Remaining(aDeadline, wait));
}

}  // namespace

struct ovTcpSocket::Impl {
  SOCKET socket = INVALID_SOCKET;

  void Close() {
    if (socket != INVALID_SOCKET) closesocket(socket);
    socket = INVALID_SOCKET;
  }

  ovConnectOutcome TryAddress(const ADDRINFOW& aAddress, const Clock::time_point* aDeadline, int& aCode) {
    socket = ::socket(aAddress.ai_family, aAddress.ai_socktype, aAddress.ai_protocol);
    if (socket == INVALID_SOCKET) {
      aCode = WSAGetLastError();
      return ovConnectOutcome::Failed;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
      aCode = WSAGetLastError();
      Close();
      return ovConnectOutcome::Failed;
    }
    if (::connect(socket, aAddress.ai_addr, int(aAddress.ai_addrlen)) == 0) return ovConnectOutcome::Connected;
    const int started = WSAGetLastError();
    if (started != WSAEWOULDBLOCK) {
      aCode = started;
      Close();
      return ovConnectOutcome::Failed;
    }
    const int ready = SelectOne(socket, true, aDeadline);
    if (ready == 0) {
      Close();
      return ovConnectOutcome::TimedOut;
    }
    int error = 0;
    int length = sizeof error;
    if (ready == SOCKET_ERROR) {
      error = WSAGetLastError();
    } else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
      error = WSAGetLastError();
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
  int code = 0;
  if (!WinsockStarted(code)) {
    aFailure = SystemText(code);
    return ovConnectOutcome::Failed;
  }
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* addresses = nullptr;
  const std::u16string service = AsciiToUtf16(std::to_string(aPort));
  const int resolved = GetAddrInfoW(reinterpret_cast<const wchar_t*>(aHost.c_str()),
                                    reinterpret_cast<const wchar_t*>(service.c_str()), &hints, &addresses);
  if (resolved != 0) {
    aFailure = SystemText(resolved);
    return ovConnectOutcome::Failed;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aTimeoutMs);
  const Clock::time_point* limit = aTimeoutMs > 0 ? &deadline : nullptr;
  ovConnectOutcome outcome = ovConnectOutcome::Failed;
  for (const ADDRINFOW* address = addresses; address != nullptr; address = address->ai_next) {
    outcome = fImpl->TryAddress(*address, limit, code);
    if (outcome != ovConnectOutcome::Failed) break;
  }
  FreeAddrInfoW(addresses);
  if (outcome == ovConnectOutcome::Failed) aFailure = SystemText(code);
  return outcome;
}

bool ovTcpSocket::IsOpen() const { return fImpl->socket != INVALID_SOCKET; }

void ovTcpSocket::Close() { fImpl->Close(); }

ovWaitOutcome ovTcpSocket::WaitReadable(int32_t aTimeoutMs, std::u16string& aFailure) {
  if (fImpl->socket == INVALID_SOCKET) {
    aFailure = SystemText(WSAENOTCONN);
    return ovWaitOutcome::Failed;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aTimeoutMs > 0 ? aTimeoutMs : 0);
  const int ready = SelectOne(fImpl->socket, false, &deadline);
  if (ready == SOCKET_ERROR) {
    aFailure = SystemText(WSAGetLastError());
    return ovWaitOutcome::Failed;
  }
  return ready == 0 ? ovWaitOutcome::TimedOut : ovWaitOutcome::Ready;
}

ovReceiveOutcome ovTcpSocket::Receive(uint8_t* aBuffer, size_t aCapacity, size_t& aCount, std::u16string& aFailure) {
  aCount = 0;
  if (fImpl->socket == INVALID_SOCKET) {
    aFailure = SystemText(WSAENOTCONN);
    return ovReceiveOutcome::Failed;
  }
  const int wanted = aCapacity > 0x7fffffff ? 0x7fffffff : int(aCapacity);
  const int received = recv(fImpl->socket, reinterpret_cast<char*>(aBuffer), wanted, 0);
  if (received > 0) {
    aCount = size_t(received);
    return ovReceiveOutcome::Data;
  }
  if (received == 0) return ovReceiveOutcome::Closed;
  const int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return ovReceiveOutcome::NothingWaiting;
  aFailure = SystemText(error);
  return ovReceiveOutcome::Failed;
}

bool ovTcpSocket::Send(const uint8_t* aData, size_t aSize, int32_t aStallTimeoutMs, std::u16string& aFailure) {
  if (fImpl->socket == INVALID_SOCKET) {
    aFailure = SystemText(WSAENOTCONN);
    return false;
  }
  size_t sent = 0;
  while (sent < aSize) {
    const size_t left = aSize - sent;
    const int chunk = left > 0x7fffffff ? 0x7fffffff : int(left);
    const int count = send(fImpl->socket, reinterpret_cast<const char*>(aData + sent), chunk, 0);
    if (count > 0) {
      sent += size_t(count);
      continue;
    }
    const int error = WSAGetLastError();
    if (count == SOCKET_ERROR && error != WSAEWOULDBLOCK) {
      aFailure = SystemText(error);
      return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(aStallTimeoutMs);
    const int ready = SelectOne(fImpl->socket, true, &deadline);
    if (ready == SOCKET_ERROR) {
      aFailure = SystemText(WSAGetLastError());
      return false;
    }
    if (ready == 0) {
      aFailure = SystemText(WSAETIMEDOUT);
      return false;
    }
  }
  return true;
}

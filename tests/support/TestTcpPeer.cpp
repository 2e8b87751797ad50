#include "support/TestTcpPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

// How often the peer's thread looks whether it is to stop.
constexpr int kTickMs = 20;

int LoopbackListener(int aBacklog, int& aPort) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, aBacklog) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener);
    throw std::runtime_error("listen on 127.0.0.1 failed");
  }
  aPort = ntohs(address.sin_port);
  return listener;
}

}  // namespace

TestTcpPeer::TestTcpPeer() { fListener = LoopbackListener(1, fPort); }

TestTcpPeer::~TestTcpPeer() {
  {
    std::lock_guard guard(fLock);
    fStopping = true;
  }
  fChanged.notify_all();
  if (fThread.joinable()) fThread.join();
  close(fListener);
}

TestTcpPeer& TestTcpPeer::AwaitReceived(size_t aTotalBytes) {
  fSteps.push_back({Step::Kind::AwaitReceived, {}, aTotalBytes, {}});
  return *this;
}

TestTcpPeer& TestTcpPeer::Send(std::string aBytes) {
  fSteps.push_back({Step::Kind::Send, std::move(aBytes), 0, {}});
  return *this;
}

TestTcpPeer& TestTcpPeer::Repeat(char aByte, std::chrono::milliseconds aInterval) {
  fSteps.push_back({Step::Kind::Repeat, std::string(1, aByte), 0, aInterval});
  return *this;
}

TestTcpPeer& TestTcpPeer::Close() {
  fSteps.push_back({Step::Kind::Close, {}, 0, {}});
  return *this;
}

void TestTcpPeer::Start() { fThread = std::thread([this] { Run(); }); }

std::string TestTcpPeer::Received() {
  std::lock_guard guard(fLock);
  return fReceived;
}

bool TestTcpPeer::WaitForReceived(size_t aTotalBytes, std::chrono::milliseconds aTimeout) {
  std::unique_lock lock(fLock);
  return fChanged.wait_for(lock, aTimeout, [&] { return fReceived.size() >= aTotalBytes; });
}

bool TestTcpPeer::WaitForSteps(size_t aSteps, std::chrono::milliseconds aTimeout) {
  std::unique_lock lock(fLock);
  return fChanged.wait_for(lock, aTimeout, [&] { return fStepsDone >= aSteps; });
}

bool TestTcpPeer::Stopping() {
  std::lock_guard guard(fLock);
  return fStopping;
}

bool TestTcpPeer::Drain(int aConnection, int aWaitMs) {
  pollfd entry{aConnection, POLLIN, 0};
  if (poll(&entry, 1, aWaitMs) > 0) {
    char buffer[65536];
    const ssize_t count = recv(aConnection, buffer, sizeof buffer, 0);
    if (count <= 0) return false;
    {
      std::lock_guard guard(fLock);
      fReceived.append(buffer, size_t(count));
    }
    fChanged.notify_all();
  }
  return !Stopping();
}

void TestTcpPeer::Run() {
  int connection = -1;
  while (connection < 0 && !Stopping()) {
    pollfd entry{fListener, POLLIN, 0};
    if (poll(&entry, 1, kTickMs) > 0) connection = accept4(fListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  }
  if (connection < 0) return;
  bool going = true;
  for (const Step& step : fSteps) {
    switch (step.kind) {
      case Step::Kind::AwaitReceived:
        while (going && Received().size() < step.count) going = Drain(connection, kTickMs);
        break;
      case Step::Kind::Send: {
        size_t sent = 0;
        while (going && sent < step.bytes.size()) {
          const ssize_t count = send(connection, step.bytes.data() + sent, step.bytes.size() - sent, MSG_NOSIGNAL);
          if (count > 0) {
            sent += size_t(count);
          } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
            going = false;
          } else {
            pollfd entry{connection, POLLOUT, 0};
            poll(&entry, 1, kTickMs);
            going = !Stopping();
          }
        }
        break;
      }
      case Step::Kind::Repeat: {
        // Paced: one byte per interval. Unpaced: as much as the socket takes.
        const std::string chunk(step.interval.count() > 0 ? 1 : 65536, step.bytes[0]);
        while (going) {
          const ssize_t count = send(connection, chunk.data(), chunk.size(), MSG_NOSIGNAL);
          if (count < 0 && errno != EAGAIN && errno != EINTR) break;
          if (step.interval.count() > 0) {
            going = Drain(connection, int(step.interval.count()));
          } else {
            pollfd entry{connection, POLLOUT, 0};
            poll(&entry, 1, kTickMs);
            going = !Stopping();
          }
        }
        going = false;
        break;
      }
      case Step::Kind::Close:
        // FIN first and the client's bytes taken in, so the close is orderly (no reset).
        shutdown(connection, SHUT_WR);
        break;
    }
    {
      std::lock_guard guard(fLock);
      ++fStepsDone;
    }
    fChanged.notify_all();
    if (!going || step.kind == Step::Kind::Close) break;
  }
  while (going && Drain(connection, kTickMs)) {
  }
  // After the close step: until the client has gone too.
  if (!fSteps.empty() && fSteps.back().kind == Step::Kind::Close) {
    while (Drain(connection, kTickMs)) {
    }
  }
  close(connection);
}

FullBacklogListener::FullBacklogListener() {
  // Backlog 0: one connection fills the queue; as nothing is accepted, the
  // system drops every later SYN and those connects wait.
  fListener = LoopbackListener(0, fPort);
  fFiller = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(fPort));
  connect(fFiller, reinterpret_cast<sockaddr*>(&address), sizeof address);
  pollfd entry{fFiller, POLLOUT, 0};
  int error = 0;
  socklen_t length = sizeof error;
  if (poll(&entry, 1, 5000) != 1 || getsockopt(fFiller, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    close(fFiller);
    close(fListener);
    throw std::runtime_error("the filler connection did not complete");
  }
}

FullBacklogListener::~FullBacklogListener() {
  close(fFiller);
  close(fListener);
}

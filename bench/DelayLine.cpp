#include "bench/DelayLine.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Held {
  Clock::time_point due;
  std::string bytes;
};

// One direction of one relayed connection.
struct Direction {
  int from = -1;
  int to = -1;
  std::deque<Held> held;
  bool closed = false;  // from has ended; to is shut down once held is empty
};

int Listen(int& aPort) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 64) != 0) {
    throw std::runtime_error("delay line: cannot listen");
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  aPort = ntohs(address.sin_port);
  return listener;
}

int ConnectTo(int aPort) {
  const int peer = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(aPort));
  if (connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(peer);
    return -1;
  }
  return peer;
}

void NoDelay(int aSocket) {
  const int yes = 1;
  setsockopt(aSocket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

// The relay's whole life, in the child: one poll loop for every connection.
[[noreturn]] void Relay(int aListener, int aTargetPort, std::chrono::milliseconds aDelay) {
  std::vector<Direction> directions;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    std::vector<pollfd> waits{{aListener, POLLIN, 0}};
    for (const Direction& direction : directions) {
      if (!direction.closed) waits.push_back({direction.from, POLLIN, 0});
    }
    auto wait = std::chrono::milliseconds(1000);
    const auto now = Clock::now();
    for (const Direction& direction : directions) {
      if (!direction.held.empty()) {
        wait = std::min(wait, std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                          direction.held.front().due - now)));
      }
    }
    poll(waits.data(), waits.size(), int(wait.count()));
    if (waits[0].revents & POLLIN) {
      const int client = accept4(aListener, nullptr, nullptr, SOCK_CLOEXEC);
      const int server = client >= 0 ? ConnectTo(aTargetPort) : -1;
      if (server >= 0) {
        NoDelay(client);
        NoDelay(server);
        directions.push_back({client, server, {}, false});
        directions.push_back({server, client, {}, false});
      } else if (client >= 0) {
        close(client);
      }
    }
    for (Direction& direction : directions) {
      if (direction.closed) continue;
      const ssize_t n = recv(direction.from, buffer.data(), buffer.size(), MSG_DONTWAIT);
      if (n > 0) {
        direction.held.push_back({Clock::now() + aDelay, std::string(buffer.data(), size_t(n))});
      } else if (n == 0) {
        direction.closed = true;
      }
    }
    const auto sendTime = Clock::now();
    for (Direction& direction : directions) {
      while (!direction.held.empty() && direction.held.front().due <= sendTime) {
        const std::string& bytes = direction.held.front().bytes;
        if (send(direction.to, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) direction.closed = true;
        direction.held.pop_front();
      }
      if (direction.closed && direction.held.empty() && direction.to >= 0) {
        shutdown(direction.to, SHUT_WR);
        direction.to = -1;
      }
    }
  }
}

}  // namespace

DelayLine::DelayLine(int aTargetPort, std::chrono::milliseconds aDelay) {
  const int listener = Listen(fPort);
  fChild = fork();
  if (fChild == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // gone with the benchmark, however it ends
    Relay(listener, aTargetPort, aDelay);
  }
  close(listener);
  if (fChild < 0) throw std::runtime_error("delay line: cannot start its process");
}

DelayLine::~DelayLine() {
  kill(fChild, SIGKILL);
  waitpid(fChild, nullptr, 0);
}

int PortOf(const std::string& aUrl) { return std::stoi(aUrl.substr(aUrl.rfind(':') + 1)); }

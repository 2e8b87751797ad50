#include "print/CaptureServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "support/WaitFor.h"

CaptureServer::CaptureServer() {
  fListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fListener < 0 || bind(fListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fListener, 8) != 0 || getsockname(fListener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      pipe2(fStopPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("capture server: cannot listen");
  }
  fPort = ntohs(address.sin_port);
  fThread = std::thread([this] { Serve(); });
}

CaptureServer::~CaptureServer() {
  (void)!write(fStopPipe[1], "x", 1);
  fThread.join();
  close(fListener);
  close(fStopPipe[0]);
  close(fStopPipe[1]);
}

void CaptureServer::Serve() {
  for (;;) {
    pollfd waits[2] = {{fListener, POLLIN, 0}, {fStopPipe[0], POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) continue;
    if (waits[1].revents != 0) return;
    const int client = accept4(fListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    // One document: everything up to the backend's end of data.
    std::string document;
    char buffer[65536];
    for (;;) {
      pollfd read[2] = {{client, POLLIN, 0}, {fStopPipe[0], POLLIN, 0}};
      if (poll(read, 2, -1) < 0) continue;
      if (read[1].revents != 0) {
        close(client);
        return;
      }
      const ssize_t count = recv(client, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      document.append(buffer, size_t(count));
    }
    close(client);
    std::lock_guard lock(fLock);
    fDocuments.push_back(std::move(document));
  }
}

bool CaptureServer::WaitForDocuments(size_t aCount, std::chrono::milliseconds aTimeout) {
  return WaitFor(
      [&] {
        std::lock_guard lock(fLock);
        return fDocuments.size() >= aCount;
      },
      aTimeout);
}

std::vector<std::string> CaptureServer::Documents() {
  std::lock_guard lock(fLock);
  return fDocuments;
}

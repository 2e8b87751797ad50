#include "support/TestSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

TestSerialDevice::TestSerialDevice(uint32_t aComNumber) : fComNumber(aComNumber) {
  char name[256] = {};
  if (openpty(&fMaster, &fSlave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
  fPortPath = name;
  setenv(("OVPA_COM" + std::to_string(fComNumber)).c_str(), fPortPath.c_str(), 1);
}

TestSerialDevice::~TestSerialDevice() {
  unsetenv(("OVPA_COM" + std::to_string(fComNumber)).c_str());
  if (fMaster >= 0) close(fMaster);
  close(fSlave);
}

void TestSerialDevice::Send(const std::string& aBytes) {
  size_t sent = 0;
  while (sent < aBytes.size()) {
    const ssize_t count = write(fMaster, aBytes.data() + sent, aBytes.size() - sent);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) throw std::runtime_error("the device could not send");
    sent += size_t(count);
  }
}

void TestSerialDevice::Stream(char aByte, const std::atomic<bool>& aStop) {
  const std::string chunk(4096, aByte);
  // Non-blocking meanwhile, so a full queue never holds the device past aStop.
  const int flags = fcntl(fMaster, F_GETFL);
  fcntl(fMaster, F_SETFL, flags | O_NONBLOCK);
  while (!aStop) {
    pollfd entry{fMaster, POLLOUT, 0};
    if (poll(&entry, 1, 20) <= 0) continue;
    if (write(fMaster, chunk.data(), chunk.size()) < 0 && errno != EINTR && errno != EAGAIN) break;
  }
  fcntl(fMaster, F_SETFL, flags);
}

std::string TestSerialDevice::Receive(size_t aCount, std::chrono::milliseconds aTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + aTimeout;
  std::string received;
  while (received.size() < aCount) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{fMaster, POLLIN, 0};
    if (poll(&entry, 1, int(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t count = read(fMaster, buffer, sizeof buffer);
    if (count <= 0) break;
    received.append(buffer, size_t(count));
  }
  return received;
}

void TestSerialDevice::HangUp() {
  close(fMaster);
  fMaster = -1;
}

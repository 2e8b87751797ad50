#include "io/uOVTCPClient.h"

#include <chrono>

#include "base/uOV_Text.h"
#include "platform/ovTcpSocket.h"

namespace {

using Clock = std::chrono::steady_clock;

// What one receive takes from the socket at most; also how much input the
// client takes in ahead of the reads when it only checks the connection.
constexpr size_t kReceiveChunk = 64 * 1024;

}  // namespace

kTCPConnectionClosed::kTCPConnectionClosed() : tOV_Exception(kTCPClient::kClosedText) {}

kTCPClient::kTCPClient() : fSocket(std::make_unique<ovTcpSocket>()) {}

kTCPClient::~kTCPClient() = default;

bool kTCPClient::Connect() {
  Disconnect();
  if (fPort < 1 || fPort > 65535) throw tOV_Exception(u"Port " + IntToStr(fPort) + u" is out of range");
  std::u16string failure;
  switch (fSocket->Connect(fHost, uint16_t(fPort), fConnectTimeout, failure)) {
    case ovConnectOutcome::Connected:
      return true;
    case ovConnectOutcome::TimedOut:
      return false;
    case ovConnectOutcome::Failed:
      break;
  }
  throw tOV_Exception(failure);
}

bool kTCPClient::Connected() {
  if (!fSocket->IsOpen()) return false;
  TakeArrived();
  return fSocket->IsOpen() && !(fClosedByPeer && InputBufferSize() == 0);
}

void kTCPClient::Disconnect() {
  fSocket->Close();
  fClosedByPeer = false;
  ClearInputBuffer();
}

void kTCPClient::ClearInputBuffer() {
  fInput.clear();
  fTaken = 0;
}

uint8_t kTCPClient::ReadByte() {
  if (InputBufferSize() == 0) FillInput();
  const uint8_t byte = fInput[fTaken++];
  if (fTaken == fInput.size()) ClearInputBuffer();
  return byte;
}

std::vector<uint8_t> kTCPClient::ReadBytes(size_t aCount) {
  while (InputBufferSize() < aCount) FillInput();
  const auto first = fInput.begin() + std::ptrdiff_t(fTaken);
  std::vector<uint8_t> bytes(first, first + std::ptrdiff_t(aCount));
  fTaken += aCount;
  if (fTaken == fInput.size()) ClearInputBuffer();
  return bytes;
}

void kTCPClient::Write(const std::string& aBytes) {
  if (!fSocket->IsOpen()) throw tOV_Exception(kNotConnectedText);
  std::u16string failure;
  if (!fSocket->Send(reinterpret_cast<const uint8_t*>(aBytes.data()), aBytes.size(), fWriteTimeout, failure)) {
    throw tOV_Exception(failure);
  }
}

void kTCPClient::FillInput() {
  if (!fSocket->IsOpen()) throw tOV_Exception(kNotConnectedText);
  if (fClosedByPeer) throw kTCPConnectionClosed();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(fReadTimeout > 0 ? fReadTimeout : 0);
  for (;;) {
    // Rounded up: the wait may not end before the time-out has passed.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    std::u16string failure;
    const ovWaitOutcome waited = fSocket->WaitReadable(int32_t(left > 0 ? left : 0), failure);
    if (waited == ovWaitOutcome::TimedOut) throw tOV_Exception(kReadTimedOutText);
    if (waited == ovWaitOutcome::Failed) throw tOV_Exception(failure);
    // Keep the taken bytes out of the way before the buffer grows.
    if (fTaken > 0) {
      fInput.erase(fInput.begin(), fInput.begin() + std::ptrdiff_t(fTaken));
      fTaken = 0;
    }
    const size_t before = fInput.size();
    fInput.resize(before + kReceiveChunk);
    size_t count = 0;
    const ovReceiveOutcome received = fSocket->Receive(fInput.data() + before, kReceiveChunk, count, failure);
    fInput.resize(before + count);
    switch (received) {
      case ovReceiveOutcome::Data:
        return;
      case ovReceiveOutcome::NothingWaiting:  // woken without data: wait for the rest of the time
        if (Clock::now() >= deadline) throw tOV_Exception(kReadTimedOutText);
        continue;
      case ovReceiveOutcome::Closed:
        fClosedByPeer = true;
        throw kTCPConnectionClosed();
      case ovReceiveOutcome::Failed:
        // A reset or a failed link: the connection is gone.
        fSocket->Close();
        throw tOV_Exception(failure);
    }
  }
}

void kTCPClient::TakeArrived() {
  while (!fClosedByPeer && fSocket->IsOpen() && InputBufferSize() < kReceiveChunk) {
    const size_t before = fInput.size();
    fInput.resize(before + kReceiveChunk);
    size_t count = 0;
    std::u16string failure;
    const ovReceiveOutcome received = fSocket->Receive(fInput.data() + before, kReceiveChunk, count, failure);
    fInput.resize(before + count);
    if (received == ovReceiveOutcome::Closed) fClosedByPeer = true;
    if (received == ovReceiveOutcome::Failed) fSocket->Close();
    if (received != ovReceiveOutcome::Data) return;
  }
}

// The printer at the end of a test queue's socket:// device: a loopback TCP
// server that keeps the bytes of every connection, one document each, as the
// CUPS socket backend delivers them.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CaptureServer {
 public:
  CaptureServer();  // listens on 127.0.0.1, on a free port
  ~CaptureServer();
  CaptureServer(const CaptureServer&) = delete;
  CaptureServer& operator=(const CaptureServer&) = delete;

  int Port() const { return fPort; }
  std::string DeviceUri() const { return "socket://127.0.0.1:" + std::to_string(fPort); }
  // Waits until aCount documents have arrived whole; false at the deadline.
  bool WaitForDocuments(size_t aCount, std::chrono::milliseconds aTimeout = std::chrono::seconds(60));
  std::vector<std::string> Documents();

 private:
  void Serve();

  int fListener = -1;
  int fPort = 0;
  int fStopPipe[2] = {-1, -1};
  std::mutex fLock;
  std::vector<std::string> fDocuments;
  std::thread fThread;
};

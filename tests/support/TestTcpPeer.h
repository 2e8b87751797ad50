// TCP peers on 127.0.0.1 on free ports, standing in for a device in a test.
// TestTcpPeer accepts one connection and plays a script of steps on its own
// thread, keeping every byte the client sent; after the script it holds the
// connection open, silent, until the client closes or the peer is destroyed.
// FullBacklogListener accepts nothing and has its queue filled, so a further
// connect waits for the client's own time-out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestTcpPeer {
 public:
  TestTcpPeer();
  ~TestTcpPeer();
  TestTcpPeer(const TestTcpPeer&) = delete;
  TestTcpPeer& operator=(const TestTcpPeer&) = delete;

  // Steps, added before Start and played in order.
  TestTcpPeer& AwaitReceived(size_t aTotalBytes);  // until the client has sent that many bytes in all
  TestTcpPeer& Send(std::string aBytes);
  // aByte every aInterval, or as fast as the client takes them without one,
  // until the peer is destroyed or the client goes.
  TestTcpPeer& Repeat(char aByte, std::chrono::milliseconds aInterval = std::chrono::milliseconds(0));
  TestTcpPeer& Close();  // an orderly close; the script ends here

  void Start();
  int Port() const { return fPort; }

  std::string Received();
  bool WaitForReceived(size_t aTotalBytes, std::chrono::milliseconds aTimeout = std::chrono::seconds(10));
  // Waits until the first aSteps steps have been played.
  bool WaitForSteps(size_t aSteps, std::chrono::milliseconds aTimeout = std::chrono::seconds(10));

 private:
  struct Step {
    enum class Kind { AwaitReceived, Send, Repeat, Close } kind;
    std::string bytes;
    size_t count = 0;
    std::chrono::milliseconds interval{0};
  };

  void Run();
  // Takes in what the client sent, waiting at most aWaitMs; false once the
  // client has gone or the peer is stopping.
  bool Drain(int aConnection, int aWaitMs);
  bool Stopping();

  std::vector<Step> fSteps;
  int fListener = -1;
  int fPort = 0;
  std::thread fThread;
  std::mutex fLock;
  std::condition_variable fChanged;
  std::string fReceived;
  size_t fStepsDone = 0;
  bool fStopping = false;
};

class FullBacklogListener {
 public:
  FullBacklogListener();
  ~FullBacklogListener();
  FullBacklogListener(const FullBacklogListener&) = delete;
  FullBacklogListener& operator=(const FullBacklogListener&) = delete;

  int Port() const { return fPort; }

 private:
  int fListener = -1;
  int fFiller = -1;
  int fPort = 0;
};

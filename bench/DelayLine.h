// A delay line for the benchmarks: a TCP relay on loopback that holds every
// piece of data, in each direction, for a fixed time before passing it on,
// as a network with that latency would (no bandwidth limit, order kept). It
// runs in a child process of its own, so that its work is not counted as the
// measured client's. Create it before the process starts threads.
#pragma once

#include <chrono>
#include <string>

#include <sys/types.h>

class DelayLine {
 public:
  // Relays connections to 127.0.0.1:aTargetPort.
  DelayLine(int aTargetPort, std::chrono::milliseconds aDelay);
  ~DelayLine();
  DelayLine(const DelayLine&) = delete;
  DelayLine& operator=(const DelayLine&) = delete;

  // The loopback port that leads to the target.
  int Port() const { return fPort; }

 private:
  int fPort = 0;
  pid_t fChild = -1;
};

// The port of an address such as https://127.0.0.1:40005.
int PortOf(const std::string& aUrl);

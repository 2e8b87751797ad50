// ovpa-sim: the terminal and signing services on this machine, for
// integrators and tests. See --help and sim/README.md.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <pthread.h>

#include "sim/SimOptions.h"
#include "sim/Simulator.h"

int main(int argc, char** argv) {
  ovsim::SimOptions options;
  std::string error;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  switch (ovsim::ParseSimOptions(arguments, options, error)) {
    case ovsim::ParseOutcome::Help:
      std::fputs(ovsim::HelpText().c_str(), stdout);
      return 0;
    case ovsim::ParseOutcome::Error:
      std::fprintf(stderr, "ovpa-sim: %s\nTry 'ovpa-sim --help'.\n", error.c_str());
      return 2;
    case ovsim::ParseOutcome::Run:
      break;
  }

  // Blocked before any thread starts, so that only sigwait below takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the simulator

  try {
    ovsim::Simulator simulator(options);
    simulator.Start();
    std::printf("%s\n", simulator.InfoJson().c_str());
    std::fflush(stdout);
    if (!options.fQuiet) {
      std::fprintf(stderr, "ovpa-sim: terminal service %s, signing service %s, CA file %s\n",
                   simulator.TerminalUrl().c_str(), simulator.SigningUrl().c_str(), simulator.CaFile().c_str());
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (!options.fQuiet) std::fprintf(stderr, "ovpa-sim: stopping\n");
    simulator.Stop();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "ovpa-sim: %s\n", failure.what());
    return 1;
  }
  return 0;
}

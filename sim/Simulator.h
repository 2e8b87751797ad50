// The simulator as a whole: makes the certificate, serves the terminal and
// the signing service over HTTPS on two loopback ports, records requests and
// writes the info file. Owns its servers and their threads; Stop (or the
// destructor) ends them.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "sim/SimOptions.h"

namespace httplib {
class SSLServer;
}

namespace ovsim {

class Certificate;
class RequestRecorder;
class ServiceState;
class SigningService;
class TerminalService;

class Simulator {
 public:
  explicit Simulator(SimOptions aOptions);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Returns once both services accept connections and the info file (if
  // asked for) is written. Throws std::runtime_error on any failure. Runs
  // once per object.
  void Start();
  // Ends a slow transaction early, stops both servers and joins them.
  void Stop();

  std::string TerminalUrl() const;
  std::string SigningUrl() const;
  std::string CaFile() const { return fCaFile.string(); }
  std::string RecordFile() const;
  // {"terminalUrl":..,"signingUrl":..,"caFile":..,"recordFile":..}
  std::string InfoJson() const;

 private:
  struct Listener {
    std::unique_ptr<httplib::SSLServer> fServer;
    std::thread fThread;
    std::atomic<bool> fDone{false};
    int fPort = 0;
  };

  void WriteCertificate();
  void Listen(Listener& aListener, const std::string& aService, int aPort);
  void WriteInfoFile() const;
  std::string Url(int aPort) const;
  void StopListener(Listener& aListener);

  SimOptions fOptions;
  std::unique_ptr<ServiceState> fState;
  std::unique_ptr<TerminalService> fTerminal;
  std::unique_ptr<SigningService> fSigning;
  std::unique_ptr<RequestRecorder> fRecorder;
  std::unique_ptr<Certificate> fCertificate;
  std::filesystem::path fCaFile;
  std::filesystem::path fOwnFolder;  // temporary folder made for the default certificate
  Listener fTerminalListener;
  Listener fSigningListener;
};

}  // namespace ovsim

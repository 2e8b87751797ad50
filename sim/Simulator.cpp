#include "sim/Simulator.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <httplib.h>

#include "sim/Certificate.h"
#include "sim/Json.h"
#include "sim/RequestRecorder.h"
#include "sim/ServiceState.h"
#include "sim/Services.h"

namespace ovsim {

namespace {

constexpr int kCertificateDays = 30;
constexpr size_t kWorkerThreads = 16;  // a slow transaction holds one for its delay
constexpr size_t kMaxBodyBytes = 1 << 20;

// Headers the server library adds to a request; the client did not send them.
bool IsAddedByServer(const std::string& aName) {
  return aName == "REMOTE_ADDR" || aName == "REMOTE_PORT" || aName == "LOCAL_ADDR" || aName == "LOCAL_PORT";
}

std::string StatusText(int aStatus) {
  switch (aStatus) {
    case 400: return "Bad request";
    case 404: return "Not found";
    case 405: return "Method not allowed";
    case 413: return "Payload too large";
    case 414: return "URI too long";
    default: return "HTTP error " + std::to_string(aStatus);
  }
}

void WriteFile(const std::filesystem::path& aPath, const std::string& aContent) {
  std::ofstream file(aPath, std::ios::binary | std::ios::trunc);
  file << aContent;
  file.close();
  if (!file) throw std::runtime_error("cannot write " + aPath.string());
}

}  // namespace

Simulator::Simulator(SimOptions aOptions)
    : fOptions(std::move(aOptions)),
      fState(std::make_unique<ServiceState>()),
      fTerminal(std::make_unique<TerminalService>(fOptions, *fState)),
      fSigning(std::make_unique<SigningService>(fOptions, *fState)) {}

Simulator::~Simulator() {
  Stop();
  if (!fOwnFolder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(fOwnFolder, ignored);
  }
}

void Simulator::Start() {
  if (fCertificate) throw std::logic_error("a simulator starts once");
  if (!IsLoopbackHost(fOptions.fHost)) throw std::runtime_error("only loopback addresses are served: " + fOptions.fHost);
  const std::string host = NumericHost(fOptions.fHost);
  std::vector<std::string> addresses = {"127.0.0.1", "::1"};
  if (host != "127.0.0.1" && host != "::1") addresses.push_back(host);
  fCertificate = std::make_unique<Certificate>(addresses, std::vector<std::string>{"localhost"}, kCertificateDays);
  WriteCertificate();
  if (!fOptions.fRecordFile.empty()) fRecorder = std::make_unique<RequestRecorder>(fOptions.fRecordFile);

  try {
    Listen(fTerminalListener, "terminal", fOptions.fTerminalPort);
    Listen(fSigningListener, "signing", fOptions.fSigningPort);
    // The sockets listen once bound; wait for the accept loops as well, so
    // that "ready" means served, not only queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (Listener* listener : {&fTerminalListener, &fSigningListener}) {
      while (!listener->fServer->is_running()) {
        if (listener->fDone || std::chrono::steady_clock::now() > deadline) {
          throw std::runtime_error("a service did not start serving");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    if (!fOptions.fInfoOut.empty()) WriteInfoFile();
  } catch (...) {
    Stop();
    throw;
  }
}

void Simulator::WriteCertificate() {
  std::filesystem::path path = fOptions.fCertOut;
  if (path.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ovpa-sim-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    fOwnFolder = pattern;
    path = fOwnFolder / "ca.pem";
  }
  WriteFile(path, fCertificate->Pem());
  fCaFile = std::filesystem::absolute(path);
}

void Simulator::Listen(Listener& aListener, const std::string& aService, int aPort) {
  aListener.fServer = std::make_unique<httplib::SSLServer>(fCertificate->Cert(), fCertificate->Key());
  httplib::SSLServer& server = *aListener.fServer;
  if (!server.is_valid()) throw std::runtime_error("cannot set up TLS for the " + aService + " service");
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server.set_payload_max_length(kMaxBodyBytes);
  server.set_keep_alive_timeout(2);  // idle connections do not hold up a stop for long
  // As many requests on one connection as a production web server allows
  // (the library's default of five would make every client reconnect).
  server.set_keep_alive_max_count(1000);
  // An answer leaves in two writes (head, body): without this, the second
  // waits for the client's delayed acknowledgement, some 40 ms a request.
  server.set_tcp_nodelay(true);
  // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, with which a
  // second simulator on a taken port would start and share its connections.
  server.set_socket_options([](socket_t aSocket) {
    const int yes = 1;
    setsockopt(aSocket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });

  const auto handler = [this, aService](const httplib::Request& aHttpRequest, httplib::Response& aHttpResponse) {
    SimRequest request{aHttpRequest.method, aHttpRequest.path, {}, aHttpRequest.body};
    for (const auto& [name, value] : aHttpRequest.headers) {
      if (!IsAddedByServer(name)) request.fHeaders.emplace_back(name, value);
    }
    SimAnswer answer;
    try {
      if (fRecorder && !fRecorder->Append(aService, request)) {
        std::fprintf(stderr, "ovpa-sim: cannot write to the record file\n");
      }
      answer = aService == "terminal" ? fTerminal->Handle(request) : fSigning->Handle(request);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "ovpa-sim: %s %s %s failed: %s\n", aService.c_str(), request.fMethod.c_str(),
                   request.fPath.c_str(), error.what());
      answer = {500, "application/json", ErrorBody("Internal simulator error")};
    }
    aHttpResponse.status = answer.fStatus;
    aHttpResponse.set_content(answer.fBody, answer.fContentType.c_str());
  };
  // Every method reaches the service, which answers 404 or 405 itself.
  server.Get(".*", handler);
  server.Post(".*", handler);
  server.Put(".*", handler);
  server.Patch(".*", handler);
  server.Delete(".*", handler);
  server.Options(".*", handler);
  // Failures the server library answers itself (bad request line, body too
  // large) get a JSON body too.
  server.set_error_handler([](const httplib::Request&, httplib::Response& aResponse) {
    if (aResponse.body.empty()) aResponse.set_content(ErrorBody(StatusText(aResponse.status)), "application/json");
  });
  if (!fOptions.fQuiet) {
    server.set_logger([aService](const httplib::Request& aRequest, const httplib::Response& aResponse) {
      std::fprintf(stderr, "%s %s %s -> %d\n", aService.c_str(), aRequest.method.c_str(), aRequest.path.c_str(),
                   aResponse.status);
    });
  }

  const std::string host = NumericHost(fOptions.fHost);
  if (aPort == 0) {
    aListener.fPort = server.bind_to_any_port(host);
  } else if (server.bind_to_port(host, aPort)) {
    aListener.fPort = aPort;
  } else {
    aListener.fPort = -1;
  }
  if (aListener.fPort <= 0) {
    throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(aPort) + " for the " +
                             aService + " service (port in use?)");
  }
  aListener.fThread = std::thread([&aListener] {
    aListener.fServer->listen_after_bind();
    aListener.fDone = true;
  });
}

void Simulator::StopListener(Listener& aListener) {
  if (!aListener.fThread.joinable()) return;
  // A stop that comes before the accept loop runs is not seen by it: repeat
  // until the loop has ended.
  while (!aListener.fDone) {
    aListener.fServer->stop();
    if (!aListener.fDone) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  aListener.fThread.join();
}

void Simulator::Stop() {
  fState->StopWaiting();
  StopListener(fTerminalListener);
  StopListener(fSigningListener);
}

std::string Simulator::Url(int aPort) const {
  const std::string host = NumericHost(fOptions.fHost);
  const std::string shownHost = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return "https://" + shownHost + ":" + std::to_string(aPort);
}

std::string Simulator::TerminalUrl() const { return Url(fTerminalListener.fPort); }

std::string Simulator::SigningUrl() const { return Url(fSigningListener.fPort); }

std::string Simulator::RecordFile() const {
  return fOptions.fRecordFile.empty() ? std::string() : std::filesystem::absolute(fOptions.fRecordFile).string();
}

std::string Simulator::InfoJson() const {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("terminalUrl");
  WriteString(writer, TerminalUrl());
  writer.Key("signingUrl");
  WriteString(writer, SigningUrl());
  writer.Key("caFile");
  WriteString(writer, ValidUtf8(CaFile()));
  writer.Key("recordFile");
  WriteString(writer, ValidUtf8(RecordFile()));
  writer.EndObject();
  return buffer.GetString();
}

void Simulator::WriteInfoFile() const {
  // Written beside its final name and renamed: a reader never sees half of it.
  const std::filesystem::path target = fOptions.fInfoOut;
  std::filesystem::path temporary = target;
  temporary += ".tmp" + std::to_string(getpid());
  WriteFile(temporary, InfoJson() + "\n");
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw std::runtime_error("cannot write the info file " + target.string());
  }
}

}  // namespace ovsim

// Both remote services of the EPay driver as one HTTPS server on 127.0.0.1,
// for the driver's tests: every POST is recorded (path, headers, body) and
// answered from a table by path that a test may change. The defaults answer
// a log-in, a refresh, a signature, an approved payment and a void.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestCertificate.h"
#include "support/TestHttpServer.h"

struct EpayAnswer {
  int status = 200;
  std::string body;
  std::string contentType = "application/json";
  std::chrono::milliseconds delay{0};
  // Announces the whole body but sends only this many bytes, then closes.
  size_t cutAfter = std::string::npos;
};

struct EpayRequest {
  std::string path;
  std::multimap<std::string, std::string, httplib::detail::ci> headers;
  std::string body;
  int remotePort = 0;  // the client's end of the connection it came over

  bool HasHeader(const std::string& aName) const { return headers.count(aName) > 0; }
  std::string Header(const std::string& aName) const;
};

class EpayTestServices {
 public:
  static constexpr const char* kTerminalId = "T1";
  static constexpr const char* kSignatureInput = "UID-1;400000001;20241205120000;1008;242;1250";

  EpayTestServices();

  // The base address of both services and the PEM file that trusts it.
  std::u16string BaseUrl() const { return fServer.Url(""); }
  std::u16string CaFile() const;

  void Answer(const std::string& aPath, EpayAnswer aAnswer);
  std::vector<EpayRequest> Requests() const;
  std::vector<std::string> Paths() const;
  // The body of the last request to aPath; empty when there was none.
  std::string LastBody(const std::string& aPath) const;

 private:
  TestCertificate fCertificate;
  TempFolder fFolder;
  mutable std::mutex fMutex;
  std::map<std::string, EpayAnswer> fAnswers;
  std::vector<EpayRequest> fRequests;
  // Last, so that it stops (and its handlers end) before the state they use goes.
  TestHttpServer fServer;
};

// "/terminal/T1/txninit" and the like.
std::string TerminalPath(const std::string& aOperation);

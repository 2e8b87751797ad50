// An HTTP or HTTPS server on 127.0.0.1 on a free port, run on its own thread
// for the length of one test. Routes are registered on Server() before
// Start(); the destructor stops the server and joins its thread.
#pragma once

// The distribution's cpp-httplib is a compiled library: its class layouts
// follow the options it was built with, so the header must see the same.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT
#endif
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT
#endif
#ifndef CPPHTTPLIB_BROTLI_SUPPORT
#define CPPHTTPLIB_BROTLI_SUPPORT
#endif
#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

class TestCertificate;

class TestHttpServer {
 public:
  // HTTPS with aCertificate's server certificate when it is given.
  explicit TestHttpServer(const TestCertificate* aCertificate = nullptr);
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  httplib::Server& Server() { return *fServer; }
  // Binds, starts serving and waits until the server accepts.
  void Start();
  int Port() const { return fPort; }
  // "http://127.0.0.1:<port>" + aPath (https with a certificate).
  std::u16string Url(const std::string& aPath) const;

 private:
  std::unique_ptr<httplib::Server> fServer;
  std::thread fThread;
  int fPort = -1;
  bool fTls = false;
};

// A loopback port on which nothing listens: bound to learn a free number,
// then closed.
int ClosedLoopbackPort();

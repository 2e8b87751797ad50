#include "support/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/ovUtf.h"
#include "support/TestCertificate.h"
#include "support/WaitFor.h"

TestHttpServer::TestHttpServer(const TestCertificate* aCertificate) : fTls(aCertificate != nullptr) {
  if (aCertificate) {
    fServer = std::make_unique<httplib::SSLServer>(aCertificate->ServerCertificate(), aCertificate->ServerKey());
  } else {
    fServer = std::make_unique<httplib::Server>();
  }
  if (!fServer->is_valid()) throw std::runtime_error("test server could not be set up");
  // An answer leaves in two writes (head, body): without this, the second
  // waits for the client's delayed acknowledgement, some 40 ms a request.
  fServer->set_tcp_nodelay(true);
}

TestHttpServer::~TestHttpServer() {
  fServer->stop();
  if (fThread.joinable()) fThread.join();
}

void TestHttpServer::Start() {
  fPort = fServer->bind_to_any_port("127.0.0.1");
  if (fPort <= 0) throw std::runtime_error("test server could not bind");
  fThread = std::thread([this] { fServer->listen_after_bind(); });
  if (!WaitFor([this] { return fServer->is_running(); })) throw std::runtime_error("test server did not start");
}

std::u16string TestHttpServer::Url(const std::string& aPath) const {
  return Utf8ToUtf16((fTls ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(fPort) + aPath);
}

int ClosedLoopbackPort() {
  const int socketHandle = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socketHandle < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof(address);
  const bool bound = ::bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                     ::getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(socketHandle);
  if (!bound) throw std::runtime_error("bind failed");
  return ntohs(address.sin_port);
}

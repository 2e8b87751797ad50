// One HTTP exchange over the platform's HTTP stack: libcurl on POSIX, WinHTTP
// on Windows (the system's TLS, certificate store and proxy settings). A
// request goes out and an answer comes back, or the reason why not. Callers
// (the HTTP client of the EPay driver, the HTTP I/O handler) decide what a
// status means and what reaches their logs. An ovHttpSession keeps its
// connections open between its exchanges; it is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class ovHttpAuthScheme { None, Basic, Digest };

struct ovHttpRequest {
  std::u16string url;
  // POST with this body when given; a GET otherwise.
  const std::string* body = nullptr;
  // Sent in order, without CR, LF and NUL (HttpHeaderSafe), so that no text
  // of a caller ends a header line or starts another. A header without a
  // value (nullopt) is not sent, and keeps the stack's own header of that
  // name (Accept, Content-Type) away; an empty value sends the header empty.
  std::vector<std::pair<std::string, std::optional<std::string>>> headers;
  std::string userAgent;  // likewise without line breaks; empty: no User-Agent header
  // Basic goes with the first request; Digest answers the server's 401
  // challenge within the same exchange.
  ovHttpAuthScheme auth = ovHttpAuthScheme::None;
  std::u16string user;
  std::u16string password;
  int32_t connectTimeoutMs = 0;  // name resolution, connection and TLS handshake; 0 or below: the stack's default
  // Once connected, the longest silence of the server, and the longest the
  // whole answer may take: twice this (a server that trickles its answer
  // must not hold the caller for ever). 0 or below: no limit.
  int32_t readTimeoutMs = 0;
  // False: the body goes out at most once. A reused connection that dies
  // under the request then fails the exchange rather than sending it again
  // on a new one: the server may have acted on it (a payment).
  bool repeatable = true;
  // HTTPS: the server's certificate and host name are checked, against
  // caFile (PEM, exactly these certificates) or, when it is empty, the
  // system's store. Off: neither is checked.
  bool verifyServer = true;
  std::u16string caFile;
  // What is kept of an answer's body; a larger one ends the exchange.
  size_t maxAnswerBytes = 64 * 1024 * 1024;
  bool keepCookies = false;  // cookies of earlier answers go with later requests of the session
};

struct ovHttpAnswer {
  bool statusSeen = false;  // a status line arrived
  int32_t status = 0;
  std::string statusText;  // the reason phrase, as the server wrote it
  std::string contentType;
  std::string body;  // empty unless complete
  bool complete = false;  // the whole answer arrived
  // The request went out on a connection: without a complete answer, the
  // server may have acted on it.
  bool reachedServer = false;
  // Without a complete answer: the stack's code (CURLcode, or the WinHTTP
  // error) and its text.
  int32_t errorCode = 0;
  std::u16string errorText;
  bool readTimedOut = false;  // silent for readTimeoutMs, or longer than twice that in all
  bool tooLarge = false;      // more than maxAnswerBytes
};

// The stack's codes for the failures callers tell apart.
struct ovHttpErrorCodes {
  static const int32_t kRefused;
  static const int32_t kTimedOut;
  static const int32_t kCertificateNotTrusted;
};

class ovHttpSession {
 public:
  ovHttpSession();
  ~ovHttpSession();
  ovHttpSession(const ovHttpSession&) = delete;
  ovHttpSession& operator=(const ovHttpSession&) = delete;

  ovHttpAnswer Exchange(const ovHttpRequest& aRequest);
  // Whether a connection of an earlier exchange is still open.
  bool HoldsConnection() const;
  void CloseConnections();

 private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

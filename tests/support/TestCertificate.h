// Certificates for HTTPS test servers, made in memory with OpenSSL: a
// throw-away certificate authority and a server certificate it issued for
// 127.0.0.1 and localhost. A client that trusts the authority (CaPem, or the
// file WriteCaFile writes) verifies the server; one that does not, refuses it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <openssl/evp.h>
#include <openssl/x509.h>

class TestCertificate {
 public:
  // Generates fresh P-256 keys and both certificates, valid from an hour ago
  // for one day (the server's expired a day ago with aServerExpired);
  // aSubjectAltNames are the server certificate's names in OpenSSL's
  // notation. Raises std::runtime_error when OpenSSL fails.
  explicit TestCertificate(const std::string& aSubjectAltNames = "IP:127.0.0.1,DNS:localhost",
                           bool aServerExpired = false);
  ~TestCertificate();
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  // Owned by this object; httplib::SSLServer(X509*, EVP_PKEY*) takes its own
  // references.
  X509* ServerCertificate() const { return fServerCertificate.get(); }
  EVP_PKEY* ServerKey() const { return fServerKey.get(); }
  X509* CaCertificate() const { return fCaCertificate.get(); }

  std::string CaPem() const;
  std::string ServerCertificatePem() const;
  std::string ServerKeyPem() const;
  // The authority's certificate as a PEM file, for a client's trusted CAs.
  void WriteCaFile(const std::filesystem::path& aFile) const;

 private:
  struct X509Free {
    void operator()(X509* a) const { X509_free(a); }
  };
  struct KeyFree {
    void operator()(EVP_PKEY* a) const { EVP_PKEY_free(a); }
  };

  std::unique_ptr<EVP_PKEY, KeyFree> fCaKey;
  std::unique_ptr<X509, X509Free> fCaCertificate;
  std::unique_ptr<EVP_PKEY, KeyFree> fServerKey;
  std::unique_ptr<X509, X509Free> fServerCertificate;
};

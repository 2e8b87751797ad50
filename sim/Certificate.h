// A key pair and a self-signed server certificate made at start, so that
// clients can verify the simulator with nothing but the PEM file it writes.
// The private key never leaves the process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace ovsim {

class Certificate {
 public:
  // Certificate for the IP addresses and DNS names given (its subject
  // alternative names), valid from an hour ago for aValidDays days. Throws
  // std::runtime_error when OpenSSL fails.
  Certificate(const std::vector<std::string>& aIpAddresses, const std::vector<std::string>& aDnsNames,
              int aValidDays);

  X509* Cert() const { return fCert.get(); }
  EVP_PKEY* Key() const { return fKey.get(); }
  std::string Pem() const;

 private:
  struct FreeKey {
    void operator()(EVP_PKEY* aKey) const { EVP_PKEY_free(aKey); }
  };
  struct FreeCert {
    void operator()(X509* aCert) const { X509_free(aCert); }
  };
  std::unique_ptr<EVP_PKEY, FreeKey> fKey;
  std::unique_ptr<X509, FreeCert> fCert;
};

}  // namespace ovsim

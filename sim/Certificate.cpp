#include "sim/Certificate.h"

#include <stdexcept>

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace ovsim {

namespace {

[[noreturn]] void Fail(const char* aStep) {
  char reason[256] = "";
  ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
  ERR_clear_error();
  throw std::runtime_error(std::string("cannot make the certificate (") + aStep + "): " + reason);
}

void AddExtension(X509* aCert, int aNid, const std::string& aValue) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, aCert, aCert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, aNid, aValue.c_str());
  if (extension == nullptr) Fail("extension");
  const int added = X509_add_ext(aCert, extension, -1);
  X509_EXTENSION_free(extension);
  if (added != 1) Fail("extension");
}

}  // namespace

Certificate::Certificate(const std::vector<std::string>& aIpAddresses,
                         const std::vector<std::string>& aDnsNames, int aValidDays) {
  // P-256: quick to make, which matters as every start (and test) makes one.
  fKey.reset(EVP_EC_gen("P-256"));
  if (!fKey) Fail("key");
  fCert.reset(X509_new());
  X509* cert = fCert.get();
  if (cert == nullptr || X509_set_version(cert, 2) != 1) Fail("version");

  // A random positive serial: clients may cache certificates by issuer and serial.
  BIGNUM* serial = BN_new();
  const bool serialSet = serial != nullptr && BN_rand(serial, 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
                         BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(cert)) != nullptr;
  BN_free(serial);
  if (!serialSet) Fail("serial");

  // From an hour ago: a client whose clock is a little behind still accepts it.
  if (X509_gmtime_adj(X509_getm_notBefore(cert), -3600) == nullptr ||
      X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(aValidDays) * 24 * 3600) == nullptr) {
    Fail("validity");
  }
  if (X509_set_pubkey(cert, fKey.get()) != 1) Fail("public key");

  X509_NAME* name = X509_get_subject_name(cert);
  const auto addName = [name](const char* aField, const char* aValue) {
    if (X509_NAME_add_entry_by_txt(name, aField, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(aValue), -1, -1, 0) != 1) {
      Fail("name");
    }
  };
  addName("O", "ovpa-sim");
  addName("CN", "ovpa-sim localhost");
  if (X509_set_issuer_name(cert, name) != 1) Fail("issuer");

  std::string alternativeNames;
  for (const std::string& address : aIpAddresses) {
    alternativeNames += (alternativeNames.empty() ? "IP:" : ",IP:") + address;
  }
  for (const std::string& dnsName : aDnsNames) {
    alternativeNames += (alternativeNames.empty() ? "DNS:" : ",DNS:") + dnsName;
  }
  // The certificate is its own trust anchor, hence CA and keyCertSign.
  AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(cert, NID_key_usage, "critical,digitalSignature,keyCertSign");
  AddExtension(cert, NID_ext_key_usage, "serverAuth");
  AddExtension(cert, NID_subject_key_identifier, "hash");
  AddExtension(cert, NID_authority_key_identifier, "keyid:always");
  if (!alternativeNames.empty()) AddExtension(cert, NID_subject_alt_name, alternativeNames);

  if (X509_sign(cert, fKey.get(), EVP_sha256()) == 0) Fail("signature");
}

std::string Certificate::Pem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr) Fail("PEM");
  if (PEM_write_bio_X509(bio, fCert.get()) != 1) {
    BIO_free(bio);
    Fail("PEM");
  }
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(length));
  BIO_free(bio);
  return pem;
}

}  // namespace ovsim

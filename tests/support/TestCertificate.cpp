#include "support/TestCertificate.h"

#include <fstream>
#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace {

void Check(bool aOk, const char* aWhat) {
  if (!aOk) throw std::runtime_error(std::string("TestCertificate: ") + aWhat + " failed");
}

EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  Check(key != nullptr, "EVP_EC_gen");
  return key;
}

void AddExtension(X509* aCertificate, X509* aIssuer, int aNid, const char* aValue) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, aIssuer, aCertificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, aNid, aValue);
  Check(extension != nullptr, "X509V3_EXT_conf_nid");
  const bool added = X509_add_ext(aCertificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  Check(added, "X509_add_ext");
}

// A certificate for aKey with subject aCommonName: a self-signed authority
// when aIssuer is null, otherwise a server certificate for aSubjectAltNames.
X509* NewCertificate(EVP_PKEY* aKey, const char* aCommonName, X509* aIssuer, EVP_PKEY* aIssuerKey,
                     const std::string& aSubjectAltNames, bool aExpired = false) {
  X509* certificate = X509_new();
  Check(certificate != nullptr, "X509_new");
  try {
    Check(X509_set_version(certificate, 2) == 1, "X509_set_version");
    BIGNUM* serial = BN_new();
    Check(serial != nullptr && BN_rand(serial, 64, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1, "BN_rand");
    const bool serialSet = BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(certificate)) != nullptr;
    BN_free(serial);
    Check(serialSet, "BN_to_ASN1_INTEGER");
    // Valid from an hour ago for a day, or, expired, for the day before yesterday.
    Check(X509_gmtime_adj(X509_getm_notBefore(certificate), aExpired ? -48 * 3600 : -3600) != nullptr, "notBefore");
    Check(X509_gmtime_adj(X509_getm_notAfter(certificate), aExpired ? -24 * 3600 : 24 * 3600) != nullptr, "notAfter");
    Check(X509_set_pubkey(certificate, aKey) == 1, "X509_set_pubkey");
    X509_NAME* name = X509_get_subject_name(certificate);
    Check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>("OVPA tests"), -1, -1, 0) == 1 &&
              X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                         reinterpret_cast<const unsigned char*>(aCommonName), -1, -1, 0) == 1,
          "X509_NAME_add_entry_by_txt");
    X509* issuer = aIssuer ? aIssuer : certificate;
    Check(X509_set_issuer_name(certificate, X509_get_subject_name(issuer)) == 1, "X509_set_issuer_name");
    AddExtension(certificate, issuer, NID_subject_key_identifier, "hash");
    if (aIssuer == nullptr) {
      AddExtension(certificate, issuer, NID_basic_constraints, "critical,CA:TRUE");
      AddExtension(certificate, issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
      AddExtension(certificate, issuer, NID_authority_key_identifier, "keyid:always");
      AddExtension(certificate, issuer, NID_basic_constraints, "critical,CA:FALSE");
      AddExtension(certificate, issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
      AddExtension(certificate, issuer, NID_ext_key_usage, "serverAuth");
      AddExtension(certificate, issuer, NID_subject_alt_name, aSubjectAltNames.c_str());
    }
    Check(X509_sign(certificate, aIssuerKey, EVP_sha256()) > 0, "X509_sign");
    return certificate;
  } catch (...) {
    X509_free(certificate);
    throw;
  }
}

template <typename Write>
std::string ToPem(Write aWrite) {
  BIO* bio = BIO_new(BIO_s_mem());
  Check(bio != nullptr, "BIO_new");
  const bool written = aWrite(bio) == 1;
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio, &data);
  std::string pem = written && length > 0 ? std::string(data, size_t(length)) : std::string();
  BIO_free(bio);
  Check(!pem.empty(), "PEM_write");
  return pem;
}

}  // namespace

TestCertificate::TestCertificate(const std::string& aSubjectAltNames, bool aServerExpired) {
  fCaKey.reset(NewKey());
  fCaCertificate.reset(NewCertificate(fCaKey.get(), "OVPA test authority", nullptr, fCaKey.get(), std::string()));
  fServerKey.reset(NewKey());
  fServerCertificate.reset(
      NewCertificate(fServerKey.get(), "OVPA test server", fCaCertificate.get(), fCaKey.get(), aSubjectAltNames,
                     aServerExpired));
}

TestCertificate::~TestCertificate() = default;

std::string TestCertificate::CaPem() const {
  return ToPem([this](BIO* aBio) { return PEM_write_bio_X509(aBio, fCaCertificate.get()); });
}

std::string TestCertificate::ServerCertificatePem() const {
  return ToPem([this](BIO* aBio) { return PEM_write_bio_X509(aBio, fServerCertificate.get()); });
}

std::string TestCertificate::ServerKeyPem() const {
  return ToPem([this](BIO* aBio) {
    return PEM_write_bio_PrivateKey(aBio, fServerKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
  });
}

void TestCertificate::WriteCaFile(const std::filesystem::path& aFile) const {
  std::ofstream file(aFile, std::ios::binary | std::ios::trunc);
  file << CaPem();
  Check(static_cast<bool>(file.flush()), "writing the CA file");
}

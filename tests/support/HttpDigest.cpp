#include "support/HttpDigest.h"

#include <openssl/evp.h>

std::string Md5Hex(std::string_view aText) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(aText.data(), aText.size(), digest, &length, EVP_md5(), nullptr);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0xf];
  }
  return hex;
}

std::map<std::string, std::string> DigestFields(const std::string& aHeader) {
  std::map<std::string, std::string> fields;
  size_t at = aHeader.find(' ');
  while (at != std::string::npos && at < aHeader.size()) {
    while (at < aHeader.size() && (aHeader[at] == ' ' || aHeader[at] == ',')) ++at;
    const size_t equals = aHeader.find('=', at);
    if (equals == std::string::npos) break;
    const std::string key = aHeader.substr(at, equals - at);
    std::string value;
    at = equals + 1;
    if (at < aHeader.size() && aHeader[at] == '"') {
      const size_t close = aHeader.find('"', at + 1);
      value = aHeader.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
      at = close == std::string::npos ? close : close + 1;
    } else {
      const size_t comma = aHeader.find(',', at);
      value = aHeader.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      at = comma;
    }
    fields[key] = value;
  }
  return fields;
}

bool DigestAnswerIsValid(const std::string& aHeader, const std::string& aMethod, const DigestChallenge& aChallenge,
                         const std::string& aTarget) {
  if (aHeader.rfind("Digest ", 0) != 0) return false;
  auto fields = DigestFields(aHeader);
  if (fields["username"] != aChallenge.user || fields["realm"] != aChallenge.realm ||
      fields["nonce"] != aChallenge.nonce || fields["qop"] != "auth") {
    return false;
  }
  if (!aTarget.empty() && fields["uri"] != aTarget) return false;
  const std::string ha1 = Md5Hex(aChallenge.user + ":" + aChallenge.realm + ":" + aChallenge.password);
  const std::string ha2 = Md5Hex(aMethod + ":" + fields["uri"]);
  return fields["response"] == Md5Hex(ha1 + ":" + aChallenge.nonce + ":" + fields["nc"] + ":" + fields["cnonce"] +
                                      ":" + fields["qop"] + ":" + ha2);
}

// Checking HTTP Digest answers in test servers: the fields of an
// "Authorization: Digest ..." header and the MD5 digests the answer is made of.
#pragma once

#include <map>
#include <string>
#include <string_view>

// The MD5 digest of aText in lower-case hex.
std::string Md5Hex(std::string_view aText);

// The key=value and key="value" fields that follow the scheme name.
std::map<std::string, std::string> DigestFields(const std::string& aHeader);

// What a test server's Digest challenge asked: the credentials it knows and
// the realm and nonce it sent (qop "auth", MD5).
struct DigestChallenge {
  std::string user;
  std::string password;
  std::string realm;
  std::string nonce;
};

// Whether an Authorization header answers the challenge for a request of
// this method (the uri field is checked against aTarget when it is given).
bool DigestAnswerIsValid(const std::string& aHeader, const std::string& aMethod, const DigestChallenge& aChallenge,
                         const std::string& aTarget = {});

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

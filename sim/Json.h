// JSON helpers of both simulated services: reading a request body as one
// object with checked member kinds, and writing compact answers.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace ovsim {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// Parses aText as one JSON value that must be an object. Answers an empty
// text on success, else the error message for the client.
std::string ParseObject(const std::string& aText, rapidjson::Document& aDocument);

enum class JsonKind { String, Integer, Number, Object };

struct MemberRule {
  const char* fName;
  JsonKind fKind;
};

// Checks that aObject holds every member of aRules with the wanted kind (the
// first member of a name counts). Answers an empty text or the first fault.
std::string CheckMembers(const rapidjson::Value& aObject, std::initializer_list<MemberRule> aRules);

// {"error":"<aMessage>"}
std::string ErrorBody(std::string_view aMessage);

// aText with every invalid UTF-8 sequence replaced by U+FFFD, so that it can
// travel as a JSON string.
std::string ValidUtf8(std::string_view aText);

void WriteString(JsonWriter& aWriter, std::string_view aText);

}  // namespace ovsim

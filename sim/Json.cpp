#include "sim/Json.h"

#include <rapidjson/error/en.h>

namespace ovsim {

std::string ParseObject(const std::string& aText, rapidjson::Document& aDocument) {
  // Iterative: a deeply nested body must not exhaust the handler's stack.
  // Not kParseFullPrecisionFlag: RapidJSON 1.1.0 turns a zero with a large
  // exponent ("0E174") into an arbitrary number on that path. The default
  // path is off by at most 3 ulp, far below the hundredths read from it.
  aDocument.Parse<rapidjson::kParseIterativeFlag>(aText.data(), aText.size());
  if (aDocument.HasParseError()) {
    return std::string("Malformed JSON body: ") + rapidjson::GetParseError_En(aDocument.GetParseError()) +
           " at offset " + std::to_string(aDocument.GetErrorOffset());
  }
  if (!aDocument.IsObject()) return "Request body must be a JSON object";
  return {};
}

namespace {

bool HasKind(const rapidjson::Value& aValue, JsonKind aKind) {
  switch (aKind) {
    case JsonKind::String: return aValue.IsString();
    case JsonKind::Integer: return aValue.IsInt64();
    case JsonKind::Number: return aValue.IsNumber();
    case JsonKind::Object: return aValue.IsObject();
  }
  return false;
}

const char* KindName(JsonKind aKind) {
  switch (aKind) {
    case JsonKind::String: return "a string";
    case JsonKind::Integer: return "an integer";
    case JsonKind::Number: return "a number";
    case JsonKind::Object: return "an object";
  }
  return "";
}

}  // namespace

std::string CheckMembers(const rapidjson::Value& aObject, std::initializer_list<MemberRule> aRules) {
  for (const MemberRule& rule : aRules) {
    const auto member = aObject.FindMember(rule.fName);
    if (member == aObject.MemberEnd()) return std::string("Missing member '") + rule.fName + "'";
    if (!HasKind(member->value, rule.fKind)) {
      return std::string("Member '") + rule.fName + "' must be " + KindName(rule.fKind);
    }
  }
  return {};
}

std::string ErrorBody(std::string_view aMessage) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("error");
  WriteString(writer, aMessage);
  writer.EndObject();
  return buffer.GetString();
}

std::string ValidUtf8(std::string_view aText) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(aText.size());
  size_t i = 0;
  while (i < aText.size()) {
    const auto lead = static_cast<unsigned char>(aText[i]);
    size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, minimum = 0x10000, code = lead & 0x07;
    }
    bool valid = length != 0 && i + length <= aText.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(aText[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    valid = valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (valid) {
      out.append(aText.substr(i, length));
      i += length;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

void WriteString(JsonWriter& aWriter, std::string_view aText) {
  aWriter.String(aText.data(), static_cast<rapidjson::SizeType>(aText.size()));
}

}  // namespace ovsim

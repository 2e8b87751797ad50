#include "http/uOV_JsonWriter.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

const char16_t kHexDigits[] = u"0123456789ABCDEF";

void AppendEscaped(std::u16string& aOut, std::u16string_view aText) {
  for (const char16_t c : aText) {
    switch (c) {
      case u'"': aOut += u"\\\""; break;
      case u'\\': aOut += u"\\\\"; break;
      case u'/': aOut += u"\\/"; break;
      case u'\b': aOut += u"\\b"; break;
      case u'\t': aOut += u"\\t"; break;
      case u'\n': aOut += u"\\n"; break;
      case u'\f': aOut += u"\\f"; break;
      case u'\r': aOut += u"\\r"; break;
      default:
        if (c < 32 || c > 127) {
          aOut += u"\\u";
          aOut.push_back(kHexDigits[(c >> 12) & 0xF]);
          aOut.push_back(kHexDigits[(c >> 8) & 0xF]);
          aOut.push_back(kHexDigits[(c >> 4) & 0xF]);
          aOut.push_back(kHexDigits[c & 0xF]);
        } else {
          aOut.push_back(c);
        }
    }
  }
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::u16string JsonEscape(std::u16string_view aText) {
  std::u16string out;
  out.reserve(aText.size() + 8);
  AppendEscaped(out, aText);
  return out;
}

std::u16string JsonQuote(std::u16string_view aText) {
  std::u16string out;
  out.reserve(aText.size() + 10);
  out.push_back(u'"');
  AppendEscaped(out, aText);
  out.push_back(u'"');
  return out;
}

bool IsJsonNumber(std::u16string_view aText) {
  size_t i = 0;
  const size_t n = aText.size();
  if (i < n && aText[i] == u'-') ++i;
  if (i >= n || !IsDigit(aText[i])) return false;
  if (aText[i] == u'0') {
    ++i;
  } else {
    while (i < n && IsDigit(aText[i])) ++i;
  }
  if (i < n && aText[i] == u'.') {
    ++i;
    if (i >= n || !IsDigit(aText[i])) return false;
    while (i < n && IsDigit(aText[i])) ++i;
  }
  if (i < n && (aText[i] == u'e' || aText[i] == u'E')) {
    ++i;
    if (i < n && (aText[i] == u'+' || aText[i] == u'-')) ++i;
    if (i >= n || !IsDigit(aText[i])) return false;
    while (i < n && IsDigit(aText[i])) ++i;
  }
  return i == n;
}

tOV_JsonObject::tOV_JsonObject() = default;
tOV_JsonObject::~tOV_JsonObject() = default;
tOV_JsonObject::tOV_JsonObject(tOV_JsonObject&&) noexcept = default;
tOV_JsonObject& tOV_JsonObject::operator=(tOV_JsonObject&&) noexcept = default;

tOV_JsonObject& tOV_JsonObject::AddWritten(std::u16string_view aName, std::u16string aValueText) {
  fMembers.push_back(Member{JsonQuote(aName), std::move(aValueText), nullptr});
  return *this;
}

tOV_JsonObject& tOV_JsonObject::AddString(std::u16string_view aName, std::u16string_view aValue) {
  return AddWritten(aName, JsonQuote(aValue));
}

tOV_JsonObject& tOV_JsonObject::AddInteger(std::u16string_view aName, int64_t aValue) {
  return AddWritten(aName, IntToStr(aValue));
}

tOV_JsonObject& tOV_JsonObject::AddNumber(std::u16string_view aName, std::u16string_view aNumberText) {
  if (!IsJsonNumber(aNumberText)) {
    throw tOV_Exception(u"'" + std::u16string(aNumberText) + u"' is not a valid JSON number");
  }
  return AddWritten(aName, std::u16string(aNumberText));
}

tOV_JsonObject& tOV_JsonObject::AddCurrency(std::u16string_view aName, ovCurrency aValue) {
  return AddWritten(aName, CurrencyToJsonNumber(aValue));
}

tOV_JsonObject& tOV_JsonObject::AddBoolean(std::u16string_view aName, bool aValue) {
  return AddWritten(aName, aValue ? u"true" : u"false");
}

tOV_JsonObject& tOV_JsonObject::AddNull(std::u16string_view aName) { return AddWritten(aName, u"null"); }

tOV_JsonObject& tOV_JsonObject::AddObject(std::u16string_view aName) {
  return AddObject(aName, tOV_JsonObject());
}

tOV_JsonObject& tOV_JsonObject::AddObject(std::u16string_view aName, tOV_JsonObject aObject) {
  auto nested = std::make_unique<tOV_JsonObject>(std::move(aObject));
  tOV_JsonObject& result = *nested;
  fMembers.push_back(Member{JsonQuote(aName), std::u16string(), std::move(nested)});
  return result;
}

void tOV_JsonObject::WriteTo(std::u16string& aOut) const {
  aOut.push_back(u'{');
  bool first = true;
  for (const Member& member : fMembers) {
    if (!first) aOut.push_back(u',');
    first = false;
    aOut += member.QuotedName;
    aOut.push_back(u':');
    if (member.Object) {
      member.Object->WriteTo(aOut);
    } else {
      aOut += member.ValueText;
    }
  }
  aOut.push_back(u'}');
}

std::u16string tOV_JsonObject::ToJSON() const {
  std::u16string out;
  WriteTo(out);
  return out;
}

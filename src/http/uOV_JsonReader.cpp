#include "http/uOV_JsonReader.h"

#include <limits>

#include <rapidjson/reader.h>

#include "base/uOV_Exception.h"
#include "platform/ovUtf.h"

namespace {

// RapidJSON's raw numbers are only reliable with a UTF-8 target, so the text
// is parsed as UTF-8 and the strings are widened back.
constexpr unsigned kParseFlags = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;

}  // namespace

// SAX handler that grows the tree. Every open container is the last item of
// its parent, and a parent gets no new item while a child is open, so the
// pointers on the stack stay valid.
class tOV_JsonValue::Builder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, tOV_JsonValue::Builder> {
 public:
  tOV_JsonValue fRoot;

  bool Null() { return Add(ovJsonClass::jc_Null) != nullptr; }
  bool Bool(bool aValue) {
    tOV_JsonValue* value = Add(ovJsonClass::jc_Bool);
    if (value) value->fBool = aValue;
    return value != nullptr;
  }
  bool RawNumber(const char* aText, rapidjson::SizeType aLength, bool) {
    return AddText(ovJsonClass::jc_Number, aText, aLength);
  }
  bool String(const char* aText, rapidjson::SizeType aLength, bool) {
    return AddText(ovJsonClass::jc_String, aText, aLength);
  }
  bool Key(const char* aText, rapidjson::SizeType aLength, bool) {
    fPendingName = Utf8ToUtf16(std::string_view(aText, aLength));
    return true;
  }
  bool StartObject() { return Open(ovJsonClass::jc_Object); }
  bool EndObject(rapidjson::SizeType) { return Close(); }
  bool StartArray() { return Open(ovJsonClass::jc_Array); }
  bool EndArray(rapidjson::SizeType) { return Close(); }
  // Numbers arrive through RawNumber only; anything else is a parser change.
  bool Default() { return false; }

 private:
  tOV_JsonValue* Add(ovJsonClass aClass) {
    tOV_JsonValue* value;
    if (fOpen.empty()) {
      if (fRootTaken) return nullptr;
      fRootTaken = true;
      value = &fRoot;
    } else {
      tOV_JsonValue* parent = fOpen.back();
      if (parent->fClass == ovJsonClass::jc_Object) parent->fNames.push_back(std::move(fPendingName));
      parent->fItems.emplace_back();
      value = &parent->fItems.back();
    }
    fPendingName.clear();
    value->fClass = aClass;
    return value;
  }
  bool AddText(ovJsonClass aClass, const char* aText, rapidjson::SizeType aLength) {
    tOV_JsonValue* value = Add(aClass);
    if (value) value->fText = Utf8ToUtf16(std::string_view(aText, aLength));
    return value != nullptr;
  }
  bool Open(ovJsonClass aClass) {
    if (fOpen.size() >= tOV_JsonValue::kMaxDepth) return false;
    tOV_JsonValue* value = Add(aClass);
    if (!value) return false;
    fOpen.push_back(value);
    return true;
  }
  bool Close() {
    if (fOpen.empty()) return false;
    fOpen.pop_back();
    return true;
  }

  std::vector<tOV_JsonValue*> fOpen;
  std::u16string fPendingName;
  bool fRootTaken = false;
};

std::u16string_view JsonClassName(ovJsonClass aClass) {
  switch (aClass) {
    case ovJsonClass::jc_Object: return u"JSONObject";
    case ovJsonClass::jc_Array: return u"JSONArray";
    case ovJsonClass::jc_String: return u"JSONString";
    case ovJsonClass::jc_Number: return u"JSONNumber";
    case ovJsonClass::jc_Bool: return u"JSONBool";
    case ovJsonClass::jc_Null: return u"JSONNull";
  }
  return u"JSONValue";
}

std::optional<tOV_JsonValue> tOV_JsonValue::Parse(std::u16string_view aText) {
  // The parser stops at a NUL; JSON allows none outside escapes anyway.
  if (aText.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  const std::string utf8 = Utf16ToUtf8(aText);
  rapidjson::StringStream stream(utf8.c_str());
  rapidjson::Reader reader;
  Builder builder;
  if (reader.Parse<kParseFlags>(stream, builder).IsError()) return std::nullopt;
  return std::move(builder.fRoot);
}

tOV_JsonValue tOV_JsonValue::ParseObject(std::u16string_view aText) {
  std::optional<tOV_JsonValue> value = Parse(aText);
  if (!value) {
    tOV_JsonValue empty;
    empty.fClass = ovJsonClass::jc_Object;
    return empty;
  }
  if (!value->IsObject()) throw tOV_Exception(u"Invalid class typecast");
  return std::move(*value);
}

void tOV_JsonValue::RaiseConversion(std::u16string_view aWanted) const {
  throw tOV_Exception(u"Conversion from " + std::u16string(ClassName()) + u" to " + std::u16string(aWanted) +
                      u" is not supported");
}

std::u16string tOV_JsonValue::AsText() const {
  switch (fClass) {
    case ovJsonClass::jc_String:
    case ovJsonClass::jc_Number: return fText;
    case ovJsonClass::jc_Null: return std::u16string();
    default: RaiseConversion(u"string");
  }
}

bool tOV_JsonValue::TryIntegerText(int64_t aMin, int64_t aMax, int64_t& aValue) const {
  size_t i = 0;
  const size_t n = fText.size();
  bool negative = false;
  if (fClass == ovJsonClass::jc_Number) {
    if (i < n && fText[i] == u'-') negative = true, ++i;
  } else if (fClass == ovJsonClass::jc_String) {
    if (i < n && (fText[i] == u'-' || fText[i] == u'+')) negative = fText[i] == u'-', ++i;
  } else {
    return false;
  }
  if (i >= n) return false;
  // Accumulated as a negative number so that the minimum of int64 fits.
  int64_t value = 0;
  for (; i < n; ++i) {
    const char16_t c = fText[i];
    if (c < u'0' || c > u'9') return false;
    const int digit = c - u'0';
    if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) return false;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value < -aMax) return false;
    value = -value;
  } else if (value < aMin) {
    return false;
  }
  aValue = value;
  return true;
}

int32_t tOV_JsonValue::AsInteger() const {
  int64_t value = 0;
  if (!TryIntegerText(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), value)) {
    RaiseConversion(u"integer");
  }
  return static_cast<int32_t>(value);
}

int64_t tOV_JsonValue::AsInt64() const {
  int64_t value = 0;
  if (!TryIntegerText(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), value)) {
    RaiseConversion(u"int64");
  }
  return value;
}

const tOV_JsonValue& tOV_JsonValue::AsObject() const {
  if (!IsObject()) RaiseConversion(u"object");
  return *this;
}

const tOV_JsonValue* tOV_JsonValue::Find(std::u16string_view aName) const {
  if (!IsObject()) return nullptr;
  for (size_t i = 0; i < fNames.size(); ++i) {
    if (fNames[i] == aName) return &fItems[i];
  }
  return nullptr;
}

const tOV_JsonValue* tOV_JsonValue::FindObject(std::u16string_view aName) const {
  const tOV_JsonValue* value = Find(aName);
  return value && value->IsObject() ? value : nullptr;
}

const tOV_JsonValue& tOV_JsonValue::Get(std::u16string_view aName) const {
  const tOV_JsonValue* value = Find(aName);
  if (!value) throw tOV_Exception(u"Value '" + std::u16string(aName) + u"' not found");
  return *value;
}

std::u16string tOV_JsonValue::GetText(std::u16string_view aName) const { return Get(aName).AsText(); }
int32_t tOV_JsonValue::GetInteger(std::u16string_view aName) const { return Get(aName).AsInteger(); }
int64_t tOV_JsonValue::GetInt64(std::u16string_view aName) const { return Get(aName).AsInt64(); }
const tOV_JsonValue& tOV_JsonValue::GetObject(std::u16string_view aName) const { return Get(aName).AsObject(); }

bool tOV_JsonValue::TryGetText(std::u16string_view aName, std::u16string& aValue) const {
  const tOV_JsonValue* value = Find(aName);
  if (!value) return false;
  switch (value->fClass) {
    case ovJsonClass::jc_String:
    case ovJsonClass::jc_Number: aValue = value->fText; return true;
    case ovJsonClass::jc_Null: aValue.clear(); return true;
    default: return false;
  }
}

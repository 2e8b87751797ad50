// The JSON reader of both remote services: one value parsed into a small
// tree that keeps what the answer said. Members stay in the order received,
// duplicates included (lookups take the first); numbers keep their exact text
// and are told from strings. Readers raise tOV_Exception with the services'
// messages: "Value '%s' not found" and "Conversion from %0:s to %1:s is not
// supported" (the JSON class of the value, then the wanted type).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ovJsonClass : uint8_t { jc_Object, jc_Array, jc_String, jc_Number, jc_Bool, jc_Null };

// "JSONObject", "JSONArray", "JSONString", "JSONNumber", "JSONBool", "JSONNull".
std::u16string_view JsonClassName(ovJsonClass aClass);

class tOV_JsonValue {
 public:
  // Nesting deeper than this is refused as invalid JSON: the tree must stay
  // within the stack when it is released.
  static constexpr size_t kMaxDepth = 512;

  // One JSON value, with nothing but white space around it; nullopt when the
  // text is not valid JSON.
  static std::optional<tOV_JsonValue> Parse(std::u16string_view aText);
  // An answer body to be read as an object. Text that is not valid JSON reads
  // as an object without members, so every lookup raises "Value '%s' not
  // found"; valid JSON other than an object raises "Invalid class typecast".
  static tOV_JsonValue ParseObject(std::u16string_view aText);

  tOV_JsonValue() = default;  // null

  ovJsonClass Class() const { return fClass; }
  std::u16string_view ClassName() const { return JsonClassName(fClass); }
  bool IsObject() const { return fClass == ovJsonClass::jc_Object; }

  // Object members and array items, in the order received.
  size_t Count() const { return fItems.size(); }
  const tOV_JsonValue& At(size_t aIndex) const { return fItems.at(aIndex); }
  const std::u16string& NameAt(size_t aIndex) const { return fNames.at(aIndex); }
  // A string's text, a number's exact text; empty for the other classes.
  const std::u16string& RawText() const { return fText; }
  bool BoolValue() const { return fBool; }

  // Conversions of this value.
  // Text: a string, or a number as its text; null reads as empty text.
  std::u16string AsText() const;
  // Integers: an integral number (digits only, no fraction or exponent) or a
  // string holding a decimal integer (optional sign, digits), within range.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  const tOV_JsonValue& AsObject() const;

  // Lookups by exact, case-sensitive name; the first member with it wins.
  // References and pointers they answer point into this tree.
  // Find and FindObject never raise: nullptr when absent (or, for FindObject,
  // not an object). On a value that is no object nothing is found.
  const tOV_JsonValue* Find(std::u16string_view aName) const;
  const tOV_JsonValue* FindObject(std::u16string_view aName) const;
  // Raises "Value '%s' not found" when absent.
  const tOV_JsonValue& Get(std::u16string_view aName) const;
  std::u16string GetText(std::u16string_view aName) const;
  int32_t GetInteger(std::u16string_view aName) const;
  int64_t GetInt64(std::u16string_view aName) const;
  const tOV_JsonValue& GetObject(std::u16string_view aName) const;
  // The member's text when it is present and readable as text.
  bool TryGetText(std::u16string_view aName, std::u16string& aValue) const;

 private:
  class Builder;

  [[noreturn]] void RaiseConversion(std::u16string_view aWanted) const;
  bool TryIntegerText(int64_t aMin, int64_t aMax, int64_t& aValue) const;

  ovJsonClass fClass = ovJsonClass::jc_Null;
  bool fBool = false;
  std::u16string fText;
  std::vector<std::u16string> fNames;  // member names of an object, parallel to fItems
  std::vector<tOV_JsonValue> fItems;
};

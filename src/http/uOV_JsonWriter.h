// The JSON writer of both remote services: an ordered object that members are
// added to and that is written compactly, in the order of adding. The wire
// format fixes the escaping (the slash escaped, every code unit above 127 as
// an upper-case \u escape), so the output is pure ASCII.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/uOV_Currency.h"

// A JSON string literal with its quotation marks: " \ / as backslash + the
// character, \b \t \n \f \r, every other code unit below 32 and every code
// unit above 127 as \u + four upper-case hex digits (surrogates unit by unit).
std::u16string JsonQuote(std::u16string_view aText);
// The same escaping without the quotation marks.
std::u16string JsonEscape(std::u16string_view aText);

// Whether aText is a number by the JSON grammar (-?int frac? exp?).
bool IsJsonNumber(std::u16string_view aText);

class tOV_JsonObject {
 public:
  tOV_JsonObject();
  ~tOV_JsonObject();
  tOV_JsonObject(tOV_JsonObject&&) noexcept;
  tOV_JsonObject& operator=(tOV_JsonObject&&) noexcept;
  tOV_JsonObject(const tOV_JsonObject&) = delete;
  tOV_JsonObject& operator=(const tOV_JsonObject&) = delete;

  // Each adds one member at the end and answers this object, for chaining.
  // A name added twice is written twice: the object keeps what it is given.
  tOV_JsonObject& AddString(std::u16string_view aName, std::u16string_view aValue);
  tOV_JsonObject& AddInteger(std::u16string_view aName, int64_t aValue);
  // A number given as its exact text (a currency number, a code from a table),
  // written unchanged. Text that is not a JSON number would break the whole
  // message, so it raises "'%s' is not a valid JSON number".
  tOV_JsonObject& AddNumber(std::u16string_view aName, std::u16string_view aNumberText);
  // The amount as CurrencyToJsonNumber writes it (12.5, 12.0, -3.75).
  tOV_JsonObject& AddCurrency(std::u16string_view aName, ovCurrency aValue);
  tOV_JsonObject& AddBoolean(std::u16string_view aName, bool aValue);
  tOV_JsonObject& AddNull(std::u16string_view aName);

  // Nested objects: both answer the nested object held by this one, so it can
  // be filled in place; it is written where it was added.
  tOV_JsonObject& AddObject(std::u16string_view aName);
  tOV_JsonObject& AddObject(std::u16string_view aName, tOV_JsonObject aObject);

  size_t Count() const { return fMembers.size(); }
  // The compact text: {"a":1,"b":"x"}, no white space.
  std::u16string ToJSON() const;

 private:
  struct Member {
    std::u16string QuotedName;
    std::u16string ValueText;                // written value, unless Object is set
    std::unique_ptr<tOV_JsonObject> Object;  // owned nested object
  };

  tOV_JsonObject& AddWritten(std::u16string_view aName, std::u16string aValueText);
  void WriteTo(std::u16string& aOut) const;

  std::vector<Member> fMembers;
};

// Named query parameters of the database proxy. In the SQL text a parameter
// is written :name; the proxy sends "?" in its place and binds the values by
// name, in order of appearance (a name may appear more than once).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/uOV_DateTime.h"

// Data type of a parameter; it chooses the SQL type of a NULL value.
enum tOV_FieldType : uint8_t {
  ft_unknown = 0,
  ft_string,
  ft_integer,
  ft_largeint,
  ft_float,
  ft_boolean,
  ft_datetime,
};

// A date-time value, told apart from a plain floating-point number.
struct tOV_SQLDateTime {
  ovDateTime value = 0;
};

// Empty (std::monostate) binds SQL NULL.
using tOV_SQLValue = std::variant<std::monostate, std::u16string, int64_t, double, bool, tOV_SQLDateTime>;

struct tOV_SQLParam {
  std::u16string name;
  tOV_SQLValue value;
  tOV_FieldType dataType = ft_unknown;
};

using tOV_SQLParams = std::vector<tOV_SQLParam>;

// The SQL text with each :name outside quoted literals, quoted names and
// comments replaced by "?", and the names in order of appearance. "::" (a
// cast on some servers) is left alone.
struct tOV_ParsedSQL {
  std::u16string text;
  std::vector<std::u16string> names;
};

tOV_ParsedSQL ParseNamedParameters(std::u16string_view aSQL);

#include "db/uOV_BottegarioDataset.h"

#include <algorithm>
#include <iterator>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "db/uOV_Odbc.h"

namespace {

// Storage of one bound parameter value; it must stay put until the
// statement has run.
struct BoundValue {
  std::u16string text;
  int64_t integer = 0;
  double real = 0;
  unsigned char bit = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

SQLSMALLINT SqlTypeOfNull(tOV_FieldType aType) {
  switch (aType) {
    case ft_integer: return SQL_INTEGER;
    case ft_largeint: return SQL_BIGINT;
    case ft_float: return SQL_DOUBLE;
    case ft_boolean: return SQL_BIT;
    case ft_datetime: return SQL_TYPE_TIMESTAMP;
    case ft_string:
    case ft_unknown: break;
  }
  return SQL_WVARCHAR;
}

void BindParameter(SQLHSTMT aStatement, SQLUSMALLINT aNumber, const tOV_SQLParam& aParam, BoundValue& aBound) {
  SQLSMALLINT cType = SQL_C_WCHAR;
  SQLSMALLINT sqlType = SQL_WVARCHAR;
  SQLULEN columnSize = 1;
  SQLSMALLINT digits = 0;
  SQLPOINTER data = aBound.text.data();
  SQLLEN bufferLength = 0;
  if (const auto* text = std::get_if<std::u16string>(&aParam.value)) {
    aBound.text = *text;
    data = aBound.text.data();
    aBound.indicator = static_cast<SQLLEN>(aBound.text.size() * sizeof(char16_t));
    bufferLength = aBound.indicator;
    sqlType = aBound.text.size() <= 4000 ? SQL_WVARCHAR : SQL_WLONGVARCHAR;
    columnSize = std::max<SQLULEN>(aBound.text.size(), 1);
  } else if (const auto* integer = std::get_if<int64_t>(&aParam.value)) {
    aBound.integer = *integer;
    data = &aBound.integer;
    cType = SQL_C_SBIGINT;
    sqlType = aParam.dataType == ft_integer ? SQL_INTEGER : SQL_BIGINT;
    columnSize = aParam.dataType == ft_integer ? 10 : 19;
  } else if (const auto* real = std::get_if<double>(&aParam.value)) {
    aBound.real = *real;
    data = &aBound.real;
    cType = SQL_C_DOUBLE;
    sqlType = SQL_DOUBLE;
    columnSize = 15;
  } else if (const auto* flag = std::get_if<bool>(&aParam.value)) {
    aBound.bit = *flag ? 1 : 0;
    data = &aBound.bit;
    cType = SQL_C_BIT;
    sqlType = SQL_BIT;
  } else if (const auto* moment = std::get_if<tOV_SQLDateTime>(&aParam.value)) {
    const ovLocalTime parts = DecodeDateTime(moment->value);
    aBound.timestamp.year = static_cast<SQLSMALLINT>(parts.Year);
    aBound.timestamp.month = static_cast<SQLUSMALLINT>(parts.Month);
    aBound.timestamp.day = static_cast<SQLUSMALLINT>(parts.Day);
    aBound.timestamp.hour = static_cast<SQLUSMALLINT>(parts.Hour);
    aBound.timestamp.minute = static_cast<SQLUSMALLINT>(parts.Minute);
    aBound.timestamp.second = static_cast<SQLUSMALLINT>(parts.Second);
    aBound.timestamp.fraction = static_cast<SQLUINTEGER>(parts.Millisecond) * 1000000u;
    data = &aBound.timestamp;
    cType = SQL_C_TYPE_TIMESTAMP;
    sqlType = SQL_TYPE_TIMESTAMP;
    columnSize = 23;
    digits = 3;
  } else {
    aBound.indicator = SQL_NULL_DATA;
    sqlType = SqlTypeOfNull(aParam.dataType);
    if (sqlType == SQL_TYPE_TIMESTAMP) {
      columnSize = 23;
      digits = 3;
    }
  }
  CheckOdbc(SQLBindParameter(aStatement, aNumber, SQL_PARAM_INPUT, cType, sqlType, columnSize, digits, data,
                             bufferLength, &aBound.indicator),
            SQL_HANDLE_STMT, aStatement, u"SQLBindParameter");
}

// The value given for a parameter name; the last of equal names wins, as
// setting a parameter twice does.
const tOV_SQLParam* FindParam(const tOV_SQLParams& aParams, std::u16string_view aName) {
  const tOV_SQLParam* found = nullptr;
  for (const auto& param : aParams) {
    if (SameText(param.name, aName)) found = &param;
  }
  return found;
}

}  // namespace

int32_t tOV_BottegarioField::AsInteger() const { return fNull ? 0 : StrToInt(fValue); }

ovDateTime tOV_BottegarioField::AsDateTime() const { return fNull ? 0 : ISOStringToDateTime(fValue); }

tOV_BottegarioDataset::tOV_BottegarioDataset(std::shared_ptr<tOV_OdbcStatement> aStatement, std::u16string aSQL)
    : fStatement(std::move(aStatement)), fSQL(std::move(aSQL)) {}

tOV_BottegarioDataset::~tOV_BottegarioDataset() { Close(); }

void tOV_BottegarioDataset::Open(const tOV_SQLParams& aParams, uint32_t aCommandTimeoutSeconds) {
  SQLHSTMT statement = fStatement ? fStatement->Handle() : SQL_NULL_HANDLE;
  if (statement == SQL_NULL_HANDLE) throw tOV_Exception(u"Not connected to the database");

  tOV_ParsedSQL parsed = ParseNamedParameters(fSQL);
  for (const auto& param : aParams) {
    const bool used = std::any_of(parsed.names.begin(), parsed.names.end(),
                                  [&](const std::u16string& name) { return SameText(name, param.name); });
    if (!used) throw tOV_Exception(u"Parameter '" + param.name + u"' not found");
  }
  std::vector<BoundValue> bound(parsed.names.size());
  for (size_t i = 0; i < parsed.names.size(); ++i) {
    const tOV_SQLParam* param = FindParam(aParams, parsed.names[i]);
    if (param == nullptr) throw tOV_Exception(u"Parameter '" + parsed.names[i] + u"' has no value");
    BindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), *param, bound[i]);
  }

  CheckOdbc(SQLSetStmtAttrW(statement, SQL_ATTR_QUERY_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(aCommandTimeoutSeconds)), 0),
            SQL_HANDLE_STMT, statement, u"SQLSetStmtAttr");
  SQLRETURN result = SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(parsed.text.data()),
                                    static_cast<SQLINTEGER>(parsed.text.size()));
  if (result != SQL_NO_DATA) CheckOdbc(result, SQL_HANDLE_STMT, statement, u"SQLExecDirect");

  // A batch may report row counts before its rows: the first result with
  // columns is the dataset.
  SQLSMALLINT columns = 0;
  CheckOdbc(SQLNumResultCols(statement, &columns), SQL_HANDLE_STMT, statement, u"SQLNumResultCols");
  while (columns == 0) {
    result = SQLMoreResults(statement);
    if (result == SQL_NO_DATA) break;
    CheckOdbc(result, SQL_HANDLE_STMT, statement, u"SQLMoreResults");
    CheckOdbc(SQLNumResultCols(statement, &columns), SQL_HANDLE_STMT, statement, u"SQLNumResultCols");
  }
  SQLFreeStmt(statement, SQL_RESET_PARAMS);  // the bound values go out of scope

  // After the last result the statement has no columns to describe.
  fFields.clear();
  if (columns > 0) DescribeColumns(static_cast<SQLUSMALLINT>(columns));
  fEof = fFields.empty();
  if (!fEof) FetchRow();
}

void tOV_BottegarioDataset::DescribeColumns(unsigned short aColumns) {
  SQLHSTMT statement = fStatement->Handle();
  fFields.reserve(aColumns);
  for (SQLUSMALLINT column = 1; column <= aColumns; ++column) {
    std::vector<char16_t> name(256, u'\0');
    SQLSMALLINT length = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    auto describe = [&] {
      CheckOdbc(SQLDescribeColW(statement, column, reinterpret_cast<SQLWCHAR*>(name.data()),
                                static_cast<SQLSMALLINT>(name.size()), &length, &type, &size, &digits, &nullable),
                SQL_HANDLE_STMT, statement, u"SQLDescribeCol");
    };
    describe();
    if (length >= static_cast<SQLSMALLINT>(name.size())) {
      name.assign(size_t(length) + 1, u'\0');
      describe();
    }
    const size_t units = std::min(size_t(std::max<SQLSMALLINT>(length, 0)), name.size() - 1);
    fFields.emplace_back(std::u16string(name.data(), units));
  }
}

void tOV_BottegarioDataset::FetchRow() {
  SQLHSTMT statement = fStatement->Handle();
  const SQLRETURN fetched = SQLFetch(statement);
  if (fetched == SQL_NO_DATA) {
    fEof = true;
    for (auto& field : fFields) {
      field.fValue.clear();
      field.fNull = true;
    }
    return;
  }
  CheckOdbc(fetched, SQL_HANDLE_STMT, statement, u"SQLFetch");

  // Every column as text, in column order; long values come in pieces.
  char16_t buffer[4096];
  constexpr size_t kCapacity = std::size(buffer) - 1;  // one unit for the terminator
  for (size_t i = 0; i < fFields.size(); ++i) {
    auto& field = fFields[i];
    field.fValue.clear();
    field.fNull = false;
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN result = SQLGetData(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_WCHAR, buffer,
                                          sizeof(buffer), &indicator);
      if (result == SQL_NO_DATA) break;
      CheckOdbc(result, SQL_HANDLE_STMT, statement, u"SQLGetData");
      if (indicator == SQL_NULL_DATA) {
        field.fNull = true;
        break;
      }
      const bool complete =
          result == SQL_SUCCESS || (indicator >= 0 && static_cast<size_t>(indicator) / sizeof(char16_t) <= kCapacity);
      if (complete) {
        size_t units = indicator >= 0 ? static_cast<size_t>(indicator) / sizeof(char16_t)
                                      : std::char_traits<char16_t>::length(buffer);
        field.fValue.append(buffer, std::min(units, kCapacity));
        break;
      }
      field.fValue.append(buffer, kCapacity);
    }
  }
}

bool tOV_BottegarioDataset::Eof() const {
  return fEof || !fStatement || fStatement->Handle() == SQL_NULL_HANDLE;
}

void tOV_BottegarioDataset::Next() {
  if (Eof()) return;
  FetchRow();
}

const tOV_BottegarioField* tOV_BottegarioDataset::FindField(std::u16string_view aName) const {
  for (const auto& field : fFields) {
    if (SameText(field.Name(), aName)) return &field;
  }
  return nullptr;
}

const tOV_BottegarioField& tOV_BottegarioDataset::FieldByName(std::u16string_view aName) const {
  const tOV_BottegarioField* field = FindField(aName);
  if (field == nullptr) throw tOV_Exception(u"Field '" + std::u16string(aName) + u"' not found");
  if (Eof()) throw tOV_Exception(u"No current record: the dataset is at its end");
  return *field;
}

void tOV_BottegarioDataset::Close() {
  if (fStatement) {
    fStatement->Release();
    fStatement.reset();
  }
  fEof = true;
}

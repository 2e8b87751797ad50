// A query opened by the database proxy: a forward-only result set read row
// by row, every column fetched as text (NULL reads as empty text). The
// caller of CreateDataset owns it; it may outlive the proxy, but once the
// proxy disconnects it is closed and at its end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/uOV_DateTime.h"
#include "db/uOV_SQLParams.h"

class tOV_OdbcStatement;

// One column of the current row.
class tOV_BottegarioField {
 public:
  explicit tOV_BottegarioField(std::u16string aName) : fName(std::move(aName)) {}

  const std::u16string& Name() const { return fName; }
  bool IsNull() const { return fNull; }
  // NULL reads as empty text.
  const std::u16string& AsString() const { return fValue; }
  // NULL reads as 0; other text that is not a whole number raises
  // "'%s' is not a valid integer value".
  int32_t AsInteger() const;
  // Text yyyy-mm-dd hh:nn:ss[.zzz] as the servers write date-times; NULL reads as 0.
  ovDateTime AsDateTime() const;

 private:
  friend class tOV_BottegarioDataset;
  std::u16string fName;
  std::u16string fValue;
  bool fNull = true;
};

class tOV_BottegarioDataset {
 public:
  // Binds the dataset to a statement of the proxy's connection; Open runs it.
  tOV_BottegarioDataset(std::shared_ptr<tOV_OdbcStatement> aStatement, std::u16string aSQL);
  ~tOV_BottegarioDataset();
  tOV_BottegarioDataset(const tOV_BottegarioDataset&) = delete;
  tOV_BottegarioDataset& operator=(const tOV_BottegarioDataset&) = delete;

  // Binds the named parameters, sets the command time-out, runs the query
  // and reads the first row. Raises with the server's message.
  void Open(const tOV_SQLParams& aParams, uint32_t aCommandTimeoutSeconds);
  void Close();

  const std::u16string& SQL() const { return fSQL; }
  // True after the last row, for a statement without rows, and once closed.
  bool Eof() const;
  // Moves to the next row; nothing at the end.
  void Next();

  int FieldCount() const { return static_cast<int>(fFields.size()); }
  const tOV_BottegarioField& Fields(int aIndex) const { return fFields.at(static_cast<size_t>(aIndex)); }
  // Column of the current row by name, compared without regard to case;
  // null when the result has no such column.
  const tOV_BottegarioField* FindField(std::u16string_view aName) const;
  // As FindField, raising "Field '<name>' not found" for an unknown column
  // and a clear error when there is no current row.
  const tOV_BottegarioField& FieldByName(std::u16string_view aName) const;

 private:
  void DescribeColumns(unsigned short aColumns);
  void FetchRow();

  std::shared_ptr<tOV_OdbcStatement> fStatement;
  std::u16string fSQL;
  std::vector<tOV_BottegarioField> fFields;
  bool fEof = true;
};

#include "db/uOV_SQLParams.h"

#include <gtest/gtest.h>

#include "platform/ovUtf.h"

namespace {

TEST(SQLParamsTest, ReplacesNamesOutsideQuotesAndCommentsInOrderOfAppearance) {
  struct Case {
    const char16_t* sql;
    const char16_t* text;
    std::vector<std::u16string> names;
  };
  const Case cases[] = {
      {u"select 1", u"select 1", {}},
      {u"select * from t where a=:A and b = :b_2", u"select * from t where a=? and b = ?", {u"A", u"b_2"}},
      {u"select :x, :x", u"select ?, ?", {u"x", u"x"}},
      {u"select ':inside', 'it''s :here', :out", u"select ':inside', 'it''s :here', ?", {u"out"}},
      {u"select \"col:umn\", [odd:name], :p", u"select \"col:umn\", [odd:name], ?", {u"p"}},
      {u"select 1 -- :comment\n, :p /* :also\n :comment */", u"select 1 -- :comment\n, ? /* :also\n :comment */",
       {u"p"}},
      {u"select a::int, :p::text", u"select a::int, ?::text", {u"p"}},
      {u"select '10:30', : p, :1", u"select '10:30', : p, :1", {}},  // no name after the colon
      {u"select 'open :p", u"select 'open :p", {}},                  // unterminated literal
      {u"where a=:p)", u"where a=?)", {u"p"}},
  };
  for (const auto& c : cases) {
    const tOV_ParsedSQL parsed = ParseNamedParameters(c.sql);
    EXPECT_EQ(parsed.text, c.text) << Utf16ToUtf8(c.sql);
    EXPECT_EQ(parsed.names, c.names) << Utf16ToUtf8(c.sql);
  }
}

}  // namespace

// The literal each value becomes for each target, including forms no installed driver reaches.
// What arrives in each engine, and the rows shown on the terminal's line, are case files
// (tests/cases/export/).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/value_text.h"
#include "export/insert_statement.h"
#include "platform/odbc/odbc.h"

namespace kelvax {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view bytes) {
  std::string out;
  AppendHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  return out;
}

TEST(InsertStatementTest, EachValueIsALiteralItsTargetReadsBackExactlyOrTheRowIsRefused) {
  using K = odbc::Value::Kind;
  using F = SqlLiteral;
  using D = odbc::Dbms;
  const InsertColumn text{false, true}, typed{false, false}, bare{true, false};
  const odbc::DateTime stamp{2024, 2, 29, 9, 5, 3, 500000000, true, 9 * 3600};
  const odbc::DateTime nine_o_five{0, 0, 0, 9, 5, 3, 500000000};
  const double max = 1.7976931348623157e308;
  struct Case {
    InsertColumn column;
    F form;
    D dbms;
    K kind;
    std::string bytes;
    const char* literal;  // nullptr: refused
    odbc::DateTime time = {};
    double number = 0;
  };
  const Case cases[] = {
      {text, F::kStandard, D::kSqlite, K::kText, " it's a\\ ", "'it''s a\\'"},
      {text, F::kBackslash, D::kMysql, K::kText, "it's a\\", "'it''s a\\\\'"},
      {text, F::kEscapeString, D::kPostgres, K::kText, "a\\'", "E'a\\\\'''"},
      {text, F::kNoBackslash, D::kOther, K::kText, "it's", "'it''s'"},
      {text, F::kNoBackslash, D::kOther, K::kText, "a\\", nullptr},
      {text, F::kBackslash, D::kMysql, K::kText, "a\0b"s, "'a\\0b'"},
      {text, F::kStandard, D::kSqlite, K::kText, "a\0b"s, nullptr},
      {text, F::kEscapeString, D::kPostgres, K::kText, "a\0b"s, nullptr},
      {text, F::kBackslash, D::kMysql, K::kText, "\xED\xA0\x80", nullptr},  // a lone surrogate
      {text, F::kStandard, D::kSqlite, K::kText, "ab\xC3", nullptr},        // a cut sequence
      {text, F::kStandard, D::kSqlite, K::kText, "a\xFF", nullptr},         // not UTF-8 at all
      {text, F::kStandard, D::kSqlite, K::kText, "🍣", "'🍣'"},
      {text, F::kStandard, D::kSqlite, K::kNull, "", "''"},
      {typed, F::kBackslash, D::kMysql, K::kNull, "", "NULL"},  // json, uuid, enum...
      {bare, F::kStandard, D::kSqlite, K::kNull, "", "NULL"},
      {typed, F::kStandard, D::kPostgres, K::kDecimal, "12.50", "'12.5'"},
      {bare, F::kStandard, D::kSqlite, K::kText, " -12 ", "-12"},
      {bare, F::kStandard, D::kSqlite, K::kText, "1.5", nullptr},
      {bare, F::kStandard, D::kSqlite, K::kText, "1; DROP TABLE T", nullptr},
      {bare, F::kStandard, D::kSqlite, K::kText, "", nullptr},
      {typed, F::kStandard, D::kPostgres, K::kFloat, "", "'0.30000000000000004'", {}, 0.1 + 0.2},
      {typed, F::kStandard, D::kPostgres, K::kFloat, "", "'1.7976931348623157E+308'", {}, max},
      {typed, F::kStandard, D::kSqlite, K::kBoolean, "", "TRUE"},
      {typed, F::kStandard, D::kOther, K::kBoolean, "", "'True'"},
      {typed, F::kStandard, D::kSqlite, K::kDate, "", "'0987-01-02'", {987, 1, 2}},
      {typed, F::kStandard, D::kSqlite, K::kTime, "", "'09:05:03.5'", nine_o_five},
      {typed, F::kStandard, D::kPostgres, K::kTimestamp, "", "'2024-02-29 09:05:03.5+09:00'",
       stamp},
      {typed, F::kStandard, D::kMysql, K::kTimestamp, "", "'2024-02-29 09:05:03.5'", stamp},
      {typed, F::kStandard, D::kSqlite, K::kTimestamp, "", "'2024-02-29 00:00:00'", {2024, 2, 29}},
      {typed, F::kStandard, D::kSqlite, K::kBinary, "\x0A\xFF", "X'0AFF'"},
      {typed, F::kBackslash, D::kMysql, K::kBinary, "\x0A\xFF", "X'0AFF'"},
      {typed, F::kEscapeString, D::kPostgres, K::kBinary, "\x0A\xFF", "decode('0AFF', 'hex')"},
      {typed, F::kStandard, D::kOther, K::kBinary, "\x0A\xFF", "'0AFF'"},
  };
  for (const Case& c : cases) {
    odbc::Value value;
    value.kind = c.kind;
    value.bytes = c.bytes;
    value.boolean = true;
    value.time = c.time;
    value.number = c.number;
    std::string statement;
    BeginInsert(statement, "INSERT INTO T (A)");
    Status s = AppendInsertValue(statement, value, c.column, LiteralTarget{c.form, c.dbms});
    EndInsert(statement);
    EXPECT_EQ(s.ok() ? statement : "refused",
              c.literal ? "INSERT INTO T (A) VALUES ("s + c.literal + ")" : "refused")
        << Hex(c.bytes) << " " << statement;
  }
}

}  // namespace
}  // namespace kelvax

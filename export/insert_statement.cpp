#include "export/insert_statement.h"

#include "platform/odbc/odbc.h"
#include "platform/trim.h"

namespace kelvax {

namespace {

bool IsPlainInteger(std::string_view v) {
  size_t i = (!v.empty() && (v[0] == '-' || v[0] == '+')) ? 1 : 0;
  if (i == v.size()) return false;
  for (; i < v.size(); ++i) {
    if (v[i] < '0' || v[i] > '9') return false;
  }
  return true;
}

Status Refused(LiteralFault fault) {
  switch (fault) {
    case LiteralFault::kNul:
      return Status::Error(errnum::kInvalidArgument,
                           "値に NUL 文字があり、挿入先の SQL リテラルでは表せません。");
    case LiteralFault::kBackslash:
      return Status::Error(errnum::kInvalidArgument,
                           "挿入先が円記号 (\\) をエスケープ文字として扱うか確認できないため、"
                           "円記号を含む値は挿入しません。");
    default:
      return Status::Error(errnum::kInvalidArgument, "値に不正な文字コードがあります。");
  }
}

}  // namespace

InsertColumn InsertColumnFor(int sql_type) {
  switch (sql_type) {
    case odbc::kSqlInteger: case odbc::kSqlSmallInt:
      return InsertColumn::kInteger;
    // SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR, SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR
    case 1: case 12: case -1: case -8: case -9: case -10:
      return InsertColumn::kText;
    default:
      return InsertColumn::kOther;
  }
}

void BeginInsert(std::string& statement, const std::string& head) {
  statement.assign(head);
  statement += " VALUES (";
}

Status AppendInsertValue(std::string& statement, std::string_view text, bool is_null,
                         InsertColumn column, SqlLiteral form) {
  if (is_null && column != InsertColumn::kText) {
    // An empty place in the value list is a syntax error everywhere, and '' is refused by
    // typed columns: either way the row would be lost.
    statement += "NULL, ";
    return Status::Ok();
  }
  std::string_view v = is_null ? std::string_view() : TrimChars(text, " ");
  if (column == InsertColumn::kInteger) {
    if (!IsPlainInteger(v)) return Status::Error(errnum::kTypeMismatch, "型が一致しません。");
    statement.append(v);
  } else if (LiteralFault fault = AppendSqlLiteral(statement, v, form);
             fault != LiteralFault::kNone) {
    return Refused(fault);
  }
  statement += ", ";
  return Status::Ok();
}

void EndInsert(std::string& statement) {
  if (statement.size() >= 2 && statement.compare(statement.size() - 2, 2, ", ") == 0) {
    statement.resize(statement.size() - 2);
  }
  statement.push_back(')');
}

}  // namespace kelvax

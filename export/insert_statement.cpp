#include "export/insert_statement.h"

#include "engine/value_text.h"
#include "platform/text/trim.h"

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
      return Status::Error(StatusCode::kInvalidArgument,
                           "値に NUL 文字があり、挿入先の SQL リテラルでは表せません。");
    case LiteralFault::kBackslash:
      return Status::Error(StatusCode::kInvalidArgument,
                           "挿入先が円記号 (\\) をエスケープ文字として扱うか確認できないため、"
                           "円記号を含む値は挿入しません。");
    default:
      return Status::Error(StatusCode::kInvalidArgument, "値に不正な文字コードがあります。");
  }
}

void AppendIsoDate(const odbc::DateTime& t, std::string& out) {
  AppendDate(t.year, t.month, t.day, out);
  out[out.size() - 6] = '-';
  out[out.size() - 3] = '-';
}

void AppendIsoTime(const odbc::DateTime& t, std::string& out) {
  if (t.hour < 10) out.push_back('0');
  AppendTime(t.hour, t.minute, t.second, t.nanosecond, out);
}

void AppendOffset(int seconds, std::string& out) {
  out.push_back(seconds < 0 ? '-' : '+');
  if (seconds < 0) seconds = -seconds;
  auto two = [&out](int v) {
    out.push_back(static_cast<char>('0' + v / 10));
    out.push_back(static_cast<char>('0' + v % 10));
  };
  two(seconds / 3600);
  out.push_back(':');
  two(seconds / 60 % 60);
  if (seconds % 60 != 0) {
    out.push_back(':');
    two(seconds % 60);
  }
}

}  // namespace

InsertColumn InsertColumnOf(const odbc::ResultSet& result, int column) {
  const int type = result.ColumnType(column);
  InsertColumn c;
  c.bare_integer = type == odbc::kSqlInteger || type == odbc::kSqlSmallInt;
  c.plain_text = result.Kind(column) == odbc::ColumnKind::kText && result.IsPlainText(column);
  return c;
}

void BeginInsert(std::string& statement, const std::string& head) {
  statement.assign(head);
  statement += " VALUES (";
}

Status AppendInsertValue(std::string& statement, const odbc::Value& value, InsertColumn column,
                         const LiteralTarget& target) {
  using Kind = odbc::Value::Kind;
  using odbc::Dbms;
  switch (value.kind) {
    case Kind::kNull:
      // An empty place in the value list is a syntax error everywhere.
      statement += column.plain_text ? "''" : "NULL";
      break;
    case Kind::kText: {
      std::string_view v = TrimChars(value.bytes, " ");
      if (column.bare_integer) {
        if (!IsPlainInteger(v)) return Status::Error(StatusCode::kTypeMismatch);
        statement.append(v);
      } else if (LiteralFault fault = AppendSqlLiteral(statement, v, target.text);
                 fault != LiteralFault::kNone) {
        return Refused(fault);
      }
      break;
    }
    case Kind::kInteger:
    case Kind::kUnsigned:
      if (!column.bare_integer) statement.push_back('\'');
      AppendValueText(value, statement);
      if (!column.bare_integer) statement.push_back('\'');
      break;
    case Kind::kDecimal:
    case Kind::kFloat:
    case Kind::kReal:
      statement.push_back('\'');
      AppendValueText(value, statement);
      statement.push_back('\'');
      break;
    case Kind::kBoolean:
      if (target.dbms == Dbms::kOther) {
        statement += value.boolean ? "'True'" : "'False'";
      } else {
        statement += value.boolean ? "TRUE" : "FALSE";
      }
      break;
    case Kind::kDate:
      statement.push_back('\'');
      AppendIsoDate(value.time, statement);
      statement.push_back('\'');
      break;
    case Kind::kTime:
      statement.push_back('\'');
      AppendIsoTime(value.time, statement);
      statement.push_back('\'');
      break;
    case Kind::kTimestamp:
      statement.push_back('\'');
      AppendIsoDate(value.time, statement);
      statement.push_back(' ');
      AppendIsoTime(value.time, statement);
      if (value.time.has_offset && target.dbms != Dbms::kMysql) {
        AppendOffset(value.time.offset_seconds, statement);
      }
      statement.push_back('\'');
      break;
    case Kind::kBinary: {
      const auto* bytes = reinterpret_cast<const unsigned char*>(value.bytes.data());
      if (target.dbms == Dbms::kSqlite || target.dbms == Dbms::kMysql) {
        statement += "X'";
        AppendHex(bytes, value.bytes.size(), statement);
        statement.push_back('\'');
      } else if (target.dbms == Dbms::kPostgres) {
        statement += "decode('";
        AppendHex(bytes, value.bytes.size(), statement);
        statement += "', 'hex')";
      } else {
        statement.push_back('\'');
        AppendHex(bytes, value.bytes.size(), statement);
        statement.push_back('\'');
      }
      break;
    }
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

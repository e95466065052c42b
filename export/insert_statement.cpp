#include "export/insert_statement.h"

#include "platform/quoting.h"

namespace kelvax {

namespace {

std::string_view TrimSpaces(std::string_view v) {
  size_t b = v.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = v.find_last_not_of(' ');
  return v.substr(b, e - b + 1);
}

bool IsPlainInteger(std::string_view v) {
  size_t i = (!v.empty() && (v[0] == '-' || v[0] == '+')) ? 1 : 0;
  if (i == v.size()) return false;
  for (; i < v.size(); ++i) {
    if (v[i] < '0' || v[i] > '9') return false;
  }
  return true;
}

}  // namespace

void BeginInsert(std::string& statement, const std::string& head) {
  statement.assign(head);
  statement += " VALUES (";
}

Status AppendInsertValue(std::string& statement, std::string_view text, bool is_null, bool bare) {
  std::string_view v = is_null ? std::string_view() : TrimSpaces(text);
  if (bare && is_null) {
    // An empty place in the value list is a syntax error everywhere: the row would be lost.
    statement += "NULL";
  } else if (bare) {
    if (!IsPlainInteger(v)) {
      return Status::Error(13, "型が一致しません。");
    }
    statement.append(v);
  } else {
    AppendQuoted(statement, v, '\'');
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

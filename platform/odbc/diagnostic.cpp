#include "platform/odbc/diagnostic.h"

#include <sqlext.h>

#include <cstring>
#include <vector>

#include "platform/text/utf8.h"

namespace kelvax::odbc {

namespace {

// "[SQLSTATE] message"
std::string Described(std::string_view sqlstate, std::string_view message) {
  std::string text;
  text.reserve(sqlstate.size() + message.size() + 3);
  text.push_back('[');
  text.append(sqlstate);
  text.append("] ");
  text.append(message);
  return text;
}

}  // namespace

Diagnostic ReadDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle) {
  Diagnostic d;
  if (handle == SQL_NULL_HANDLE) return d;
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  // Large enough that a single call gets the whole message of any driver seen so far.
  std::vector<SQLWCHAR> message(4096);
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQLGetDiagRecW(handle_type, handle, 1, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
  if (!SQL_SUCCEEDED(rc)) return d;
  d.present = true;
  d.native = native;
  std::size_t state_len = 0;
  while (state_len < 5 && state[state_len] != 0) ++state_len;
  AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(state), state_len, d.sqlstate);
  std::size_t units = length < 0 ? 0 : static_cast<std::size_t>(length);
  if (units >= message.size()) units = message.size() - 1;  // truncated: keep what arrived
  // unixODBC may give a narrow driver's length in bytes: the text ends at its terminator.
  for (std::size_t i = 0; i < units; ++i) {
    if (message[i] == 0) {
      units = i;
      break;
    }
  }
  AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(message.data()), units, d.message);
  return d;
}

Status DiagnosticStatus(const Diagnostic& diagnostic, const char* call, SQLRETURN rc) {
  if (!diagnostic.present) {
    std::string text = std::string(call) + " failed";
    text += rc == SQL_INVALID_HANDLE ? " (invalid handle)" : " without a diagnostic record";
    return Status::Error(StatusCode::kNoDiagnostic, text);
  }
  return Status::Native(diagnostic.native, Described(diagnostic.sqlstate, diagnostic.message),
                        std::string(diagnostic.sqlstate));
}

Status CallFailure(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call, SQLRETURN rc) {
  return DiagnosticStatus(ReadDiagnostic(handle_type, handle), call, rc);
}

Status OwnFailure(std::string_view sqlstate, std::string_view message) {
  return Status::Native(0, Described(sqlstate, message), std::string(sqlstate));
}

}  // namespace kelvax::odbc

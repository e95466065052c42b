#include "platform/odbc/diagnostic.h"

#include <sqlext.h>

#include <cstring>
#include <vector>

#include "platform/text/utf8.h"

namespace kelvax::odbc {

namespace {

// Error numbers for diagnostics whose native code is 0, one per SQLSTATE class. Native codes
// are whatever the driver uses; these sit in a range of their own so that a log reader can tell
// them apart from the program's small numbers (5, 53, 3021, ...).
//
//   class                                   number
//   00-99 (two digits: 01 warning,          40000 + the class, e.g. 08 -> 40008,
//          07 dynamic SQL, 08 connection,   22 -> 40022, 42 -> 40042
//          22 data, 23 constraint,
//          24 cursor state, 25 transaction,
//          28 authorisation, 40 rollback,
//          42 syntax or access, ...)
//   HY, S1 (general / call errors)          40100
//   IM (driver manager)                     40101
//   HZ (remote data access)                 40102
//   any other class (3C, 3D, 3F, ...)       40199
//   failure without a diagnostic record     40200
constexpr long kClassBase = 40000;
constexpr long kGeneralClass = 40100;
constexpr long kDriverManagerClass = 40101;
constexpr long kRemoteAccessClass = 40102;
constexpr long kOtherClass = 40199;
constexpr long kNoDiagnostic = 40200;

long ClassNumber(std::string_view sqlstate) {
  if (sqlstate.size() < 2) return kOtherClass;
  char a = sqlstate[0], b = sqlstate[1];
  if (a >= '0' && a <= '9' && b >= '0' && b <= '9') return kClassBase + (a - '0') * 10 + (b - '0');
  std::string_view cls = sqlstate.substr(0, 2);
  if (cls == "HY" || cls == "S1") return kGeneralClass;
  if (cls == "IM") return kDriverManagerClass;
  if (cls == "HZ") return kRemoteAccessClass;
  return kOtherClass;
}

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
    return Status::Error(kNoDiagnostic, text);
  }
  long number = diagnostic.native != 0 ? diagnostic.native : ClassNumber(diagnostic.sqlstate);
  return Status::Error(number, Described(diagnostic.sqlstate, diagnostic.message),
                       std::string(diagnostic.sqlstate));
}

Status CallFailure(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call, SQLRETURN rc) {
  return DiagnosticStatus(ReadDiagnostic(handle_type, handle), call, rc);
}

Status OwnFailure(std::string_view sqlstate, std::string_view message) {
  return Status::Error(ClassNumber(sqlstate), Described(sqlstate, message), std::string(sqlstate));
}

}  // namespace kelvax::odbc

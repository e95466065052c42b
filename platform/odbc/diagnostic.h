// One ODBC diagnostic (SQLSTATE, native code, message) and its Status form. Internal to
// platform/odbc: this header includes <sql.h>.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelvax::odbc {

struct Diagnostic {
  bool present = false;
  std::string sqlstate;  // five characters
  long native = 0;
  std::string message;  // UTF-8
};

// The first diagnostic record of `handle`. Calls SQLGetDiagRecW exactly once: some drivers crash
// when asked twice.
Diagnostic ReadDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle);

// Number: the native code when non-zero, else the number of the SQLSTATE's class (table in the
// .cpp). Description: "[SQLSTATE] message". Without a record: a fixed text naming `call`.
Status DiagnosticStatus(const Diagnostic& diagnostic, const char* call, SQLRETURN rc);

// ReadDiagnostic + DiagnosticStatus: the Status of one failed call.
Status CallFailure(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call, SQLRETURN rc);

// A failure found by this layer itself, numbered and described like a driver's.
Status OwnFailure(std::string_view sqlstate, std::string_view message);

}  // namespace kelvax::odbc

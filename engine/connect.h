// Opening a task's connection. Connect strings arrive upper-cased, so a database file named in
// one would be looked for under an upper-case name, and a driver that creates missing files
// (SQLite) would quietly make an empty one beside the real file. Every task connection goes
// through OpenConnection, which first resolves the path values on the file system the way
// EXPORT is resolved; nothing else in the string changes.
#pragma once

#include <string>

#include "platform/odbc/odbc.h"
#include "platform/status.h"

namespace kelvax {

// The connect string with its file paths resolved: every value that is an absolute path, and
// DATABASE= and DBQ= values that hold a '/', '\' or '.'. Braces around a value are kept.
std::string ResolveConnectPaths(const std::string& connect_string);

Status OpenConnection(odbc::Environment& env, odbc::Connection& connection,
                      const std::string& connect_string, bool read_only);

}  // namespace kelvax

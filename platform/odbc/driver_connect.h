// SQLDriverConnect without prompting: the engine's connections and the data-source dialog's
// test connect both go through it.
#pragma once

#include <string>
#include <string_view>

namespace kelvax::odbc {

// The completed connect string a connect asks for, in characters: psqlODBC's wide call cannot
// allocate its buffer for 32,767.
inline constexpr int kCompletedCapacity = 16384;

// Connects `dbc` (an SQLHDBC) with `connect_string` exactly, without prompting; returns the
// ODBC return code. On success `completed` is the driver's completed connect string (UTF-8),
// cut at its first NUL: the SQLite driver reports the UTF-8 length of the wide string it gives,
// which runs past its end by two NULs for every character beyond ASCII.
// The call is the wide one, except with `narrow` or for a connect string whose Database value
// holds a character beyond ASCII: the SQLite driver's wide call cannot open such a path, and the
// narrow call, whose text is UTF-8 as the process's character type is, can. (psqlODBC and
// Connector/ODBC read the narrow statements of a session connected wide as Latin-1: a session
// that is to take UTF-8 statements through the narrow call must be connected with it.)
short DriverConnect(void* dbc, const std::string& connect_string, std::string& completed,
                    bool narrow = false);

// Whether the value of the connect string's Database attribute holds a byte beyond ASCII.
bool DatabaseBeyondAscii(std::string_view connect_string);

}  // namespace kelvax::odbc

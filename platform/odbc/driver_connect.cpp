#include "platform/odbc/driver_connect.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "platform/odbc/connect_string.h"
#include "platform/odbc/utf16.h"
#include "platform/text/utf8.h"

namespace kelvax::odbc {

bool DatabaseBeyondAscii(std::string_view text) {
  std::string_view value;
  return FindConnectAttribute(text, "DATABASE", value) &&
         std::any_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

namespace {

// The completed string's length as the driver reports it, kept inside a buffer of `capacity`
// units less its terminator (a driver may report the whole length of a string it cut).
std::size_t CompletedUnits(SQLSMALLINT length, std::size_t capacity) {
  return std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)),
                               capacity - 1);
}

}  // namespace

short DriverConnect(void* dbc, const std::string& connect_string, std::string& completed,
                    bool narrow) {
  completed.clear();
  SQLSMALLINT length = 0;
  SQLRETURN rc;
  if (narrow || DatabaseBeyondAscii(connect_string)) {
    std::vector<SQLCHAR> out(kCompletedCapacity);
    const SQLSMALLINT given =
        connect_string.size() < 32767 ? static_cast<SQLSMALLINT>(connect_string.size()) : SQL_NTS;
    rc = SQLDriverConnect(static_cast<SQLHDBC>(dbc), nullptr,
                          reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect_string.c_str())),
                          given, out.data(), static_cast<SQLSMALLINT>(out.size()), &length,
                          SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(rc)) {
      completed.assign(reinterpret_cast<const char*>(out.data()),
                       CompletedUnits(length, out.size()));
    }
  } else {
    const std::u16string text = Utf8ToUtf16(connect_string);
    std::vector<SQLWCHAR> out(kCompletedCapacity);
    const SQLSMALLINT given = text.size() < 32767 ? static_cast<SQLSMALLINT>(text.size()) : SQL_NTS;
    rc = SQLDriverConnectW(static_cast<SQLHDBC>(dbc), nullptr,
                           reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str())), given,
                           out.data(), static_cast<SQLSMALLINT>(out.size()), &length,
                           SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(rc)) {
      AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(out.data()),
                        CompletedUnits(length, out.size()), completed);
    }
  }
  completed.resize(std::min(completed.find('\0'), completed.size()));
  return rc;
}

}  // namespace kelvax::odbc

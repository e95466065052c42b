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
      const std::size_t count =
          std::clamp<std::size_t>(std::max<SQLSMALLINT>(length, 0), 0, out.size() - 1);
      completed.assign(reinterpret_cast<const char*>(out.data()), count);
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
      const std::size_t count =
          std::clamp<std::size_t>(std::max<SQLSMALLINT>(length, 0), 0, out.size() - 1);
      AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(out.data()), count, completed);
    }
  }
  completed.resize(std::min(completed.find('\0'), completed.size()));
  return rc;
}

}  // namespace kelvax::odbc

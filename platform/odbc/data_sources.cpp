#include "platform/odbc/data_sources.h"

#include <sql.h>
#include <sqlext.h>
#include <strings.h>

#include <algorithm>
#include <vector>

#include "platform/odbc/connect_string.h"
#include "platform/odbc/diagnostic.h"
#include "platform/odbc/driver_connect.h"
#include "platform/odbc/odbc.h"
#include "platform/odbc/utf16.h"
#include "platform/text/utf8.h"

namespace kelvax::odbc {

namespace {

std::string ToUtf8(const SQLWCHAR* text, SQLSMALLINT length, std::size_t capacity) {
  std::string out;
  const std::size_t count = std::min<std::size_t>(std::max<SQLSMALLINT>(length, 0), capacity);
  AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(text), count, out);
  return out;
}

// A connection handle that is disconnected when connected, and freed, on every path.
struct ConnectionHandle {
  DbcHandle dbc;
  bool connected = false;
  ~ConnectionHandle() {
    if (connected) SQLDisconnect(dbc.get());
  }
};

}  // namespace

Status ListDataSources(std::vector<DataSource>& sources) {
  sources.clear();
  Environment env;
  if (Status s = env.Open(); !s) return s;
  SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
  SQLWCHAR driver[512];
  for (SQLUSMALLINT first : {SQL_FETCH_FIRST_USER, SQL_FETCH_FIRST_SYSTEM}) {
    SQLUSMALLINT direction = first;
    for (;;) {
      SQLSMALLINT name_length = 0;
      SQLSMALLINT driver_length = 0;
      const SQLRETURN rc = SQLDataSourcesW(env.handle(), direction, name, std::size(name),
                                           &name_length, driver, std::size(driver), &driver_length);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc))
        return CallFailure(SQL_HANDLE_ENV, env.handle(), "SQLDataSources", rc);
      direction = SQL_FETCH_NEXT;
      DataSource source{ToUtf8(name, name_length, std::size(name) - 1),
                        ToUtf8(driver, driver_length, std::size(driver) - 1),
                        first == SQL_FETCH_FIRST_SYSTEM};
      const bool listed = std::any_of(sources.begin(), sources.end(), [&](const DataSource& d) {
        return strcasecmp(d.name.c_str(), source.name.c_str()) == 0;
      });
      if (!listed) sources.push_back(std::move(source));
    }
  }
  return Status::Ok();
}

Status ListDrivers(std::vector<std::string>& drivers) {
  drivers.clear();
  Environment env;
  if (Status s = env.Open(); !s) return s;
  SQLWCHAR description[512];
  SQLWCHAR attributes[2048];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT description_length = 0;
    SQLSMALLINT attributes_length = 0;
    const SQLRETURN rc =
        SQLDriversW(env.handle(), direction, description, std::size(description),
                    &description_length, attributes, std::size(attributes), &attributes_length);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_ENV, env.handle(), "SQLDrivers", rc);
    direction = SQL_FETCH_NEXT;
    drivers.push_back(ToUtf8(description, description_length, std::size(description) - 1));
  }
  return Status::Ok();
}

std::string ConnectAttribute(const std::string& key, const std::string& value) {
  const bool brace = value.find_first_of(";{}") != std::string::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!brace) return key + "=" + value;
  std::string out = key + "={";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

Status TestConnect(const std::string& connect_string, std::string& completed) {
  completed.clear();
  Environment env;
  if (Status s = env.Open(); !s) return s;
  ConnectionHandle dbc;
  SQLRETURN rc = dbc.dbc.Allocate(env.handle());
  if (!SQL_SUCCEEDED(rc))
    return CallFailure(SQL_HANDLE_ENV, env.handle(), "SQLAllocHandle(DBC)", rc);
  auto ask_read_only = [&dbc] {
    return SQL_SUCCEEDED(SQLSetConnectAttr(dbc.dbc.get(), SQL_ATTR_ACCESS_MODE,
                                           reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                                           SQL_IS_UINTEGER));
  };
  // Read-only is a request: a driver that cannot do it still connects.
  const bool read_only_set = ask_read_only();

  if (Utf8ToUtf16(connect_string).size() >= 32767)
    return OwnFailure("HY090", "Connect string too long");
  rc = DriverConnect(dbc.dbc.get(), connect_string, completed);
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_DBC, dbc.dbc.get(), "SQLDriverConnect", rc);
  dbc.connected = true;
  if (!read_only_set) ask_read_only();
  // A completed string that names neither a data source nor a driver (the SQLite driver gives
  // "DSN=;Database=..." for DRIVER=...) cannot connect again: the given one stands.
  std::string_view dsn, driver;
  const bool names_source = FindConnectAttribute(completed, "DSN", dsn) && !dsn.empty();
  if (!names_source && !FindConnectAttribute(completed, "DRIVER", driver))
    completed = connect_string;
  rc = SQLDisconnect(dbc.dbc.get());
  dbc.connected = false;
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_DBC, dbc.dbc.get(), "SQLDisconnect", rc);
  return Status::Ok();
}

}  // namespace kelvax::odbc

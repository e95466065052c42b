// Environment and connection handles. The result set lives in result_set.cpp.
#include "platform/odbc/odbc.h"

#include <sql.h>
#include <sqlext.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/odbc/diagnostic.h"
#include "platform/odbc/driver_connect.h"
#include "platform/odbc/driver_family.h"
#include "platform/odbc/login_timeout.h"
#include "platform/odbc/utf16.h"
#include "platform/process/fatal_signal.h"
#include "platform/text/ascii_case.h"
#include "platform/text/utf8.h"

namespace kelvax::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager must use UTF-16 SQLWCHAR");

namespace {

Status NotOpen() { return OwnFailure("08003", "Connection not open"); }

// The text the encoding probes send and expect back, 髙橋🍣 (a character of code page 932's
// extensions, a common one, one beyond the basic plane), as UTF-8 and in hex.
const std::string kProbeText = "\xE9\xAB\x99\xE6\xA9\x8B\xF0\x9F\x8D\xA3";
const std::string kProbeHex = "E9AB99E6A98BF09F8DA3";

Dbms DbmsOf(SQLHDBC dbc) {
  char name[64] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
    return Dbms::kOther;
  const std::string_view dbms(name);
  if (dbms == "SQLite") return Dbms::kSqlite;
  if (dbms == "PostgreSQL") return Dbms::kPostgres;
  if (dbms == "MariaDB" || dbms == "MySQL") return Dbms::kMysql;
  return Dbms::kOther;
}

bool HasWord(std::string_view list, std::string_view word) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = std::min(list.find(',', start), list.size());
    if (list.substr(start, end - start) == word) return true;
    start = end + 1;
  }
  return false;
}

// The value of KEY= in a completed connect string ("" when absent); keys match in any case.
std::string ConnectValue(const std::string& text, const char* key) {
  const std::size_t key_length = std::strlen(key);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    if (end - at > key_length && text[at + key_length] == '=' &&
        strncasecmp(text.c_str() + at, key, key_length) == 0) {
      return text.substr(at + key_length + 1, end - at - key_length - 1);
    }
    at = end + 1;
  }
  return "";
}

// A driver that reads a result from the server in pieces reports a failing piece with none of
// its rows: blocks that divide the piece lose none before the failure.
unsigned long ServerFetchRows(const std::string& text) {
  if (ConnectValue(text, "UseDeclareFetch") != "1") return 0;
  const std::string fetch = ConnectValue(text, "Fetch");
  unsigned long rows = 0;
  for (char c : fetch) {
    if (c < '0' || c > '9' || rows > 100000000) return 0;
    rows = rows * 10 + static_cast<unsigned long>(c - '0');
  }
  return rows;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Environment

Environment::~Environment() { Release(); }

Status Environment::Open() {
  if (handle_) return Status::Ok();
  EnvHandle env;
  SQLRETURN rc = env.Allocate(SQL_NULL_HANDLE);
  if (!SQL_SUCCEEDED(rc)) return DiagnosticStatus(Diagnostic(), "SQLAllocHandle(ENV)", rc);
  rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                     0);
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_ENV, env.get(), "SQLSetEnvAttr", rc);
  handle_ = std::move(env);
  return Status::Ok();
}

void Environment::Release() {
  // ODBC refuses to free an environment that still has connections.
  std::vector<Connection*> open;
  open.swap(connections_);
  for (Connection* c : open) {
    c->env_ = nullptr;
    (void)c->Close();  // the environment goes anyway; its owner has nobody left to tell
  }
  handle_.reset();
}

// ---------------------------------------------------------------------------------------------
// Connection

Connection::~Connection() {
  if (handle_) (void)Close();  // a destructor has nobody to tell
}

Status Connection::Open(Environment& env, const std::string& connect_string, bool read_only) {
  Status s = OpenAs(env, connect_string, read_only);
  if (!s || profile_.dbms != Dbms::kMysql) return s;
  std::string charset;
  if (!QueryText("SELECT @@character_set_results", charset) || charset == "utf8mb4") return s;
  // The connect string's own key wins over the data source's.
  std::string utf8 = connect_string;
  if (!utf8.empty() && utf8.back() != ';') utf8 += ';';
  utf8 += "CHARSET=utf8mb4";
  return OpenAs(env, utf8, read_only);
}

Status Connection::OpenAs(Environment& env, const std::string& connect_string, bool read_only) {
  // The old connection is replaced either way; a failure to end it cleanly changes nothing here.
  if (handle_) (void)Close();
  if (!env.is_open()) return OwnFailure("HY010", "Environment not open");
  DbcHandle dbc;
  SQLRETURN rc = dbc.Allocate(env.handle());
  if (!SQL_SUCCEEDED(rc))
    return CallFailure(SQL_HANDLE_ENV, env.handle(), "SQLAllocHandle(DBC)", rc);

  auto ask_read_only = [&dbc] {
    return SQL_SUCCEEDED(SQLSetConnectAttr(dbc.get(), SQL_ATTR_ACCESS_MODE,
                                           reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                                           SQL_IS_UINTEGER));
  };
  // Read-only is a request: a driver that cannot do it still connects.
  bool read_only_set = read_only && ask_read_only();

  // The driver named, read once: the login timeout and the connect call depend on it.
  const DriverFamily family = DriverFamilyOf(connect_string);
  const LoginTimeout timeout = LoginTimeoutFor(connect_string, family);
  if (timeout.set_attribute) {
    // A driver that has no timeout connects as before.
    (void)SQLSetConnectAttr(
        dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), SQL_IS_UINTEGER);
  }
  std::string completed_text;
  // psqlODBC and Connector/ODBC are connected through the narrow call, so that a copy's
  // statements can go to them as UTF-8 (see Probe).
  const bool narrow = family == DriverFamily::kPostgres || family == DriverFamily::kMysql;
  rc = CallDriver(
      [&] { return DriverConnect(dbc.get(), timeout.connect_string, completed_text, narrow); });
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_DBC, dbc.get(), "SQLDriverConnect", rc);
  // Some drivers take the access mode only once connected.
  if (read_only && !read_only_set) ask_read_only();

  handle_ = std::move(dbc);
  connected_ = true;
  env_ = &env;
  env.connections_.push_back(this);
  Probe(completed_text);
  return Status::Ok();
}

void Connection::Probe(const std::string& completed) {
  DriverProfile& p = profile_;
  p = DriverProfile();
  p.dbms = DbmsOf(handle_.get());
  p.server_fetch_rows = ServerFetchRows(completed);
  std::string setting;
  switch (p.dbms) {
    case Dbms::kSqlite:
      p.narrow_statements = p.narrow_text = p.stored_text = true;
      p.literals_known = true;
      break;
    case Dbms::kPostgres: {
      p.temporal_text = p.money_text = p.trusted_block_reads = true;
      // Text as SQL_C_CHAR where psqlODBC hands the server's UTF-8 through as it is (the
      // narrow form follows the client's locale): the probe value must come back as sent, from
      // a UTF8 database, so that what arrives is the stored text. The wide form costs psqlODBC
      // and the program a conversion each way.
      std::string probe;
      p.narrow_text = QueryText("SELECT convert_from(decode('" + kProbeHex +
                                    "', 'hex'), 'UTF8') || current_setting('server_encoding')",
                                probe) &&
                      probe == kProbeText + "UTF8";
      if (p.narrow_text) {
        ProbeNarrowStatements("SELECT upper(encode(convert_to('" + kProbeText +
                              "', 'UTF8'), 'hex'))");
      }
      p.literals_known = QueryText("SHOW standard_conforming_strings", setting) &&
                         (setting == "on" || setting == "off");
      p.literals = !p.literals_known ? SqlLiteral::kNoBackslash
                   : setting == "on" ? SqlLiteral::kStandard
                                     : SqlLiteral::kEscapeString;
      break;
    }
    case Dbms::kMysql: {
      p.temporal_text = true;
      // Whether text fetched as SQL_C_CHAR arrives as UTF-8 (the narrow character set follows
      // the connection's settings): a probe value, its bytes and its length, must come back as
      // sent.
      std::string probe;
      p.narrow_text = QueryText("SELECT CONVERT(X'" + kProbeHex + "' USING utf8mb4)", probe) &&
                      probe == kProbeText;
      if (p.narrow_text) {
        ProbeNarrowStatements("SELECT HEX(CONVERT('" + kProbeText + "' USING utf8mb4))");
      }
      p.literals_known = QueryText("SELECT @@sql_mode", setting);
      setting = UpperAscii(std::move(setting));
      p.literals = !p.literals_known                          ? SqlLiteral::kNoBackslash
                   : HasWord(setting, "NO_BACKSLASH_ESCAPES") ? SqlLiteral::kStandard
                                                              : SqlLiteral::kBackslash;
      break;
    }
    case Dbms::kOther:
      break;
  }
}

Status Connection::Close() {
  std::vector<ResultSet*> results;
  results.swap(results_);
  for (ResultSet* r : results) r->Close();
  if (!handle_) return NotOpen();
  exec_handle_.reset();

  Status s;
  if (connected_) {
    SQLRETURN rc = SQLDisconnect(handle_.get());
    if (!SQL_SUCCEEDED(rc)) {
      s = CallFailure(SQL_HANDLE_DBC, handle_.get(), "SQLDisconnect", rc);
      // The usual cause is a transaction left open (manual commit after a failure): it is
      // rolled back so that the connection does not outlive its owner.
      SQLEndTran(SQL_HANDLE_DBC, handle_.get(), SQL_ROLLBACK);
      SQLDisconnect(handle_.get());
    }
  }
  handle_.reset();
  connected_ = false;
  if (env_) {
    auto& list = env_->connections_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    env_ = nullptr;
  }
  return s;
}

void Connection::Track(ResultSet* result) { results_.push_back(result); }

void Connection::Untrack(ResultSet* result) {
  results_.erase(std::remove(results_.begin(), results_.end(), result), results_.end());
}

Status Connection::ExecuteDirect(const std::string& statement) {
  std::vector<long> unused;
  return ExecuteBatch(statement, unused);
}

Status Connection::ExecHandle(void*& stmt) {
  if (!connected_) return NotOpen();
  if (!exec_handle_) {
    SQLRETURN rc = exec_handle_.Allocate(handle_.get());
    if (!SQL_SUCCEEDED(rc)) {
      return CallFailure(SQL_HANDLE_DBC, handle_.get(), "SQLAllocHandle(STMT)", rc);
    }
  }
  stmt = exec_handle_.get();
  return Status::Ok();
}

// Statements go through the narrow call where a literal sent that way reaches the server as
// the UTF-8 it is (`query`, sent narrow, gives the probe text's hex as the server read it): the
// wide call costs the program and the driver a conversion each way on every statement, and a
// copy sends megabytes.
void Connection::ProbeNarrowStatements(const std::string& query) {
  profile_.narrow_statements = true;
  std::string hex;
  profile_.narrow_statements = QueryText(query, hex) && hex == kProbeHex;
}

SQLRETURN Connection::ExecText(void* stmt, const std::string& statement) {
  if (profile_.narrow_statements) {
    return CallDriver([&] {
      return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.data())),
                           static_cast<SQLINTEGER>(statement.size()));
    });
  }
  std::u16string text = Utf8ToUtf16(statement);
  return CallDriver([&] {
    return SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str())),
                          static_cast<SQLINTEGER>(text.size()));
  });
}

bool Connection::QueryText(const std::string& query, std::string& value) {
  void* stmt = nullptr;
  if (!ExecHandle(stmt)) return false;
  bool found = false;
  if (SQL_SUCCEEDED(ExecText(stmt, query)) && SQL_SUCCEEDED(SQLFetch(stmt))) {
    char buffer[4096];
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &length);
    // A value that does not fit is not one of the settings asked for.
    if (rc == SQL_SUCCESS && length >= 0 && length < static_cast<SQLLEN>(sizeof buffer)) {
      value.assign(buffer, static_cast<size_t>(length));
      found = true;
    }
  }
  SQLFreeStmt(stmt, SQL_CLOSE);
  return found;
}

bool Connection::SupportsBatches() {
  if (!connected_) return false;
  SQLUINTEGER support = 0, counts = 0;
  if (!SQL_SUCCEEDED(
          SQLGetInfo(handle_.get(), SQL_BATCH_SUPPORT, &support, sizeof support, nullptr)) ||
      !SQL_SUCCEEDED(
          SQLGetInfo(handle_.get(), SQL_BATCH_ROW_COUNT, &counts, sizeof counts, nullptr))) {
    return false;
  }
  return (support & SQL_BS_ROW_COUNT_EXPLICIT) && (counts & SQL_BRC_EXPLICIT);
}

Status Connection::ExecuteBatch(const std::string& statements, std::vector<long>& row_counts) {
  row_counts.clear();
  void* stmt = nullptr;
  if (Status h = ExecHandle(stmt); !h) return h;
  SQLRETURN rc = ExecText(stmt, statements);
  Status s;
  // SQL_NO_DATA: a searched UPDATE or DELETE that matched no row.
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    s = CallFailure(SQL_HANDLE_STMT, stmt, "SQLExecDirect", rc);
  } else {
    for (;;) {
      SQLLEN count = -1;
      if (SQL_SUCCEEDED(SQLRowCount(stmt, &count))) row_counts.push_back(static_cast<long>(count));
      rc = CallDriver([&] { return SQLMoreResults(stmt); });
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) {
        s = CallFailure(SQL_HANDLE_STMT, stmt, "SQLMoreResults", rc);
        break;
      }
    }
  }
  SQLFreeStmt(stmt, SQL_CLOSE);
  return s;
}

bool Connection::SupportsTransactions() {
  if (!connected_) return false;
  SQLUSMALLINT capable = SQL_TC_NONE;
  SQLRETURN rc = SQLGetInfo(handle_.get(), SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr);
  return SQL_SUCCEEDED(rc) && capable != SQL_TC_NONE;
}

Status Connection::SetAutoCommit(bool on) {
  if (!connected_) return NotOpen();
  SQLRETURN rc = SQLSetConnectAttr(handle_.get(), SQL_ATTR_AUTOCOMMIT,
                                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                       on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                   SQL_IS_UINTEGER);
  if (!SQL_SUCCEEDED(rc))
    return CallFailure(SQL_HANDLE_DBC, handle_.get(), "SQLSetConnectAttr", rc);
  return Status::Ok();
}

Status Connection::Commit() {
  if (!connected_) return NotOpen();
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, handle_.get(), SQL_COMMIT);
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_DBC, handle_.get(), "SQLEndTran", rc);
  return Status::Ok();
}

Status Connection::Rollback() {
  if (!connected_) return NotOpen();
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, handle_.get(), SQL_ROLLBACK);
  if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_DBC, handle_.get(), "SQLEndTran", rc);
  return Status::Ok();
}

}  // namespace kelvax::odbc

// The forward-reading result set: bound column buffers, row arrays, and whole values whatever
// their length, each exactly as the data source holds it or failed with its reason.
//
// What is fetched in which form is decided per connection, from the DBMS the driver names:
//
//   - SQLite: its declared types are only names (an INTEGER column holds 1.5 or text) and its
//     typed conversions change values (1.5 read as 1, text in a DATE column as NULL, a 19-digit
//     NUMERIC through a double). Every column but binary ones is fetched as SQL_C_CHAR, the
//     stored text in UTF-8 (the driver's wide path costs more and mangles characters outside the
//     basic plane), and the declared type only says which kind of value the text is read as
//     where it is one (ParseStoredValue).
//   - MariaDB/MySQL: dates, times and time stamps as text too (TIME 25:00:00 or a zero date make
//     the typed conversion fail the row, and it drops fractions of a second); text as
//     SQL_C_CHAR where a probe value shows that the
//     connection's narrow text is UTF-8 (Connector/ODBC 3.1 gives too short a length for some
//     wide values: 髙橋 came out as 髙); other types as below.
//   - PostgreSQL: dates, times and time stamps as text, which keeps fractions of a second and
//     shows the values psqlODBC cannot give (it prints 10000-01-01 as 1000-00-00 and both
//     infinities of a date as 0000-00-00, and passes a time stamp BC through as the server's
//     text): those fail rather than become another date. money as text too: as a double it
//     loses cents above 15 digits, and its text carries the currency's signs. Text as
//     SQL_C_CHAR where the probe shows it arrives as the database's UTF-8, as on MariaDB.
//   - Elsewhere: text as SQL_C_WCHAR (a narrow driver's data is not promised to be UTF-8),
//     decimals as characters (never through a double), integers as 64-bit integers, floating
//     values as doubles, binary as bytes.
//
// How long values come out whole. A bound buffer holds a short value; a longer one comes back
// truncated (length indicator SQL_NO_TOTAL or past the buffer) and is read again, whole, with
// SQLGetData. Within a row array that needs SQLSetPos to the row first and SQL_GD_BLOCK, which
// is trusted only for the driver where it was seen to work (psqlODBC; MariaDB's Connector/ODBC
// claims it but gives another row's value, NULL or nothing). So the plan, made before the first
// fetch from SQL_GETDATA_EXTENSIONS:
//
//   - SQL_GD_BOUND: every column is bound. Text, binary and decimal columns ("variable") get a
//     buffer from their declared size, capped; a value that does not fit is re-read.
//     Without it, variable columns are not bound and are read with SQLGetData on every row;
//     without SQL_GD_ANY_COLUMN, every column after the first unbound one is unbound too.
//   - Rows per fetch: one when a column is unbound, or when a variable column is bound and the
//     driver's SQL_GD_BLOCK is not trusted (on SQLite one row per fetch is as fast as 1024).
//     Otherwise as many rows as fit in kBlockBytes of buffers, at most kMaxBlockRows, and a
//     divisor of the rows the driver reads from the server at a time where it says (psqlODBC's
//     Fetch): such a driver fails a whole block when one server read in it fails.
//   - Every re-read is checked against the bound prefix in hand: a different start, NULL or no
//     data fails that value (never another row's value, never an empty one) and the result goes
//     on one row per fetch.
//   - Re-reads and unbound reads happen when a row becomes current, in column order, which
//     suits drivers without SQL_GD_ANY_ORDER.
//
// Fetch outcomes: SQL_NO_DATA is the end. A row marked SQL_ROW_ERROR costs only the values that
// cannot be read: its values are read one by one where the driver allows, and those that fail
// carry their own diagnostic, the row's, or a text of ours. A failed fetch that still delivered
// rows (the count and the status array say so) hands them out first; any other failure ends the
// result after being reported once, so no loop over it can spin.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/odbc/diagnostic.h"
#include "platform/odbc/odbc.h"
#include "platform/odbc/stored_value.h"
#include "platform/odbc/utf16.h"
#include "platform/process/fatal_signal.h"
#include "platform/text/utf8.h"

namespace kelvax::odbc {

namespace {

// Big bound buffers are slow on the SQLite driver (64 KiB per column made a million-row extract
// 13 times slower); values past these sizes are re-read instead.
constexpr SQLULEN kTextCapUnits = 1024;  // UTF-16 units per bound text value
constexpr SQLULEN kNarrowTextCapBytes = 2048;
constexpr SQLULEN kNarrowValueBytes = 64;  // numbers and dates as text
constexpr SQLULEN kBinaryCapBytes = 1024;
constexpr SQLULEN kDecimalCapBytes = 128;
constexpr std::size_t kBlockBytes = 512 * 1024;
constexpr SQLULEN kMaxBlockRows = 1024;
constexpr std::size_t kFirstReadBytes = 8192;  // first piece of a value read with SQLGetData
constexpr SQLUSMALLINT kUnwritten = 0xFFFF;    // no row status value

// The program only reads forward; the cursor asked for matters for what a driver does with it.
// Keyset-driven with value-comparing concurrency is asked first. A driver that answers with a
// static cursor instead (the SQLite driver does) builds it by loading the whole result into
// memory (480 MB against 10 MB for a million-row extract), so such a driver gets a forward-only,
// read-only cursor, which streams. psqlODBC grants keyset and, like for any cursor, holds the
// whole result unless UseDeclareFetch=1, where it answers static and streams forward-only.
// Set kAskForKeyset to false to go forward-only everywhere.
constexpr bool kAskForKeyset = true;

void RequestCursor(SQLHSTMT stmt) {
  auto set = [stmt](SQLINTEGER attribute, SQLULEN value) {
    SQLSetStmtAttr(stmt, attribute, reinterpret_cast<SQLPOINTER>(value), 0);
  };
  if (kAskForKeyset) {
    set(SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN);
    set(SQL_ATTR_CONCURRENCY, SQL_CONCUR_VALUES);
    SQLULEN granted = SQL_CURSOR_KEYSET_DRIVEN;
    if (!SQL_SUCCEEDED(SQLGetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, &granted, 0, nullptr)) ||
        granted != SQL_CURSOR_STATIC) {
      return;
    }
  }
  set(SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
  set(SQL_ATTR_CONCURRENCY, SQL_CONCUR_READ_ONLY);
}

// Where a column's values come from.
enum class Source {
  kTyped,       // the driver's typed conversion
  kStored,      // stored text, read as a value of the column's kind where it is one
  kPgTemporal,  // psqlODBC's date and time text: see above
  kPgMoney,     // the server's money text
};

// Whether a server type name is one of plain character data: a NULL there may be written as an
// empty text; json, uuid, enum and the like only travel as text.
bool PlainTextTypeName(std::string_view name) {
  std::string lower;
  for (char c : name.substr(0, name.find('('))) {
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  for (std::string_view word : {"char", "text", "clob", "string"}) {
    if (lower.find(word) != std::string::npos) return true;
  }
  return false;
}

// money text ($12,345.67, -$0.50, ￥1,235) as plain decimal digits; false when it has another
// shape (a decimal comma, say), which then stays text.
bool MoneyDigits(std::string_view text, std::string& digits) {
  digits.clear();
  std::size_t i = 0;
  bool negative = false, point = false, any = false;
  std::size_t group = 0;  // digits since the last grouping comma, or npos before the first
  bool grouped = false;
  auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < text.size() && !is_digit(text[i])) {
    if (text[i] == '-')
      negative = true;
    else if (text[i] == '.' || text[i] == ',')
      return false;
    ++i;
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (is_digit(c)) {
      digits.push_back(c);
      any = true;
      ++group;
    } else if (c == ',' && !point) {
      if (grouped ? group != 3 : (group < 1 || group > 3)) return false;
      grouped = true;
      group = 0;
    } else if (c == '.' && !point) {
      if (grouped && group != 3) return false;
      point = true;
      digits.push_back('.');
    } else {
      break;
    }
  }
  if (!point && grouped && group != 3) return false;
  for (; i < text.size(); ++i) {  // a symbol after the number
    if (is_digit(text[i]) || text[i] == '.' || text[i] == ',') return false;
  }
  if (!any) return false;
  if (negative) digits.insert(digits.begin(), '-');
  return true;
}

Status NoCurrentRow() { return Status::Error(StatusCode::kNoCurrentRow); }
Status BadIndex() { return Status::Error(StatusCode::kIndexOutOfRange); }

}  // namespace

struct ResultSet::Impl {
  struct Column {
    std::string name;
    int sql_type = 0;
    ColumnKind kind = ColumnKind::kText;
    bool is_unsigned = false;  // an unsigned BIGINT
    bool plain_text = true;    // see ResultSet::IsPlainText
    Source source = Source::kTyped;
    bool with_offset = false;  // time stamps with time zone
    SQLSMALLINT c_type = SQL_C_WCHAR;
    bool variable = false;  // may outgrow its buffer: text, characters, binary
    bool bound = false;
    SQLLEN width = 0;  // bytes per row in `data`
    std::vector<unsigned char> data;
    std::vector<SQLLEN> indicator;
    // The current row's value, once made; `made_for` is the row generation it belongs to.
    std::uint64_t made_for = 0;
    bool failed = false;
    Status error;
    Value value;  // its views point into `text`, `data` or `staging`
    std::string text;
    std::vector<unsigned char> staging;  // values read with SQLGetData

    // Terminator bytes the driver adds after the data.
    SQLLEN terminator() const { return c_type == SQL_C_WCHAR ? 2 : c_type == SQL_C_CHAR ? 1 : 0; }
  };

  Connection* connection = nullptr;
  StmtHandle handle;
  SQLHSTMT stmt = SQL_NULL_HSTMT;  // handle's, for the ODBC calls
  DriverProfile profile;
  std::vector<Column> columns;
  std::vector<int> reread;  // columns that may need SQLGetData, in column order
  bool gd_bound = false;
  bool block_reads = false;    // SQLGetData within a row array works (SQL_GD_BLOCK, trusted)
  SQLULEN rows_per_fetch = 1;  // row-array size in force
  SQLULEN rows_fetched = 0;
  bool have_rows_fetched = false;
  std::vector<SQLUSMALLINT> row_status;
  bool have_row_status = false;
  SQLULEN rows_in_block = 0;
  SQLULEN block_rows_per_fetch = 1;  // the row-array size of the block in hand
  SQLULEN row = 0;
  std::uint64_t generation = 0;
  bool at_end = true;
  bool finished = false;
  bool pending = false;
  Status pending_error;
  // A fetch that failed after delivering rows: reported when those rows are done.
  bool failed_after_block = false;
  Status fetch_error;
  Status block_row_error;  // why the driver marked rows of this block SQL_ROW_ERROR
  bool set_pos_failed = false;
  Status set_pos_error;

  Status Describe(SQLSMALLINT count);
  Status Bind();
  Status Fetch();
  bool SeekRow();
  void EnterRow();
  bool Position();
  void OneRowPerFetch();
  void ReadWhole(int index, bool verify);
  void MakeFromBuffer(Column& c);
  void Format(Column& c, const unsigned char* p, SQLLEN length);
  bool Truncated(const Column& c, SQLLEN indicator) const {
    return indicator == SQL_NO_TOTAL || indicator > c.width - c.terminator();
  }
  bool RowIsError() const { return have_row_status && row_status[row] == SQL_ROW_ERROR; }
};

// ---------------------------------------------------------------------------------------------
// Describing and binding

Status ResultSet::Impl::Describe(SQLSMALLINT count) {
  columns.resize(static_cast<std::size_t>(count));
  std::vector<SQLWCHAR> name(256);
  for (SQLSMALLINT i = 0; i < count; ++i) {
    Column& c = columns[static_cast<std::size_t>(i)];
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLRETURN rc;
    for (;;) {
      rc = SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i + 1), name.data(),
                           static_cast<SQLSMALLINT>(name.size()), &name_length, &type, &size,
                           &digits, &nullable);
      if (!SQL_SUCCEEDED(rc) || name_length < static_cast<SQLSMALLINT>(name.size()) ||
          name.size() >= 32767) {
        break;
      }
      name.resize(std::min<std::size_t>(static_cast<std::size_t>(name_length) + 1, 32767));
    }
    if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_STMT, stmt, "SQLDescribeCol", rc);
    // unixODBC reports the narrow driver's length in bytes for the wide name: stop at the end.
    std::size_t units = std::min<std::size_t>(name_length < 0 ? 0 : name_length, name.size() - 1);
    units =
        static_cast<std::size_t>(std::find(name.begin(), name.begin() + units, 0) - name.begin());
    AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(name.data()), units, c.name);
    c.sql_type = type;

    std::string type_name;
    {
      SQLWCHAR wide[128] = {};
      SQLSMALLINT bytes = 0;
      if (SQL_SUCCEEDED(SQLColAttributeW(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_TYPE_NAME,
                                         wide, sizeof wide, &bytes, nullptr))) {
        std::size_t units = std::min<std::size_t>(bytes < 0 ? 0 : bytes / sizeof(SQLWCHAR), 127);
        units = static_cast<std::size_t>(std::find(wide, wide + units, 0) - wide);
        AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(wide), units, type_name);
      }
    }

    auto fixed = [&c](ColumnKind kind, SQLSMALLINT c_type, std::size_t width) {
      c.kind = kind;
      c.c_type = c_type;
      c.width = static_cast<SQLLEN>(width);
    };
    switch (type) {
      case SQL_TINYINT:
      case SQL_SMALLINT:
      case SQL_INTEGER:
        fixed(ColumnKind::kInteger, SQL_C_SBIGINT, sizeof(SQLBIGINT));
        break;
      case SQL_BIGINT: {
        SQLLEN is_unsigned = SQL_FALSE;
        SQLColAttributeW(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_UNSIGNED, nullptr, 0,
                         nullptr, &is_unsigned);
        c.is_unsigned = is_unsigned == SQL_TRUE;
        fixed(ColumnKind::kInteger, c.is_unsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT,
              sizeof(SQLBIGINT));
        break;
      }
      case SQL_REAL:
        fixed(ColumnKind::kReal, SQL_C_DOUBLE, sizeof(SQLDOUBLE));
        break;
      case SQL_FLOAT:
      case SQL_DOUBLE:
        fixed(ColumnKind::kFloat, SQL_C_DOUBLE, sizeof(SQLDOUBLE));
        break;
      case SQL_TYPE_DATE:
      case SQL_DATE:
        fixed(ColumnKind::kDate, SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT));
        break;
      case SQL_TYPE_TIME:
      case SQL_TIME:
        fixed(ColumnKind::kTime, SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT));
        break;
      case SQL_TYPE_TIMESTAMP:
      case SQL_TIMESTAMP:
        fixed(ColumnKind::kTimestamp, SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT));
        break;
      case SQL_BIT:
        fixed(ColumnKind::kBoolean, SQL_C_BIT, sizeof(unsigned char));
        break;
      case SQL_DECIMAL:
      case SQL_NUMERIC:
        // Digits, sign, point, a leading zero and the terminator.
        fixed(ColumnKind::kDecimal, SQL_C_CHAR,
              size == 0 || size > kDecimalCapBytes - 4 ? kDecimalCapBytes : size + 4);
        break;
      case SQL_BINARY:
      case SQL_VARBINARY:
      case SQL_LONGVARBINARY:
        fixed(ColumnKind::kBinary, SQL_C_BINARY,
              size == 0 || size > kBinaryCapBytes ? kBinaryCapBytes : size);
        break;
      default:  // character types, GUIDs, intervals, anything unknown: as text
        // psqlODBC names every character type and leaves interval unnamed.
        c.plain_text =
            (type_name.empty() ? profile.dbms != Dbms::kPostgres : PlainTextTypeName(type_name)) &&
            (type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_LONGVARCHAR ||
             type == SQL_WCHAR || type == SQL_WVARCHAR || type == SQL_WLONGVARCHAR);
        if (profile.narrow_text) {
          fixed(ColumnKind::kText, SQL_C_CHAR,
                (size == 0 || size > kNarrowTextCapBytes / 3 ? kNarrowTextCapBytes : size * 3) + 1);
        } else {
          fixed(
              ColumnKind::kText, SQL_C_WCHAR,
              ((size == 0 || size > kTextCapUnits ? kTextCapUnits : size) + 1) * sizeof(SQLWCHAR));
        }
        break;
    }
    const bool temporal = c.kind == ColumnKind::kDate || c.kind == ColumnKind::kTime ||
                          c.kind == ColumnKind::kTimestamp;
    if (c.c_type != SQL_C_CHAR && c.c_type != SQL_C_WCHAR && c.c_type != SQL_C_BINARY &&
        (profile.stored_text || (profile.temporal_text && temporal))) {
      fixed(c.kind, SQL_C_CHAR, kNarrowValueBytes);
      c.source =
          profile.dbms == Dbms::kPostgres && temporal ? Source::kPgTemporal : Source::kStored;
    } else if (profile.stored_text && c.kind == ColumnKind::kDecimal) {
      c.source = Source::kStored;
    } else if (profile.money_text && c.kind == ColumnKind::kFloat && type_name == "money") {
      fixed(ColumnKind::kDecimal, SQL_C_CHAR, kNarrowValueBytes);
      c.source = Source::kPgMoney;
    }
    c.with_offset = c.kind == ColumnKind::kTimestamp && type_name == "timestamptz";
    c.variable = c.c_type == SQL_C_CHAR || c.c_type == SQL_C_WCHAR || c.c_type == SQL_C_BINARY;
  }
  return Status::Ok();
}

Status ResultSet::Impl::Bind() {
  SQLUINTEGER getdata = 0;
  SQLGetInfo(connection->handle(), SQL_GETDATA_EXTENSIONS, &getdata, sizeof getdata, nullptr);
  gd_bound = getdata & SQL_GD_BOUND;
  const bool gd_any_column = getdata & SQL_GD_ANY_COLUMN;
  block_reads = (getdata & SQL_GD_BLOCK) && profile.trusted_block_reads;

  bool unbound_from_here = false, any_unbound = false, any_variable_bound = false;
  std::size_t row_bytes = sizeof(SQLUSMALLINT);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    c.bound = !unbound_from_here && (gd_bound || !c.variable);
    if (!c.bound) {
      any_unbound = true;
      if (!gd_any_column) unbound_from_here = true;
    } else {
      any_variable_bound = any_variable_bound || c.variable;
      row_bytes += static_cast<std::size_t>(c.width) + sizeof(SQLLEN);
    }
    if (!c.bound || c.variable) reread.push_back(static_cast<int>(i));
  }

  SQLULEN rows = 1;
  if (!any_unbound && (block_reads || !any_variable_bound)) {
    rows = std::clamp<SQLULEN>(kBlockBytes / row_bytes, 1, kMaxBlockRows);
    const SQLULEN server_rows = profile.server_fetch_rows;
    if (server_rows > 0) {
      while (rows > 1 && server_rows % rows != 0) --rows;
    }
  }
  SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
  if (rows > 1) {
    // A driver may refuse row arrays or lower the size (01S02): it is told what it says.
    SQLULEN granted = 1;
    if (!SQL_SUCCEEDED(
            SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0)) ||
        !SQL_SUCCEEDED(SQLGetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) ||
        granted < 1 || granted > rows) {
      granted = 1;
      SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
    }
    rows = granted;
  }
  // Rows count as fetched unless the driver marks them otherwise; a driver that takes the
  // pointer but never writes it must not lose rows.
  row_status.assign(rows, kUnwritten);
  have_rows_fetched =
      SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &rows_fetched, 0));
  have_row_status =
      SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, row_status.data(), 0));
  if (!have_rows_fetched && rows > 1) {
    rows = 1;  // without the count a partial last block cannot be told apart
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
  }
  rows_per_fetch = rows;

  for (std::size_t i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    if (!c.bound) continue;
    c.data.assign(static_cast<std::size_t>(c.width) * rows, 0);
    c.indicator.assign(rows, 0);
    SQLRETURN rc = SQLBindCol(stmt, static_cast<SQLUSMALLINT>(i + 1), c.c_type, c.data.data(),
                              c.width, c.indicator.data());
    if (!SQL_SUCCEEDED(rc)) return CallFailure(SQL_HANDLE_STMT, stmt, "SQLBindCol", rc);
  }
  return Status::Ok();
}

// ---------------------------------------------------------------------------------------------
// Fetching

Status ResultSet::Impl::Fetch() {
  if (failed_after_block) {  // the rows delivered before the failure are done
    failed_after_block = false;
    at_end = finished = true;
    return fetch_error;
  }
  for (;;) {
    rows_fetched = 0;
    block_rows_per_fetch = rows_per_fetch;
    // Statuses the driver does not write stay kUnwritten, which counts as a fetched row.
    std::fill(row_status.begin(), row_status.end(), kUnwritten);
    SQLRETURN rc = CallDriver([&] { return SQLFetch(stmt); });
    if (rc == SQL_NO_DATA) {
      at_end = finished = true;
      return Status::Ok();
    }
    SQLULEN n = have_rows_fetched ? std::min(rows_fetched, rows_per_fetch) : 1;
    const auto status_end = row_status.begin() + static_cast<std::ptrdiff_t>(n);
    const bool row_errors =
        have_row_status && std::any_of(row_status.begin(), status_end,
                                       [](SQLUSMALLINT s) { return s == SQL_ROW_ERROR; });
    if (!SQL_SUCCEEDED(rc)) {
      Status error = CallFailure(SQL_HANDLE_STMT, stmt, "SQLFetch", rc);
      // Only rows the driver vouches for, count and status, count as delivered.
      if (!have_rows_fetched || !have_row_status || n == 0 ||
          std::find(row_status.begin(), status_end, kUnwritten) != status_end) {
        at_end = finished = true;
        return error;
      }
      if (row_errors) {
        // Errors of single rows (some drivers return SQL_ERROR for them): the block stands.
        block_row_error = error;
      } else {
        // Rows delivered before the failure are handed out, the failure after them.
        failed_after_block = true;
        fetch_error = error;
      }
    } else if (row_errors) {
      block_row_error = CallFailure(SQL_HANDLE_STMT, stmt, "SQLFetch", rc);
    }
    if (n == 0) {  // success without a row: nothing more will come
      at_end = finished = true;
      return Status::Ok();
    }
    rows_in_block = n;
    row = 0;
    if (SeekRow()) {
      at_end = false;
      EnterRow();
      return Status::Ok();
    }
    if (failed_after_block) return Fetch();
    // A block of rows deleted since the keyset was built: on to the next.
  }
}

bool ResultSet::Impl::SeekRow() {
  if (have_row_status) {
    while (row < rows_in_block &&
           (row_status[row] == SQL_ROW_DELETED || row_status[row] == SQL_ROW_NOROW)) {
      ++row;
    }
  }
  return row < rows_in_block;
}

void ResultSet::Impl::OneRowPerFetch() {
  rows_per_fetch = 1;
  SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
}

// Makes the current row of a block the one SQLGetData reads; false when it cannot be. A failure
// is this row's own (set_pos_error): the next row of the block is tried again, and later
// blocks hold one row.
bool ResultSet::Impl::Position() {
  set_pos_failed = false;
  if (block_rows_per_fetch == 1) return true;
  if (!block_reads) return false;
  SQLRETURN rc =
      SQLSetPos(stmt, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE);
  if (SQL_SUCCEEDED(rc)) return true;
  set_pos_failed = true;
  set_pos_error = CallFailure(SQL_HANDLE_STMT, stmt, "SQLSetPos", rc);
  OneRowPerFetch();
  return false;
}

void ResultSet::Impl::EnterRow() {
  ++generation;
  if (RowIsError()) {
    // Each value on its own: those the driver can still give are kept.
    const bool readable = Position();
    Status why = block_row_error;
    // A warning (a truncation, say) is no reason for the row's failure.
    if (why.sqlstate().rfind("01", 0) == 0 || why.ok()) {
      why = OwnFailure("HY000", "The driver marked the row as failed without saying why");
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      Column& c = columns[i];
      if (readable && (gd_bound || !c.bound)) {
        ReadWhole(static_cast<int>(i), false);
        if (!c.failed) continue;
        if (!c.error.Is(StatusCode::kNoDiagnostic)) continue;
      }
      c.made_for = generation;
      c.failed = true;
      c.error = why;
    }
    if (!readable) OneRowPerFetch();  // so that a later failed row costs its values only
    return;
  }
  bool positioned = false;
  for (int index : reread) {
    Column& c = columns[static_cast<std::size_t>(index)];
    if (c.bound) {
      SQLLEN ind = c.indicator[row];
      if (ind == SQL_NULL_DATA || !Truncated(c, ind)) continue;
    }
    if (!positioned && !(positioned = Position())) {
      c.made_for = generation;
      c.failed = true;
      c.error = set_pos_failed ? set_pos_error
                               : OwnFailure("HY000",
                                            "A long value inside a block of rows cannot be read "
                                            "whole from this driver");
      OneRowPerFetch();
      continue;
    }
    ReadWhole(index, c.bound);
  }
}

// Reads the whole value of column `index` of the current row with SQLGetData. `verify`: the
// bound buffer holds the value's first part, which what is read must begin with.
void ResultSet::Impl::ReadWhole(int index, bool verify) {
  Column& c = columns[static_cast<std::size_t>(index)];
  c.made_for = generation;
  c.failed = false;
  c.value = Value();
  c.text.clear();
  const auto column_number = static_cast<SQLUSMALLINT>(index + 1);
  auto differs = [&] {
    c.failed = true;
    c.error = OwnFailure("HY000", "Column " + std::to_string(index + 1) + " (" + c.name +
                                      "): the driver gave a different value when the long value "
                                      "was read again; the value is left out");
    OneRowPerFetch();
  };

  if (!c.variable) {
    alignas(8) unsigned char buf[sizeof(SQL_TIMESTAMP_STRUCT) + 8];
    SQLLEN ind = 0;
    SQLRETURN rc = CallDriver(
        [&] { return SQLGetData(stmt, column_number, c.c_type, buf, sizeof buf, &ind); });
    if (!SQL_SUCCEEDED(rc)) {
      c.failed = true;
      c.error = CallFailure(SQL_HANDLE_STMT, stmt, "SQLGetData", rc);
    } else if (ind != SQL_NULL_DATA) {
      Format(c, buf, ind);
    }
    return;
  }

  // Piece by piece into `staging`; the length the driver reports sizes the next piece.
  const std::size_t terminator = static_cast<std::size_t>(c.terminator());
  const std::size_t unit = c.c_type == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 1;
  if (c.staging.size() < kFirstReadBytes) c.staging.resize(kFirstReadBytes);
  std::size_t have = 0;
  for (bool first = true;; first = false) {
    std::size_t room = c.staging.size() - have;
    SQLLEN ind = 0;
    SQLRETURN rc = CallDriver([&] {
      return SQLGetData(stmt, column_number, c.c_type, c.staging.data() + have,
                        static_cast<SQLLEN>(room), &ind);
    });
    if (rc == SQL_NO_DATA && !first) break;
    if (rc == SQL_NO_DATA) {
      if (verify) return differs();
      c.failed = true;
      c.error =
          OwnFailure("01004", "String data, right truncated: the value could not be read whole");
      return;
    }
    if (!SQL_SUCCEEDED(rc)) {
      c.failed = true;
      c.error = CallFailure(SQL_HANDLE_STMT, stmt, "SQLGetData", rc);
      return;
    }
    if (ind == SQL_NULL_DATA) {
      if (verify) return differs();
      return;
    }
    std::size_t capacity = (room - terminator) / unit * unit;
    if (ind != SQL_NO_TOTAL && ind >= 0 && static_cast<std::size_t>(ind) <= capacity) {
      have += static_cast<std::size_t>(ind);
      break;
    }
    have += capacity;
    std::size_t next = ind == SQL_NO_TOTAL || ind < 0
                           ? c.staging.size() * 2
                           : have + (static_cast<std::size_t>(ind) - capacity) + terminator;
    next = std::max(next, have + terminator + kFirstReadBytes);
    c.staging.resize((next + unit - 1) / unit * unit);
  }
  if (verify) {
    // The bound part: the buffer up to its terminator (a driver may stop short of a character
    // it cannot split).
    const unsigned char* prefix = c.data.data() + static_cast<std::size_t>(c.width) * row;
    std::size_t length = static_cast<std::size_t>(c.width - c.terminator());
    if (c.c_type == SQL_C_CHAR) {
      length = static_cast<std::size_t>(std::find(prefix, prefix + length, 0) - prefix);
    } else if (c.c_type == SQL_C_WCHAR) {
      std::size_t units = 0;
      while (units * 2 < length && (prefix[2 * units] | prefix[2 * units + 1]) != 0) ++units;
      length = units * 2;
    }
    if (have < length || std::memcmp(c.staging.data(), prefix, length) != 0) return differs();
  }
  Format(c, c.staging.data(), static_cast<SQLLEN>(have));
}

void ResultSet::Impl::MakeFromBuffer(Column& c) {
  c.made_for = generation;
  c.failed = false;
  c.value = Value();
  c.text.clear();
  if (!c.bound) {  // unbound values are read as the row is entered; this is not reached
    c.failed = true;
    c.error = OwnFailure("HY000", "Value not read");
    return;
  }
  SQLLEN ind = c.indicator[row];
  if (ind == SQL_NULL_DATA) return;
  if (c.variable && Truncated(c, ind)) {  // cannot happen by the plan above; never hand out a part
    c.failed = true;
    c.error =
        OwnFailure("01004", "String data, right truncated: the value could not be read whole");
    return;
  }
  Format(c, c.data.data() + static_cast<std::size_t>(c.width) * row, ind);
}

void ResultSet::Impl::Format(Column& c, const unsigned char* p, SQLLEN length) {
  Value& v = c.value;
  if (c.c_type == SQL_C_CHAR || c.c_type == SQL_C_BINARY) {
    const std::string_view bytes(reinterpret_cast<const char*>(p),
                                 static_cast<std::size_t>(length));
    v.kind = c.c_type == SQL_C_BINARY ? Value::Kind::kBinary : Value::Kind::kText;
    v.bytes = bytes;
    if (c.kind == ColumnKind::kText || c.kind == ColumnKind::kBinary) return;
    switch (c.source) {
      case Source::kPgMoney:
        if (MoneyDigits(bytes, c.text)) {
          v.kind = Value::Kind::kDecimal;
          v.bytes = c.text;
        }
        return;
      case Source::kPgTemporal:
        if (ParseStoredValue(c.kind, bytes, c.with_offset, v)) return;
        // The driver passes a time stamp BC through as the server's text, and gives
        // -infinity as a year 9999 BC no server has.
        if (bytes == "9999-01-01 00:00:00 BC") {
          v.bytes = "-infinity";
        } else if (bytes.size() < 3 || bytes.substr(bytes.size() - 3) != " BC") {
          c.failed = true;
          c.error = OwnFailure(
              "22007", "Column " + c.name + ": the driver cannot give this value exactly (" +
                           std::string(bytes) +
                           "; infinity, or a year outside 1 to 9999); select it as text, for "
                           "example CAST(" +
                           c.name + " AS text)");
        }
        return;
      case Source::kStored:
      case Source::kTyped:
        (void)ParseStoredValue(c.kind, bytes, false, v);  // no value of the kind: text as sent
        return;
    }
    return;
  }
  switch (c.kind) {
    case ColumnKind::kInteger:
      if (c.is_unsigned) {
        SQLUBIGINT u;
        std::memcpy(&u, p, sizeof u);
        if (u > static_cast<SQLUBIGINT>(INT64_MAX)) {
          v.kind = Value::Kind::kUnsigned;
          v.unsigned_integer = u;
          break;
        }
        v.kind = Value::Kind::kInteger;
        v.integer = static_cast<std::int64_t>(u);
      } else {
        SQLBIGINT i;
        std::memcpy(&i, p, sizeof i);
        v.kind = Value::Kind::kInteger;
        v.integer = i;
      }
      break;
    case ColumnKind::kFloat:
    case ColumnKind::kReal:
      v.kind = c.kind == ColumnKind::kReal ? Value::Kind::kReal : Value::Kind::kFloat;
      std::memcpy(&v.number, p, sizeof v.number);
      break;
    case ColumnKind::kDate: {
      SQL_DATE_STRUCT d;
      std::memcpy(&d, p, sizeof d);
      v.kind = Value::Kind::kDate;
      v.time.year = d.year;
      v.time.month = d.month;
      v.time.day = d.day;
      break;
    }
    case ColumnKind::kTime: {
      SQL_TIME_STRUCT t;
      std::memcpy(&t, p, sizeof t);
      v.kind = Value::Kind::kTime;
      v.time.hour = t.hour;
      v.time.minute = t.minute;
      v.time.second = t.second;
      break;
    }
    case ColumnKind::kTimestamp: {
      SQL_TIMESTAMP_STRUCT t;
      std::memcpy(&t, p, sizeof t);
      v.kind = Value::Kind::kTimestamp;
      v.time = DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction, false, 0};
      break;
    }
    case ColumnKind::kBoolean:
      v.kind = Value::Kind::kBoolean;
      v.boolean = p[0] != 0;
      break;
    case ColumnKind::kText:  // SQL_C_WCHAR
      AppendUtf16AsUtf8(reinterpret_cast<const char16_t*>(p),
                        static_cast<std::size_t>(length) / sizeof(SQLWCHAR), c.text);
      v.kind = Value::Kind::kText;
      v.bytes = c.text;
      break;
    case ColumnKind::kDecimal:  // always fetched as characters
    case ColumnKind::kBinary:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// ResultSet

ResultSet::ResultSet() : impl_(std::make_unique<Impl>()) {}

ResultSet::~ResultSet() { Close(); }

Status ResultSet::Execute(Connection& connection, const std::string& statement) {
  Close();
  if (!connection.is_open()) return OwnFailure("08003", "Connection not open");
  Impl& m = *impl_;
  SQLRETURN rc = m.handle.Allocate(connection.handle());
  if (!SQL_SUCCEEDED(rc)) {
    return CallFailure(SQL_HANDLE_DBC, connection.handle(), "SQLAllocHandle(STMT)", rc);
  }
  SQLHSTMT stmt = m.stmt = m.handle.get();
  m.connection = &connection;
  m.profile = connection.profile();
  connection.Track(this);

  RequestCursor(stmt);
  rc = connection.ExecText(stmt, statement);
  Status s;
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    s = CallFailure(SQL_HANDLE_STMT, stmt, "SQLExecDirect", rc);
  }
  SQLSMALLINT count = 0;
  if (s) {
    rc = SQLNumResultCols(stmt, &count);
    if (!SQL_SUCCEEDED(rc)) s = CallFailure(SQL_HANDLE_STMT, stmt, "SQLNumResultCols", rc);
  }
  if (s && count > 0) s = m.Describe(count);
  if (s && count > 0) s = m.Bind();
  if (!s) {
    Close();
    return s;
  }
  if (count > 0) {
    Status fetched = m.Fetch();
    if (!fetched) {
      m.pending = true;
      m.pending_error = fetched;
    }
  }
  return Status::Ok();
}

int ResultSet::ColumnCount() const { return static_cast<int>(impl_->columns.size()); }

const std::string& ResultSet::ColumnName(int column) const {
  static const std::string kNone;
  if (column < 0 || column >= ColumnCount()) return kNone;
  return impl_->columns[static_cast<std::size_t>(column)].name;
}

int ResultSet::ColumnType(int column) const {
  if (column < 0 || column >= ColumnCount()) return 0;
  return impl_->columns[static_cast<std::size_t>(column)].sql_type;
}

ColumnKind ResultSet::Kind(int column) const {
  if (column < 0 || column >= ColumnCount()) return ColumnKind::kText;
  return impl_->columns[static_cast<std::size_t>(column)].kind;
}

bool ResultSet::IsPlainText(int column) const {
  if (column < 0 || column >= ColumnCount()) return true;
  return impl_->columns[static_cast<std::size_t>(column)].plain_text;
}

Status ResultSet::AtEnd(bool& at_end) {
  Impl& m = *impl_;
  at_end = m.at_end;
  if (m.pending) {
    m.pending = false;
    return m.pending_error;
  }
  return Status::Ok();
}

Status ResultSet::NextRow() {
  Impl& m = *impl_;
  if (m.at_end) return NoCurrentRow();
  ++m.row;
  if (m.SeekRow()) {
    m.EnterRow();
    return Status::Ok();
  }
  if (m.finished) {
    m.at_end = true;
    return Status::Ok();
  }
  return m.Fetch();
}

Status ResultSet::Get(int column, Value& value) {
  Impl& m = *impl_;
  if (column < 0 || column >= ColumnCount()) return BadIndex();
  if (m.at_end) return NoCurrentRow();
  Impl::Column& c = m.columns[static_cast<std::size_t>(column)];
  if (c.made_for != m.generation) m.MakeFromBuffer(c);
  if (c.failed) return c.error;
  value = c.value;
  return Status::Ok();
}

void ResultSet::Close() {
  Impl& m = *impl_;
  if (m.connection) m.connection->Untrack(this);
  m = Impl();  // frees the statement handle
}

}  // namespace kelvax::odbc

// KelvaxFake: an ODBC driver whose one result comes from a script, for the failure paths no
// real driver takes on demand. Loaded by unixODBC as a Unicode driver (it has only the W forms
// of the text calls). The connect string names the script: DRIVER=KelvaxFake;SCRIPT=/path.
// Every statement, whatever its text, gives the script's result. One line per setting:
//
//   dbms PostgreSQL            SQL_DBMS_NAME (default KelvaxFake)
//   getdata block bound any_column any_order   SQL_GETDATA_EXTENSIONS, enforced by SQLGetData
//   rowarray 3                 the largest row-array size granted (01S02 above it)
//   nototal                    a truncated value's length indicator is SQL_NO_TOTAL
//   col NAME TYPE [SIZE]       TYPE: VARCHAR WVARCHAR INTEGER BIGINT DOUBLE DECIMAL VARBINARY
//                              (its values written in hex)
//   row V1|V2|...              one row; \N is NULL
//   rowerror STATE message     the row above is SQL_ROW_ERROR, with this diagnostic
//   getdatafail COL STATE msg  SQLGetData of COL in the row above fails (STATE - : no record)
//   reread COL text            SQLGetData of COL in the row above gives this instead
//   setposfail STATE message   SQLSetPos to the row above fails
//   fetchfail STATE message    the fetch reaching this line fails: SQL_ERROR, with the rows
//                              before it in its block counted and marked SQL_ROW_SUCCESS
//   crash                      the fetch reaching this line dies of SIGSEGV, as a driver
//                              does when its server goes away mid-fetch
//   hang                       the fetch reaching this line never returns, as one waiting on a
//                              server that stopped answering (signals do not end the wait);
//                              the file SCRIPT.hanging says it is waiting
#include <iconv.h>
#include <signal.h>
#include <sql.h>
#include <sqlext.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Diag {
  std::string state, message;  // state "-": the call fails without a record
};

struct Handle {
  std::optional<Diag> diag;
};

SQLRETURN Report(Handle* h, const Diag& d, SQLRETURN rc) {
  if (d.state != "-") h->diag = d;
  return rc;
}
SQLRETURN Fail(Handle* h, const char* state, const std::string& message) {
  return Report(h, {state, message}, SQL_ERROR);
}

struct Column {
  std::string name;
  SQLSMALLINT type = SQL_VARCHAR;
  SQLULEN size = 0;
};

struct Row {
  std::string marker;  // fetchfail (its diagnostic in `error`), crash, hang: no row
  std::vector<std::optional<std::string>> values;
  std::optional<Diag> error, set_pos_fail;
  std::map<int, Diag> get_data_fail;  // by column number
  std::map<int, std::optional<std::string>> reread;
};

struct Script {
  std::string path;  // the script's own file
  std::string dbms = "KelvaxFake";
  SQLUINTEGER getdata = 0;
  SQLULEN max_rows = 0;
  bool no_total = false;
  std::vector<Column> columns;
  std::vector<Row> rows;
};

struct Dbc : Handle {
  Script script;
};

struct Binding {
  SQLSMALLINT c_type;
  char* data;
  SQLLEN width;
  SQLLEN* ind;
};

struct Stmt : Handle {
  Dbc* dbc = nullptr;
  std::size_t next = 0;                                // the script line the next fetch starts at
  std::size_t block = 0, block_rows = 0, current = 0;  // current: the row SQLGetData reads
  int gd_column = 0;                                   // the column being read piecewise
  std::size_t gd_offset = 0;
  bool gd_done = false;
  SQLULEN array_size = 1;
  SQLULEN* rows_fetched = nullptr;
  SQLUSMALLINT* status = nullptr;
  std::map<int, Binding> bindings;
};

// Handles pass through the driver manager as Handle*.
template <class T>
T* Enter(SQLHANDLE h) {
  auto* p = static_cast<T*>(static_cast<Handle*>(h));
  p->diag.reset();
  return p;
}

// The script's UTF-8 as UTF-16, as the driver manager passes text to and from a Unicode driver.
std::u16string Utf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');  // never more units than bytes
  char* in = const_cast<char*>(s.data());
  char* to = reinterpret_cast<char*>(out.data());
  std::size_t in_left = s.size(), out_left = out.size() * 2;
  const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  iconv(cd, &in, &in_left, &to, &out_left);
  iconv_close(cd);
  out.resize(out.size() - out_left / 2);
  return out;
}

// Copies `s` as a terminated wide string into `out` (room for `units` units); false if cut.
bool PutWide(const std::string& s, SQLWCHAR* out, std::size_t units, SQLSMALLINT* length) {
  const std::u16string w = Utf16(s);
  if (length) *length = static_cast<SQLSMALLINT>(w.size());
  if (!out || units == 0) return w.empty();
  const std::size_t n = std::min(w.size(), units - 1);
  std::memcpy(out, w.data(), n * 2);
  out[n] = 0;
  return n == w.size();
}

// The value in C type `c_type` (one of those the engine binds), as bytes.
std::string Convert(const std::string& v, SQLSMALLINT sql_type, SQLSMALLINT c_type) {
  auto raw = [](const auto& x) { return std::string(reinterpret_cast<const char*>(&x), sizeof x); };
  std::string out;
  switch (c_type) {
    case SQL_C_WCHAR: {
      const std::u16string w = Utf16(v);
      return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
    }
    case SQL_C_BINARY:
      if (sql_type != SQL_VARBINARY) return v;
      for (std::size_t i = 0; i + 1 < v.size(); i += 2)
        out += static_cast<char>(std::stoi(v.substr(i, 2), nullptr, 16));
      return out;
    case SQL_C_SBIGINT:
      return raw(static_cast<SQLBIGINT>(std::strtoll(v.c_str(), nullptr, 10)));
    case SQL_C_DOUBLE:
      return raw(std::strtod(v.c_str(), nullptr));
    default:  // SQL_C_CHAR
      return v;
  }
}

bool Fixed(SQLSMALLINT c_type) {
  return c_type != SQL_C_CHAR && c_type != SQL_C_WCHAR && c_type != SQL_C_BINARY;
}

// Puts `bytes` into a buffer of `width` bytes the way ODBC does; true when they were cut short.
// `written` gets the bytes of the value placed.
bool Put(const std::string& bytes, SQLSMALLINT c_type, char* dest, SQLLEN width, SQLLEN* ind,
         bool no_total, std::size_t& written) {
  written = bytes.size();
  if (Fixed(c_type)) {
    std::memcpy(dest, bytes.data(), bytes.size());
    if (ind) *ind = static_cast<SQLLEN>(bytes.size());
    return false;
  }
  const std::size_t term = c_type == SQL_C_WCHAR ? 2 : c_type == SQL_C_CHAR ? 1 : 0;
  std::size_t room = width > static_cast<SQLLEN>(term) ? static_cast<std::size_t>(width) - term : 0;
  if (c_type == SQL_C_WCHAR) room &= ~std::size_t{1};
  const bool cut = bytes.size() > room;
  written = cut ? room : bytes.size();
  if (dest) {
    std::memcpy(dest, bytes.data(), written);
    if (width >= static_cast<SQLLEN>(written + term)) std::memset(dest + written, 0, term);
  }
  if (ind) *ind = cut && no_total ? SQL_NO_TOTAL : static_cast<SQLLEN>(bytes.size());
  return cut;
}

// The rest of the line after the words read so far, without the space before it.
std::string Rest(std::istringstream& in) {
  std::string rest;
  std::getline(in >> std::ws, rest);
  return rest;
}

bool Load(const std::string& path, Script& script, std::string& why) {
  std::ifstream file(path);
  if (!file) return why = "cannot read script " + path, false;
  static const std::map<std::string, SQLSMALLINT> kTypes = {
      {"VARCHAR", SQL_VARCHAR},    {"WVARCHAR", SQL_WVARCHAR}, {"INTEGER", SQL_INTEGER},
      {"BIGINT", SQL_BIGINT},      {"DOUBLE", SQL_DOUBLE},     {"DECIMAL", SQL_DECIMAL},
      {"VARBINARY", SQL_VARBINARY}};
  static const std::map<std::string, SQLUINTEGER> kGetData = {{"block", SQL_GD_BLOCK},
                                                              {"bound", SQL_GD_BOUND},
                                                              {"any_column", SQL_GD_ANY_COLUMN},
                                                              {"any_order", SQL_GD_ANY_ORDER}};
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    std::istringstream in(line);
    std::string key, word;
    in >> key;
    auto bad = [&](const std::string& what) {
      why = "line " + std::to_string(number) + ": " + what;
      return false;
    };
    Row* last =
        script.rows.empty() || !script.rows.back().marker.empty() ? nullptr : &script.rows.back();
    auto cell = [](const std::string& text) {
      return text == "\\N" ? std::nullopt : std::optional<std::string>(text);
    };
    auto diag = [&in] {
      Diag d;
      in >> d.state;
      d.message = Rest(in);
      return d;
    };
    if (key.empty() || key[0] == '#') continue;
    if (key == "dbms") {
      script.dbms = Rest(in);
    } else if (key == "getdata") {
      while (in >> word) {
        if (!kGetData.count(word)) return bad(word);
        script.getdata |= kGetData.at(word);
      }
    } else if (key == "rowarray") {
      in >> script.max_rows;
    } else if (key == "nototal") {
      script.no_total = true;
    } else if (key == "col") {
      Column c;
      in >> c.name >> word >> c.size;
      if (!kTypes.count(word)) return bad("type " + word);
      c.type = kTypes.at(word);
      script.columns.push_back(c);
    } else if (key == "row") {
      Row r;
      std::string text = Rest(in);
      for (std::size_t at = 0;;) {
        const std::size_t bar = text.find('|', at);
        r.values.push_back(cell(text.substr(at, bar - at)));
        if (bar == std::string::npos) break;
        at = bar + 1;
      }
      r.values.resize(script.columns.size());
      script.rows.push_back(r);
    } else if (key == "crash" || key == "hang" || key == "fetchfail") {
      script.rows.emplace_back().marker = key;
      if (key == "fetchfail") script.rows.back().error = diag();
    } else if (!last) {
      return bad("no row before " + key);
    } else if (key == "rowerror") {
      last->error = diag();
    } else if (key == "setposfail") {
      last->set_pos_fail = diag();
    } else if (key == "getdatafail") {
      int column = 0;
      in >> column;
      last->get_data_fail[column] = diag();
    } else if (key == "reread") {
      int column = 0;
      in >> column;
      last->reread[column] = cell(Rest(in));
    } else {
      return bad("unknown " + key);
    }
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Handles, connection, information

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  switch (type) {
    case SQL_HANDLE_ENV:
      *output = new Handle;
      return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
      *output = static_cast<Handle*>(new Dbc);
      return SQL_SUCCESS;
    case SQL_HANDLE_STMT: {
      auto* s = new Stmt;
      s->dbc = Enter<Dbc>(input);
      *output = static_cast<Handle*>(s);
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  if (type == SQL_HANDLE_STMT)
    delete Enter<Stmt>(handle);
  else if (type == SQL_HANDLE_DBC)
    delete Enter<Dbc>(handle);
  else
    delete static_cast<Handle*>(handle);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND, SQLWCHAR* in, SQLSMALLINT in_length,
                                    SQLWCHAR* out, SQLSMALLINT out_max, SQLSMALLINT* out_length,
                                    SQLUSMALLINT) {
  auto* d = Enter<Dbc>(hdbc);
  std::string text;  // the connect string, ASCII only
  for (SQLSMALLINT i = 0; in_length == SQL_NTS ? in[i] != 0 : i < in_length; ++i)
    text += in[i] < 0x80 ? static_cast<char>(in[i]) : '?';
  std::string path;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.find(';', at), text.size());
    if (end - at > 7 && strncasecmp(text.c_str() + at, "SCRIPT=", 7) == 0)
      path = text.substr(at + 7, end - at - 7);
    at = end + 1;
  }
  std::string why;
  d->script = Script{};
  if (!Load(path, d->script, why)) return Fail(d, "08001", why);
  d->script.path = path;
  PutWide(text, out, static_cast<std::size_t>(std::max<SQLSMALLINT>(out_max, 0)), out_length);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC) { return SQL_SUCCESS; }

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                              SQLSMALLINT* length) {
  auto* d = Enter<Dbc>(hdbc);
  auto text = [&](const std::string& s) {
    SQLSMALLINT units = 0;
    PutWide(s, static_cast<SQLWCHAR*>(value), static_cast<std::size_t>(max > 0 ? max / 2 : 0),
            &units);
    if (length) *length = static_cast<SQLSMALLINT>(units * 2);  // bytes
    return SQL_SUCCESS;
  };
  switch (type) {
    case SQL_DBMS_NAME:
      return text(d->script.dbms);
    case SQL_DRIVER_ODBC_VER:
      return text("03.52");
    case SQL_GETDATA_EXTENSIONS:
      *static_cast<SQLUINTEGER*>(value) = d->script.getdata;
      return SQL_SUCCESS;
    default:
      return Fail(d, "HY096", "Information type out of range");
  }
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                                 SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max,
                                 SQLSMALLINT* length) {
  const auto& diag = static_cast<Handle*>(handle)->diag;  // not Enter: that would clear it
  if (record != 1 || !diag) return SQL_NO_DATA;
  if (state) PutWide(diag->state, state, 6, nullptr);
  if (native) *native = 0;
  const bool whole = PutWide(diag->message, message,
                             static_cast<std::size_t>(std::max<SQLSMALLINT>(max, 0)), length);
  return whole ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

// The driver manager asks how many records there are before it reads them.
SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT record,
                                   SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT, SQLSMALLINT*) {
  if (record != 0 || field != SQL_DIAG_NUMBER) return SQL_NO_DATA;  // the rest is not kept
  if (value) *static_cast<SQLINTEGER*>(value) = static_cast<Handle*>(handle)->diag ? 1 : 0;
  return SQL_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Statements

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR*, SQLINTEGER) {
  auto* s = Enter<Stmt>(hstmt);
  s->next = s->block = s->block_rows = 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT hstmt, SQLSMALLINT* count) {
  auto* s = Enter<Stmt>(hstmt);
  *count = static_cast<SQLSMALLINT>(s->dbc->script.columns.size());
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT column, SQLWCHAR* name,
                                  SQLSMALLINT name_max, SQLSMALLINT* name_length, SQLSMALLINT* type,
                                  SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  auto* s = Enter<Stmt>(hstmt);
  const Column& c = s->dbc->script.columns[column - 1];
  const bool whole = PutWide(
      c.name, name, static_cast<std::size_t>(std::max<SQLSMALLINT>(name_max, 0)), name_length);
  if (type) *type = c.type;
  if (size) *size = c.size;
  if (digits) *digits = 0;
  if (nullable) *nullable = SQL_NULLABLE;
  return whole ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

// The engine asks only whether a column is unsigned and for its type name: none is, none has one.
SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT,
                                   SQLSMALLINT* text_length, SQLLEN* number) {
  if (text_length) *text_length = 0;
  if (number) *number = SQL_FALSE;
  return SQL_SUCCESS;
}

// Other attributes (the cursor the engine asks for, binding by column) are taken and ignored.
SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                  SQLINTEGER) {
  auto* s = Enter<Stmt>(hstmt);
  const auto n = reinterpret_cast<SQLULEN>(value);
  if (attribute == SQL_ATTR_ROW_ARRAY_SIZE) {
    const SQLULEN max = s->dbc->script.max_rows;
    s->array_size = max && n > max ? max : n;
    if (s->array_size != n)
      return Report(s, {"01S02", "Option value changed"}, SQL_SUCCESS_WITH_INFO);
  } else if (attribute == SQL_ATTR_ROWS_FETCHED_PTR) {
    s->rows_fetched = static_cast<SQLULEN*>(value);
  } else if (attribute == SQL_ATTR_ROW_STATUS_PTR) {
    s->status = static_cast<SQLUSMALLINT*>(value);
  }
  return SQL_SUCCESS;
}

// The engine reads back the row-array size granted and the cursor type: always forward-only.
SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                  SQLINTEGER, SQLINTEGER*) {
  auto* s = Enter<Stmt>(hstmt);
  if (attribute == SQL_ATTR_ROW_ARRAY_SIZE)
    *static_cast<SQLULEN*>(value) = s->array_size;
  else if (attribute == SQL_ATTR_CURSOR_TYPE)
    *static_cast<SQLULEN*>(value) = SQL_CURSOR_FORWARD_ONLY;
  else
    return Fail(s, "HY092", "Invalid attribute");
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT c_type,
                             SQLPOINTER data, SQLLEN width, SQLLEN* ind) {
  Enter<Stmt>(hstmt)->bindings[column] = {c_type, static_cast<char*>(data), width, ind};
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT hstmt) {
  auto* s = Enter<Stmt>(hstmt);
  const Script& script = s->dbc->script;
  s->block = s->next;
  s->current = 0;
  s->gd_column = 0;
  std::size_t n = 0;
  std::optional<Diag> failure, row_error;
  bool cut = false, all_errors = true;
  for (; n < s->array_size && s->next < script.rows.size(); ++n) {
    const Row& r = script.rows[s->next++];
    if (r.marker == "crash") raise(SIGSEGV);
    if (r.marker == "hang") {
      std::FILE* f = std::fopen((script.path + ".hanging").c_str(), "w");
      if (f) std::fclose(f);
      for (;;) pause();
    }
    if (r.marker == "fetchfail") {
      failure = r.error;
      break;
    }
    SQLUSMALLINT status = SQL_ROW_SUCCESS;
    if (r.error) {
      status = SQL_ROW_ERROR;
      if (!row_error) row_error = r.error;
    } else {
      all_errors = false;
      for (const auto& [column, b] : s->bindings) {
        const auto& v = r.values[static_cast<std::size_t>(column - 1)];
        SQLLEN* ind = b.ind ? b.ind + n : nullptr;
        if (!v) {
          if (ind) *ind = SQL_NULL_DATA;
        } else {
          const std::string bytes = Convert(*v, script.columns[column - 1].type, b.c_type);
          std::size_t written = 0;
          const SQLLEN stride = Fixed(b.c_type) ? static_cast<SQLLEN>(bytes.size()) : b.width;
          if (Put(bytes, b.c_type, b.data + stride * static_cast<SQLLEN>(n), b.width, ind,
                  script.no_total, written))
            status = SQL_ROW_SUCCESS_WITH_INFO, cut = true;
        }
      }
    }
    if (s->status) s->status[n] = status;
  }
  for (std::size_t i = n; s->status && i < s->array_size; ++i) s->status[i] = SQL_ROW_NOROW;
  if (s->rows_fetched) *s->rows_fetched = n;
  s->block_rows = n;
  if (failure) return Report(s, *failure, SQL_ERROR);
  if (n == 0) return SQL_NO_DATA;
  if (row_error) return Report(s, *row_error, all_errors ? SQL_ERROR : SQL_SUCCESS_WITH_INFO);
  if (cut) return Report(s, {"01004", "String data, right truncated"}, SQL_SUCCESS_WITH_INFO);
  return SQL_SUCCESS;
}

// The engine only positions on a row of the block it fetched.
SQLRETURN SQL_API SQLSetPos(SQLHSTMT hstmt, SQLSETPOSIROW row, SQLUSMALLINT, SQLUSMALLINT) {
  auto* s = Enter<Stmt>(hstmt);
  const Row& r = s->dbc->script.rows[s->block + row - 1];
  if (r.set_pos_fail) return Report(s, *r.set_pos_fail, SQL_ERROR);
  s->current = row - 1;
  s->gd_column = 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT c_type,
                             SQLPOINTER target, SQLLEN width, SQLLEN* ind) {
  auto* s = Enter<Stmt>(hstmt);
  const Script& script = s->dbc->script;
  if (s->array_size > 1 && !(script.getdata & SQL_GD_BLOCK))
    return Fail(s, "HYC00", "SQLGetData in a block");
  if (s->bindings.count(column) && !(script.getdata & SQL_GD_BOUND))
    return Fail(s, "07009", "SQLGetData of a bound column");
  if (column < s->gd_column && !(script.getdata & SQL_GD_ANY_ORDER))
    return Fail(s, "07009", "SQLGetData out of order");
  const Row& r = script.rows[s->block + s->current];
  if (auto f = r.get_data_fail.find(column); f != r.get_data_fail.end())
    return Report(s, f->second, SQL_ERROR);
  if (column != s->gd_column) s->gd_column = column, s->gd_offset = 0, s->gd_done = false;
  if (s->gd_done) return SQL_NO_DATA;
  const auto reread = r.reread.find(column);
  const auto& v = reread != r.reread.end() ? reread->second : r.values[column - 1u];
  if (!v) {
    if (ind) *ind = SQL_NULL_DATA;
    s->gd_done = true;
    return SQL_SUCCESS;
  }
  const std::string bytes = Convert(*v, script.columns[column - 1].type, c_type);
  std::size_t written = 0;
  const bool cut = Put(bytes.substr(s->gd_offset), c_type, static_cast<char*>(target), width, ind,
                       script.no_total, written);
  s->gd_offset += written;
  s->gd_done = !cut;
  return cut ? Report(s, {"01004", "String data, right truncated"}, SQL_SUCCESS_WITH_INFO)
             : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT, SQLUSMALLINT) { return SQL_SUCCESS; }

// ODBC access: RAII handles, one diagnostic per failure, and a forward-reading result set that
// fetches with bound buffers and row arrays. <sql.h> stays out of this header.
//
// Failures come back as Status: number = the driver's native code when non-zero, else a stable
// number per SQLSTATE class; description = "[SQLSTATE] message". SQLGetDiagRec is called once
// per failure (some drivers crash on repeated calls).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/driver_profile.h"
#include "platform/odbc/handle.h"
#include "platform/odbc/value.h"
#include "platform/status.h"
#include "platform/text/quoting.h"

namespace kelvax::odbc {

class Connection;
class ResultSet;

// SQL type codes the program looks at (the ODBC values): the export writes these bare.
constexpr int kSqlInteger = 4;
constexpr int kSqlSmallInt = 5;

class Environment {
 public:
  Environment() = default;
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  Status Open();
  void Release();
  bool is_open() const { return static_cast<bool>(handle_); }
  void* handle() const { return handle_.get(); }

 private:
  friend class Connection;
  EnvHandle handle_;
  // Open connections, closed by Release so that the handles go in the order ODBC wants.
  std::vector<Connection*> connections_;
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // SQLDriverConnect without prompting, with the connect string exactly as given.
  // `read_only` asks for SQL_MODE_READ_ONLY first (a driver that cannot do it is not an error).
  // Text reaches ANSI drivers through the driver manager's conversion, which follows LC_CTYPE:
  // see UseUtf8Ctype (utf8_ctype.h), which the program calls as it starts.
  // A MySQL-family connection whose character set is not utf8mb4 (a DSN with CHARSET=cp932)
  // is opened again with CHARSET=utf8mb4: the server would send every character outside its
  // set as '?', and read ours so too.
  Status Open(Environment& env, const std::string& connect_string, bool read_only);
  // Closes this connection's results first. Closing a connection that is not open fails
  // ("[08003] Connection not open"), like any other action on it; the destructor stays quiet.
  Status Close();
  bool is_open() const { return connected_; }
  void* handle() const { return handle_.get(); }
  Dbms dbms() const { return profile_.dbms; }
  const DriverProfile& profile() const { return profile_; }

  // Runs a statement whose result is not needed.
  Status ExecuteDirect(const std::string& statement);

  // Whether the driver takes several statements in one text and reports a row count for each
  // (SQL_BATCH_SUPPORT with explicit row counts).
  bool SupportsBatches();
  // Runs a text of several statements and gives the row count of each result in order, so
  // the caller can tell that every statement ran.
  Status ExecuteBatch(const std::string& statements, std::vector<long>& row_counts);

  // Transactions (for the export): whether the target can do them, and their control.
  bool SupportsTransactions();
  Status SetAutoCommit(bool on);
  Status Commit();
  Status Rollback();

  // For the result set: SQLExecDirect on `stmt` in the form the driver takes without changing
  // the text, and the results to close before the connection goes.
  short ExecText(void* stmt, const std::string& statement);
  void Track(ResultSet* result);
  void Untrack(ResultSet* result);

 private:
  friend class Environment;
  Status OpenAs(Environment& env, const std::string& connect_string, bool read_only);
  void Probe(const std::string& completed);
  Status ExecHandle(void*& stmt);
  // Sets the profile's narrow_statements from what `query` gives when sent narrow.
  void ProbeNarrowStatements(const std::string& query);
  // The first column of the first row of `query` as short text; false when there is none.
  bool QueryText(const std::string& query, std::string& value);
  // The statement handle ExecuteDirect reuses: one per row of an export costs time.
  StmtHandle exec_handle_;
  DbcHandle handle_;
  bool connected_ = false;
  DriverProfile profile_;
  Environment* env_ = nullptr;
  // Results executed on this connection and still holding a statement handle.
  std::vector<ResultSet*> results_;
};

// A result read forward once. After Execute it stands on its first row (or at its end).
// Values come out typed (value.h), exactly what the data source holds:
//   text as the driver sent it in UTF-8 (a narrow driver's ill-formed bytes included);
//   integers as 64-bit numbers; exact decimals as the digits sent, never through a double;
//   floating values as the double itself; dates, times and time stamps with their fraction of
//   a second; binary as its bytes.
// Where a driver hands over stored text (SQLite always; MariaDB and PostgreSQL for dates and
// times, PostgreSQL for money), a text that is no value of its column's kind (1.5 in an INTEGER
// column, 2001-02-30 as a date, TIME 25:00:00, a time stamp BC) comes out as text, as stored.
// A value the driver cannot give exactly fails on its own, with a description; so does a value
// that cannot be read whole, from its own row.
class ResultSet {
 public:
  ResultSet();
  ~ResultSet();
  ResultSet(const ResultSet&) = delete;
  ResultSet& operator=(const ResultSet&) = delete;

  // SQLExecDirect with a keyset-driven cursor and value-comparing optimistic concurrency
  // requested (a driver that changes them is accepted silently), then the columns are described
  // and bound and the first block fetched. A failure of that first fetch is not reported here:
  // AtEnd reports it.
  Status Execute(Connection& connection, const std::string& statement);

  int ColumnCount() const;                          // 0 for a statement without a result
  const std::string& ColumnName(int column) const;  // UTF-8, as the driver reports it
  int ColumnType(int column) const;                 // ODBC SQL type code
  ColumnKind Kind(int column) const;
  // Whether the server types the column as plain character data (CHAR, VARCHAR, TEXT and their
  // wide forms), as opposed to a type the driver only hands over as text (json, uuid, enum...).
  bool IsPlainText(int column) const;

  // Whether no current row is left. A pending fetch failure is returned once, and the result is
  // then at its end, so a loop over it always terminates.
  Status AtEnd(bool& at_end);
  // Advances to the next row. On failure the result is at its end afterwards.
  Status NextRow();
  // The value of `column` in the current row; its views stay valid until the next NextRow.
  Status Get(int column, Value& value);

  // Releases the statement handle (also done by the destructor).
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelvax::odbc

// What the program does differently per driver, decided once when a connection opens, from the
// DBMS name the driver reports, its completed connect string and two probes of the server.
#pragma once

#include "platform/text/quoting.h"

namespace kelvax::odbc {

// The servers whose drivers the program treats specially.
enum class Dbms { kOther, kSqlite, kPostgres, kMysql };

struct DriverProfile {
  Dbms dbms = Dbms::kOther;
  // Statements through the narrow call, as UTF-8: the SQLite driver's wide call mangles
  // characters beyond the basic plane; psqlODBC and Connector/ODBC where a probe literal sent
  // that way arrives as sent (the wide call costs a conversion each way).
  bool narrow_statements = false;
  // Text fetched as SQL_C_CHAR, UTF-8: the SQLite driver always (its wide path costs more and
  // mangles the same characters); MariaDB and PostgreSQL where a probe value comes back as sent
  // (Connector/ODBC 3.1 gives too short a length for some wide values: 髙橋 came out as 髙;
  // psqlODBC's wide form costs a conversion each way).
  bool narrow_text = false;
  // Every column but binary ones as the stored text (SQLite: declared types are only names, and
  // its typed conversions change values: 1.5 read as 1, text in a DATE column as NULL).
  bool stored_text = false;
  // Dates, times and time stamps fetched as text (MariaDB: TIME 25:00:00 or a zero date fail
  // the typed conversion, which also drops fractions; psqlODBC: see the result set).
  bool temporal_text = false;
  // money fetched as text (psqlODBC gives it as a double).
  bool money_text = false;
  // SQLGetData within a row array can be believed where the driver claims SQL_GD_BLOCK
  // (psqlODBC; MariaDB's Connector/ODBC claims it but gives another row's value).
  bool trusted_block_reads = false;
  // Rows the driver reads from the server at a time when its completed connect string says so
  // (psqlODBC's Fetch with UseDeclareFetch=1), else 0: a result sizes its blocks to divide it.
  unsigned long server_fetch_rows = 0;
  // How the server reads text literals (@@sql_mode on the MySQL family,
  // standard_conforming_strings on PostgreSQL; standard elsewhere). `literals_known` says the
  // server and its mode were recognised, so that a literal cannot be read other than written.
  SqlLiteral literals = SqlLiteral::kStandard;
  bool literals_known = false;
};

}  // namespace kelvax::odbc

// The text of one row's INSERT statement: each value as the literal the target reads back as
// exactly that value.
#pragma once

#include <string>

#include "platform/odbc/odbc.h"
#include "platform/status.h"
#include "platform/text/quoting.h"

namespace kelvax {

// How a source column's values are written.
struct InsertColumn {
  // Integer and small-integer columns: written bare, and a text there must be a plain integer.
  bool bare_integer = false;
  // Plain character columns: a NULL is written ''. Elsewhere NULL stays NULL, since '' is no
  // number, date, json or uuid and a typed target would refuse the row.
  bool plain_text = false;
};
InsertColumn InsertColumnOf(const odbc::ResultSet& result, int column);

// What the target reads: its text literals, and the server (for booleans, binary values and
// offsets of time stamps).
struct LiteralTarget {
  SqlLiteral text = SqlLiteral::kStandard;
  odbc::Dbms dbms = odbc::Dbms::kOther;
};

// Starts a statement: the head, then " VALUES (".
void BeginInsert(std::string& statement, const std::string& head);
// Appends one value and ", ":
//   text trimmed of spaces, as a literal of the target's form;  integers as digits;  exact
//   decimals and floating values as their text form, quoted ('12.5', '0.30000000000000004');
//   booleans TRUE/FALSE where the server is known ('True'/'False' elsewhere);  dates, times and
//   time stamps in ISO form with their fraction and offset ('2024-02-29 09:05:03.5+09:00'; the
//   MySQL family takes no offset);  binary as X'0A0B' (SQLite, MySQL family) or
//   decode('0a0b', 'hex') (PostgreSQL), else quoted hex.
// A value that cannot arrive exactly (text with no literal in the target's form, ill-formed
// UTF-8, a non-integer in an integer column) appends nothing and gives the failure the row is
// refused with.
Status AppendInsertValue(std::string& statement, const odbc::Value& value, InsertColumn column,
                         const LiteralTarget& target);
// Replaces the final ", " by ")".
void EndInsert(std::string& statement);

}  // namespace kelvax

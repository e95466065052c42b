// The single-file database of the file-database commands: SQLite files (file format 3), under
// whatever name the job gives them. Stored queries are views.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// Creates an empty database file at `path` (the caller removes an old one first).
Status CreateFileDatabase(const std::string& path);
// Stores `sql` as the query `name`. A name already in use is refused, never replaced. `sql` is
// one statement: only blanks, comments and ';' may follow it; anything more is refused before
// the database is changed.
Status CreateStoredQuery(const std::string& path, const std::string& name, const std::string& sql);
// Runs the stored query `name` up to its first row; nothing is read.
Status RunStoredQuery(const std::string& path, const std::string& name);
// Compacts the database at `path` in place (VACUUM): the file stays the one every name and
// every user has (owner, group, mode, links; a symbolic link's target is the file compacted).
// Another program's transaction is waited for up to `busy_ms`; the database then stays locked
// against writers until the compaction ends, so no commit is lost. On failure the database is
// as it was, and so it is after a crash: SQLite rolls the journal back at its next open.
constexpr int kCompactBusyMs = 60000;
Status CompactFileDatabase(const std::string& path, int busy_ms = kCompactBusyMs);

}  // namespace kelvax

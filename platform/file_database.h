// The single-file database of the file-database commands: SQLite files (file format 3), under
// whatever name the job gives them. Stored queries are views.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// Creates an empty database file at `path` (the caller removes an old one first).
Status CreateFileDatabase(const std::string& path);
// Stores `sql` as the query `name`. A name already in use is refused, never replaced.
Status CreateStoredQuery(const std::string& path, const std::string& name, const std::string& sql);
// Runs the stored query `name` up to its first row; nothing is read.
Status RunStoredQuery(const std::string& path, const std::string& name);
// Writes a compacted copy of the database at `source` to `destination` (which must not exist).
Status CompactFileDatabase(const std::string& source, const std::string& destination);

}  // namespace kelvax

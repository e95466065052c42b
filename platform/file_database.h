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
// Compacts the database at `source` through the file `temporary` and puts the result in its
// place, with the source's mode, owner and group (as far as the process may set them).
// `temporary` is created here, exclusively and never through a link, readable by its owner
// only: any entry already at that name (a file, a planted symbolic link) is refused, so the copy
// can reach no one else. On failure the source is unchanged and the temporary file removed.
Status CompactFileDatabase(const std::string& source, const std::string& temporary);

}  // namespace kelvax

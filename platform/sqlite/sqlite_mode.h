// How the process's SQLite library runs. The file-database commands and the SQLite ODBC driver
// load the same shared library, so this setting covers both.
#pragma once

namespace kelvax {

// Puts SQLite in multi-thread mode with memory statistics off, before anything has used it.
// Safe because no SQLite connection is ever used by two threads at once: a job runs on one
// thread, and each command or driver connection lives and dies there. Multi-thread mode still
// guards SQLite's shared state (allocator, page cache), so a second thread with its own
// connection (the windows testing a data source) stays safe; what goes are the per-connection
// mutexes, taken several times for every fetched value (five million lock pairs per 100,000
// rows of seven columns), and the allocator's statistics lock.
// Does nothing when the library is already initialised (the mode can only be chosen before).
// Call first in main, before any thread is started.
void PrepareSqliteForOneThreadPerConnection();

}  // namespace kelvax

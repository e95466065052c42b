#include "platform/sqlite/sqlite_mode.h"

#include <sqlite3.h>

namespace kelvax {

void PrepareSqliteForOneThreadPerConnection() {
  // sqlite3_config refuses (SQLITE_MISUSE) once the library is initialised; then nothing changes.
  if (sqlite3_config(SQLITE_CONFIG_MULTITHREAD) != SQLITE_OK) return;
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  sqlite3_initialize();
}

}  // namespace kelvax

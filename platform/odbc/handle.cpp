#include "platform/odbc/handle.h"

#include <sql.h>

namespace kelvax::odbc {

static_assert(kEnvHandle == SQL_HANDLE_ENV && kDbcHandle == SQL_HANDLE_DBC &&
              kStmtHandle == SQL_HANDLE_STMT);

short AllocateHandle(short type, void* parent, void** handle) {
  SQLHANDLE h = SQL_NULL_HANDLE;
  const SQLRETURN rc = SQLAllocHandle(type, parent, &h);
  *handle = SQL_SUCCEEDED(rc) ? h : nullptr;
  return rc;
}

void FreeHandle(short type, void* handle) { SQLFreeHandle(type, handle); }

}  // namespace kelvax::odbc

/* Shared by the export reference programs: read the source in blocks of rows bound as text. Values
 * longer than their buffer are cut short and counted; these programs set speed marks, they are not
 * exporters. */
#ifndef KELVAX_BENCH_EXPORT_COMMON_H
#define KELVAX_BENCH_EXPORT_COMMON_H

#include <string.h>

#include "bench_odbc.h"

#define BLOCK_ROWS 1000
#define MAX_WIDTH 4096

/* The source result: every column bound as SQL_C_CHAR, BLOCK_ROWS rows per fetch. */
struct source {
  SQLHSTMT stmt;
  SQLSMALLINT columns;
  SQLSMALLINT* type; /* SQL type of each column */
  SQLLEN* width;     /* buffer bytes per value */
  char** data;       /* column-wise arrays */
  SQLLEN** indicator;
  SQLULEN fetched;
  long truncated;
};

static void source_open(struct source* s, SQLHDBC dbc, const char* statement) {
  memset(s, 0, sizeof *s);
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &s->stmt);
  SQLSetStmtAttr(s->stmt, SQL_ATTR_ROW_BIND_TYPE, (SQLPOINTER)SQL_BIND_BY_COLUMN, 0);
  SQLSetStmtAttr(s->stmt, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)(SQLULEN)BLOCK_ROWS, 0);
  SQLSetStmtAttr(s->stmt, SQL_ATTR_ROWS_FETCHED_PTR, &s->fetched, 0);
  if (!SQL_SUCCEEDED(SQLExecDirect(s->stmt, (SQLCHAR*)statement, SQL_NTS)))
    bench_fail("SQLExecDirect(source)", SQL_HANDLE_STMT, s->stmt);
  SQLNumResultCols(s->stmt, &s->columns);
  if (s->columns <= 0) {
    fprintf(stderr, "the source statement has no result columns\n");
    exit(1);
  }
  s->type = calloc((size_t)s->columns, sizeof *s->type);
  s->width = calloc((size_t)s->columns, sizeof *s->width);
  s->data = calloc((size_t)s->columns, sizeof *s->data);
  s->indicator = calloc((size_t)s->columns, sizeof *s->indicator);
  for (SQLSMALLINT c = 0; c < s->columns; ++c) {
    SQLCHAR name[256];
    SQLSMALLINT name_length = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(s->stmt, (SQLUSMALLINT)(c + 1), name, sizeof name, &name_length, &s->type[c],
                   &size, &digits, &nullable);
    SQLULEN want = size == 0 ? MAX_WIDTH : size * 3 + 32;
    s->width[c] = (SQLLEN)(want > MAX_WIDTH ? MAX_WIDTH : want);
    s->data[c] = malloc((size_t)s->width[c] * BLOCK_ROWS);
    s->indicator[c] = malloc(sizeof(SQLLEN) * BLOCK_ROWS);
    SQLBindCol(s->stmt, (SQLUSMALLINT)(c + 1), SQL_C_CHAR, s->data[c], s->width[c],
               s->indicator[c]);
  }
}

/* Fetches the next block; returns the number of rows in it, 0 at the end. */
static SQLULEN source_fetch(struct source* s) {
  s->fetched = 0;
  SQLRETURN rc = SQLFetch(s->stmt);
  if (rc == SQL_NO_DATA) return 0;
  if (!SQL_SUCCEEDED(rc)) bench_fail("SQLFetch", SQL_HANDLE_STMT, s->stmt);
  for (SQLSMALLINT c = 0; c < s->columns; ++c) {
    for (SQLULEN r = 0; r < s->fetched; ++r) {
      SQLLEN n = s->indicator[c][r];
      if (n == SQL_NO_TOTAL || n >= s->width[c]) {
        s->indicator[c][r] = s->width[c] - 1;
        ++s->truncated;
      }
    }
  }
  return s->fetched;
}

#endif

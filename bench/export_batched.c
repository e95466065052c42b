/* The limit for an export: one prepared INSERT with parameter markers, the fetched block of
 * rows bound as a parameter array (the fetch buffers themselves), all in one transaction.
 * Parameters are typed after the source columns, so that a strict target (PostgreSQL) takes
 * them; a driver that refuses parameter arrays gets one row per execution.
 *
 *   cc -O2 -o export_batched bench/export_batched.c -lodbc
 *   ./export_batched SOURCE_CONNECT 'SELECT * FROM bench' TARGET_CONNECT 'INSERT INTO copy'
 *
 * Rows, seconds and rows per second go to stderr. */
#include "export_common.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s SOURCE_CONNECT STATEMENT TARGET_CONNECT INSERT_HEAD\n", argv[0]);
    return 2;
  }
  struct timespec t0;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  SQLHENV env = bench_env();
  SQLHDBC source_dbc = bench_connect(env, argv[1]);
  SQLHDBC target_dbc = bench_connect(env, argv[3]);
  SQLSetConnectAttr(target_dbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_OFF, SQL_IS_UINTEGER);

  struct source s;
  source_open(&s, source_dbc, argv[2]);

  size_t head = strlen(argv[4]);
  char* sql = malloc(head + 16 + 3 * (size_t)s.columns);
  size_t at = head;
  memcpy(sql, argv[4], head);
  memcpy(sql + at, " VALUES (", 9);
  at += 9;
  for (SQLSMALLINT c = 0; c < s.columns; ++c) {
    if (c) sql[at++] = ',';
    sql[at++] = '?';
  }
  sql[at++] = ')';
  sql[at] = '\0';

  SQLHSTMT insert;
  SQLAllocHandle(SQL_HANDLE_STMT, target_dbc, &insert);
  if (!SQL_SUCCEEDED(SQLPrepare(insert, (SQLCHAR*)sql, SQL_NTS)))
    bench_fail("SQLPrepare", SQL_HANDLE_STMT, insert);
  SQLULEN processed = 0;
  SQLSetStmtAttr(insert, SQL_ATTR_PARAM_BIND_TYPE, (SQLPOINTER)SQL_PARAM_BIND_BY_COLUMN, 0);
  SQLSetStmtAttr(insert, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
  SQLULEN granted = 0;
  int arrays = SQL_SUCCEEDED(SQLSetStmtAttr(insert, SQL_ATTR_PARAMSET_SIZE,
                                            (SQLPOINTER)(SQLULEN)BLOCK_ROWS, 0)) &&
               SQL_SUCCEEDED(SQLGetStmtAttr(insert, SQL_ATTR_PARAMSET_SIZE, &granted, 0, NULL)) &&
               granted == BLOCK_ROWS;
  if (!arrays) SQLSetStmtAttr(insert, SQL_ATTR_PARAMSET_SIZE, (SQLPOINTER)(SQLULEN)1, 0);

  /* Whole arrays are bound once; without arrays each row rebinds at its offset. */
  for (SQLSMALLINT c = 0; c < s.columns; ++c) {
    if (!SQL_SUCCEEDED(SQLBindParameter(insert, (SQLUSMALLINT)(c + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                        s.type[c], (SQLULEN)s.width[c], 6, s.data[c], s.width[c],
                                        s.indicator[c])))
      bench_fail("SQLBindParameter", SQL_HANDLE_STMT, insert);
  }

  long rows = 0;
  SQLULEN n;
  while ((n = source_fetch(&s)) > 0) {
    if (arrays) {
      SQLSetStmtAttr(insert, SQL_ATTR_PARAMSET_SIZE, (SQLPOINTER)n, 0);
      if (!SQL_SUCCEEDED(SQLExecute(insert))) bench_fail("SQLExecute", SQL_HANDLE_STMT, insert);
    } else {
      for (SQLULEN r = 0; r < n; ++r) {
        for (SQLSMALLINT c = 0; c < s.columns; ++c) {
          SQLBindParameter(insert, (SQLUSMALLINT)(c + 1), SQL_PARAM_INPUT, SQL_C_CHAR, s.type[c],
                           (SQLULEN)s.width[c], 6, s.data[c] + (size_t)s.width[c] * r, s.width[c],
                           &s.indicator[c][r]);
        }
        if (!SQL_SUCCEEDED(SQLExecute(insert))) bench_fail("SQLExecute", SQL_HANDLE_STMT, insert);
      }
    }
    rows += (long)n;
  }
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, target_dbc, SQL_COMMIT)))
    bench_fail("SQLEndTran", SQL_HANDLE_DBC, target_dbc);
  SQLFreeHandle(SQL_HANDLE_STMT, insert);
  SQLFreeHandle(SQL_HANDLE_STMT, s.stmt);
  SQLDisconnect(source_dbc);
  SQLDisconnect(target_dbc);
  double seconds = bench_seconds(&t0);
  fprintf(stderr, "%ld rows, %.3f s, %.0f rows/s, parameter arrays %s, %ld values cut short\n",
          rows, seconds, seconds > 0 ? rows / seconds : 0.0, arrays ? "on" : "off", s.truncated);
  return 0;
}

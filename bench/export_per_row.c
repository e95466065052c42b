/* The one-INSERT-per-row form: every source row becomes one INSERT statement built as text
 * (values quoted, apostrophes doubled, NULL as NULL), executed at once in autocommit. With a
 * GROUP of N the rows are committed N at a time instead: the floor for statements sent as text.
 * With PER_STATEMENT rows as well, that many rows go in one multi-row INSERT ... VALUES (...),
 * (...) (GROUP should be a multiple of it): the floor for the multi-row form.
 *
 *   cc -O2 -o export_per_row bench/export_per_row.c -lodbc
 *   ./export_per_row SOURCE_CONNECT 'SELECT * FROM bench' TARGET_CONNECT 'INSERT INTO copy' \
 *     [GROUP [PER_STATEMENT]]
 *
 * Rows, seconds and rows per second go to stderr. */
#include "export_common.h"

int main(int argc, char** argv) {
  if (argc < 5 || argc > 7) {
    fprintf(stderr,
            "usage: %s SOURCE_CONNECT STATEMENT TARGET_CONNECT INSERT_HEAD [GROUP [PER_STATEMENT]]\n",
            argv[0]);
    return 2;
  }
  long group = argc >= 6 ? atol(argv[5]) : 0;
  long per = argc == 7 ? atol(argv[6]) : 1;
  if (per < 1) per = 1;
  struct timespec t0;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  SQLHENV env = bench_env();
  SQLHDBC source_dbc = bench_connect(env, argv[1]);
  SQLHDBC target_dbc = bench_connect(env, argv[3]);
  if (group > 0)
    SQLSetConnectAttr(target_dbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_OFF, SQL_IS_UINTEGER);

  struct source s;
  source_open(&s, source_dbc, argv[2]);
  size_t head = strlen(argv[4]);
  size_t row_room = 8;
  for (SQLSMALLINT c = 0; c < s.columns; ++c) row_room += 2 * (size_t)s.width[c] + 4;
  char* sql = malloc(head + 16 + row_room * (size_t)per);
  SQLHSTMT insert;
  SQLAllocHandle(SQL_HANDLE_STMT, target_dbc, &insert);

  long rows = 0, pending = 0;
  size_t at = 0;
  SQLULEN n;
  for (;;) {
    n = source_fetch(&s);
    for (SQLULEN r = 0; r < n; ++r) {
      if (pending == 0) {
        memcpy(sql, argv[4], head);
        at = head;
        memcpy(sql + at, " VALUES (", 9);
        at += 9;
      } else {
        memcpy(sql + at, ", (", 3);
        at += 3;
      }
      for (SQLSMALLINT c = 0; c < s.columns; ++c) {
        if (c) {
          sql[at++] = ',';
          sql[at++] = ' ';
        }
        SQLLEN len = s.indicator[c][r];
        if (len == SQL_NULL_DATA) {
          memcpy(sql + at, "NULL", 4);
          at += 4;
          continue;
        }
        const char* v = s.data[c] + (size_t)s.width[c] * r;
        sql[at++] = '\'';
        for (SQLLEN i = 0; i < len; ++i) {
          if (v[i] == '\'') sql[at++] = '\'';
          sql[at++] = v[i];
        }
        sql[at++] = '\'';
      }
      sql[at++] = ')';
      ++rows;
      if (++pending < per) continue;
      if (!SQL_SUCCEEDED(SQLExecDirect(insert, (SQLCHAR*)sql, (SQLINTEGER)at)))
        bench_fail("SQLExecDirect(INSERT)", SQL_HANDLE_STMT, insert);
      SQLFreeStmt(insert, SQL_CLOSE);
      pending = 0;
      if (group > 0 && rows % group == 0 &&
          !SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, target_dbc, SQL_COMMIT)))
        bench_fail("SQLEndTran", SQL_HANDLE_DBC, target_dbc);
    }
    if (n == 0) break;
  }
  if (pending > 0) {
    if (!SQL_SUCCEEDED(SQLExecDirect(insert, (SQLCHAR*)sql, (SQLINTEGER)at)))
      bench_fail("SQLExecDirect(INSERT)", SQL_HANDLE_STMT, insert);
    SQLFreeStmt(insert, SQL_CLOSE);
  }
  if (group > 0 && !SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, target_dbc, SQL_COMMIT)))
    bench_fail("SQLEndTran", SQL_HANDLE_DBC, target_dbc);
  SQLFreeHandle(SQL_HANDLE_STMT, insert);
  SQLFreeHandle(SQL_HANDLE_STMT, s.stmt);
  SQLDisconnect(source_dbc);
  SQLDisconnect(target_dbc);
  double seconds = bench_seconds(&t0);
  fprintf(stderr, "%ld rows, %.3f s, %.0f rows/s, %ld values cut short\n", rows, seconds,
          seconds > 0 ? rows / seconds : 0.0, s.truncated);
  return 0;
}

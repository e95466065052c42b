/* The bare block-cursor loop the product's extract is measured against: connect, execute,
 * bind every column as SQL_C_CHAR, fetch 1024 rows at a time, write TAB-separated CR LF lines
 * with fwrite. No text conversion, no per-row work beyond the copy.
 *
 *   cc -O2 -o reference_fetch bench/reference_fetch.c -lodbc -lsqlite3
 *   ./reference_fetch 'DRIVER=SQLite3;Database=bench.db;StepAPI=1' 'SELECT * FROM bench' out.tsv
 *
 * With REFERENCE_SQLITE_MULTITHREAD=1 in the environment, SQLite is set up as kelvax sets it
 * (bench_odbc.h).
 *
 * Values longer than their buffer (the column size, at most 4096 bytes) are cut short and
 * counted: this program sets the speed limit, it is not an exporter. Rows, seconds and rows per
 * second go to stderr. */

#include "bench_odbc.h"

#define ROWS 1024
#define MAX_WIDTH 4096

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s CONNECT_STRING STATEMENT OUTPUT\n", argv[0]);
    return 2;
  }
  struct timespec t0;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  SQLHENV env = bench_env();
  SQLHDBC dbc = bench_connect(env, argv[1]);
  SQLHSTMT stmt;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);

  SQLULEN fetched = 0;
  SQLUSMALLINT status[ROWS];
  SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, (SQLPOINTER)SQL_BIND_BY_COLUMN, 0);
  SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)(SQLULEN)ROWS, 0);
  SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, status, 0);
  if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)argv[2], SQL_NTS)))
    bench_fail("SQLExecDirect", SQL_HANDLE_STMT, stmt);

  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt, &columns);
  if (columns <= 0) {
    fprintf(stderr, "the statement has no result columns\n");
    return 1;
  }
  char** data = calloc((size_t)columns, sizeof *data);
  SQLLEN** indicator = calloc((size_t)columns, sizeof *indicator);
  SQLLEN* width = calloc((size_t)columns, sizeof *width);
  FILE* out = fopen(argv[3], "wb");
  if (!out) {
    perror(argv[3]);
    return 1;
  }
  for (SQLSMALLINT c = 0; c < columns; ++c) {
    SQLCHAR name[256];
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeCol(stmt, (SQLUSMALLINT)(c + 1), name, sizeof name, &name_length, &type, &size,
                   &digits, &nullable);
    /* Room for the digits, sign and point of numbers and three bytes a character of text. */
    SQLULEN want = size == 0 ? MAX_WIDTH : size * 3 + 8;
    width[c] = (SQLLEN)(want > MAX_WIDTH ? MAX_WIDTH : want);
    data[c] = malloc((size_t)width[c] * ROWS);
    indicator[c] = malloc(sizeof(SQLLEN) * ROWS);
    SQLBindCol(stmt, (SQLUSMALLINT)(c + 1), SQL_C_CHAR, data[c], width[c], indicator[c]);
    if (c) fputc('\t', out);
    fwrite(name, 1, strlen((char*)name), out);
  }
  fwrite("\r\n", 1, 2, out);

  char* line = malloc((size_t)columns * (MAX_WIDTH + 1) + 2);
  long rows = 0, truncated = 0;
  SQLRETURN rc;
  while (SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
    for (SQLULEN r = 0; r < fetched; ++r) {
      if (status[r] == SQL_ROW_NOROW || status[r] == SQL_ROW_ERROR) continue;
      size_t at = 0;
      for (SQLSMALLINT c = 0; c < columns; ++c) {
        if (c) line[at++] = '\t';
        SQLLEN n = indicator[c][r];
        if (n == SQL_NULL_DATA) continue;
        if (n == SQL_NO_TOTAL || n >= width[c]) {
          n = width[c] - 1;
          ++truncated;
        }
        memcpy(line + at, data[c] + (size_t)width[c] * r, (size_t)n);
        at += (size_t)n;
      }
      line[at++] = '\r';
      line[at++] = '\n';
      fwrite(line, 1, at, out);
      ++rows;
    }
  }
  if (rc != SQL_NO_DATA) bench_fail("SQLFetch", SQL_HANDLE_STMT, stmt);
  fclose(out);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);

  double seconds = bench_seconds(&t0);
  fprintf(stderr, "%ld rows, %.3f s, %.0f rows/s, %ld values cut short\n", rows, seconds,
          seconds > 0 ? rows / seconds : 0.0, truncated);
  for (SQLSMALLINT c = 0; c < columns; ++c) {
    free(data[c]);
    free(indicator[c]);
  }
  free(data);
  free(indicator);
  free(width);
  free(line);
  return 0;
}

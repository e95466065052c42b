/* Shared by the C reference programs: an ODBC 3 environment, a connection, a failure that ends
 * the program with the driver's message, and the seconds since a start. */
#ifndef KELVAX_BENCH_ODBC_H
#define KELVAX_BENCH_ODBC_H

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static void bench_fail(const char* what, SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = "", message[1024] = "";
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (handle) SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
  fprintf(stderr, "%s failed: [%s] %s\n", what, (char*)state, (char*)message);
  exit(1);
}

static SQLHDBC bench_connect(SQLHENV env, const char* connect_string) {
  SQLHDBC dbc;
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, NULL, (SQLCHAR*)connect_string, SQL_NTS, NULL, 0, NULL,
                                      SQL_DRIVER_NOPROMPT)))
    bench_fail("SQLDriverConnect", SQL_HANDLE_DBC, dbc);
  return dbc;
}

/* With REFERENCE_SQLITE_MULTITHREAD=1 in the environment, SQLite is put in multi-thread mode
 * with memory statistics off before a driver loads it, as kelvax does (link with -lsqlite3). */
static SQLHENV bench_env(void) {
  const char* mt = getenv("REFERENCE_SQLITE_MULTITHREAD");
  if (mt && strcmp(mt, "1") == 0 && sqlite3_config(SQLITE_CONFIG_MULTITHREAD) == SQLITE_OK) {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_initialize();
  }
  SQLHENV env;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
  return env;
}

static double bench_seconds(const struct timespec* t0) {
  struct timespec t1;
  clock_gettime(CLOCK_MONOTONIC, &t1);
  return (double)(t1.tv_sec - t0->tv_sec) + (double)(t1.tv_nsec - t0->tv_nsec) / 1e9;
}

#endif

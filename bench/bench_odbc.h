/* Shared by the C reference programs: an ODBC 3 environment, a connection, a failure that ends
 * the program with the driver's message, and the seconds since a start. */
#ifndef KELVAX_BENCH_ODBC_H
#define KELVAX_BENCH_ODBC_H

#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <stdlib.h>
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

static SQLHENV bench_env(void) {
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

#!/usr/bin/env bash
# Export speed, in one run: ROWS rows (default 100,000) of the benchmark table from SQLite into
#   a SQLite file, and into PostgreSQL and MariaDB (private servers this script starts and
#   stops; MariaDB with and without the driver's multi-statement option), by
#   - kelvax, a job task with OUTPUT=INSERT;
#   - bench/export_per_row.c: one INSERT statement per row, autocommit (the plain form), and the
#     same statements committed 2000 at a time (the floor for statements sent as text, which is
#     what kelvax sends);
#   - bench/export_batched.c: one prepared INSERT, parameter arrays, one transaction (the limit).
# Each figure is the median of RUNS runs; the target table is emptied before every run.
#
#   bench/export.sh [sqlite|pg|mariadb|all]
#   env: KELVAX (default build/kelvax), ROWS (100000), RUNS (3), BENCH_DIR (/tmp/kelvax-bench),
#        KELVAX_ONLY=1 measures kelvax alone (comparing two builds on a busy machine),
#        LIMIT_ONLY=1 kelvax and the batched limit (the per-row forms take minutes),
#        MULTIROW=1 kelvax, the multi-row VALUES form (100 rows a statement, a commit every
#        2,000) and the batched loop
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
rows=${ROWS:-100000}
runs=${RUNS:-3}
work=${BENCH_DIR:-/tmp/kelvax-bench}
kelvax=${KELVAX:-$here/build/kelvax}

case $what in sqlite|pg|mariadb|all) ;; *) echo "usage: $0 [sqlite|pg|mariadb|all]" >&2; exit 2 ;; esac
source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"
src="$work/bench-$rows.db"
bench_table_db "$src" "$rows"
bench_add_dsn EXSRC "Driver=SQLite3" "Database=$src" "StepAPI=1"
dst="$work/export-target.db"
bench_add_dsn EXDST "Driver=SQLite3" "Database=$dst"

bench_compile export_per_row
bench_compile export_batched
bench_install_kelvax "$kelvax" "$work/kx"

head="INSERT INTO copy"
columns="id INTEGER PRIMARY KEY, amount REAL, price DECIMAL(12,2), name VARCHAR(40), note TEXT,
  created TIMESTAMP, qty INTEGER"
query="SELECT * FROM bench"

# kelvax_export_job TARGET_DSN: the one-task job file $work/export-TARGET_DSN.ini
kelvax_export_job() {
  printf '[CONNECTION01]\r\nDSN01=DSN=EXSRC\r\nSQL01=%s\r\nOUTPUT=INSERT\r\nDSN02=DSN=%s\r\nSQL02=%s\r\n' \
    "$query" "$1" "$head" > "$work/export-$1.ini"
}

# export_series TARGET_DSN TARGET_CONNECT: the three programs against one target.
export_series() {
  kelvax_export_job "$1"
  bench_header "rows in target"
  bench_measure "kelvax OUTPUT=INSERT" "" "$work/kx/kelvax" "$work/export-$1.ini"
  k=$BENCH_WALL; k_cpu=$BENCH_CPU
  if [ -n "${KELVAX_ONLY:-}" ]; then
    awk -v k="$k" -v n="$rows" 'BEGIN { printf "\nrows/s: kelvax %.0f\n", n / k }'
    return
  fi
  if [ -n "${MULTIROW:-}" ]; then
    export REFERENCE_SQLITE_MULTITHREAD=1  # SQLite set up as kelvax sets it
    bench_measure "multi-row VALUES, 100 a statement" "" "$work/export_per_row" "DSN=EXSRC" "$query" \
      "$2" "$head" 2000 100
    local multi=$BENCH_WALL multi_cpu=$BENCH_CPU
    bench_measure "export_batched.c (prepared)" "" "$work/export_batched" "DSN=EXSRC" "$query" "$2" "$head"
    echo
    bench_ratio "kelvax / multi-row VALUES" "$k" "$multi" "<= 1.1" "$k_cpu" "$multi_cpu"
    bench_ratio "kelvax / prepared loop" "$k" "$BENCH_WALL" "(reported)" "$k_cpu" "$BENCH_CPU"
    unset REFERENCE_SQLITE_MULTITHREAD
    return
  fi
  if [ -n "${LIMIT_ONLY:-}" ]; then
    bench_measure "export_batched.c (limit)" "" "$work/export_batched" "DSN=EXSRC" "$query" "$2" "$head"
    echo
    bench_ratio "batched loop / kelvax (speed)" "$BENCH_WALL" "$k" ">= 0.8" "$BENCH_CPU" "$k_cpu"
    return
  fi
  bench_measure "export_per_row.c (autocommit)" "" "$work/export_per_row" "DSN=EXSRC" "$query" "$2" "$head"
  per_row=$BENCH_WALL
  bench_measure "export_per_row.c 2000/commit" "" "$work/export_per_row" "DSN=EXSRC" "$query" "$2" "$head" 2000
  text_floor=$BENCH_WALL
  bench_measure "export_batched.c (limit)" "" "$work/export_batched" "DSN=EXSRC" "$query" "$2" "$head"
  batched=$BENCH_WALL
  echo
  awk -v k="$k" -v p="$per_row" -v t="$text_floor" -v b="$batched" -v n="$rows" 'BEGIN {
    printf "rows/s: kelvax %.0f, per-row %.0f, per-row 2000/commit %.0f, batched %.0f\n", n / k, n / p, n / t, n / b
    printf "kelvax speed / text statements in groups %6.2f\n", t / k
    printf "kelvax speed / per-row form   %6.2f   target >= 10\n", p / k
    printf "kelvax speed / batched loop   %6.2f   target >= 0.8\n", b / k }'
}

echo "# kelvax export benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $rows rows, median of $runs"
echo "# kelvax: $kelvax; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "$what" = sqlite ] || [ "$what" = all ]; then
  echo
  echo "## SQLite -> SQLite file (default journal and synchronous settings)"
  BENCH_BEFORE="rm -f '$dst' '$dst-journal'; sqlite3 '$dst' 'CREATE TABLE copy ($columns)'"
  BENCH_CHECK="sqlite3 '$dst' 'SELECT COUNT(*) FROM copy'"
  export_series EXDST "DSN=EXDST"
  unset BENCH_BEFORE BENCH_CHECK
fi

if [ "$what" = pg ] || [ "$what" = all ]; then
  bench_pg_start "$work/pg"
  bench_psql -q -c "DROP TABLE IF EXISTS copy" -c "CREATE TABLE copy (id integer PRIMARY KEY,
    amount double precision, price numeric(12,2), name varchar(40), note text, created timestamp,
    qty integer)" >/dev/null
  bench_pg_dsn EXPG
  echo
  echo "## SQLite -> PostgreSQL $(bench_psql -At -c 'SHOW server_version') (Unix socket, psqlODBC defaults)"
  BENCH_BEFORE="bench_psql -q -c 'TRUNCATE copy' >/dev/null"
  BENCH_CHECK="bench_psql -At -c 'SELECT COUNT(*) FROM copy'"
  export_series EXPG "DSN=EXPG"
  unset BENCH_BEFORE BENCH_CHECK
  bench_pg_stop
fi
if [ "$what" = mariadb ] || [ "$what" = all ]; then
  bench_my_start "$work/mariadb"
  # Upper case: job values are upper-cased, and MariaDB table names on Linux keep their case.
  bench_mariadb -e "CREATE DATABASE IF NOT EXISTS bench; USE bench; DROP TABLE IF EXISTS COPY;
    CREATE TABLE COPY (id INT PRIMARY KEY, amount DOUBLE, price DECIMAL(12,2), name VARCHAR(40),
    note TEXT, created DATETIME, qty INT)"
  head="INSERT INTO COPY"
  options=("" 67108864)
  [ -n "${MULTIROW:-}" ] && options=("")  # the multi-row comparison: a default DSN only
  for option in "${options[@]}"; do
    name=EXMY${option:+M}
    bench_my_dsn "$name" ${option:+"OPTION=$option"}
    echo
    echo "## SQLite -> MariaDB $(bench_mariadb -N -e 'SELECT VERSION()') (Unix socket${option:+, multi-statement option})"
    BENCH_BEFORE="bench_mariadb bench -e 'TRUNCATE COPY'"
    BENCH_CHECK="bench_mariadb -N bench -e 'SELECT COUNT(*) FROM COPY'"
    export_series "$name" "DSN=$name"
    unset BENCH_BEFORE BENCH_CHECK
  done
  bench_my_stop
fi
echo
echo "# load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

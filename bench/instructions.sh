#!/usr/bin/env bash
# Instructions executed by the extract, counted by callgrind (user-space instructions of the
# client process only: the count does not depend on the machine's load, unlike CPU times on a
# shared machine). For each engine: kelvax TAB, CSV, HTML and EXCEL jobs against the bare block
# loop bench/reference_fetch.c through the same driver and DSN (SQLite set up in multi-thread
# mode, as kelvax sets it), on ROWS rows of the benchmark table.
#
#   bench/instructions.sh [sqlite|pg|mariadb|all] [KINDS]
#   KINDS: output kinds to count, default "TAB CSV HTML EXCEL"
#   env: KELVAX (default build/kelvax), ROWS (100000), BENCH_DIR (/tmp/kelvax-bench-ir),
#        PG_FETCH (10000)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
kinds=${2:-TAB CSV HTML EXCEL}
rows=${ROWS:-100000}
work=${BENCH_DIR:-/tmp/kelvax-bench-ir}
kelvax=${KELVAX:-$here/build/kelvax}
pg_fetch=${PG_FETCH:-10000}

case $what in sqlite|pg|mariadb|all) ;; *) echo "usage: $0 [sqlite|pg|mariadb|all] [KINDS]" >&2; exit 2 ;; esac
command -v valgrind >/dev/null || { echo "valgrind not installed" >&2; exit 2; }
source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"
bench_compile reference_fetch
bench_install_kelvax "$kelvax" "$work/kx"

# instructions NAME CMD...: the instructions CMD executed, in millions; the profile stays in
# $work/callgrind.NAME for callgrind_annotate.
instructions() {
  local out="$work/callgrind.$1"
  shift
  rm -f "$out"
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>"$work/callgrind.err" ||
    { cat "$work/callgrind.err" >&2; exit 1; }
  awk '/^(summary|totals):/ { printf "%.0f\n", $2 / 1e6; exit }' "$out"
}

# engine LABEL DSN STATEMENT: one table for one engine.
engine() {
  local label=$1 dsn=$2 statement=$3 kind reference tab=""
  reference=$(REFERENCE_SQLITE_MULTITHREAD=1 instructions "$dsn.reference" "$work/reference_fetch" "DSN=$dsn" \
    "$statement" "$work/out.ref")
  echo
  echo "## $label, $rows rows, millions of instructions (callgrind)"
  printf '| %-22s | %12s | %12s | %10s |\n' program instructions "/ reference" "/ TAB"
  printf '|%s|%s|%s|%s|\n' "------------------------" "-------------:" "-------------:" "-----------:"
  printf '| %-22s | %12s | %12s | %10s |\n' "reference_fetch.c" "$reference" 1.00 -
  for kind in $kinds; do
    printf '[CONNECTION01]\r\nDSN01=DSN=%s\r\nSQL01=%s\r\nOUTPUT=%s\r\nEXPORT=%s\r\n' \
      "$dsn" "$statement" "$kind" "$work/OUT.$kind" > "$work/$kind.ini"
    rm -f "$work/OUT.$kind"
    local count
    count=$(instructions "$dsn.$kind" "$work/kx/kelvax" "$work/$kind.ini")
    [ "$kind" = TAB ] && tab=$count
    awk -v k="kelvax $kind" -v c="$count" -v r="$reference" -v t="$tab" 'BEGIN {
      printf "| %-22s | %12d | %12.2f | %10s |\n", k, c, c / r, (t == "" ? "-" : sprintf("%.2f", c / t)) }'
  done
}

echo "# kelvax instruction counts, $(date -u '+%Y-%m-%d %H:%M UTC'), kelvax: $kelvax"

if [ "$what" = sqlite ] || [ "$what" = all ]; then
  db="$work/bench-$rows.db"
  bench_table_db "$db" "$rows"
  bench_add_dsn BENCH "Driver=SQLite3" "Database=$db" "StepAPI=1"
  engine "SQLite, DSN StepAPI=1" BENCH "SELECT * FROM bench"
fi
if [ "$what" = pg ] || [ "$what" = all ]; then
  bench_pg_start "$work/pg"
  bench_pg_table "$rows"
  bench_pg_dsn BENCHPG "UseDeclareFetch=1" "Fetch=$pg_fetch"
  engine "PostgreSQL, psqlODBC UseDeclareFetch=1 Fetch=$pg_fetch" BENCHPG "SELECT * FROM bench"
  bench_pg_stop
fi
if [ "$what" = mariadb ] || [ "$what" = all ]; then
  bench_my_start "$work/mariadb"
  bench_my_table "$rows"
  bench_my_dsn BENCHMY
  engine "MariaDB, Connector/ODBC" BENCHMY "SELECT * FROM BENCH"
  bench_my_stop
fi

#!/usr/bin/env bash
# Two kelvax builds against each other and against the bare block loop bench/reference_fetch.c,
# interleaved (A B reference, A B reference, ...), on the extract benchmark's table (1,000,000
# rows) in SQLite (DSN with StepAPI=1), PostgreSQL or MariaDB: median wall and CPU (user +
# system) per build and output kind, and whether the two builds wrote the same bytes. CPU times
# are the ones to trust on a shared machine. The reference runs in SQLite's multi-thread mode, as
# kelvax sets it.
#
#   BEFORE=/path/kelvax AFTER=/path/kelvax bench/compare.sh [sqlite|pg|mariadb] [ROUNDS]
#   env: ROWS (1000000), BENCH_DIR (/tmp/kelvax-bench-compare), KINDS ("tab csv")
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-sqlite}
rounds=${2:-5}
rows=${ROWS:-1000000}
work=${BENCH_DIR:-/tmp/kelvax-bench-compare}
kinds=${KINDS:-tab csv}
: "${BEFORE:?set BEFORE to the unchanged kelvax}" "${AFTER:?set AFTER to the changed kelvax}"
source "$here/bench/bench_lib.sh"
bench_start "$BEFORE" "$work"
bench_compile reference_fetch
bench_install_kelvax "$BEFORE" "$work/a"
bench_install_kelvax "$AFTER" "$work/b"

job() {  # job NAME DSN OUTPUT SQL: $work/NAME.ini writing $work/OUT.NAME
  printf '[CONNECTION01]\r\nDSN01=DSN=%s\r\nSQL01=%s\r\nOUTPUT=%s\r\nEXPORT=%s\r\n' \
    "$2" "$4" "$3" "$work/OUT.${1^^}" > "$work/$1.ini"
}

table=bench
case $what in
  sqlite)
    db="$work/bench-$rows.db"
    bench_table_db "$db" "$rows"
    bench_add_dsn BENCH "Driver=SQLite3" "Database=$db" "StepAPI=1"
    dsn=BENCH ;;
  pg)
    bench_pg_start "$work/pg"
    bench_pg_table "$rows"
    dsn=BENCHPG
    bench_pg_dsn BENCHPG "UseDeclareFetch=1" "Fetch=10000" ;;
  mariadb)
    bench_my_start "$work/mariadb"
    bench_my_table "$rows"
    dsn=BENCHMY
    table=BENCH  # MariaDB table names keep their case, and job values are upper-cased
    bench_my_dsn BENCHMY ;;
  *) echo "usage: $0 [sqlite|pg|mariadb] [ROUNDS]" >&2; exit 2 ;;
esac
for kind in $kinds; do
  case $kind in excel) output=EXCEL ;; *) output=${kind^^} ;; esac
  job "$kind" "$dsn" "$output" "SELECT * FROM $table"
done
out_name() { case $1 in excel) echo OUT.EXCEL ;; *) echo "OUT.${1^^}" ;; esac; }

echo "# $(date -u '+%H:%M UTC') $what, $rows rows, $rounds rounds interleaved; load $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu
for ((i = 1; i <= rounds; ++i)); do
  for kind in $kinds; do
    for b in a b; do
      bench_run /dev/null /dev/null "$work/$b/kelvax" "$work/$kind.ini"
      wall[$b$kind]+=" $BENCH_ONE_WALL"; cpu[$b$kind]+=" $BENCH_ONE_CPU"
      mv "$work/$(out_name "$kind")" "$work/$b.$(out_name "$kind")"
    done
    # A workbook's parts are compared, not its bytes: it carries the time it was made.
    if [ "$kind" = excel ]; then
      cmp -s <(unzip -p "$work/a.OUT.EXCEL" 'xl/*') <(unzip -p "$work/b.OUT.EXCEL" 'xl/*')
    else
      cmp -s "$work/a.$(out_name "$kind")" "$work/b.$(out_name "$kind")"
    fi || echo "round $i $kind: OUTPUT DIFFERS" >&2
  done
  REFERENCE_SQLITE_MULTITHREAD=1 bench_run /dev/null /dev/null "$work/reference_fetch" "DSN=$dsn" \
    "SELECT * FROM $table" "$work/out.ref"
  wall[ref]+=" $BENCH_ONE_WALL"; cpu[ref]+=" $BENCH_ONE_CPU"
done
rc=$(bench_median ${cpu[ref]})
printf '| output | before wall (s) | before CPU (s) | after wall (s) | after CPU (s) | after / before CPU | after / reference CPU |\n'
printf '|---|---:|---:|---:|---:|---:|---:|\n'
for kind in $kinds; do
  aw=$(bench_median ${wall[a$kind]}); ac=$(bench_median ${cpu[a$kind]})
  bw=$(bench_median ${wall[b$kind]}); bc=$(bench_median ${cpu[b$kind]})
  printf '| %s | %s | %s | %s | %s | %.3f | %.3f |\n' "${kind^^}" "$aw" "$ac" "$bw" "$bc" \
    "$(awk -v a="$ac" -v b="$bc" 'BEGIN { print b / a }')" \
    "$(awk -v r="$rc" -v b="$bc" 'BEGIN { print b / r }')"
done
echo "# reference_fetch.c: wall $(bench_median ${wall[ref]}) s, CPU $rc s"
echo "# CPU per round, before: ${cpu[a${kinds%% *}]} | after: ${cpu[b${kinds%% *}]} | reference: ${cpu[ref]}"
echo "# load after $(cut -d' ' -f1-3 /proc/loadavg)"
exit 0

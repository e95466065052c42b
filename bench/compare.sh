#!/usr/bin/env bash
# Two kelvax builds against each other, interleaved (A B A B ...), on the extract benchmark's
# 1,000,000-row SQLite table (DSN with StepAPI=1) and, with `pg`, on the same rows in PostgreSQL:
# median wall and CPU (user + system) per build and output kind, and whether the two builds
# wrote the same bytes. CPU times are the ones to trust on a shared machine.
#
#   BEFORE=/path/kelvax AFTER=/path/kelvax bench/compare.sh [sqlite|pg] [ROUNDS]
#   env: ROWS (1000000), BENCH_DIR (/tmp/kelvax-bench-compare)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-sqlite}
rounds=${2:-5}
rows=${ROWS:-1000000}
work=${BENCH_DIR:-/tmp/kelvax-bench-compare}
: "${BEFORE:?set BEFORE to the unchanged kelvax}" "${AFTER:?set AFTER to the changed kelvax}"
source "$here/bench/bench_lib.sh"
bench_start "$BEFORE" "$work"
bench_install_kelvax "$BEFORE" "$work/a"
bench_install_kelvax "$AFTER" "$work/b"

job() {  # job NAME DSN OUTPUT SQL: $work/NAME.ini writing $work/OUT.NAME
  printf '[CONNECTION01]\r\nDSN01=DSN=%s\r\nSQL01=%s\r\nOUTPUT=%s\r\nEXPORT=%s\r\n' \
    "$2" "$4" "$3" "$work/OUT.${1^^}" > "$work/$1.ini"
}

case $what in
  sqlite)
    db="$work/bench-$rows.db"
    bench_table_db "$db" "$rows"
    bench_add_dsn BENCH "Driver=SQLite3" "Database=$db" "StepAPI=1"
    dsn=BENCH ;;
  pg)
    bench_pg_start "$work/pg"
    if [ "$(bench_psql -At -c "SELECT count(*) FROM pg_tables WHERE tablename = 'bench'")" != 1 ]; then
      bench_pg_stop
      echo "no bench table: run BENCH_DIR=$work ROWS=$rows bench/extract.sh pg once first" >&2
      exit 2
    fi
    dsn=BENCHPG
    bench_add_dsn BENCHPG "Driver=PostgreSQL Unicode" "Servername=$BENCH_PG_SOCKET" \
      "Port=$BENCH_PG_PORT" "Database=postgres" "Username=$BENCH_PG_USER" "UseDeclareFetch=1" \
      "Fetch=10000" ;;
  *) echo "usage: $0 [sqlite|pg] [ROUNDS]" >&2; exit 2 ;;
esac
job tab "$dsn" TAB "SELECT * FROM bench"
job csv "$dsn" CSV "SELECT * FROM bench"

echo "# $(date -u '+%H:%M UTC') $what, $rows rows, $rounds rounds interleaved; load $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu
for ((i = 1; i <= rounds; ++i)); do
  for kind in tab csv; do
    for b in a b; do
      bench_run /dev/null /dev/null "$work/$b/kelvax" "$work/$kind.ini"
      wall[$b$kind]+=" $BENCH_ONE_WALL"; cpu[$b$kind]+=" $BENCH_ONE_CPU"
      mv "$work/OUT.${kind^^}" "$work/$b.OUT.${kind^^}"
    done
    cmp -s "$work/a.OUT.${kind^^}" "$work/b.OUT.${kind^^}" || echo "round $i $kind: OUTPUT DIFFERS" >&2
  done
done
printf '| output | before wall (s) | before CPU (s) | after wall (s) | after CPU (s) | after / before CPU |\n'
printf '|---|---:|---:|---:|---:|---:|\n'
for kind in tab csv; do
  aw=$(bench_median ${wall[a$kind]}); ac=$(bench_median ${cpu[a$kind]})
  bw=$(bench_median ${wall[b$kind]}); bc=$(bench_median ${cpu[b$kind]})
  printf '| %s | %s | %s | %s | %s | %.3f |\n' "${kind^^}" "$aw" "$ac" "$bw" "$bc" \
    "$(awk -v a="$ac" -v b="$bc" 'BEGIN { print b / a }')"
done
echo "# CPU per round, before: ${cpu[atab]} | after: ${cpu[btab]}; load after $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$what" = pg ] && bench_pg_stop
exit 0

#!/usr/bin/env bash
# How the cost grows with the rows: one run each of a TAB extract, an EXCEL extract and a copy
# (OUTPUT=INSERT into an empty SQLite file) of the benchmark table in SQLite (DSN with
# StepAPI=1), at each size; wall and CPU time (user + system), CPU microseconds per row, peak RSS
# and the output's size. A linear cost gives the same time per row at every size.
#
#   bench/scale.sh [SIZES]        SIZES: row counts, default "100000 1000000 10000000"
#   env: KELVAX (default build/kelvax), BENCH_DIR (/tmp/kelvax-bench-scale; the tables are kept),
#        KINDS ("tab excel copy")
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
sizes=${1:-100000 1000000 10000000}
kinds=${KINDS:-tab excel copy}
work=${BENCH_DIR:-/tmp/kelvax-bench-scale}
kelvax=${KELVAX:-$here/build/kelvax}
source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"
bench_install_kelvax "$kelvax" "$work/kx"
runs=1

echo "# kelvax scale, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-6s | %10s | %9s | %9s | %12s | %13s | %14s |\n' kind rows "wall (s)" "CPU (s)" \
  "CPU µs/row" "peak RSS (KB)" "output (bytes)"
printf '|%s|%s|%s|%s|%s|%s|%s|\n' "--------" "-----------:" "----------:" "----------:" \
  "-------------:" "--------------:" "---------------:"
for rows in $sizes; do
  db="$work/bench-$rows.db"
  bench_table_db "$db" "$rows"
  bench_add_dsn "SRC$rows" "Driver=SQLite3" "Database=$db" "StepAPI=1"
  bench_add_dsn "DST$rows" "Driver=SQLite3" "Database=$work/target.db"
  for kind in $kinds; do
    out="$work/OUT.${kind^^}"
    case $kind in
      tab | excel)
        printf '[CONNECTION01]\r\nDSN01=DSN=SRC%s\r\nSQL01=SELECT * FROM bench\r\nOUTPUT=%s\r\nEXPORT=%s\r\n' \
          "$rows" "${kind^^}" "$out" > "$work/$kind.ini" ;;
      copy)
        out="$work/target.db"
        printf '[CONNECTION01]\r\nDSN01=DSN=SRC%s\r\nSQL01=SELECT * FROM bench\r\nOUTPUT=INSERT\r\nDSN02=DSN=DST%s\r\nSQL02=INSERT INTO copy\r\n' \
          "$rows" "$rows" > "$work/$kind.ini" ;;
      *) echo "unknown kind $kind" >&2; exit 2 ;;
    esac
    rm -f "$work/target.db" "$work/OUT.TAB" "$work/OUT.EXCEL"
    sqlite3 "$work/target.db" "CREATE TABLE copy (id INTEGER PRIMARY KEY, amount REAL,
      price DECIMAL(12,2), name VARCHAR(40), note TEXT, created TIMESTAMP, qty INTEGER)"
    bench_run /dev/null /dev/null "$work/kx/kelvax" "$work/$kind.ini"
    awk -v k="$kind" -v n="$rows" -v w="$BENCH_ONE_WALL" -v c="$BENCH_ONE_CPU" \
      -v m="$BENCH_ONE_RSS" -v s="$(stat -c %s "$out")" 'BEGIN {
      printf "| %-6s | %10d | %9.3f | %9.2f | %12.2f | %13d | %14d |\n", k, n, w, c, c * 1e6 / n, m, s }'
  done
done
rm -f "$work/target.db" "$work/OUT.TAB" "$work/OUT.EXCEL"
echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Extract speed and memory, in one run:
#   SQLite (1,000,000 rows, bench/make_bench_db.sh): kelvax TAB and CSV jobs against
#     `isql -b -d<TAB> -c` (unixODBC, DSN with StepAPI=1) and bench/reference_fetch.c;
#     peak RSS of a 1,000,000-row and of a 100,000-row TAB extract.
#   PostgreSQL (the same rows, on a private server this script starts and stops): kelvax TAB and
#     CSV jobs against `psql --csv` and the reference loop; peak RSS at 100,000 and 1,000,000 rows.
#   xlsx (SQLite, the same rows): kelvax EXCEL against kelvax TAB, wall time and peak RSS; the
#     spreadsheet is streamed, so its peak should stay within a few MB of the TAB figure.
#   MariaDB (the same rows, on a private server likewise): a kelvax TAB job against
#     `mariadb --batch` (whole result held, its default) and `--batch --quick` (row by row) and the
#     reference loop; peak RSS at 100,000 and 1,000,000 rows.
# Each figure is the median of RUNS runs (wall time and peak RSS from /usr/bin/time).
#
#   bench/extract.sh [sqlite|pg|mariadb|xlsx|all]
#   env: KELVAX (default build/kelvax), ROWS (1000000), RUNS (3), BENCH_DIR (/tmp/kelvax-bench,
#        kept between runs so the databases are built once), PG_FETCH (rows per cursor fetch of
#        psqlODBC, default 10000)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
rows=${ROWS:-1000000}
runs=${RUNS:-3}
small=$((rows / 10))
work=${BENCH_DIR:-/tmp/kelvax-bench}
kelvax=${KELVAX:-$here/build/kelvax}
pg_fetch=${PG_FETCH:-10000}

case $what in sqlite|pg|mariadb|xlsx|all) ;; *) echo "usage: $0 [sqlite|pg|mariadb|xlsx|all]" >&2; exit 2 ;; esac
source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"

bench_compile reference_fetch
ref="$work/reference_fetch"
bench_install_kelvax "$kelvax" "$work/kx"

# kelvax_job NAME DSN OUTPUT SQL: writes the one-task job file $work/NAME.ini, whose output is
# $work/OUT.NAME (upper case: job values are upper-cased when read).
kelvax_job() {
  printf '[CONNECTION01]\r\nDSN01=DSN=%s\r\nSQL01=%s\r\nOUTPUT=%s\r\nEXPORT=%s\r\n' \
    "$2" "$4" "$3" "$work/OUT.${1^^}" > "$work/$1.ini"
}

echo "# kelvax extract benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $rows rows, median of $runs"
echo "# kelvax: $kelvax; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "$what" = xlsx ]; then
  db="$work/bench-$rows.db"
  bench_table_db "$db" "$rows"
  bench_add_dsn BENCH "Driver=SQLite3" "Database=$db" "StepAPI=1"
  all="SELECT * FROM bench"
  kelvax_job tab BENCH TAB "$all"
  kelvax_job xlsx BENCH EXCEL "$all"
  echo
  echo "## SQLite, $rows rows (7 columns), DSN StepAPI=1: spreadsheet against TAB"
  bench_header
  bench_measure "kelvax TAB" "$work/OUT.TAB" "$work/kx/kelvax" "$work/tab.ini"
  k_tab=$BENCH_WALL; k_tab_cpu=$BENCH_CPU; k_tab_rss=$BENCH_RSS
  bench_measure "kelvax EXCEL (xlsx)" "$work/OUT.XLSX" "$work/kx/kelvax" "$work/xlsx.ini"
  echo
  bench_ratio "kelvax EXCEL / TAB" "$BENCH_WALL" "$k_tab" "(none)" "$BENCH_CPU" "$k_tab_cpu"
  bench_limit "peak RSS, $rows-row xlsx" "$BENCH_RSS" $((k_tab_rss + 4096))
fi

if [ "$what" = sqlite ] || [ "$what" = all ]; then
  db="$work/bench-$rows.db"
  bench_table_db "$db" "$rows"
  bench_add_dsn BENCH "Driver=SQLite3" "Database=$db" "StepAPI=1"
  all="SELECT * FROM bench"
  part="SELECT * FROM bench WHERE id <= $small"
  kelvax_job tab BENCH TAB "$all"
  kelvax_job csv BENCH CSV "$all"
  kelvax_job tab_small BENCH TAB "$part"
  kelvax_job tab_one BENCH TAB "SELECT * FROM bench WHERE id = 1"
  printf '%s\n' "$all" > "$work/isql.sql"

  echo
  echo "## SQLite, $rows rows (7 columns), DSN StepAPI=1"
  bench_header
  bench_measure "kelvax TAB" "$work/OUT.TAB" "$work/kx/kelvax" "$work/tab.ini"
  k_tab=$BENCH_WALL; k_tab_cpu=$BENCH_CPU; k_tab_rss=$BENCH_RSS
  bench_measure "kelvax CSV" "$work/OUT.CSV" "$work/kx/kelvax" "$work/csv.ini"
  k_csv=$BENCH_WALL; k_csv_cpu=$BENCH_CPU
  bench_measure_in "isql -b -d<TAB> -c" "$work/isql.sql" "$work/out.isql" isql -b "-d"$'\t' -c BENCH
  isql_wall=$BENCH_WALL; isql_cpu=$BENCH_CPU
  bench_measure "reference_fetch.c" "$work/out.ref" "$ref" "DSN=BENCH" "$all" "$work/out.ref"
  ref_wall=$BENCH_WALL; ref_cpu=$BENCH_CPU
  export REFERENCE_SQLITE_MULTITHREAD=1  # SQLite set up as kelvax sets it
  bench_measure "reference_fetch.c, multi-thread" "$work/out.ref" "$ref" "DSN=BENCH" "$all" "$work/out.ref"
  unset REFERENCE_SQLITE_MULTITHREAD
  mt_wall=$BENCH_WALL; mt_cpu=$BENCH_CPU
  bench_measure "kelvax TAB $small rows" "$work/OUT.TAB_SMALL" "$work/kx/kelvax" "$work/tab_small.ini"
  k_small_rss=$BENCH_RSS
  bench_measure "kelvax TAB 1 row (the floor)" "$work/OUT.TAB_ONE" "$work/kx/kelvax" "$work/tab_one.ini"
  echo
  bench_ratio "kelvax TAB / isql" "$k_tab" "$isql_wall" "<= 0.55" "$k_tab_cpu" "$isql_cpu"
  bench_ratio "kelvax CSV / isql" "$k_csv" "$isql_wall" "<= 0.55" "$k_csv_cpu" "$isql_cpu"
  bench_ratio "kelvax TAB / reference" "$k_tab" "$ref_wall" "<= 1.15" "$k_tab_cpu" "$ref_cpu"
  bench_ratio "kelvax CSV / reference" "$k_csv" "$ref_wall" "<= 1.15" "$k_csv_cpu" "$ref_cpu"
  bench_ratio "kelvax TAB / reference, multi-thread" "$k_tab" "$mt_wall" "<= 1.15" "$k_tab_cpu" "$mt_cpu"
  bench_ratio "kelvax CSV / reference, multi-thread" "$k_csv" "$mt_wall" "<= 1.15" "$k_csv_cpu" "$mt_cpu"
  bench_limit "peak RSS, $rows-row TAB" "$k_tab_rss" 16384
  bench_limit "peak RSS, $small-row TAB" "$k_small_rss" 4096
fi

if [ "$what" = pg ] || [ "$what" = all ]; then
  bench_pg_start "$work/pg"
  bench_pg_table "$rows"
  bench_pg_dsn BENCHPG "UseDeclareFetch=1" "Fetch=$pg_fetch"
  all="SELECT * FROM bench"
  kelvax_job pgtab BENCHPG TAB "$all"
  kelvax_job pgcsv BENCHPG CSV "$all"
  kelvax_job pgtab_small BENCHPG TAB "SELECT * FROM bench WHERE id <= $small"

  echo
  echo "## PostgreSQL $(bench_psql -At -c 'SHOW server_version'), $rows rows, Unix socket, psqlODBC UseDeclareFetch=1 Fetch=$pg_fetch"
  bench_header
  bench_measure "kelvax TAB" "$work/OUT.PGTAB" "$work/kx/kelvax" "$work/pgtab.ini"
  k_tab=$BENCH_WALL; k_tab_cpu=$BENCH_CPU; k_tab_rss=$BENCH_RSS
  bench_measure "kelvax CSV" "$work/OUT.PGCSV" "$work/kx/kelvax" "$work/pgcsv.ini"
  k_csv=$BENCH_WALL; k_csv_cpu=$BENCH_CPU
  bench_measure "psql --csv" "$work/out.psql" "$BENCH_PG_BIN/psql" -X -q --csv -h "$BENCH_PG_SOCKET" \
    -p "$BENCH_PG_PORT" -U "$BENCH_PG_USER" -d postgres -c "$all" -o "$work/out.psql"
  psql_wall=$BENCH_WALL; psql_cpu=$BENCH_CPU
  bench_measure "reference_fetch.c" "$work/out.pgref" "$ref" "DSN=BENCHPG" "$all" "$work/out.pgref"
  ref_wall=$BENCH_WALL; ref_cpu=$BENCH_CPU
  bench_measure "kelvax TAB $small rows" "$work/OUT.PGTAB_SMALL" "$work/kx/kelvax" "$work/pgtab_small.ini"
  k_small_rss=$BENCH_RSS
  echo
  bench_ratio "kelvax TAB / psql --csv" "$k_tab" "$psql_wall" "<= 1.3" "$k_tab_cpu" "$psql_cpu"
  bench_ratio "kelvax CSV / psql --csv" "$k_csv" "$psql_wall" "<= 1.3" "$k_csv_cpu" "$psql_cpu"
  bench_ratio "kelvax TAB / reference" "$k_tab" "$ref_wall" "(none)" "$k_tab_cpu" "$ref_cpu"
  echo "peak RSS kelvax TAB: $k_small_rss KB at $small rows, $k_tab_rss KB at $rows rows (flat memory: the two alike)"
  bench_pg_stop
fi

if [ "$what" = mariadb ] || [ "$what" = all ]; then
  bench_my_start "$work/mariadb"
  # Upper case: job values are upper-cased, and MariaDB table names on Linux keep their case.
  bench_my_table "$rows"
  bench_my_dsn BENCHMY
  all="SELECT * FROM BENCH"
  kelvax_job mytab BENCHMY TAB "$all"
  kelvax_job mytab_small BENCHMY TAB "SELECT * FROM BENCH WHERE id <= $small"

  echo
  echo "## MariaDB $(bench_mariadb -N -e 'SELECT VERSION()'), $rows rows, Unix socket, Connector/ODBC $(dpkg-query -W -f '${Version}' odbc-mariadb 2>/dev/null)"
  bench_header
  bench_measure "kelvax TAB" "$work/OUT.MYTAB" "$work/kx/kelvax" "$work/mytab.ini"
  k_tab=$BENCH_WALL; k_tab_cpu=$BENCH_CPU; k_tab_rss=$BENCH_RSS
  my=(mariadb --no-defaults --host=localhost "--socket=$BENCH_MY_SOCKET" --user=root
      --default-character-set=utf8mb4 --batch)
  bench_measure_in "mariadb --batch" /dev/null "$work/out.my" "${my[@]}" bench -e "$all"
  my_wall=$BENCH_WALL; my_cpu=$BENCH_CPU
  bench_measure_in "mariadb --batch --quick" /dev/null "$work/out.myq" "${my[@]}" --quick bench -e "$all"
  bench_measure "reference_fetch.c" "$work/out.myref" "$ref" "DSN=BENCHMY" "$all" "$work/out.myref"
  ref_wall=$BENCH_WALL; ref_cpu=$BENCH_CPU
  bench_measure "kelvax TAB $small rows" "$work/OUT.MYTAB_SMALL" "$work/kx/kelvax" "$work/mytab_small.ini"
  k_small_rss=$BENCH_RSS
  echo
  bench_ratio "kelvax TAB / mariadb --batch" "$k_tab" "$my_wall" "(none)" "$k_tab_cpu" "$my_cpu"
  bench_ratio "kelvax TAB / reference" "$k_tab" "$ref_wall" "(none)" "$k_tab_cpu" "$ref_cpu"
  echo "peak RSS kelvax TAB: $k_small_rss KB at $small rows, $k_tab_rss KB at $rows rows (Connector/ODBC holds the whole result)"
  bench_my_stop
fi
echo
echo "# load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Whether kelvax writes double precision values that read back as the same numbers the engine's
# own client shows. A table of ROWS rows, g = 1..ROWS and v = g * 0.1 computed in binary floating
# point (so 3 * 0.1 is 0.30000000000000004, a value that 15 significant digits cannot hold), is
# read by a kelvax TAB job and by the client (psql, which prints the shortest text that reads
# back exactly, its default since PostgreSQL 12; mariadb --batch --quick). Line by line: values
# whose text reads as a different double, values whose text differs but reads as the same
# double, and the first differing lines side by side.
#
#   KELVAX=/path/kelvax bench/float_exact.sh [pg|mariadb|both]
#   env: ROWS (1000000), BENCH_DIR (/tmp/kelvax-bench-float, kept between runs so the tables
#        are built once)
# Exit status 0 when no value differs as a number, 1 otherwise.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-both}
rows=${ROWS:-1000000}
work=${BENCH_DIR:-/tmp/kelvax-bench-float}
kelvax=${KELVAX:-$here/build/kelvax}

case $what in pg|mariadb|both) ;; *) echo "usage: $0 [pg|mariadb|both]" >&2; exit 2 ;; esac
source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"
bench_install_kelvax "$kelvax" "$work/kx"

# Upper case throughout: job values are upper-cased when read, and MariaDB table names on Linux
# keep their case; the clients get the same statement.
sql="SELECT G, V FROM FLOAT_EXACT ORDER BY G"

job() {  # job NAME DSN: $work/NAME.ini, a TAB job of $sql writing $work/OUT.NAME
  printf '[CONNECTION01]\r\nDSN01=DSN=%s\r\nSQL01=%s\r\nOUTPUT=TAB\r\nEXPORT=%s\r\n' \
    "$2" "$sql" "$work/OUT.${1^^}" > "$work/$1.ini"
}

# compare NAME KELVAX_FILE CLIENT_FILE CLIENT_LABEL: the counts and sample lines; status 1 when a
# value differs as a number or the rows do not line up.
compare() {
  python3 - "$@" <<'PY'
import sys

name, kelvax_path, client_path, client = sys.argv[1:5]
with open(kelvax_path, "rb") as f:
    k_lines = f.read().split(b"\r\n")
with open(client_path, "rb") as f:
    c_lines = f.read().split(b"\n")
if k_lines and k_lines[-1] == b"":
    k_lines.pop()
if c_lines and c_lines[-1] == b"":
    c_lines.pop()
k_lines = k_lines[1:]  # the header; the client was asked for none

number, text, keys, number_samples, text_samples = 0, 0, 0, [], []
for k, c in zip(k_lines, c_lines):
    if k == c:
        continue
    kg, _, kv = k.partition(b"\t")
    cg, _, cv = c.partition(b"\t")
    if kg != cg:
        keys += 1
    try:
        same = float(kv) == float(cv)
    except ValueError:
        same = False
    if same:
        text += 1
        if len(text_samples) < 3:
            text_samples.append((k, c))
    else:
        number += 1
        if len(number_samples) < 3:
            number_samples.append((k, c))

def show(line):
    return line.decode("ascii", "replace").replace("\t", " ")

print(f"{name}: rows {len(k_lines)} (kelvax), {len(c_lines)} ({client})")
print(f"{name}: values that differ as numbers: {number}")
print(f"{name}: values whose text differs, number equal: {text}")
if keys:
    print(f"{name}: lines whose g differs: {keys}")
for title, samples in (("first lines that differ as numbers", number_samples),
                       ("first lines whose text only differs", text_samples)):
    if samples:
        print(f"{name}: {title}")
        print(f"    {'kelvax':<32} {client}")
        for k, c in samples:
            print(f"    {show(k):<32} {show(c)}")
sys.exit(1 if number or keys or len(k_lines) != len(c_lines) else 0)
PY
}

# kelvax_run NAME LABEL: the job's run, with its wall time, CPU time and peak RSS.
kelvax_run() {
  rm -f "$work/OUT.${1^^}"
  bench_run /dev/null /dev/null "$work/kx/kelvax" "$work/$1.ini"
  echo "$2: kelvax TAB $BENCH_ONE_WALL s wall, $BENCH_ONE_CPU s CPU, $BENCH_ONE_RSS KB peak RSS"
}

echo "# kelvax double precision against the engine's client, $(date -u '+%Y-%m-%d %H:%M UTC'), $rows rows"
echo "# kelvax: $kelvax; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0

if [ "$what" = pg ] || [ "$what" = both ]; then
  bench_pg_start "$work/pg"
  if ! bench_pg_has_rows float_exact "$rows"; then
    echo "loading $rows rows into PostgreSQL ..." >&2
    # integer * float8 multiplies in binary floating point, as intended (g * 0.1 alone would be
    # numeric, exact, and every value would print short).
    bench_psql -q <<SQL
SET client_min_messages = warning;
DROP TABLE IF EXISTS float_exact;
CREATE TABLE float_exact (g integer PRIMARY KEY, v double precision);
INSERT INTO float_exact SELECT g, g * 0.1::float8 FROM generate_series(1, $rows) g;
VACUUM ANALYZE float_exact;
SQL
  fi
  bench_add_dsn FLOATPG "Driver=PostgreSQL Unicode" "Servername=$BENCH_PG_SOCKET" \
    "Port=$BENCH_PG_PORT" "Database=postgres" "Username=$BENCH_PG_USER" "UseDeclareFetch=1" \
    "Fetch=10000"
  job pg FLOATPG
  echo
  echo "## PostgreSQL $(bench_psql -At -c 'SHOW server_version'), extra_float_digits $(bench_psql -At -c 'SHOW extra_float_digits'), psqlODBC UseDeclareFetch=1 Fetch=10000"
  kelvax_run pg pg
  bench_psql -At -F $'\t' -c "$sql" > "$work/out.psql"
  compare pg "$work/OUT.PG" "$work/out.psql" psql || status=1
  bench_pg_stop
fi

if [ "$what" = mariadb ] || [ "$what" = both ]; then
  bench_my_start "$work/mariadb"
  if ! bench_my_has_rows FLOAT_EXACT "$rows"; then
    echo "loading $rows rows into MariaDB ..." >&2
    # 1e-1 is a DOUBLE literal, so the product is binary floating point (0.1 would be DECIMAL).
    bench_mariadb bench <<SQL
DROP TABLE IF EXISTS FLOAT_EXACT;
CREATE TABLE FLOAT_EXACT (g INT PRIMARY KEY, v DOUBLE);
INSERT INTO FLOAT_EXACT SELECT seq, seq * 1e-1 FROM seq_1_to_$rows;
SQL
  fi
  bench_add_dsn FLOATMY "Driver=MariaDB Unicode" "SOCKET=$BENCH_MY_SOCKET" "DATABASE=bench" \
    "UID=root" "CHARSET=utf8mb4"
  job my FLOATMY
  echo
  echo "## MariaDB $(bench_mariadb -N -e 'SELECT VERSION()'), Connector/ODBC $(dpkg-query -W -f '${Version}' odbc-mariadb 2>/dev/null)"
  kelvax_run my mariadb
  bench_mariadb --batch --skip-column-names --quick bench -e "$sql" > "$work/out.mariadb"
  compare mariadb "$work/OUT.MY" "$work/out.mariadb" mariadb || status=1
  bench_my_stop
fi
echo
echo "# load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status

# Shared parts of the benchmark scripts (sourced, bash): a private ODBC configuration, private
# PostgreSQL and MariaDB servers, and timing with peak RSS.

BENCH_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# bench_start KELVAX WORK: the checks every benchmark makes, its work folder WORK, and the
# private ODBC configuration there.
bench_start() {
  [ -x "$1" ] || { echo "no kelvax at $1 (build it, or set KELVAX)" >&2; exit 2; }
  [ -x /usr/bin/time ] || { echo "/usr/bin/time not installed (package time)" >&2; exit 2; }
  mkdir -p "$2"
  bench_odbc_config "$2"
}

# bench_table_db PATH ROWS: the benchmark table of ROWS rows in the SQLite file PATH, built only
# when the file is not there yet.
bench_table_db() {
  if [ ! -s "$1" ]; then
    echo "building $1 ..." >&2
    sh "$BENCH_LIB_DIR/make_bench_db.sh" "$1" "$2" >&2
  fi
}

# bench_compile PROGRAM: bench/PROGRAM.c compiled against unixODBC into $work/PROGRAM when that
# is missing or older than the source or the headers it includes.
bench_compile() {
  local out="$work/$1" src
  for src in "$BENCH_LIB_DIR/$1.c" "$BENCH_LIB_DIR"/*.h; do
    if [ ! -x "$out" ] || [ "$src" -nt "$out" ]; then
      cc -O2 -o "$out" "$BENCH_LIB_DIR/$1.c" -lodbc -lsqlite3
      return
    fi
  done
}

# bench_odbc_config DIR: odbcinst.ini with the SQLite, PostgreSQL and MariaDB drivers, an odbc.ini built
# from the DSNs added with bench_add_dsn, and the environment pointing at them.
bench_odbc_config() {
  BENCH_ODBC_DIR=$1
  local sqlite="" pg="" maria=""
  for d in /usr/lib/x86_64-linux-gnu/odbc /usr/lib/aarch64-linux-gnu/odbc /usr/lib64 /usr/lib/odbc; do
    [ -z "$sqlite" ] && [ -e "$d/libsqlite3odbc.so" ] && sqlite="$d/libsqlite3odbc.so"
    [ -z "$pg" ] && [ -e "$d/psqlodbcw.so" ] && pg="$d/psqlodbcw.so"
    [ -z "$maria" ] && [ -e "$d/libmaodbc.so" ] && maria="$d/libmaodbc.so"
  done
  [ -n "$sqlite" ] || { echo "SQLite ODBC driver not installed (libsqliteodbc)" >&2; exit 2; }
  {
    printf '[SQLite3]\nDriver=%s\nThreading=2\n\n' "$sqlite"
    [ -n "$pg" ] && printf '[PostgreSQL Unicode]\nDriver=%s\n\n' "$pg"
    [ -n "$maria" ] && printf '[MariaDB Unicode]\nDriver=%s\n\n' "$maria"
  } > "$BENCH_ODBC_DIR/odbcinst.ini"
  rm -f "$BENCH_ODBC_DIR"/dsn.*
  : > "$BENCH_ODBC_DIR/odbc.ini"
  export ODBCSYSINI=$BENCH_ODBC_DIR ODBCINI=$BENCH_ODBC_DIR/odbc.ini HOME=$BENCH_ODBC_DIR
}

# bench_add_dsn NAME KEY=VALUE...
bench_add_dsn() {
  local name=$1
  shift
  { printf '[%s]\n' "$name"; printf '%s\n' "$@"; printf '\n'; } > "$BENCH_ODBC_DIR/dsn.$name"
  cat "$BENCH_ODBC_DIR"/dsn.* > "$BENCH_ODBC_DIR/odbc.ini"
}

# bench_install_kelvax BINARY DIR: a copy of its own, so that its run log lands in DIR.
bench_install_kelvax() {
  mkdir -p "$2"
  cp "$1" "$2/kelvax"
}

# bench_header [LAST_COLUMN_TITLE]
bench_header() {
  printf '| %-32s | %9s | %9s | %13s | %14s |\n' "program" "wall (s)" "CPU (s)" "peak RSS (KB)" "${1:-output (bytes)}"
  printf '|%s|%s|%s|%s|%s|\n' "----------------------------------" "-----------:" "----------:" "---------------:" "----------------:"
}

# The middle value of the numbers given.
bench_median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# bench_run STDIN STDOUT CMD...: one run; sets BENCH_ONE_WALL (s), BENCH_ONE_CPU (user + system
# seconds of the program) and BENCH_ONE_RSS (KB).
bench_run() {
  local in=$1 out=$2 t0 t1 status
  shift 2
  local timing user system
  timing=$(mktemp)
  t0=$(date +%s%N)
  set +e
  /usr/bin/time -f '%M %U %S' -o "$timing" "$@" < "$in" > "$out" 2> "$timing.err"
  status=$?
  set -e
  t1=$(date +%s%N)
  if [ $status -ne 0 ]; then
    echo "failed ($status): $*" >&2
    cat "$timing.err" >&2
    rm -f "$timing" "$timing.err"
    exit 1
  fi
  rm -f "$timing.err"
  BENCH_ONE_WALL=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  read -r BENCH_ONE_RSS user system < <(tail -n 1 "$timing")
  BENCH_ONE_CPU=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
  rm -f "$timing"
}

# bench_measure LABEL OUTPUT_FILE CMD...: RUNS runs of a program that writes OUTPUT_FILE itself
# (deleted before each run; "" for none); prints a table row; sets BENCH_WALL and BENCH_RSS
# (medians).
bench_measure() {
  local label=$1 file=$2
  shift 2
  bench_series "$label" "$file" /dev/null /dev/null "$@"
}

# bench_measure_in LABEL STDIN_FILE STDOUT_FILE CMD...: the same for a program that reads its
# statement from standard input and writes the rows to standard output.
bench_measure_in() {
  local label=$1 in=$2 out=$3
  shift 3
  bench_series "$label" "$out" "$in" "$out" "$@"
}

# Before each run BENCH_BEFORE (a command, if set) runs; the last column shows the size of FILE,
# or the output of BENCH_CHECK (a command, if set).
bench_series() {
  local label=$1 file=$2 in=$3 out=$4
  shift 4
  local walls=() cpus=() rsss=() i shown
  for ((i = 0; i < runs; i++)); do
    if [ -n "$file" ]; then rm -f "$file"; fi
    if [ -n "${BENCH_BEFORE:-}" ]; then eval "$BENCH_BEFORE"; fi
    bench_run "$in" "$out" "$@"
    walls+=("$BENCH_ONE_WALL")
    cpus+=("$BENCH_ONE_CPU")
    rsss+=("$BENCH_ONE_RSS")
  done
  BENCH_WALL=$(bench_median "${walls[@]}")
  BENCH_CPU=$(bench_median "${cpus[@]}")
  BENCH_RSS=$(bench_median "${rsss[@]}")
  if [ -n "${BENCH_CHECK:-}" ]; then
    shown=$(eval "$BENCH_CHECK")
  elif [ -n "$file" ] && [ -e "$file" ]; then
    shown=$(stat -c %s "$file")
  else
    shown="-"
  fi
  printf '| %-32s | %9s | %9s | %13s | %14s |\n' "$label" "$BENCH_WALL" "$BENCH_CPU" "$BENCH_RSS" "$shown"
}

# bench_ratio LABEL A B TARGET [A_CPU B_CPU]: prints A/B of the wall times (and of the CPU times).
bench_ratio() {
  awk -v l="$1" -v a="$2" -v b="$3" -v t="$4" -v ac="${5:-}" -v bc="${6:-}" 'BEGIN {
    printf "%-28s %6.2f   target %s", l, a / b, t
    if (ac != "" && bc > 0) printf "   (CPU time: %.2f)", ac / bc
    printf "\n" }'
}

# bench_limit LABEL VALUE_KB LIMIT_KB
bench_limit() {
  awk -v l="$1" -v v="$2" -v m="$3" 'BEGIN {
    printf "%-28s %6.1f MB   target <= %.0f MB %s\n", l, v / 1024, m / 1024, (v <= m ? "(met)" : "(missed)") }'
}

# bench_pg_start DIR: a private server whose cluster is DIR/data (made once, kept for the next
# run), listening only on a Unix socket in DIR. Stopped by bench_pg_stop and on exit.
bench_pg_start() {
  local dir=$1 run=()
  BENCH_PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -x "$BENCH_PG_BIN/initdb" ] || { echo "PostgreSQL server not installed" >&2; exit 2; }
  mkdir -p "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres:postgres "$dir"
    run=(runuser -u postgres --)
  fi
  chmod 700 "$dir"
  BENCH_PG_RUN=("${run[@]}")
  BENCH_PG_DIR=$dir
  BENCH_PG_SOCKET=$dir
  BENCH_PG_PORT=${BENCH_PG_PORT:-55431}
  BENCH_PG_USER=postgres
  if [ ! -s "$dir/data/PG_VERSION" ]; then
    (cd / && "${run[@]}" "$BENCH_PG_BIN/initdb" -D "$dir/data" -E UTF8 --locale=C -A trust -U postgres -N >/dev/null)
  fi
  (cd / && "${run[@]}" "$BENCH_PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -s \
    -o "-c listen_addresses= -c unix_socket_directories=$dir -p $BENCH_PG_PORT" start)
  trap 'bench_pg_stop; bench_my_stop' EXIT
}

bench_pg_stop() {
  if [ -n "${BENCH_PG_DIR:-}" ]; then
    (cd / && "${BENCH_PG_RUN[@]}" "$BENCH_PG_BIN/pg_ctl" -D "$BENCH_PG_DIR/data" -m fast -w -s stop) || true
    BENCH_PG_DIR=""
  fi
}

bench_psql() {
  PGCLIENTENCODING=UTF8 "$BENCH_PG_BIN/psql" -X -h "$BENCH_PG_SOCKET" -p "$BENCH_PG_PORT" \
    -U "$BENCH_PG_USER" -d postgres -v ON_ERROR_STOP=1 "$@"
}

# bench_my_start DIR: a private MariaDB server whose data is DIR/data (installed once, kept for
# the next run), reachable only through the Unix socket DIR/mysqld.sock. Stopped by bench_my_stop
# and on exit.
bench_my_start() {
  local dir=$1 user=() i
  [ -x /usr/sbin/mariadbd ] || { echo "MariaDB server not installed" >&2; exit 2; }
  if [ "$(id -u)" -eq 0 ]; then user=(--user=root); fi
  mkdir -p "$dir"
  BENCH_MY_SOCKET=$dir/mysqld.sock
  if [ ! -d "$dir/data/mysql" ]; then
    mariadb-install-db --no-defaults --datadir="$dir/data" "${user[@]}" --skip-test-db \
      --auth-root-authentication-method=normal --skip-name-resolve >/dev/null
  fi
  /usr/sbin/mariadbd --no-defaults --datadir="$dir/data" --socket="$BENCH_MY_SOCKET" \
    --pid-file="$dir/mysqld.pid" --log-error="$dir/server.log" --skip-networking --skip-log-bin \
    --innodb-buffer-pool-size=512M --innodb-flush-log-at-trx-commit=0 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_bin "${user[@]}" >/dev/null 2>&1 &
  BENCH_MY_PID=$!
  trap 'bench_pg_stop; bench_my_stop' EXIT
  for ((i = 0; i < 600; i++)); do
    if bench_mariadb -e 'SELECT 1' >/dev/null 2>&1; then return; fi
    sleep 0.1
  done
  echo "MariaDB did not start; see $dir/server.log" >&2
  exit 1
}

bench_my_stop() {
  if [ -n "${BENCH_MY_PID:-}" ]; then
    kill "$BENCH_MY_PID" 2>/dev/null || true
    wait "$BENCH_MY_PID" 2>/dev/null || true
    BENCH_MY_PID=""
  fi
}

bench_mariadb() {
  mariadb --no-defaults --host=localhost --socket="$BENCH_MY_SOCKET" --user=root \
    --default-character-set=utf8mb4 "$@"
}

# bench_pg_has_rows TABLE ROWS: whether the private PostgreSQL's database postgres has TABLE
# with ROWS rows (a benchmark's table is loaded once and kept).
bench_pg_has_rows() {
  [ "$(bench_psql -At -c "SELECT count(*) FROM pg_tables WHERE tablename = '$1'")" = 1 ] &&
    [ "$(bench_psql -At -c "SELECT count(*) FROM $1")" = "$2" ]
}

# bench_my_has_rows TABLE ROWS: the same in the private MariaDB's database bench (made here).
bench_my_has_rows() {
  bench_mariadb -e "CREATE DATABASE IF NOT EXISTS bench"
  [ "$(bench_mariadb -N bench -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'bench' AND table_name = '$1'")" = 1 ] &&
    [ "$(bench_mariadb -N bench -e "SELECT COUNT(*) FROM $1")" = "$2" ]
}

# bench_pg_table ROWS: the benchmark table of ROWS rows in the running private PostgreSQL server
# (database postgres), loaded only when it is not there with that many rows.
bench_pg_table() {
  local rows=$1
  if ! bench_pg_has_rows bench "$rows"; then
    echo "loading $rows rows into PostgreSQL ..." >&2
    bench_psql -q <<SQL
DROP TABLE IF EXISTS bench;
CREATE TABLE bench (id integer PRIMARY KEY, amount double precision, price numeric(12,2),
  name varchar(40), note text, created timestamp, qty integer);
INSERT INTO bench
SELECT n, n * 1.25 / 7, round((n % 100000) / 100.0, 2), '商品' || n || '号 テスト',
       'メモ ' || n || ' ' || substr('The quick brown fox jumps over the lazy dog; いろはにほへとちりぬるを わかよたれそつねならむ うゐのおくやまけふこえて あさきゆめみしゑひもせす. Pack my box with five dozen liquor jugs.', 1, 20 + n % 150),
       timestamp '2001-01-01 00:00:00' + n * interval '37 seconds',
       CASE WHEN n % 10 = 0 THEN NULL ELSE n % 1000 END
FROM generate_series(1, $rows) n;
VACUUM ANALYZE bench;
SQL
  fi
}

# bench_my_table ROWS: the same table as BENCH in the database bench of the private MariaDB.
bench_my_table() {
  local rows=$1
  if ! bench_my_has_rows BENCH "$rows"; then
    echo "loading $rows rows into MariaDB ..." >&2
    bench_mariadb bench <<SQL
DROP TABLE IF EXISTS BENCH;
CREATE TABLE BENCH (id INT PRIMARY KEY, amount DOUBLE, price DECIMAL(12,2), name VARCHAR(40),
  note TEXT, created DATETIME, qty INT);
INSERT INTO BENCH
SELECT seq, seq * 1.25 / 7, ROUND((seq % 100000) / 100.0, 2), CONCAT('商品', seq, '号 テスト'),
       CONCAT('メモ ', seq, ' ', SUBSTR('The quick brown fox jumps over the lazy dog; いろはにほへとちりぬるを わかよたれそつねならむ うゐのおくやまけふこえて あさきゆめみしゑひもせす. Pack my box with five dozen liquor jugs.', 1, 20 + seq % 150)),
       TIMESTAMP '2001-01-01 00:00:00' + INTERVAL seq * 37 SECOND,
       CASE WHEN seq % 10 = 0 THEN NULL ELSE seq % 1000 END
FROM seq_1_to_$rows;
SQL
  fi
}

# bench_pg_dsn NAME [KEY=VALUE...]: a DSN for the private PostgreSQL server's database postgres.
bench_pg_dsn() {
  local name=$1
  shift
  bench_add_dsn "$name" "Driver=PostgreSQL Unicode" "Servername=$BENCH_PG_SOCKET" \
    "Port=$BENCH_PG_PORT" "Database=postgres" "Username=$BENCH_PG_USER" "$@"
}

# bench_my_dsn NAME [KEY=VALUE...]: a DSN for the private MariaDB server's database bench.
bench_my_dsn() {
  local name=$1
  shift
  bench_add_dsn "$name" "Driver=MariaDB Unicode" "SOCKET=$BENCH_MY_SOCKET" "DATABASE=bench" \
    "UID=root" "CHARSET=utf8mb4" "$@"
}

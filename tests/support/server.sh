#!/bin/sh
# The private database servers of the tests (server_process.h), each in a folder of its own under
# /tmp (the data, the socket, the server's log), reachable only through its Unix socket.
#   server.sh ENGINE missing                 prints what is not installed (nothing: all is)
#   server.sh ENGINE start DIR PID DB CACHE  starts the server in DIR with an empty database DB,
#                                            and a watchdog that stops it should PID end first
#   server.sh ENGINE sql DIR DB FILE         runs FILE with the server's own client
#   server.sh ENGINE stop DIR                stops the server and its watchdog, removes DIR
#   server.sh postgres pg_ctl DIR start|fast start, or stop as an operator would: sessions end
# ENGINE is postgres or mariadb. As root, PostgreSQL runs as the `postgres` user (it refuses
# root) and MariaDB as root (told so). CACHE holds MariaDB's pristine data folders.
set -eu
engine=$1 command=$2 dir=${3-}
# Looked up only where needed: a test runs its SQL through here, statement after statement.
root='' pg_initdb=''
[ "$command" = sql ] || [ "$(id -u)" != 0 ] || root=1
if [ "$engine" = postgres ]; then
  pg_initdb=$(ls /usr/lib/postgresql/*/bin/initdb 2>/dev/null | sort -V | tail -n 1)
fi
pg_bin=${pg_initdb%/initdb}
my_user=${root:+--user=root}

# Whether process $1 runs (a zombie, killed and not yet reaped by its new parent, does not).
alive() { state=$(ps -o stat= -p "$1") && [ "${state#Z}" = "$state" ]; }

pg() { if [ -n "$root" ]; then /usr/sbin/runuser -u postgres -- "$@"; else "$@"; fi; }

pg_ctl() {  # start, or stop in mode $1 (fast, immediate)
  if [ "$1" = start ]; then
    pg "$pg_bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -s start
  else
    pg "$pg_bin/pg_ctl" -D "$dir/data" -m "$1" -w -s stop
  fi
}

# Standard input on the server's own client in database $1, stopping at the first error.
client() {
  if [ "$engine" = postgres ]; then
    PGCLIENTENCODING=UTF8 "$pg_bin/psql" -X -q -A -t -F '|' -P null=NULL -v ON_ERROR_STOP=1 \
      -h "$dir" -p 5432 -U postgres -d "$1"
  else
    # --binary-mode keeps a CR LF inside a literal, which the client would turn into LF.
    env -u MYSQL_PWD -u MYSQL_HOST /usr/bin/mariadb --no-defaults --socket="$dir/mysqld.sock" \
      --user=root --batch --raw --binary-mode --skip-column-names \
      --default-character-set=utf8mb4 ${1:+"$1"}
  fi
}

case $engine.$command in
postgres.missing)
  [ -n "$pg_initdb" ] || echo "PostgreSQL server not installed (/usr/lib/postgresql/*/bin)" ;;
mariadb.missing)
  for program in /usr/sbin/mariadbd /usr/bin/mariadb-install-db /usr/bin/mariadb; do
    [ -x $program ] || { echo "MariaDB not installed ($program)"; break; }
  done ;;
postgres.start)
  [ -z "$root" ] || chown postgres: "$dir"
  pg "$pg_bin/initdb" -D "$dir/data" -E UTF8 --locale=C -A trust -U postgres --no-sync >/dev/null
  # Durability is of no use to a throw-away cluster; speed is.
  printf "%s\n" "listen_addresses = ''" "unix_socket_directories = '$dir'" "port = 5432" \
    "fsync = off" "synchronous_commit = off" "full_page_writes = off" "max_connections = 30" \
    "shared_buffers = 32MB" >>"$dir/data/postgresql.conf"
  pg_ctl start ;;
mariadb.start)
  # A freshly installed data folder, made once per build and server version (installing takes
  # far longer than copying) under a temporary name, so that no process sees half of one.
  pristine=$6/test-mariadb-$(stat -c %Y-%s /usr/sbin/mariadbd)
  if [ ! -d "$pristine/data/mysql" ]; then
    building=$(mktemp -d "$6/test-mariadb-XXXXXX")
    # A small redo log: the default one would write 100 MB per test process.
    /usr/bin/mariadb-install-db --no-defaults --datadir="$building/data" --skip-test-db \
      --auth-root-authentication-method=normal --skip-name-resolve --innodb-log-file-size=8M \
      $my_user >/dev/null || { rm -rf "$building"; exit 1; }
    mv -T "$building" "$pristine" 2>/dev/null || rm -rf "$building"  # another process won
  fi
  cp -R "$pristine/data" "$dir/data"
  /usr/sbin/mariadbd --no-defaults --datadir="$dir/data" --socket="$dir/mysqld.sock" \
    --tmpdir="$dir" --skip-networking --log-error="$dir/server.log" --skip-log-bin \
    --innodb-buffer-pool-size=32M --innodb-log-file-size=8M --innodb-flush-log-at-trx-commit=0 \
    --innodb-doublewrite=0 --character-set-server=utf8mb4 --collation-server=utf8mb4_bin \
    $my_user </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/server.pid"
  # The server says so in its log once it listens on the socket; 60 s at most.
  tries=0
  until grep -q "ready for connections" "$dir/server.log" 2>/dev/null; do
    if [ $((tries += 1)) -gt 3000 ] || ! alive $!; then
      cat "$dir/server.log" >&2
      exit 1
    fi
    sleep 0.02
  done ;;
postgres.pg_ctl)
  pg_ctl "$4" ;;
*.sql)
  client "$4" <"$5" ;;
*.stop)
  watchdog=$(cat "$dir/watchdog.pid" 2>/dev/null) || true
  [ -z "$watchdog" ] || [ "$watchdog" = $$ ] || kill -9 "$watchdog" 2>/dev/null || true
  if [ "$engine" = postgres ]; then
    pg_ctl immediate >/dev/null 2>&1 || true
  elif server=$(cat "$dir/server.pid" 2>/dev/null); then
    kill -9 "$server" 2>/dev/null || true  # the data is thrown away: nothing to shut down
    tries=0
    while alive "$server" && [ $((tries += 1)) -lt 500 ]; do sleep 0.01; done
  fi
  [ -n "${KELVAX_KEEP_TEST_FILES+set}" ] || rm -rf "$dir" ;;
*)
  echo "usage: server.sh postgres|mariadb missing|start|sql|stop|pg_ctl ..." >&2
  exit 2 ;;
esac
[ "$command" = start ] || exit 0

# The watchdog, out of the test's process tree, checks each second that the test process lives;
# once it has died without stopping the server, the watchdog does.
(sh -c 'echo $$ >"$2/watchdog.pid"; while kill -0 "$3" 2>/dev/null; do sleep 1; done
        exec sh "$0" "$1" stop "$2"' "$0" "$engine" "$dir" "$4" </dev/null >/dev/null 2>&1 &)
if [ "$engine" = postgres ]; then
  echo "CREATE DATABASE $5 TEMPLATE template0 ENCODING 'UTF8'" | client postgres
else
  echo "CREATE DATABASE $5" | client ""
fi

#!/usr/bin/env bash
# How often psqlODBC crashes when the server ends the session mid-extract, per driver setting.
# Each run extracts ROWS rows of generate_series as TAB from a private server this script starts
# and stops, and terminates the session's backend at a random moment of the extract (AT=random),
# or as soon as the output file has been created, as the faults test does (AT=start). A run ends:
#   crashed  the driver died of a signal (kelvax records it and exits with 2; a signal exit
#            status counts too)
#   failed   the task failed with its record (exit status 1), as it should
#   missed   the extract ended before the backend did (exit status 0)
#
#   bench/pg_crash.sh
#   env: AT (random), KELVAX (default build/kelvax), ROWS (5000000), RUNS (20), BENCH_DIR (/tmp/kelvax-crash),
#        BENCH_PG_PORT (55431), SETTINGS (the DSN settings tried, separated by blanks; within one
#        setting, keys separated by commas)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
rows=${ROWS:-5000000}
runs=${RUNS:-20}
at=${AT:-random}
work=${BENCH_DIR:-/tmp/kelvax-crash}
kelvax=${KELVAX:-$here/build/kelvax}
settings=${SETTINGS:-"UseDeclareFetch=1,Fetch=100 UseDeclareFetch=1,Fetch=1000 UseDeclareFetch=1,Fetch=10000
  UseDeclareFetch=1,Fetch=100000 UseDeclareFetch=0 UseDeclareFetch=1,Fetch=100,UseServerSidePrepare=0
  UseDeclareFetch=1,Fetch=100,UseServerSidePrepare=1"}

source "$here/bench/bench_lib.sh"
bench_start "$kelvax" "$work"
bench_install_kelvax "$kelvax" "$work/kx"
bench_pg_start "$work/pg"
mkdir -p "$work/out"
printf '[CONNECTION01]\r\nDSN01=DSN=CRASH\r\nSQL01=SELECT i FROM generate_series(1, %s) i\r\nOUTPUT=TAB\r\nEXPORT=%s\r\n' \
  "$rows" "$work/out/OUT.TXT" > "$work/job.ini"

terminate() {
  bench_psql -qAt -c "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity
    WHERE backend_type = 'client backend' AND pid <> pg_backend_pid()" >/dev/null
}

# one_run DELAY: the extract, its backend terminated DELAY seconds after the start ("start": once
# the output file is there; none when empty); sets RUN_STATUS and RUN_SECONDS.
one_run() {
  local t0 pid i
  rm -rf "$work/out"/* "$work/out"/.??*
  t0=$(date +%s%N)
  "$work/kx/kelvax" "$work/job.ini" 2>"$work/stderr" &
  pid=$!
  if [ "$1" = start ]; then
    for ((i = 0; i < 2000; i++)); do
      if compgen -G "$work/out/.OUT.TXT.kelvax-*" >/dev/null; then break; fi
      sleep 0.005
    done
    terminate
  elif [ -n "$1" ]; then
    sleep "$1"
    terminate
  fi
  set +e
  wait "$pid"
  RUN_STATUS=$?
  set -e
  RUN_SECONDS=$(awk -v a="$t0" -v b="$(date +%s%N)" 'BEGIN { printf "%.2f", (b - a) / 1e9 }')
}

echo "# psqlODBC $(dpkg-query -W -f '${Version}' odbc-postgresql 2>/dev/null || echo '?'), $rows rows, $runs runs a setting, backend terminated at $at, $(date -u '+%Y-%m-%d %H:%M UTC')"
printf '| %-55s | %7s | %7s | %7s | %7s |\n' "setting" "crashed" "failed" "missed" "run (s)"
printf '|%s|%s|%s|%s|%s|\n' "---------------------------------------------------------" "--------:" "--------:" "--------:" "--------:"
for setting in $settings; do
  IFS=, read -r -a keys <<< "$setting"
  bench_add_dsn CRASH "Driver=PostgreSQL Unicode" "Servername=$BENCH_PG_SOCKET" "Port=$BENCH_PG_PORT" \
    "Database=postgres" "Username=postgres" "${keys[@]}"
  one_run ""
  [ "$RUN_STATUS" -eq 0 ] || { echo "$setting: an undisturbed run failed ($RUN_STATUS)" >&2; cat "$work/stderr" >&2; exit 1; }
  whole=$RUN_SECONDS
  crashed=0 failed=0 missed=0
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/kx/SQLLOG.txt"
    if [ "$at" = start ]; then
      one_run start
    else
      # Anywhere from the connect to near the end of an undisturbed run.
      one_run "$(awk -v w="$whole" -v r="$RANDOM" 'BEGIN { printf "%.3f", w * 0.95 * r / 32768 }')"
    fi
    if [ "$RUN_STATUS" -ge 128 ] || { [ "$RUN_STATUS" -eq 2 ] && grep -q "ended abnormally" "$work/stderr"; }; then
      crashed=$((crashed + 1))
    elif [ "$RUN_STATUS" -eq 1 ]; then
      failed=$((failed + 1))
    elif [ "$RUN_STATUS" -eq 0 ]; then
      missed=$((missed + 1))
    else
      echo "$setting: exit status $RUN_STATUS" >&2
      cat "$work/stderr" >&2
    fi
  done
  printf '| %-55s | %7s | %7s | %7s | %7s |\n' "$setting" "$crashed" "$failed" "$missed" "$whole"
done

#!/usr/bin/env bash
# Cost of the progress window: a TAB extract of N rows (default 1,000,000) under a private Xvfb
# with INDICATOR=ON against the same job with INDICATOR=OFF, and without any display for
# reference. Runs alternate; the median wall time of each kind is reported.
#   bench/progress.sh [KELVAX_BINARY] [ROWS] [REPEATS]   (the binary also from env KELVAX)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-${KELVAX:-$here/build/kelvax}}
rows=${2:-1000000}
repeats=${3:-5}
case $rows$repeats in ''|*[!0-9]*) echo "ROWS and REPEATS must be whole numbers" >&2; exit 2 ;; esac
command -v Xvfb >/dev/null || { echo "Xvfb not found (scripts/install-deps.sh)" >&2; exit 2; }

# In memory where possible: writing the 200 MB output to disk makes the runs wander far more than
# the window costs.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d -p /dev/shm); else work=$(mktemp -d); fi
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

source "$here/bench/bench_lib.sh"
bench_start "$binary" "$work"
bench_table_db "$work/bench.db" "$rows"
bench_add_dsn BENCHDB "Driver=SQLite3" "Database=$work/bench.db" "StepAPI=1"
bench_install_kelvax "$binary" "$work/kx"
mkdir "$work/runtime"
chmod 700 "$work/runtime"
for mode in ON OFF; do
  printf '[CONNECTION01]\r\nDSN01=DSN=BENCHDB\r\nSQL01=SELECT * FROM BENCH\r\nOUTPUT=TAB\r\nEXPORT=%%PATH%%/OUT.TXT\r\nCOUNTER=ON\r\nINDICATOR=%s\r\n' \
    "$mode" > "$work/job_$mode.ini"
done
export XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# Xvfb picks a free display and writes its number once it accepts connections. -noreset: an X
# server resets when its last client leaves, and a program connecting meanwhile is refused.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xpid=$!
i=0
while [ ! -s "$work/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 2; }
display=":$(head -n1 "$work/display")"

# "wall cpu" seconds of one run (cpu = user + system of kelvax): $1 = ON, OFF or NODISPLAY.
run() {
  job=$work/job_$1.ini
  display_env="DISPLAY=$display"
  if [ "$1" = NODISPLAY ]; then job=$work/job_ON.ini; display_env="DISPLAY="; fi
  if ! env -u DISPLAY "$display_env" /usr/bin/time -f '%e %U %S' -o "$work/time" \
    "$work/kx/kelvax" "$job"; then
    echo "kelvax failed ($1): $(head -n1 "$work/time")" >&2
    exit 1
  fi
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}
# Median of column $1 of standard input.
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
run OFF >/dev/null  # warm the page cache
: > "$work/t_ON"; : > "$work/t_OFF"; : > "$work/t_NODISPLAY"
n=0
while [ $n -lt "$repeats" ]; do
  for mode in ON OFF NODISPLAY; do run $mode >> "$work/t_$mode"; done
  n=$((n + 1))
done
lines=$(($(wc -l < "$work/kx/OUT.TXT") - 1))
echo "rows written: $lines; load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-28s %9s %8s   %s\n' "run" "wall (s)" "CPU (s)" "wall of each run"
for mode in ON OFF NODISPLAY; do
  case $mode in
    ON) label="INDICATOR=ON, Xvfb" ;; OFF) label="INDICATOR=OFF, Xvfb" ;; *) label="no display, INDICATOR=ON" ;;
  esac
  printf '%-28s %9s %8s   %s\n' "$label" "$(median 1 < "$work/t_$mode")" "$(median 2 < "$work/t_$mode")" \
    "$(awk '{ printf "%s ", $1 }' "$work/t_$mode")"
done
# Each round runs ON and OFF back to back, so the ratio within a round is spared the slow drift
# of a shared machine.
paired=$(paste -d' ' "$work/t_ON" "$work/t_OFF" | awk '{ printf "%.3f\n", $1 / $3 }')
echo "ON / OFF per round: $(echo "$paired" | tr '\n' ' ')"
echo "ON / OFF: median of rounds $(echo "$paired" | median 1), of medians: wall $(echo "$(median 1 < "$work/t_ON") $(median 1 < "$work/t_OFF")" | awk '{ printf "%.3f", $1 / $2 }')," \
  "CPU $(echo "$(median 2 < "$work/t_ON") $(median 2 < "$work/t_OFF")" | awk '{ printf "%.3f", $1 / $2 }')"

#!/bin/sh
# Reading big job files: a run of a job whose last section is one CREATEODBC task after N other
# sections (N = 10000 20000 40000 and a 20 MB file), wall time and peak RSS. Reading must stay
# linear: twice the sections, twice the time.
#   KELVAX=build/kelvax bench/job_file.sh
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
kelvax=${KELVAX:-$here/build/kelvax}
[ -x "$kelvax" ] || { echo "no kelvax at $kelvax (build it, or set KELVAX)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$kelvax" "$work/kelvax"
printf '%-10s %12s %9s %8s %14s\n' sections bytes "wall (s)" "CPU (s)" "peak RSS (KB)"
for n in 10000 20000 40000 220000; do
  awk -v n="$n" 'BEGIN {
    pad = sprintf("%80s", ""); gsub(/ /, "x", pad)
    for (i = 0; i < n; i++) printf "[NOTE%d]\r\nTEXT=%s\r\n", i, pad
    printf "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n" }' > "$work/job.ini"
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$work/kelvax" "$work/job.ini" 2>/dev/null
  read -r wall user sys rss < "$work/time"
  printf '%-10s %12s %9s %8s %14s\n' "$n" "$(wc -c < "$work/job.ini")" "$wall" \
    "$(echo "$user + $sys" | bc)" "$rss"
done

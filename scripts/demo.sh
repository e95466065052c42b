#!/usr/bin/env bash
# Installs, builds, creates a demo SQLite database with a private ODBC configuration (DSN
# KELVAXDEMO), runs a job (examples/demo.ini unless another is named) and shows where the output
# and the run log are.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOB=$(realpath "${1:-examples/demo.ini}")
bash scripts/install-deps.sh
# The program alone, in a folder of its own: the test suite takes most of a full build's time.
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DKELVAX_BUILD_TESTS=OFF
cmake --build build-demo -j2 --target kelvax

OUT=$ROOT/demo-out
rm -rf "$OUT"
mkdir -p "$OUT"
# The program keeps its run log beside itself, so the demo runs a copy in its own folder.
cp build-demo/kelvax "$OUT/kelvax"
[ -f build-demo/kelvax_ui.so ] && cp build-demo/kelvax_ui.so "$OUT/"

bash scripts/demo-db.sh "$OUT"
export ODBCSYSINI=$OUT ODBCINI=$OUT/odbc.ini

touch "$OUT/.before-run"
status=0
(cd "$OUT" && ./kelvax "$JOB") || status=$?

echo
echo "kelvax exited with status $status"
echo "Output files:"
find "$OUT" -maxdepth 1 -type f ! -name kelvax ! -name 'odbc*.ini' ! -name demo.db ! -name SQLLOG.txt \
  -newer "$OUT/.before-run" | sort | sed 's/^/  /'
echo "Run log: $OUT/SQLLOG.txt (CP932; shown here converted to UTF-8):"
iconv -f CP932 -t UTF-8 "$OUT/SQLLOG.txt" | tr -d '\r' | sed 's/^/  /'

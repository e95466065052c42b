#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/, the
# windows included: our window code and its module are instrumented, the toolkit itself is not)
# and runs it. The kelvax that the tests start is sanitized too, under the private X server of the
# desktop tests where they start one. Reports go to build-asan/sanitizer/ as well as failing the
# test, so that a fault in a child whose exit status a test ignores is still caught.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-asan"

# -O1 -g1: the sanitizers need no more optimisation, and reports need only lines and functions;
# it halves the build, which is most of this script's time.
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DKELVAX_WITH_QT=ON -DKELVAX_SANITIZE=ON >/dev/null
cmake --build "$out" -j2 >/dev/null

reports="$out/sanitizer"
rm -rf "$reports"
mkdir -p "$reports"
# exitcode 86: a sanitizer's stop must not read as a task failure (exit 1) to a test.
# verify_asan_link_order=0: faketime is preloaded ahead of the sanitizer runtime.
# Leaks are checked in every test program and every kelvax they start. The drivers' own leaks are
# suppressed by module (scripts/lsan.supp): the fixtures register each driver with
# DontDLClose=1, so that its frames still carry its library's name when the report is written.
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:verify_asan_link_order=0:log_path=$reports/asan"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$reports/ubsan"

cd "$out"
status=0
ctest -j2 --timeout 900 --output-on-failure >"$out/ctest.log" 2>&1 || status=1
sed -n '/tests passed/,$p' "$out/ctest.log"
if compgen -G "$reports/*" >/dev/null; then
  echo "sanitizer reports:"
  for f in "$reports"/*; do echo "== $f"; head -40 "$f"; done
  status=1
fi
exit $status

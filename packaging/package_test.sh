#!/usr/bin/env bash
# The .deb as a user gets it: built by cpack, unpacked into a temporary root, run from there by a
# user who may not write the program's folder (so its files go to the XDG folders), with the
# demo job on a SQLite database and the windows' module loaded; the manual page rendered.
# Usage: package_test.sh BUILD_DIR MODULE_DIR (the window module's folder below the prefix)
set -euo pipefail
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
chmod 755 "$T"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$1/CPackConfig.cmake" -G DEB -B "$T/out" >/dev/null
DEB=$(ls "$T"/out/kelvax_*.deb)
echo "package: $(basename "$DEB") $(stat -c %s "$DEB") bytes"
dpkg-deb -f "$DEB" Depends | grep -q libodbc || fail "Depends does not name unixODBC"
dpkg-deb -f "$DEB" Recommends | grep -q odbc-postgresql || fail "no ODBC drivers recommended"
dpkg -x "$DEB" "$T/root"
R=$T/root/usr
if [ -f "$1/kelvax_ui.so" ]; then
  ls "$R/share/applications/kelvax.desktop" "$R/share/icons/hicolor/scalable/apps/kelvax.svg" >/dev/null
fi

# The program's folder must not be writable by whoever runs it: as root, run as nobody.
H=$T/home STATE=$T/home/.local/state/kelvax
mkdir -p "$H" && mkdir -m 777 "$T/db"
AS=()
if [ "$(id -u)" -eq 0 ]; then
  AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups) && chown nobody:nogroup "$H"
else
  chmod a-w "$R/bin"
fi
run() {  # run [NAME=VALUE...] -- kelvax's arguments
  local vars=()
  while [ "$1" != -- ]; do vars+=("$1"); shift; done
  shift
  env -i PATH=/usr/bin:/bin HOME="$H" LANG=C.UTF-8 ODBCSYSINI="$T/db" ODBCINI="$T/db/odbc.ini" \
    "${vars[@]}" "${AS[@]}" "${EXE:-$R/bin/kelvax}" "$@"
}

[ "$(run -- --version)" = "kelvax $(dpkg-deb -f "$DEB" Version)" ] || fail "--version"
help=$(run -- --help)
grep -qF "SQLLOG.txt (and %PATH%) in $STATE" <<<"$help" || fail "--help: $help"
grep -qF "kelvax.ini in $H/.config/kelvax" <<<"$help" || fail "--help: $help"

# The demo job on the demo's database (in a folder anyone may write: SQLite puts its journal
# beside it); with a window platform chosen, the installed module is loaded.
bash "$(dirname "$0")/../scripts/demo-db.sh" "$T/db"
chmod 666 "$T/db/demo.db"
for platform in "" offscreen; do
  status=0
  run QT_QPA_PLATFORM=$platform -- "$R/share/doc/kelvax/examples/demo.ini" 2>"$T/err" || status=$?
  [ "$status" -eq 0 ] && ! grep -q "^kelvax:" "$T/err" || fail "demo job ($platform): $status $(cat "$T/err")"
done
[ -s "$STATE/SQLLOG.txt" ] && ls "$STATE"/ORDERS2*.TXT >/dev/null || fail "no log or extract in $STATE"
[ ! -e "$STATE/.kelvax.lock" ] && [ ! -e "$R/bin/SQLLOG.txt" ] || fail "files left beside the program"
[ "$(sqlite3 "$T/db/demo.db" 'SELECT COUNT(*) FROM SHIPPING_LOG')" = 2 ] || fail "task 3 did not run"

# A copy without its module, in a folder it may write: its files beside it, no windows, one line.
if [ -f "$1/kelvax_ui.so" ]; then
  cp "$R/bin/kelvax" "$H/kelvax"
  EXE=$H/kelvax run QT_QPA_PLATFORM=offscreen -- "$R/share/doc/kelvax/examples/demo.ini" 2>"$T/err"
  [ "$(cat "$T/err")" = "kelvax: the windows cannot be loaded (no kelvax_ui.so in $H/../$2 or \
$H); running without them" ] && [ -s "$H/SQLLOG.txt" ] || fail "the copy: $(cat "$T/err")"
fi

warnings=$(MANWIDTH=80 man --warnings -l "$R/share/man/man1/kelvax.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man: $warnings"
MANWIDTH=80 man -l "$R/share/man/man1/kelvax.1.gz" | grep -q "^EXIT STATUS" || fail "man page not rendered"
echo "package test passed"

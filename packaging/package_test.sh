#!/usr/bin/env bash
# The .deb as a user gets it: built by cpack, unpacked into a temporary root, run from there by a
# user who may not write the program's folder (so its files go to the XDG folders), with the
# demo job on a SQLite database, and the manual page rendered.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
BUILD=$1
SOURCE=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
chmod 755 "$T"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$T/out" >/dev/null
DEB=$(ls "$T"/out/kelvax_*.deb)
echo "package: $(basename "$DEB") $(stat -c %s "$DEB") bytes"
dpkg-deb -f "$DEB" Depends | grep -q libodbc || fail "Depends does not name unixODBC"
dpkg-deb -f "$DEB" Recommends | grep -q odbc-postgresql || fail "no ODBC drivers recommended"
dpkg -x "$DEB" "$T/root"
R=$T/root/usr
for f in bin/kelvax share/man/man1/kelvax.1 share/doc/kelvax/examples/demo.ini; do
  [ -f "$R/$f" ] || fail "$f is not in the package"
done
if [ -f "$BUILD/kelvax_ui.so" ]; then
  for f in lib/kelvax/kelvax_ui.so share/applications/kelvax.desktop \
           share/icons/hicolor/scalable/apps/kelvax.svg; do
    [ -f "$R/$f" ] || fail "$f is not in the package"
  done
fi

# The program's folder must not be writable by whoever runs it: as root, run as nobody.
AS=()
if [ "$(id -u)" -eq 0 ]; then
  AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod a-w "$R/bin"
fi
H=$T/home
mkdir -p "$H"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$H"
run() {
  env -i PATH=/usr/bin:/bin HOME="$H" LANG=C.UTF-8 ODBCSYSINI="$T" ODBCINI="$T/odbc.ini" "$@" \
    "${AS[@]}" "$R/bin/kelvax" "${RUN_ARGS[@]}"
}

RUN_ARGS=(--version); out=$(run)
[ "$out" = "kelvax $(dpkg-deb -f "$DEB" Version)" ] || fail "--version said: $out"
RUN_ARGS=(--help); out=$(run)
grep -qF "$H/.local/state/kelvax" <<<"$out" || fail "--help names no state folder: $out"
grep -qF "$H/.config/kelvax" <<<"$out" || fail "--help names no settings folder: $out"

# The demo job against a small database of the demo's shape.
# In a folder anyone may write: SQLite puts its journal beside the database.
mkdir -m 777 "$T/db"
sqlite3 "$T/db/demo.db" <<'SQL'
CREATE TABLE ORDERS (ID INTEGER PRIMARY KEY, CUSTOMER TEXT, CITY TEXT, QTY INTEGER,
                     PRICE NUMERIC(10,2), ORDERED DATE, SHIPPED TIMESTAMP, NOTE TEXT);
INSERT INTO ORDERS VALUES (1, '山田商店', '東京', 3, 12.5, '2026-01-02', NULL, ''),
                          (2, 'Blue Ocean Ltd.', '大阪', 1, 0.25, '2026-01-03', NULL, '至急');
CREATE TABLE SHIPPING_LOG (ID INTEGER PRIMARY KEY, NOTE TEXT);
SQL
chmod 666 "$T/db/demo.db"
DRIVER=$(for d in /usr/lib/*/odbc/libsqlite3odbc.so /usr/lib/odbc/libsqlite3odbc.so; do
  [ -f "$d" ] && echo "$d" && break; done)
printf '[SQLite3]\nDriver=%s\n' "$DRIVER" >"$T/odbcinst.ini"
printf '[KELVAXDEMO]\nDriver=SQLite3\nDatabase=%s\nStepAPI=1\n' "$T/db/demo.db" >"$T/odbc.ini"
RUN_ARGS=("$R/share/doc/kelvax/examples/demo.ini")
status=0; run 2>"$T/err" || status=$?
[ "$status" -eq 0 ] || fail "demo job: exit $status: $(cat "$T/err")"
STATE=$H/.local/state/kelvax
[ -s "$STATE/SQLLOG.txt" ] || fail "no run log in $STATE"
ls "$STATE"/ORDERS2*.TXT >/dev/null || fail "no extract in $STATE (%PATH%)"
[ ! -e "$STATE/.kelvax.lock" ] || fail "the instance lock was left behind"
[ ! -e "$R/bin/SQLLOG.txt" ] || fail "the log was written beside the installed program"
[ "$(sqlite3 "$T/db/demo.db" 'SELECT COUNT(*) FROM SHIPPING_LOG')" = 1 ] || fail "task 3 did not run"

# With a window platform chosen the installed module is found and loads (the engine's symbols
# it needs are exported by the program).
if [ -f "$R/lib/kelvax/kelvax_ui.so" ]; then
  RUN_ARGS=("$R/share/doc/kelvax/examples/demo.ini")
  status=0; run QT_QPA_PLATFORM=offscreen 2>"$T/err" || status=$?
  ! grep -q "cannot be loaded" "$T/err" || fail "$(cat "$T/err")"
  [ "$status" -eq 0 ] || fail "demo job with windows: exit $status: $(cat "$T/err")"
fi

warnings=$(MANWIDTH=80 man --warnings -l "$R/share/man/man1/kelvax.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man: $warnings"
MANWIDTH=80 man -l "$R/share/man/man1/kelvax.1" | grep -q "EXIT STATUS" || fail "man page not rendered"
echo "package test passed"

#!/usr/bin/env bash
# The .debs as a user gets them: built by cpack, unpacked into a temporary root, run from there by
# a user who may not write the program's folder (so its files go to the XDG folders): the
# installed example job, without windows and with the windows' module loaded; a copy without the
# module; the manual page rendered. (scripts/package-test.sh installs them with apt, as root.)
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
! dpkg-deb -f "$DEB" Depends | grep -qi qt || fail "kelvax depends on Qt: $(dpkg-deb -f "$DEB" Depends)"
dpkg-deb -f "$DEB" Recommends | grep -q libsqliteodbc || fail "the example's driver is not recommended"
dpkg -x "$DEB" "$T/root"
R=$T/root/usr
if [ -f "$1/kelvax_ui.so" ]; then
  GUI=$(ls "$T"/out/kelvax-gui_*.deb)
  dpkg-deb -f "$GUI" Depends | grep -q "kelvax (= $(dpkg-deb -f "$DEB" Version))" || fail "kelvax-gui Depends"
  dpkg-deb -f "$GUI" Depends | grep -q qt6-translations-l10n || fail "kelvax-gui does not depend on Qt's translations"
  dpkg -x "$GUI" "$T/root"
  ls "$R/$2/kelvax_ui.so" "$R/share/applications/kelvax.desktop" \
    "$R/share/icons/hicolor/scalable/apps/kelvax.svg" >/dev/null
fi
for f in "$R"/bin/kelvax "$R"/lib/*/kelvax/*.so; do
  [ -e "$f" ] || continue
  file "$f" | grep -q ", stripped" || fail "$f is not stripped"
  # Its symbols are kept in the build folder, under the same build id.
  id=$(readelf -n "$f" 2>/dev/null | sed -n 's/.*Build ID: //p')
  [ "$(readelf -n "$1/$(basename "$f").debug" 2>/dev/null | sed -n 's/.*Build ID: //p')" = "$id" ] ||
    fail "no $(basename "$f").debug of build id $id"
done

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

# The installed example, as shipped (its connect string names the driver SQLite3, in the demo's
# odbcinst.ini here); with a window platform chosen, the installed module is loaded.
bash "$(dirname "$0")/../scripts/demo-db.sh" "$T/db"
JOB=$R/share/doc/kelvax/examples/orders.ini
for platform in "" offscreen; do
  status=0
  run QT_QPA_PLATFORM=$platform -- "$JOB" 2>"$T/err" || status=$?
  [ "$status" -eq 0 ] && ! grep -q "^kelvax:" "$T/err" || fail "example job ($platform): $status $(cat "$T/err")"
done
[ -s "$STATE/SQLLOG.txt" ] && [ "$(wc -l <"$STATE"/ORDERS2*.CSV)" -eq 301 ] || fail "no log or extract in $STATE"
[ ! -e "$STATE/.kelvax.lock" ] && [ ! -e "$R/bin/SQLLOG.txt" ] || fail "files left beside the program"
[ "$(sqlite3 "$STATE/orders.db" 'SELECT COUNT(*) FROM RUNS')" = 2 ] || fail "task 3 did not run twice"

# A copy without its module, in a folder it may write: its files beside it, no windows, and one
# line saying so at the first task that asks for the progress window.
cp "$R/bin/kelvax" "$H/kelvax"
sed 's/^EXPORT=%PATH%.CITIES.*/&\nINDICATOR=ON/' "$JOB" >"$H/twice.ini"
EXE=$H/kelvax run QT_QPA_PLATFORM=offscreen -- "$H/twice.ini" 2>"$T/err"
[ "$(cat "$T/err")" = "kelvax: the windows are not installed (package kelvax-gui); running without them" ] &&
  [ -s "$H/SQLLOG.txt" ] || fail "the copy: $(cat "$T/err")"
# Without a display nothing is said, as under cron.
EXE=$H/kelvax run -- "$H/twice.ini" 2>"$T/err"
[ ! -s "$T/err" ] || fail "the copy without a display: $(cat "$T/err")"

# The page quotes the run log's Japanese records: rendered for a UTF-8 terminal.
warnings=$(LANG=C.UTF-8 MANWIDTH=80 man --warnings -l "$R/share/man/man1/kelvax.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man: $warnings"
MANWIDTH=80 man -l "$R/share/man/man1/kelvax.1.gz" | grep -q "^EXIT STATUS" || fail "man page not rendered"
echo "package test passed"

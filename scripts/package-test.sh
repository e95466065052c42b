#!/usr/bin/env bash
# The .deb installed for real, as on a user's machine: apt installs it; the program, its manual
# page, desktop entry and icon are where users look for them; the demo job runs on the installed
# program as root and as an unprivileged user, each keeping its files in its own XDG folders and
# none beside the program; apt removes every file again. Installing needs root (CI runs as
# root); without it the package is only built. Usage: scripts/package-test.sh (after a build)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS=0
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }

out=$(cd build && cpack -G DEB 2>&1) || fail "cpack: $out"
DEB=$(ls -t "$ROOT"/build/kelvax_*.deb | head -1)
if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: skipped: installing $(basename "$DEB") needs root"
  exit 0
fi
# Someone's own installation is not ours to replace and then remove.
if dpkg-query -W -f='${Status}' kelvax 2>/dev/null | grep -q "ok installed"; then
  fail "kelvax is installed already; remove it first"
fi

T=$(mktemp -d)
chmod 755 "$T"
# Whatever fails, the machine is left without the package (nor dpkg's record of it).
cleanup() {
  if dpkg-query -W kelvax >/dev/null 2>&1; then dpkg --purge kelvax >/dev/null; fi
  rm -rf "$T"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$DEB" >"$T/apt.log" 2>&1 ||
  fail "apt-get install: $(cat "$T/apt.log")"
dpkg -L kelvax | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$T/files"

[ "$(command -v kelvax)" = /usr/bin/kelvax ] || fail "kelvax is not /usr/bin/kelvax"
if [ -f build/kelvax_ui.so ]; then
  grep -q '^/usr/lib/.*/kelvax_ui\.so$' "$T/files" || fail "the window module is not installed"
fi
# Nothing for dpkg to run: no maintainer scripts (a module loaded by path needs no ldconfig).
scripts=$(ls /var/lib/dpkg/info/kelvax.{preinst,postinst,prerm,postrm} 2>/dev/null || true)
[ -z "$scripts" ] || fail "maintainer scripts: $scripts"
[[ "$(man -w kelvax)" == /usr/share/man/man1/kelvax.1* ]] || fail "man -w kelvax: $(man -w kelvax 2>&1)"
MANWIDTH=80 man kelvax 2>/dev/null | grep -q "^EXIT STATUS" || fail "man kelvax shows no EXIT STATUS"
DESKTOP=/usr/share/applications/kelvax.desktop
if [ -f build/kelvax_ui.so ]; then
  [ -f "$DESKTOP" ] || fail "no desktop entry"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DESKTOP" || fail "desktop-file-validate $DESKTOP"
  fi
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$DESKTOP")
  [ "$(command -v "$exec_name")" = /usr/bin/kelvax ] || fail "Exec=$exec_name is not the program"
  icon=/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$DESKTOP").svg
  [ -s "$icon" ] || fail "no icon $icon"
  if command -v xmllint >/dev/null; then xmllint --noout "$icon" || fail "icon $icon is not valid SVG"; fi
fi

# The demo database, in a folder both users may write (SQLite puts its journal beside it).
mkdir -m 777 "$T/db"
bash scripts/demo-db.sh "$T/db" >/dev/null
chmod 666 "$T/db/demo.db"
JOB=/usr/share/doc/kelvax/examples/demo.ini
runs=0
# demo USER STATE CONFIG [NAME=VALUE...]: the installed program as USER, with its home in $T.
demo() {
  local user=$1 state=$2 config=$3 home=$T/home-$1
  shift 3
  mkdir -p "$home" && chown "$user:" "$home"
  local run=(env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 ODBCSYSINI="$T/db"
             ODBCINI="$T/db/odbc.ini" "$@")
  local as=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups /usr/bin/kelvax)
  local help
  help=$("${run[@]}" "${as[@]}" --help)
  grep -qF "SQLLOG.txt (and %PATH%) in $home/$state" <<<"$help" || fail "--help as $user: $help"
  grep -qF "kelvax.ini in $home/$config" <<<"$help" || fail "--help as $user: $help"
  # Without a display, then with a window platform, which loads the installed module.
  for platform in "" offscreen; do
    local status=0
    "${run[@]}" QT_QPA_PLATFORM=$platform "${as[@]}" "$JOB" 2>"$T/err" >/dev/null || status=$?
    [ "$status" -eq 0 ] && ! grep -q "^kelvax:" "$T/err" ||
      fail "demo job as $user ($platform): exit $status: $(cat "$T/err")"
    runs=$((runs + 1))
  done
  [ -s "$home/$state/SQLLOG.txt" ] || fail "no run log in $home/$state as $user"
  local extract
  extract=$(ls "$home/$state"/ORDERS2*.TXT) || fail "no extract in $home/$state as $user"
  [ "$(wc -l <"$extract")" -ge 300 ] || fail "$extract holds $(wc -l <"$extract") lines"
}
demo root state/kelvax config/kelvax XDG_STATE_HOME="$T/home-root/state" \
  XDG_CONFIG_HOME="$T/home-root/config"
demo nobody .local/state/kelvax .config/kelvax
[ "$(sqlite3 "$T/db/demo.db" 'SELECT COUNT(*) FROM SHIPPING_LOG')" = "$runs" ] ||
  fail "the demo's last task did not run $runs times"
[ ! -e /usr/bin/SQLLOG.txt ] && [ ! -e /usr/bin/.kelvax.lock ] || fail "files left beside the program"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -q kelvax >"$T/apt.log" 2>&1 ||
  fail "apt-get remove: $(cat "$T/apt.log")"
left=$(while read -r f; do [ -e "$f" ] && echo "$f"; done <"$T/files" || true)
[ -z "$left" ] || fail "left after apt-get remove: $left"
# Removed means gone from dpkg's records too, not its "rc" state (configuration files remain).
state=$( (dpkg -l kelvax 2>/dev/null || true) | sed -n 's/^\([a-z][a-z]\) *kelvax .*/\1/p')
[ -z "$state" ] || [ "$state" = un ] || fail "after apt-get remove dpkg -l says: $state"
! man -w kelvax >/dev/null 2>&1 || fail "man -w kelvax still finds a page"
hash -r
[ -z "$(command -v kelvax)" ] || fail "kelvax still on PATH"

echo "package-test: $(basename "$DEB") $(stat -c %s "$DEB") bytes: installed, demo job run" \
  "as root and nobody ($runs runs), removed in ${SECONDS} s"

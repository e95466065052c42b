#!/usr/bin/env bash
# The .debs installed for real, as on a user's machine. lintian finds nothing to say about either
# package. apt installs kelvax alone, as on a server, pulling no Qt library: the example job runs
# as shipped, without windows, saying so only where a window is asked for. Then kelvax-gui: the
# desktop entry and icon are where desktops look, the example runs as root and as an unprivileged
# user with the windows' module loaded, each user keeping files in their own XDG folders and none
# beside the program. apt removes both, leaving no file and nothing in dpkg's records. Installing
# needs root (CI runs as root); without it the packages are only built and checked.
# Usage: scripts/package-test.sh (after a build)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS=0
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }

rm -f build/kelvax_*.deb build/kelvax-gui_*.deb
out=$(cd build && cpack -G DEB 2>&1) || fail "cpack: $out"
DEB=$(ls "$ROOT"/build/kelvax_*.deb)
GUI=$(ls "$ROOT"/build/kelvax-gui_*.deb 2>/dev/null || true)
say=$(lintian "$DEB" $GUI 2>&1) || fail "lintian: $say"
say=$(grep -v '^running with root privileges is not recommended!$' <<<"$say" || true)
[ -z "$say" ] || fail "lintian: $say"

# Everything apt would bring for kelvax (its dependencies and recommendations, and theirs).
closure() {
  local names
  names=$( (dpkg-deb -f "$1" Depends; echo ,; dpkg-deb -f "$1" Recommends) | tr ',|' '\n\n' |
           sed 's/(.*//; s/ //g' | grep -v '^kelvax$' | grep . || true)
  apt-cache depends --recurse --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $names | grep -v '^ ' | sort -u
}
# Alternatives (a | b) count both ways: an over-estimate of what apt would choose.
qt=$(closure "$DEB" | grep -i qt || true)
[ -z "$qt" ] || fail "installing kelvax may pull $(echo $qt)"
if [ -n "$GUI" ]; then grep -q libqt6widgets <<<"$(closure "$GUI")" || fail "kelvax-gui pulls no Qt"; fi

if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: $(basename "$DEB") $GUI: lintian clean; installing needs root"
  exit 0
fi
# Someone's own installation is not ours to replace and then remove.
for p in kelvax kelvax-gui; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    fail "$p is installed already; remove it first"
  fi
done

T=$(mktemp -d)
chmod 755 "$T"
# Whatever fails, the machine is left without the packages (nor dpkg's record of them).
cleanup() {
  for p in kelvax-gui kelvax; do
    if dpkg-query -W "$p" >/dev/null 2>&1; then dpkg --purge "$p" >/dev/null; fi
  done
  rm -rf "$T"
}
trap cleanup EXIT
apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >"$T/apt.log" 2>&1 ||
    fail "apt-get install $*: $(cat "$T/apt.log")"
  ! grep -i "^Setting up .*qt" "$T/apt.log" || [[ "$*" == *kelvax-gui* ]] ||
    fail "apt-get install $* set up Qt"
}

JOB=/usr/share/doc/kelvax/examples/orders.ini
runs=0
declare -A user_runs
# example USER STATE CONFIG [NAME=VALUE...]: the installed example as USER, home in $T, with the
# system's ODBC configuration, as shipped; the run must be silent. Leaves its stderr in $T/err.
example() {
  local user=$1 state=$2 config=$3 home=$T/home-$1
  shift 3
  mkdir -p "$home" && chown "$user:" "$home"
  local run=(env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "$@"
             setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups /usr/bin/kelvax)
  local help status=0
  help=$("${run[@]}" --help)
  grep -qF "SQLLOG.txt (and %PATH%) in $home/$state" <<<"$help" || fail "--help as $user: $help"
  grep -qF "kelvax.ini in $home/$config" <<<"$help" || fail "--help as $user: $help"
  "${run[@]}" "$JOB" 2>"$T/err" >/dev/null || status=$?
  [ "$status" -eq 0 ] || fail "example as $user ($*): exit $status: $(cat "$T/err")"
  runs=$((runs + 1)) user_runs[$user]=$((${user_runs[$user]:-0} + 1))
  [ -s "$home/$state/SQLLOG.txt" ] || fail "no run log in $home/$state as $user"
  [ "$(sqlite3 "$home/$state/orders.db" 'SELECT COUNT(*) FROM RUNS')" = "${user_runs[$user]}" ] ||
    fail "the example's database as $user does not count ${user_runs[$user]} runs"
  local extract
  extract=$(ls "$home/$state"/ORDERS2*.CSV) || fail "no extract in $home/$state as $user"
  [ "$(wc -l <"$extract")" -eq 301 ] || fail "$extract holds $(wc -l <"$extract") lines"
}

# kelvax alone, as on a server.
apt_install "$DEB"
dpkg -L kelvax | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$T/files"
[ "$(command -v kelvax)" = /usr/bin/kelvax ] || fail "kelvax is not /usr/bin/kelvax"
! grep kelvax_ui "$T/files" || fail "the window module is in the package kelvax"
! ldd /usr/bin/kelvax | grep -i qt || fail "/usr/bin/kelvax links Qt"
# Nothing for dpkg to run: no maintainer scripts (a module loaded by path needs no ldconfig).
scripts=$(ls /var/lib/dpkg/info/kelvax.{preinst,postinst,prerm,postrm} 2>/dev/null || true)
[ -z "$scripts" ] || fail "maintainer scripts: $scripts"
[[ "$(man -w kelvax)" == /usr/share/man/man1/kelvax.1* ]] || fail "man -w kelvax: $(man -w kelvax 2>&1)"
MANWIDTH=80 man kelvax 2>/dev/null | grep -q "kelvax $JOB" || fail "man kelvax does not show the example"
example nobody .local/state/kelvax .config/kelvax
[ ! -s "$T/err" ] || fail "the example without a display said: $(cat "$T/err")"
# With a display the windows are asked for: said once (the example's INDICATOR=ON task).
example nobody .local/state/kelvax .config/kelvax DISPLAY=:99
[ "$(cat "$T/err")" = "kelvax: the windows are not installed (package kelvax-gui); running without them" ] ||
  fail "the example with a display and no windows said: $(cat "$T/err")"
status=0
env -i PATH=/usr/bin:/bin HOME="$T/home-nobody" DISPLAY=:99 setpriv --reuid=nobody --regid=nogroup \
  --clear-groups /usr/bin/kelvax 2>"$T/err" >/dev/null || status=$?
[ "$status" -eq 2 ] && [ "$(head -1 "$T/err")" = "kelvax: the command center needs the windows, which \
are not installed (package kelvax-gui); no job file given" ] || fail "kelvax alone: $status $(cat "$T/err")"

# And the windows.
if [ -n "$GUI" ]; then
  apt_install "$GUI"
  dpkg -L kelvax-gui | while read -r f; do [ -d "$f" ] || echo "$f"; done >>"$T/files"
  grep -q '^/usr/lib/.*/kelvax_ui\.so$' "$T/files" || fail "the window module is not installed"
  DESKTOP=/usr/share/applications/kelvax.desktop
  [ -f "$DESKTOP" ] || fail "no desktop entry"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DESKTOP" || fail "desktop-file-validate $DESKTOP"
  fi
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$DESKTOP")
  [ "$(command -v "$exec_name")" = /usr/bin/kelvax ] || fail "Exec=$exec_name is not the program"
  icon=/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$DESKTOP").svg
  [ -s "$icon" ] || fail "no icon $icon"
  if command -v xmllint >/dev/null; then xmllint --noout "$icon" || fail "icon $icon is not valid SVG"; fi
  # Without a display, then with a window platform, which loads the installed module (the
  # toolkit may say something of its own there).
  for platform in "" offscreen; do
    example root state/kelvax config/kelvax XDG_STATE_HOME="$T/home-root/state" \
      XDG_CONFIG_HOME="$T/home-root/config" QT_QPA_PLATFORM=$platform
    ! grep -q "^kelvax:" "$T/err" || fail "the example as root ($platform) said: $(cat "$T/err")"
    example nobody .local/state/kelvax .config/kelvax QT_QPA_PLATFORM=$platform
    ! grep -q "^kelvax:" "$T/err" || fail "the example as nobody ($platform) said: $(cat "$T/err")"
  done
fi
[ ! -e /usr/bin/SQLLOG.txt ] && [ ! -e /usr/bin/.kelvax.lock ] || fail "files left beside the program"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -q kelvax-gui kelvax >"$T/apt.log" 2>&1 ||
  fail "apt-get remove: $(cat "$T/apt.log")"
left=$(while read -r f; do [ -e "$f" ] && echo "$f"; done <"$T/files" || true)
[ -z "$left" ] || fail "left after apt-get remove: $left"
# Removed means gone from dpkg's records too, not its "rc" state (configuration files remain).
for p in kelvax kelvax-gui; do
  state=$( (dpkg -l "$p" 2>/dev/null || true) | sed -n "s/^\([a-z][a-z]\) *$p .*/\1/p")
  [ -z "$state" ] || [ "$state" = un ] || fail "after apt-get remove dpkg -l $p says: $state"
done
! man -w kelvax >/dev/null 2>&1 || fail "man -w kelvax still finds a page"
hash -r
[ -z "$(command -v kelvax)" ] || fail "kelvax still on PATH"

echo "package-test: $(basename "$DEB") $(stat -c %s "$DEB") bytes${GUI:+, $(basename "$GUI") \
$(stat -c %s "$GUI") bytes}: lintian clean, no Qt pulled by kelvax; example run as shipped \
$runs times (root and nobody, with and without windows); removed in ${SECONDS} s"

#!/usr/bin/env bash
# Installs every Debian package that the build, the demo, the tests and the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential g++ cmake pkg-config dpkg-dev man-db
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql
  sqlite3 libsqlite3-dev
  libxlsxwriter-dev python3-openpyxl zlib1g-dev libzstd-dev
  googletest libgtest-dev
  faketime time python3 strace
  postgresql
  mariadb-server mariadb-client odbc-mariadb
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  xvfb xauth xclip xdotool x11-utils imagemagick fonts-ipafont fontconfig xdg-utils
  desktop-file-utils libxml2-utils lintian
  openbox
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

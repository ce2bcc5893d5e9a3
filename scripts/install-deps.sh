#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running TC4DL need.
# Safe to run again: apt-get skips what is already there. Needs root (or sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  libgl-dev
  libqcustomplot-dev
  libqt6svg6
  libqt6sql6-sqlite libssl-dev
  sqlite3
  # The archive on a lab's server: Qt's driver, libpq to read its URI, and the server the
  # tests start themselves.
  libqt6sql6-psql libpq-dev postgresql
  xvfb xauth fonts-dejavu-core
  qt6-translations-l10n
  clang-format-14
  desktop-file-utils appstream
  poppler-utils
  lintian file
  dbus
  # The live page: its HTTP server and QR codes; the browser, WebSockets for driving it and
  # openssl for a certificate in its tests; wrk for its benchmark.
  qt6-httpserver-dev libqrencode-dev
  qt6-websockets-dev chromium openssl wrk
  libmosquitto-dev mosquitto mosquitto-clients
  systemd
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

#!/bin/sh
# Installs, from Debian's packages, everything the build, the tests and the
# benchmarks need. Safe to run again: packages already present are kept.
set -eu
packages="
  ca-certificates
  cmake
  g++
  ninja-build
  pkg-config
  libgtest-dev
  libbenchmark-dev
  libssl-dev
  openssl
  libcurl4-openssl-dev
  tinyproxy
  libgtk-3-dev
  libwebkit2gtk-4.1-dev
  libsoup-3.0-dev
  libjson-glib-dev
  libx11-dev
  libxtst-dev
  x11-apps
  xvfb
  xauth
  fonts-dejavu-core
  clang
  libclang-rt-14-dev
  llvm-14
  fonts-noto-cjk
  bubblewrap
  xdg-dbus-proxy
"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $sudo apt-get update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

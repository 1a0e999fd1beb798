#!/bin/bash
# The Windows tests, under Wine, after scripts/build-windows.sh: the Windows
# build's unit tests (vemompi_wintests.exe) and the module's tests
# (tests/windows/test_wine_module.cpp: registration with regsvr32 and reg,
# and cscript scripts compared with the Linux module against the sandbox;
# test_wine_screen.cpp: the skinned dialog as the screen shows it), and the
# stand-in WebBrowser control (tests/windows/test_wine_standin.cpp).
# A throwaway Wine prefix under a temporary folder, no Mono or Gecko
# prompts, a private Xvfb; every step bounded in time. Fails when a test
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

# One private Xvfb for the whole run: Wine's desktop process of the prefix
# stays on the display it first met, so every step shares that one.
if [ -z "${VEMOMPI_WINE_DISPLAY_RUN:-}" ]; then
  export VEMOMPI_WINE_DISPLAY_RUN=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

say() { echo "test-windows: $*"; }
seconds() { echo $(( $(date +%s) - $1 )); }

wine64="${VEMOMPI_WINE64:-}"
if [ -z "$wine64" ]; then
  if [ -x /usr/lib/wine/wine64 ]; then wine64=/usr/lib/wine/wine64; else wine64="$(command -v wine64 || true)"; fi
fi
[ -n "$wine64" ] || { say "wine64 is not installed (scripts/build-windows.sh installs it)"; exit 1; }
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || true)"

# The module's tests under Wine, its skinned dialog on the screen, and the
# stand-in WebBrowser control of the tests (Wine has no HTML engine here):
# its registration, events and pages.
wine_tests="build/release/tests/test_wine_module build/release/tests/test_wine_screen build/release/tests/test_wine_standin"
# The Linux tree's checks of the Windows builds: the modules as files (both
# architectures), their resources against the tables, and the signed cabinet.
file_checks="build/release/tests/test_windows_modules build/release/tests/test_windows_resources
             build/release/tests/test_windows_cab"
say "building the module's tests under Wine and the checks of the Windows builds"
nice ninja -C build/release test_wine_module test_wine_screen test_wine_standin test_windows_modules \
  test_windows_resources test_windows_cab

tmp="$(mktemp -d /tmp/vemompi-wine-XXXXXX)"
export WINEPREFIX="$tmp/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=en_US.UTF-8 NO_AT_BRIDGE=1
unset LC_ALL LC_MESSAGES http_proxy HTTP_PROXY https_proxy HTTPS_PROXY || true
cleanup() {
  if [ -n "$wineserver" ]; then timeout 30 "$wineserver" -k >/dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

start=$(date +%s)
say "creating the Wine prefix $WINEPREFIX"
timeout 180 "$wine64" wineboot -i >"$tmp/wineboot.log" 2>&1 || { cat "$tmp/wineboot.log"; say "wineboot failed"; exit 1; }
say "prefix made in $(seconds "$start") s"
# One server for every step, rather than one that ends seconds after each
# program and a new one that starts with the next (it ends by itself ten
# minutes after the last program, should the kill at the end never come).
if [ -n "$wineserver" ]; then
  timeout 60 "$wineserver" -w || true
  "$wineserver" -p600
fi

failed=0
for arch in x64 x86; do
  set -- build/windows/$arch/vemompi_wintests*.exe
  if [ ! -f "$1" ]; then
    say "no build/windows/$arch/vemompi_wintests*.exe: the $arch unit tests are not built"
    continue
  fi
  if [ "$arch" = x86 ] && [ ! -x /usr/lib/wine/wine ]; then
    say "skipped the $arch unit tests: this Wine has no 32-bit loader (/usr/lib/wine/wine, package wine32:i386), so 32-bit programs do not start"
    continue
  fi
  loader="$wine64"
  [ "$arch" = x86 ] && loader=/usr/lib/wine/wine
  for exe in "$@"; do
    t=$(date +%s)
    say "=== $exe"
    if timeout 300 "$loader" "$exe"; then
      say "$exe passed in $(seconds "$t") s"
    else
      say "$exe FAILED"
      failed=1
    fi
  done
done

for check in $file_checks; do
  t=$(date +%s)
  say "=== $check"
  if VEMOMPI_WINDOWS_BUILD="$root/build/windows" timeout 300 "$check"; then
    say "$check passed in $(seconds "$t") s"
  else
    say "$check FAILED"
    failed=1
  fi
done

if [ ! -f build/windows/x64/VemoMPIOCX.ocx ]; then
  say "build/windows/x64/VemoMPIOCX.ocx is not built: the module's tests skip, the harness's own check runs"
fi
for check in $wine_tests; do
  t=$(date +%s)
  say "=== $check"
  if VEMOMPI_WINEPREFIX="$WINEPREFIX" VEMOMPI_WINDOWS_BUILD="$root/build/windows/x64" \
      timeout 600 "$check"; then
    say "$check passed in $(seconds "$t") s"
  else
    say "$check FAILED"
    failed=1
  fi
done
say "Windows tests done in $(seconds "$start") s"
exit "$failed"

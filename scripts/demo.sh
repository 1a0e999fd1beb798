#!/bin/sh
# The main job: a merchant's checkout page, opened in vemompi-host, drives
# the control through one 3-D Secure authentication against the sandbox's
# MPI service and issuer on 127.0.0.1.
#
#   scripts/demo.sh [--headless]
#
# Installs what it needs, builds, registers the module with vemompi-regsvr in
# a registry file of its own (never the user's), starts the sandbox with the
# checkout page as the merchant's site, and opens the page. With a display a
# person pays with a test card (see the README's table) and closes the window
# when done. Without one (or with --headless) it runs under Xvfb by itself:
# scripts/demo-driver.js pays with the password card 4000000000000010 and
# scripts/demo-cardholder.js types its password (1234) at the issuer; it
# saves screenshots in demo-output/ (the checkout page, the dialog at each
# page it loaded and at its end, the result), prints the result properties
# (the cryptogram masked), and exits 0 only when the authentication
# succeeded.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

headless=0
case "${1:-}" in
  --headless) headless=1 ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--headless]" >&2; exit 2 ;;
esac
if [ -z "${DISPLAY:-}" ]; then headless=1; fi

scripts/install-deps.sh
build="$root/build/release"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target VemoMPIOCX vemompi-regsvr vemompi-sandbox vemompi-host

state=$(mktemp -d "${TMPDIR:-/tmp}/vemompi-demo.XXXXXX")
sandbox_pid=""
cleanup() {
  if [ -n "$sandbox_pid" ]; then kill "$sandbox_pid" 2>/dev/null || true; wait "$sandbox_pid" 2>/dev/null || true; fi
  rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The control's registry (its registration, its settings) lives in the
# demonstration's own file.
export VEMOMPI_REGISTRY="$state/registry.reg"
"$build/vemompi-regsvr" "$build/VemoMPIOCX.so"

"$build/vemompi-sandbox" --pages "$root/examples" >"$state/sandbox.log" 2>&1 &
sandbox_pid=$!
base=""
for _ in $(seq 1 100); do
  base=$(head -n 1 "$state/sandbox.log" 2>/dev/null || true)
  case "$base" in http://*/) break ;; esac
  base=""
  sleep 0.1
done
if [ -z "$base" ]; then
  echo "demo: the sandbox did not start:" >&2
  cat "$state/sandbox.log" >&2
  exit 1
fi
page="${base}shop/checkout.html"
echo "demo: sandbox at $base, checkout page $page"

status=0
if [ "$headless" -eq 0 ]; then
  echo "demo: pay with a test card, e.g. 4000000000000010 (password 1234) or 4000000000000028"
  "$build/vemompi-host" "$page" || status=$?
else
  out="$root/demo-output"
  rm -rf "$out"
  mkdir -p "$out"
  export NO_AT_BRIDGE=1
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/vemompi-host" "$page" --driver "$root/scripts/demo-driver.js" \
    --cardholder "$root/scripts/demo-cardholder.js" --screenshots "$out" --timeout 120 \
    || status=$?
  echo "demo: screenshots in $out:"
  ls "$out"
fi
echo "demo: what the sandbox served:"
sed -n '2,$p' "$state/sandbox.log"
if [ "$status" -eq 0 ]; then echo "demo: authentication succeeded"; else echo "demo: failed (exit $status)"; fi
exit "$status"

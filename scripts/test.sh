#!/bin/sh
# The whole test suite: installs what it needs, then builds and runs the
# tests three times: an ordinary build with warnings as errors, a build with
# the address and undefined-behaviour sanitizers, and one with the thread
# sanitizer; then it runs every fuzz target briefly. Any failure fails the
# script.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)

run_suite() { # build directory, extra CMake options...
  dir="$1"
  shift
  echo "=== $dir"
  cmake -S . -B "$dir" -G Ninja -DVEMOMPI_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  # Windows and the browser need a display: a private Xvfb for the run.
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

# Under Xvfb there is no accessibility bus: GTK need not look for one.
export NO_AT_BRIDGE=1
sanitizers="$(pwd)/tests/sanitizers"

run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
LSAN_OPTIONS="suppressions=$sanitizers/lsan.supp" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$sanitizers/ubsan.supp" \
  run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DVEMOMPI_SANITIZE=address,undefined -DVEMOMPI_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$sanitizers/tsan.supp" \
  run_suite build/tsan -DCMAKE_BUILD_TYPE=Debug -DVEMOMPI_SANITIZE=thread -DVEMOMPI_BENCH=OFF
# The fuzz targets (a clang build of their own, instrumented for the
# fuzzer and the address and undefined-behaviour sanitizers): each one
# briefly from its seed corpus.
scripts/fuzz.sh -j 2 --brief
# The Windows module: cross-built with mingw-w64 for x86 and x64, then, once
# it is built, its tests under Wine (the x64 build; scripts/test-windows.sh).
scripts/build-windows.sh
scripts/test-windows.sh

#!/bin/sh
# Builds the libFuzzer targets (build/fuzz, clang) and runs each one from
# its seed corpus, then prints the executions and the coverage per target.
#
#   scripts/fuzz.sh [-j N] SECONDS [TARGET...]   each target for SECONDS
#   scripts/fuzz.sh --brief [TARGET...]           20000 runs or 8 s each, from
#                                                the seeds alone (scripts/test.sh)
#
# TARGET is a name such as regfile (fuzz/fuzz_regfile.cpp); all targets by
# default. -j N runs N targets at a time (1 by default). The inputs found by
# a timed run are kept in build/fuzz/corpus/<target> for the next one; a
# crash leaves its input in build/fuzz/artifacts/ and fails the script.
set -eu
cd "$(dirname "$0")/.."

jobs=1
brief=0
if [ "${1:-}" = "-j" ]; then
  jobs="$2"
  shift 2
fi
if [ "${1:-}" = "--brief" ]; then
  brief=1
  shift
elif [ $# -ge 1 ] && [ "$1" -gt 0 ] 2>/dev/null; then
  seconds="$1"
  shift
else
  echo "usage: $0 [-j N] SECONDS [TARGET...] | $0 --brief [TARGET...]" >&2
  exit 2
fi

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DVEMOMPI_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEMOMPI_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_all

targets="$*"
if [ -z "$targets" ]; then
  for f in fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp)
    targets="$targets ${n#fuzz_}"
  done
fi

sanitizers="$(pwd)/tests/sanitizers"
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$sanitizers/lsan.supp"
logs="$build/logs"
mkdir -p "$logs" "$build/artifacts"

run_one() { # target
  t="$1"
  options=""
  if [ -f "fuzz/options/$t" ]; then options=$(cat "fuzz/options/$t"); fi
  if [ "$brief" -eq 1 ]; then
    work=$(mktemp -d)
    limits="-runs=20000 -max_total_time=8"
  else
    work="$build/corpus/$t"
    mkdir -p "$work"
    limits="-max_total_time=$seconds"
  fi
  mkdir -p "fuzz/corpus/$t"
  # The first folder receives what is found; the checked-in seeds are only read.
  # shellcheck disable=SC2086
  if "$build/fuzz/fuzz_$t" $limits $options -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
      "$work" "fuzz/corpus/$t" >"$logs/$t.log" 2>&1; then
    status=ok
  else
    status=FAILED
  fi
  if [ "$brief" -eq 1 ]; then rm -rf "$work"; fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$t.log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$logs/$t.log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$logs/$t.log" | tail -1)
  cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corp=$(echo "$last" | sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p')
  printf '%-14s %-6s executions %10s  exec/s %7s  cov %5s  ft %6s  corpus %s\n' "$t" "$status" "${execs:-?}" \
    "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
  if [ "$status" != ok ]; then
    grep -E 'ERROR|SUMMARY|Test unit written' "$logs/$t.log" | head -5 | sed 's/^/    /'
    return 1
  fi
}

failed=0
running=0
results=$(mktemp -d)
for t in $targets; do
  (run_one "$t" >"$results/$t" 2>&1 || echo FAILED >"$results/$t.failed") &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait
    running=0
  fi
done
wait
for t in $targets; do
  cat "$results/$t"
  if [ -f "$results/$t.failed" ]; then failed=1; fi
done
rm -rf "$results"
if [ "$failed" -ne 0 ]; then
  echo "fuzzing found a fault: see $logs and $build/artifacts" >&2
  exit 1
fi

#!/usr/bin/env bash
# Builds the libFuzzer harnesses (tests/fuzz) in build-fuzz/ with clang and
# the address and undefined-behaviour sanitizers, then runs each one for
# SECONDS seconds (default 60), one after another in a single process, on
# its seed corpus and dictionary. Prints for each harness the executions,
# executions per second, edges covered, corpus size and findings.
#
#   scripts/fuzz.sh [SECONDS]
#
# FUZZ_HARNESSES="xfile_text png_texture" runs only those. New inputs stay
# in build-fuzz/corpus/<harness>/ (the seeds in the repository are only
# read); a finding is written to build-fuzz/findings/<harness>/ (emptied at
# the start of that harness's run) with its log in build-fuzz/logs/. Fix
# it, then keep the input as tests/fuzz/corpus/<harness>/finding-<what>
# so the corpus replay tests hold on to it. Exits 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
case "$seconds" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

./scripts/deps.sh

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DGRAPPLE_FUZZ=ON -DGRAPPLE_BUILD_TESTS=OFF -DGRAPPLE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "${FUZZ_BUILD_JOBS:-$(nproc 2>/dev/null || echo 2)}" --target grapple_fuzzers >/dev/null

# The harnesses that make textures or sounds need neither a display nor a
# sound card. An undefined-behaviour report stops the run like a crash.
export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

harnesses=${FUZZ_HARNESSES:-$(ls tests/fuzz/corpus)}
status=0
printf '%-18s %12s %10s %8s %8s  %s\n' harness executions exec/s edges corpus findings
for harness in $harnesses; do
  fuzzer=build-fuzz/tests/fuzz/fuzz_$harness
  work=build-fuzz/corpus/$harness
  findings=build-fuzz/findings/$harness
  log=build-fuzz/logs/$harness.log
  rm -rf "$findings"
  mkdir -p "$work" "$findings" build-fuzz/logs
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1
           -artifact_prefix="$findings/")
  if [ -f "tests/fuzz/dict/$harness.dict" ]; then options+=(-dict="tests/fuzz/dict/$harness.dict"); fi
  result=0
  "$fuzzer" "${options[@]}" "$work" "tests/fuzz/corpus/$harness" >"$log" 2>&1 || result=$?

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || true)
  corpus=$(grep -o 'corp: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || true)
  found=$(find "$findings" -type f | wc -l)
  what=none
  if [ "$result" -ne 0 ] || [ "$found" -gt 0 ]; then
    status=1
    what="$found in $findings ($(grep -m 1 -o 'ERROR: [A-Za-z]*Sanitizer: [a-z-]*\|ERROR: libFuzzer: [a-z-]*\|runtime error: .*' "$log" || echo "exit $result"))"
  fi
  printf '%-18s %12s %10s %8s %8s  %s\n' "$harness" "${executions:--}" "${rate:--}" "${edges:--}" "${corpus:--}" "$what"
done
exit $status

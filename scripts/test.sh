#!/usr/bin/env bash
# Installs what is missing, builds grapple and every test, runs the tests and
# prints the result. GRAPPLE_SANITIZE=1 builds with the address and
# undefined-behaviour sanitizers (in build-sanitize/).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh

build_dir=build
sanitize=OFF
bench=ON
if [ "${GRAPPLE_SANITIZE:-0}" != "0" ]; then
  build_dir=build-sanitize
  sanitize=ON
  # Benchmarks measure the normal build; the sanitizer build runs the tests.
  bench=OFF
fi

# A compiler cache, when one is installed, makes rebuilds of unchanged files free.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRAPPLE_SANITIZE="$sanitize" \
  -DGRAPPLE_BUILD_BENCH="$bench" "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# Tests never need a display or a sound card.
export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
cd "$build_dir"
ctest --output-on-failure -j "$jobs"

#!/usr/bin/env bash
# Installs what is missing, builds grapple and its scene data (build/data)
# and starts it. The game reads
# ./data/ relative to its working directory, so it runs inside the build
# directory.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target grapple assetgen_data

cd build
exec ./grapple

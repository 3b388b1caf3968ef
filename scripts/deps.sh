#!/usr/bin/env bash
# Installs the Debian 12 packages grapple needs to build, test and run.
# Idempotent: packages already present are not touched, and apt-get update
# runs only when something is missing.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config
  libsdl2-dev libepoxy-dev libopenal-dev libbullet-dev libpng-dev
  libfreetype-dev libfontconfig-dev libmeshoptimizer-dev
  zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # packaging (cpack -G DEB finds the libraries' packages with these)
  dpkg-dev file
  # fuzzing (scripts/fuzz.sh): clang and its libFuzzer runtime
  clang libclang-rt-dev
  # runtime
  libgl1-mesa-dri libegl-mesa0 fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian bookworm.
# Debian's archive only; safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config git
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev libx11-dev libxext-dev libxtst-dev
  libcurl4-openssl-dev ca-certificates
  libsndfile1-dev libfftw3-dev
  fonts-roboto-unhinted
  xvfb xauth xdotool x11-utils
  python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

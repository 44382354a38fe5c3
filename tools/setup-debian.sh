#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian bookworm.
# Debian's archive only; safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config git
  clang libclang-rt-14-dev lld llvm
  libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev libx11-dev libxext-dev libxtst-dev
  libcurl4-openssl-dev ca-certificates
  libsndfile1-dev libfftw3-dev
  lv2-dev lilv-utils sordi
  jackd2  # the JACK application's tests run a dummy server
  fonts-roboto-unhinted
  xvfb xauth xdotool x11-utils
  python3
  # The third-party validators' runtime (tools/run-validators.sh)
  libfreetype6 libpng16-16 libjpeg62-turbo libasound2 openbox
)
bash "$(dirname "$0")/apt-install.sh" "${packages[@]}"

#!/usr/bin/env bash
# The main job: installs the dependencies, builds the plug-in, installs the VST 3 bundle into
# ~/.vst3, the CLAP plug-in into ~/.clap and the LV2 bundle into ~/.lv2, and renders the demo
# through the first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/tools/setup-debian.sh"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" -j"$(nproc)"
if [ -x "$build/tools/mistlegrove-render" ]; then
  cmake --install "$build"
  "$build/tools/mistlegrove-render" --bundle "$build/Mistlegrove Phaser.vst3" -o "$root/demo-phased.wav"
  echo "Rendered $root/demo-phased.wav"
else
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
fi

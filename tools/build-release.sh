#!/usr/bin/env bash
# The release build: binaries that load on any x86-64 Linux with glibc 2.31 or later.
#   tools/build-release.sh <out-dir>
# Leaves in <out-dir> (replacing what was there under these names):
#   Mistlegrove Phaser.vst3/        the VST 3 bundle
#   Mistlegrove Phaser.clap         the CLAP module
#   Mistlegrove Phaser.resources/   the editor's bitmaps and font, beside the .clap
#   mistlegrove-phaser.lv2/         the LV2 bundle (signal path, UI, Turtle)
#   mistlegrove-render              the renderer (needs libsndfile1, libfftw3-double3, libx11-6)
#   mistlegrove-phaser              the JACK application (needs libx11-6; opens libjack.so.0)
# and prints, last, one line "highest GLIBC: GLIBC_2.xx". Exits non-zero, leaving none of
# these in <out-dir>, when the binary check (tools/check-binaries.sh) fails.
# Builds in build-release/ with clang, optimised at link time by lld, against a Debian 11
# sysroot cached in build-sysroot/bullseye (made with mmdebstrap on first use, which needs
# root and Debian's archive).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <out-dir>" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
sysroot=$root/build-sysroot/bullseye
build=$root/build-release
packages=libc6-dev,libstdc++-10-dev,libx11-dev,lv2-dev,libsndfile1-dev,libfftw3-dev

command -v mmdebstrap >/dev/null && command -v clang++ >/dev/null && command -v ld.lld >/dev/null \
  && command -v llvm-ar >/dev/null && [ -f /usr/include/stb/stb_image.h ] \
  || bash "$root/tools/apt-install.sh" mmdebstrap clang lld llvm binutils libstb-dev

# The marker holds the package list it was made with: a changed list makes it afresh.
if [ "$(cat "$sysroot/.complete" 2>/dev/null)" != "$packages" ]; then
  echo "== Debian 11 sysroot in $sysroot"
  rm -rf "$sysroot" "$sysroot.tmp"
  mkdir -p "$(dirname "$sysroot")"
  mmdebstrap --variant=apt --include="$packages" bullseye "$sysroot.tmp"
  # The linker resolves symlinks inside the sysroot only when they are relative.
  find "$sysroot.tmp" -type l -lname '/*' -print0 |
    while IFS= read -r -d '' link; do
      target=$(readlink "$link")
      ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot.tmp$target")" "$link"
    done
  echo "$packages" > "$sysroot.tmp/.complete"
  mv "$sysroot.tmp" "$sysroot"
fi

# stb is header-only: the release compiles the same Debian headers as the development build,
# staged on their own so that nothing else of the build machine's /usr/include is seen.
# Times kept, so an unchanged header rebuilds nothing.
mkdir -p "$build/stb-include"
rm -rf "$build/stb-include/stb"
cp -rp /usr/include/stb "$build/stb-include/stb"

echo "== release build in $build"
# Flags from the toolchain file are read into a new cache only.
[ "$root/cmake/release-toolchain.cmake" -nt "$build/CMakeCache.txt" ] && rm -f "$build/CMakeCache.txt"
sdk=$root/../shared/vst3sdk
sdkopt=()
[ -d "$sdk" ] && sdkopt=(-DVST3_SDK_ROOT="$sdk")
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/release-toolchain.cmake" -DMG_SYSROOT="$sysroot" \
  -DCMAKE_BUILD_TYPE=Release -DMG_BUILD_BENCH=OFF -DMG_BUILD_TESTS=OFF \
  -DMG_STB_INCLUDE_DIR="$build/stb-include" "${sdkopt[@]}" > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 1; }
ninja -C "$build" -j2 mg_plugin mg_clap_plugin mg_lv2_bundle mistlegrove-render mistlegrove-phaser mg_load_probe vst3_presets

# Stage, check, and only then replace what <out-dir> held.
stage=$out/.release-stage
rm -rf "$stage"
mkdir -p "$stage"
cp -a "$build/Mistlegrove Phaser.vst3" "$build/Mistlegrove Phaser.clap" \
      "$build/Mistlegrove Phaser.resources" "$build/lv2/mistlegrove-phaser.lv2" \
      "$build/tools/mistlegrove-render" "$build/apps/mistlegrove-phaser" "$build/presets" "$stage/"
strip --strip-unneeded "$stage/Mistlegrove Phaser.vst3/Contents/x86_64-linux/"*.so \
      "$stage/Mistlegrove Phaser.clap" "$stage/mistlegrove-phaser.lv2/Contents/x86_64-linux/"*.so
strip "$stage/mistlegrove-render" "$stage/mistlegrove-phaser"
if ! "$root/tools/check-binaries.sh" "$stage" "$build/tools/loadcheck/mg_load_probe" > "$stage.check" 2>&1; then
  cat "$stage.check"
  rm -rf "$stage" "$stage.check"
  echo "build-release.sh: the binary check failed; nothing left in $out" >&2
  exit 1
fi
for name in "Mistlegrove Phaser.vst3" "Mistlegrove Phaser.clap" "Mistlegrove Phaser.resources" \
            mistlegrove-phaser.lv2 mistlegrove-render mistlegrove-phaser presets; do
  rm -rf "${out:?}/$name"
  mv "$stage/$name" "$out/$name"
done
rmdir "$stage"
cat "$stage.check"
rm -f "$stage.check"

#!/usr/bin/env bash
# The release build: binaries that load on any x86-64 Linux with glibc 2.31 or later.
#   tools/build-release.sh <out-dir>
# Leaves in <out-dir> (replacing what was there under these names):
#   Mistlegrove Phaser.vst3/        the VST 3 bundle
#   Mistlegrove Phaser.clap         the CLAP module
#   Mistlegrove Phaser.resources/   the editor's bitmaps and font, beside the .clap
#   mistlegrove-phaser.lv2/         the LV2 bundle (signal path, UI, Turtle)
#   mistlegrove-render              the renderer (needs libsndfile1, libfftw3-single3, libx11-6)
# and prints, last, one line "highest GLIBC: GLIBC_2.xx". Exits non-zero, leaving <out-dir>
# without these, when the binary check (tools/check-binaries.sh) fails.
# Builds in build-release/ against a Debian 11 sysroot cached in build-sysroot/ (made with
# mmdebstrap on first use; needs root or an apt that reaches Debian's archive).
set -euo pipefail
echo "build-release.sh: not written yet" >&2
exit 1

#!/bin/sh
# The tarball's README, where it speaks of the renderer, names every library the renderer
# needs beyond the C and C++ runtimes (the single-precision FFTW's name does not count).
#   test_readme_libraries.sh README RENDERER
set -eu
readme=$1
renderer=$2
renderer_text=$(awk -v RS= '/bin\/mistlegrove-render/' "$readme")
missing=""
for lib in $(objdump -p "$renderer" | sed -n 's/^ *NEEDED *\(lib[^.]*\)\.so.*/\1/p'); do
  # The sanitizer runtimes come with a sanitized build, never with a package.
  case $lib in libc|libm|libdl|libpthread|librt|libstdc++|libgcc_s|libasan|libubsan|libtsan) continue ;; esac
  printf '%s\n' "$renderer_text" | grep -qwF "$lib" || missing="$missing $lib"
done
[ -z "$missing" ] || { echo "the README does not name:$missing" >&2; exit 1; }
echo "the README names every library the renderer needs"

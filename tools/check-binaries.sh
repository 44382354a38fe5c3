#!/usr/bin/env bash
# The binary check: fails unless every shipped binary under <dir> loads on glibc 2.31 and
# brings nothing into a host but what it must.
#   tools/check-binaries.sh <dir> [mg_load_probe]
# Every ELF file under <dir> is checked: a .vst3 bundle's, a .clap, an LV2 bundle's signal
# path and UI, and programs (mistlegrove-render, mistlegrove-phaser). It fails when one
#   - needs a GLIBC_ version above 2.31, or any GLIBCXX_, CXXABI_ or GCC_ version;
#   - has in DT_NEEDED a library outside its list: libc, libm, libpthread, libdl for all,
#     libX11 where the editor lives (VST 3, CLAP, LV2 UI), and for the renderer libsndfile
#     and libfftw3 besides (so never libstb, libcurl, libssl or libstdc++);
#   - exports more than its format's entry points;
#   - or, for each .vst3 bundle, when mg_load_probe (by default the release build's) finds a
#     network library mapped after loading it and creating an instance.
# Prints a line per binary (DT_NEEDED, highest symbol versions, size) and, last,
# "highest GLIBC: GLIBC_2.xx".
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 <dir> [mg_load_probe]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
probe=${2:-$root/build-release/tools/loadcheck/mg_load_probe}
floor=2.31
failures=0
highest=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# Version compare: true when $1 > $2 (dotted numbers).
newer() { [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -1)" = "$1" ]; }

base_libs='libc.so.6 libm.so.6 libpthread.so.0 libdl.so.2 ld-linux-x86-64.so.2'
count=0
while IFS= read -r -d '' file; do
  head -c 4 "$file" | grep -q $'^\x7fELF' || continue
  count=$((count + 1))
  case "$file" in
    *.vst3/Contents/*) kind=vst3; allowed="$base_libs libX11.so.6"
      exports='GetPluginFactory ModuleEntry ModuleExit bundleEntry bundleExit' ;;
    *.clap) kind=clap; allowed="$base_libs libX11.so.6"; exports=clap_entry ;;
    *.lv2/*_ui.so) kind=lv2ui; allowed="$base_libs libX11.so.6"; exports=lv2ui_descriptor ;;
    *.lv2/*.so) kind=lv2; allowed=$base_libs; exports=lv2_descriptor ;;
    *) kind=program; allowed="$base_libs libX11.so.6 libsndfile.so.1 libfftw3.so.3 libfftw3f.so.3"; exports= ;;
  esac
  name=${file#"$dir"/}
  needed=$(objdump -p "$file" | awk '$1 == "NEEDED" { print $2 }' | sort | tr '\n' ' ')
  versions=$(objdump -p "$file" | awk '/^Version References:/ { v = 1; next } v && NF == 4 { print $4 }' | sort -u)
  for lib in $needed; do
    case " $allowed " in *" $lib "*) ;; *) fail "$name needs $lib" ;; esac
  done
  glibc=$(echo "$versions" | sed -n 's/^GLIBC_\([0-9.]*\)$/\1/p' | sort -V | tail -1)
  glibc=${glibc:-0}
  newer "$glibc" "$floor" && fail "$name needs GLIBC_$glibc (above $floor)"
  newer "$glibc" "$highest" && highest=$glibc
  others=$(echo "$versions" | grep -E '^(GLIBCXX|CXXABI|GCC)_' | tr '\n' ' ' || true)
  [ -n "$others" ] && fail "$name needs the C++ or GCC runtime: $others"
  if [ "$kind" != program ]; then
    defined=$(nm -D --defined-only "$file" | awk '{ print $NF }' | sed 's/@.*//' | sort -u | tr '\n' ' ')
    extra=$(comm -23 <(tr ' ' '\n' <<< "$defined" | sed '/^$/d') <(tr ' ' '\n' <<< "$exports" | sort) | tr '\n' ' ')
    [ -n "$extra" ] && fail "$name exports more than its entry points: $extra"
  fi
  printf '%-62s %9d bytes  %s  needs: %s\n' "$name" "$(stat -c %s "$file")" \
    "$([ "$glibc" = 0 ] && echo "no GLIBC_" || echo "GLIBC_$glibc")" "$needed"
done < <(find "$dir" -type f -print0 | sort -z)
[ "$count" -gt 0 ] || fail "no binary under $dir"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
while IFS= read -r -d '' bundle; do
  if [ ! -x "$probe" ]; then
    fail "no mg_load_probe at $probe to load $bundle"
  elif ! HOME=$home "$probe" "$bundle"; then
    fail "loading $bundle maps a network library or fails"
  fi
done < <(find "$dir" -type d -name '*.vst3' -print0)

[ "$failures" -eq 0 ] || { echo "binary check: $failures failure(s)" >&2; exit 1; }
echo "highest GLIBC: GLIBC_$highest"

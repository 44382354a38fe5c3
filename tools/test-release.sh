#!/usr/bin/env bash
# The downloads on clean systems: builds them (tools/release.sh), then in a fresh Debian 11
# and a fresh Debian 12 tree (no development packages) installs the .deb with apt and checks
# that lv2info lists the plug-in with its X11 UI and ten presets, that the installed
# renderer through the installed .vst3 and .clap, and lv2apply through the installed LV2
# bundle, render the demo to the bit as the build machine does, that each installed
# .vstpreset the renderer loads renders as the preset of its name, and that the installed JACK
# application runs on a dummy server there; then the same from the tarball, installed per
# user into a fresh HOME.
#   tools/test-release.sh [--packages-in DIR]   (DIR: test these packages, build nothing)
# Needs root (chroot) and Debian's archive. The base trees are cached in build-pkg/trees/
# (delete a .tar there to make it afresh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build-pkg
trees=$work/trees
uri=https://www.mistlegrovemusic.com/plugins/phaser
start=$(date +%s)
[ "$(id -u)" -eq 0 ] || { echo "test-release.sh: needs root for chroot" >&2; exit 1; }
bash "$root/tools/apt-install.sh" mmdebstrap lilv-utils python3

# The base trees download while the release builds.
make_tree() {
  local suite=$1 cache=$trees/$1.tar
  [ -f "$cache" ] && return 0
  mkdir -p "$trees"
  rm -rf "$cache.tmp"
  mmdebstrap --variant=apt --format=tar --include=lilv-utils --skip=cleanup/apt/lists "$suite" "$cache.tmp" \
    > "$trees/$suite.log" 2>&1 || { cat "$trees/$suite.log"; rm -f "$cache.tmp"; return 1; }
  mv "$cache.tmp" "$cache"
}
make_tree bullseye & bullseye_job=$!
make_tree bookworm & bookworm_job=$!

dist=$root/dist
if [ "${1:-}" = --packages-in ]; then
  dist=$(cd "$2" && pwd)
else
  "$root/tools/release.sh"
fi
deb=$(ls "$dist"/mistlegrove-phaser_*_amd64.deb)
tarball=$(ls "$dist"/mistlegrove-phaser-*-linux-x86_64.tar.gz)
(cd "$dist" && sha256sum --quiet -c SHA256SUMS)
pkgdir=$(basename "$tarball" .tar.gz)

# The build machine's renders, from the same binaries, unpacked from the tarball.
ref=$work/reference
rm -rf "$ref"
mkdir -p "$ref/home"
tar -C "$ref" -xzf "$tarball"
r=$ref/$pkgdir
export HOME=$ref/home
"$r/bin/mistlegrove-render" --bundle "$r/vst3/Mistlegrove Phaser.vst3" --float -o "$ref/vst3.wav"
"$r/bin/mistlegrove-render" --bundle "$r/clap/Mistlegrove Phaser.clap" --float -o "$ref/clap.wav"
"$r/bin/mistlegrove-render" --bundle "$r/vst3/Mistlegrove Phaser.vst3" --bypass --no-tail --float -o "$ref/dry.wav"
"$r/bin/mistlegrove-render" --bundle "$r/vst3/Mistlegrove Phaser.vst3" --float --no-tail "$ref/dry.wav" -o "$ref/lv2.wav"
same() { python3 "$root/tools/release/same_samples.py" "$@"; }
same "$ref/vst3.wav" "$ref/clap.wav"
if same "$ref/dry.wav" "$ref/lv2.wav" 2>/dev/null; then
  echo "test-release.sh: the plug-in left the demo unchanged: nothing would be compared" >&2
  exit 1
fi

failures=0
fail() { echo "FAIL ($suite): $*" >&2; failures=$((failures + 1)); }
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
}
trap cleanup EXIT

# The installed JACK application: without JACK's library (only recommended) it names the
# package; with jackd2 installed it runs on a dummy server and saves its state on SIGTERM.
check_app() {
  local home=$1 log=$tree.app.log status=0
  if chroot "$tree" env HOME="$home" /usr/bin/mistlegrove-phaser --no-editor > "$log" 2>&1; then
    fail "mistlegrove-phaser ran without JACK's library"
  fi
  grep -q "install libjack-jackd2-0" "$log" || fail "mistlegrove-phaser without JACK: $(cat "$log")"
  chroot "$tree" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends jackd2 \
    > "$log" 2>&1 || { fail "apt could not install jackd2: $(cat "$log")"; return; }
  mount -t tmpfs tmpfs "$tree/dev/shm" && mounted+=("$tree/dev/shm")
  chroot "$tree" jackd -n mg-release -d dummy > "$tree.jackd.log" 2>&1 &
  local jackd=$!
  sleep 2
  chroot "$tree" env HOME="$home" JACK_DEFAULT_SERVER=mg-release timeout --preserve-status -s TERM 3 \
    /usr/bin/mistlegrove-phaser --no-editor --connect > "$log" 2>&1 || status=$?
  kill "$jackd" 2>/dev/null || true
  wait "$jackd" 2>/dev/null || true
  [ $status -eq 0 ] && grep -q "JACK runs at" "$log" || fail "mistlegrove-phaser on a dummy server: $(cat "$log")"
  [ -s "$tree$home/.config/mistlegrove-phaser/state" ] || fail "mistlegrove-phaser saved no state"
}

# The ten factory presets as VST 3 preset files, in a presets folder of the tree, each
# loaded by the tree's renderer through the SDK's preset-file reader and rendering to the
# bit as the preset of its name.
check_presets() {
  local dir="$1/Mistlegrove Music/Mistlegrove Phaser" render=$2 vst3=$3 home=$4 t=$tree/tmp/presets n file name
  n=$(find "$tree$dir" -name '*.vstpreset' -size +0 2>/dev/null | wc -l)
  [ "$n" = 10 ] || fail "$1 holds $n of the ten .vstpreset files"
  rm -rf "$t"
  mkdir -p "$t"
  cp "$ref/dry.wav" "$t/"
  for file in "$tree$dir"/*.vstpreset; do
    [ -f "$file" ] || continue
    name=$(basename "$file" .vstpreset)
    chroot "$tree" env HOME="$home" "$render" --bundle "$vst3" --no-tail --float --preset-file "$dir/$name.vstpreset" \
      /tmp/presets/dry.wav -o /tmp/presets/by-file.wav > "$t/log" 2>&1 \
      || { fail "loading $dir/$name.vstpreset: $(cat "$t/log")"; continue; }
    chroot "$tree" env HOME="$home" "$render" --bundle "$vst3" --no-tail --float --preset "$name" \
      /tmp/presets/dry.wav -o /tmp/presets/by-name.wav > "$t/log" 2>&1 \
      || { fail "rendering the preset '$name': $(cat "$t/log")"; continue; }
    same "$t/by-name.wav" "$t/by-file.wav" || fail "$name.vstpreset renders otherwise than the preset '$name'"
  done
}

# lv2info in the tree lists the plug-in, its X11 UI and the ten presets.
check_lv2info() {
  local out
  out=$(chroot "$tree" env HOME="$1" lv2info "$uri" 2>&1) || { fail "lv2info: $out"; return; }
  grep -q "ui#X11UI" <<< "$out" || fail "lv2info lists no X11 UI: $out"
  local presets
  presets=$(awk '/^\tPresets:/ { p = 1; sub(/^\tPresets:/, "") } /^\tPort 0:/ { p = 0 } p && NF { n++ } END { print n + 0 }' <<< "$out")
  [ "$presets" = 10 ] || fail "lv2info lists $presets presets, not 10: $out"
  grep -q "Binary: *file://$2" <<< "$out" || fail "lv2info found the plug-in elsewhere than $2: $out"
}

# The tree's renderer through a .vst3 and a .clap, and its lv2apply, against the references.
check_renders() {
  local render=$1 vst3=$2 clap=$3 home=$4 t=$tree/tmp/renders
  rm -rf "$t"
  mkdir -p "$t"
  cp "$ref/dry.wav" "$t/"
  chroot "$tree" env HOME="$home" "$render" --bundle "$vst3" --float -o /tmp/renders/vst3.wav \
    > "$t/log" 2>&1 || fail "rendering through $vst3: $(cat "$t/log")"
  chroot "$tree" env HOME="$home" "$render" --bundle "$clap" --float -o /tmp/renders/clap.wav \
    > "$t/log" 2>&1 || fail "rendering through $clap: $(cat "$t/log")"
  chroot "$tree" env HOME="$home" lv2apply -i /tmp/renders/dry.wav -o /tmp/renders/lv2.wav "$uri" \
    > "$t/log" 2>&1 || fail "lv2apply: $(cat "$t/log")"
  local f
  for f in vst3 clap lv2; do
    [ -f "$t/$f.wav" ] || continue
    same "$ref/$f.wav" "$t/$f.wav" || fail "$f render differs from the build machine's"
  done
}

for suite in bullseye bookworm; do
  echo "== Debian $suite"
  job=${suite}_job
  wait "${!job}" || { echo "test-release.sh: mmdebstrap could not make the $suite tree" >&2; exit 1; }
  cache=$trees/$suite.tar
  tree=$trees/$suite
  # A tree left by a run that was stopped may still have its /proc mounted.
  umount "$tree/proc" 2>/dev/null || true
  rm -rf --one-file-system "$tree"
  mkdir -p "$tree"
  tar -C "$tree" -xf "$cache"
  mount -t proc proc "$tree/proc"
  mounted+=("$tree/proc")
  cp /etc/resolv.conf "$tree/etc/resolv.conf"
  cp "$deb" "$tree/tmp/"
  if ! { chroot "$tree" apt-get update -q && chroot "$tree" env DEBIAN_FRONTEND=noninteractive \
         apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")"; } > "$tree.apt.log" 2>&1; then
    cat "$tree.apt.log"
    fail "apt could not install the .deb"
  else
    echo "-- the .deb, with $(sed -n "s/.* \([0-9]*\) newly installed.*/\1/p" "$tree.apt.log") packages"
    mkdir -p "$tree/tmp/home-deb"
    check_lv2info /tmp/home-deb /usr/lib/lv2/mistlegrove-phaser.lv2/
    check_presets /usr/share/vst3/presets /usr/bin/mistlegrove-render "/usr/lib/vst3/Mistlegrove Phaser.vst3" \
                  /tmp/home-deb
    check_renders /usr/bin/mistlegrove-render "/usr/lib/vst3/Mistlegrove Phaser.vst3" \
                  "/usr/lib/clap/Mistlegrove Phaser.clap" /tmp/home-deb
    # Installed system-wide, the renderer finds the plug-in, and the font of its pictures,
    # without being told: the tree has no Roboto of its own.
    chroot "$tree" env HOME=/tmp/home-deb /usr/bin/mistlegrove-render --float -o /tmp/renders/found.wav \
      > "$tree.found.log" 2>&1 || fail "the renderer without --bundle: $(cat "$tree.found.log")"
    same "$ref/vst3.wav" "$tree/tmp/renders/found.wav" || fail "the renderer without --bundle rendered otherwise"
    chroot "$tree" env HOME=/tmp/home-deb /usr/bin/mistlegrove-render --response /tmp/renders/response.png \
      > "$tree.found.log" 2>&1 || fail "the renderer's picture: $(cat "$tree.found.log")"
    check_app /tmp/home-deb

    echo "-- the tarball, per user"
    tar -C "$tree/tmp" -xzf "$tarball"
    # Over the package's files, the system install refuses and names the package.
    if chroot "$tree" sh "/tmp/$pkgdir/install.sh" --system > "$tree.install.log" 2>&1; then
      fail "install.sh --system replaced the .deb's files"
    fi
    grep -q "belongs to the Debian package 'mistlegrove-phaser'" "$tree.install.log" \
      || fail "install.sh --system over the .deb: $(cat "$tree.install.log")"
    chroot "$tree" dpkg --verify mistlegrove-phaser > "$tree.verify.log" 2>&1 \
      || fail "the .deb's files changed: $(cat "$tree.verify.log")"
    # The libraries the .deb pulled in stay; its files go.
    chroot "$tree" apt-get purge -y -q mistlegrove-phaser > "$tree.apt.log" 2>&1 \
      || { cat "$tree.apt.log"; fail "apt could not remove the .deb"; }
    mkdir -p "$tree/tmp/home"
    chroot "$tree" env HOME=/tmp/home sh "/tmp/$pkgdir/install.sh" > "$tree.install.log" 2>&1 \
      || fail "install.sh: $(cat "$tree.install.log")"
    check_lv2info /tmp/home /tmp/home/.lv2/mistlegrove-phaser.lv2/
    check_presets /tmp/home/.vst3/presets "/tmp/$pkgdir/bin/mistlegrove-render" \
                  "/tmp/home/.vst3/Mistlegrove Phaser.vst3" /tmp/home
    check_renders "/tmp/$pkgdir/bin/mistlegrove-render" "/tmp/home/.vst3/Mistlegrove Phaser.vst3" \
                  "/tmp/home/.clap/Mistlegrove Phaser.clap" /tmp/home
    chroot "$tree" env HOME=/tmp/home sh "/tmp/$pkgdir/install.sh" --uninstall > "$tree.install.log" 2>&1 \
      || fail "install.sh --uninstall: $(cat "$tree.install.log")"
    left=$(cd "$tree/tmp/home" && ls -d .vst3 .clap .lv2 2>/dev/null || true)
    [ -z "$left" ] || fail "install.sh --uninstall left: $left"
  fi
  cleanup
  mounted=()
  rm -rf --one-file-system "$tree"
done

echo "== clean-system test done in $(( $(date +%s) - start )) s"
if [ $failures -ne 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "the .deb and the tarball install and render to the bit on Debian 11 and Debian 12"

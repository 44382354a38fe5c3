#!/bin/sh
# The tarball's install.sh against a HOME of its own: fresh, again, over an older version,
# over things that are not its own, and uninstalled.
#   test_install.sh INSTALL_SH WORKDIR
set -eu
script=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A package as the tarball lays it out, with stand-ins for the binaries.
pkg=$work/pkg
mkdir -p "$pkg/vst3/Mistlegrove Phaser.vst3/Contents/x86_64-linux" \
         "$pkg/clap/Mistlegrove Phaser.resources" "$pkg/lv2/mistlegrove-phaser.lv2"
echo vst3 > "$pkg/vst3/Mistlegrove Phaser.vst3/Contents/x86_64-linux/Mistlegrove Phaser.so"
echo clap > "$pkg/clap/Mistlegrove Phaser.clap"
echo png > "$pkg/clap/Mistlegrove Phaser.resources/knob.png"
echo ttl > "$pkg/lv2/mistlegrove-phaser.lv2/manifest.ttl"
mkdir -p "$pkg/presets/Mistlegrove Music/Mistlegrove Phaser"
echo preset > "$pkg/presets/Mistlegrove Music/Mistlegrove Phaser/Aliens.vstpreset"
cp "$script" "$pkg/install.sh"

fresh_home() { rm -rf "$work/home" "$work/outside"; mkdir -p "$work/home" "$work/outside"; }
run() { (cd "$work/outside" && HOME=$work/home sh "$pkg/install.sh" "$@") > "$work/out" 2>&1; }
tree() { (cd "$work/home" && find . | LC_ALL=C sort); }
vst3_so="$work/home/.vst3/Mistlegrove Phaser.vst3/Contents/x86_64-linux/Mistlegrove Phaser.so"

# Installed twice and over an older version: the same files, nothing else anywhere.
fresh_home
run || fail "first install: $(cat "$work/out")"
first=$(tree)
[ -f "$vst3_so" ] && [ -f "$work/home/.clap/Mistlegrove Phaser.resources/knob.png" ] \
  && [ -f "$work/home/.lv2/mistlegrove-phaser.lv2/manifest.ttl" ] \
  && [ -f "$work/home/.vst3/presets/Mistlegrove Music/Mistlegrove Phaser/Aliens.vstpreset" ] || fail "files missing after install"
[ "$(ls -A "$work/home" | tr '\n' ' ')" = ".clap .lv2 .vst3 " ] || fail "wrote beside the targets: $(ls -A "$work/home")"
[ -z "$(ls -A "$work/outside")" ] || fail "wrote into the working directory"
run || fail "second install: $(cat "$work/out")"
[ "$(tree)" = "$first" ] || fail "a second install changed the tree: $(tree)"
# An older version had a file this one lacks, in a folder of its own too.
mkdir -p "$work/home/.vst3/Mistlegrove Phaser.vst3/Contents/Resources"
echo old > "$work/home/.vst3/Mistlegrove Phaser.vst3/Contents/Resources/old.bin"
printf '%s\n' "Mistlegrove Phaser.vst3/Contents/Resources" "Mistlegrove Phaser.vst3/Contents/Resources/old.bin" \
  >> "$work/home/.vst3/.mistlegrove-phaser.manifest"
echo old > "$vst3_so"
run || fail "install over an older version: $(cat "$work/out")"
[ "$(tree)" = "$first" ] || fail "the older version left files behind: $(tree)"
[ "$(cat "$vst3_so")" = vst3 ] || fail "the older binary was not replaced"

# Not ours: a bundle installed some other way, and one of ours replaced by a link. Refused
# with a message naming it, and nothing written anywhere.
fresh_home
mkdir -p "$work/home/.lv2/mistlegrove-phaser.lv2"
echo mine > "$work/home/.lv2/mistlegrove-phaser.lv2/manifest.ttl"
if run; then fail "installed over a foreign bundle"; fi
grep -q "mistlegrove-phaser.lv2' exists and was not installed by this script" "$work/out" \
  || fail "unclear refusal: $(cat "$work/out")"
[ "$(tree)" = "$(printf '.\n./.lv2\n./.lv2/mistlegrove-phaser.lv2\n./.lv2/mistlegrove-phaser.lv2/manifest.ttl')" ] \
  || fail "a refused install wrote: $(tree)"
fresh_home
run
mkdir -p "$work/elsewhere"
rm -rf "$work/home/.clap/Mistlegrove Phaser.resources"
ln -s "$work/elsewhere" "$work/home/.clap/Mistlegrove Phaser.resources"
echo theirs > "$work/elsewhere/knob.png"
if run; then fail "installed through a link"; fi
run --uninstall
[ "$(cat "$work/elsewhere/knob.png")" = theirs ] && [ "$(ls -A "$work/elsewhere")" = knob.png ] \
  || fail "wrote through a link: $(ls -A "$work/elsewhere")"

# Uninstalled from a HOME it made the folders in: nothing is left.
fresh_home
run
run --uninstall || fail "uninstall: $(cat "$work/out")"
[ "$(tree)" = . ] || fail "uninstall left: $(tree)"

# Uninstalled: only what it installed goes; the user's own files and folders stay, and a
# manifest cannot point it outside its folder.
fresh_home
mkdir -p "$work/home/.vst3/Other.vst3" "$work/home/.clap"
echo theirs > "$work/home/.clap/Other.clap"
run
echo preset > "$work/home/.lv2/mistlegrove-phaser.lv2/user.ttl"
echo victim > "$work/outside/victim"
echo "../outside/victim" >> "$work/home/.lv2/.mistlegrove-phaser.manifest"
run --uninstall || fail "uninstall: $(cat "$work/out")"
[ "$(tree)" = "$(printf '%s\n' . ./.clap ./.clap/Other.clap ./.lv2 ./.lv2/mistlegrove-phaser.lv2 \
    ./.lv2/mistlegrove-phaser.lv2/user.ttl ./.vst3 ./.vst3/Other.vst3)" ] || fail "uninstall left or took: $(tree)"
[ -f "$work/outside/victim" ] || fail "uninstall followed a manifest out of its folder"

[ $failures = 0 ] || exit 1
echo "install.sh: all cases passed"

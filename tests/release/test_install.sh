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

# getconf stands in for the system's C library, a recent one unless a case says otherwise.
fake=$work/fake-bin
mkdir -p "$fake"
printf '#!/bin/sh\necho "glibc ${FAKE_GLIBC:-2.36}"\n' > "$fake/getconf"
chmod +x "$fake/getconf"

fresh_home() { chmod -R u+w "$work/home" 2>/dev/null || true; rm -rf "$work/home" "$work/outside"; mkdir -p "$work/home" "$work/outside"; }
as=""
run() { (cd "$work/outside" && HOME=$work/home PATH=$fake:$PATH $as sh "$pkg/install.sh" "$@") > "$work/out" 2>&1; }
# A refusal is one line that says what to do, and leaves the tree as it was.
refused() {
  what=$1 expect=$2 before=$3
  shift 3
  if run "$@"; then fail "$what: installed"; fi
  [ "$(wc -l < "$work/out")" = 1 ] && grep -q "^install.sh: .*$expect" "$work/out" \
    || fail "$what: unclear refusal: $(cat "$work/out")"
  [ "$(tree)" = "$before" ] || fail "$what: a refused install wrote: $(tree)"
}
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
# An older version had a file this one lacks, in a folder of its own too, and its script
# kept no checksums.
sed -i '/^#cksum /d' "$work/home/.vst3/.mistlegrove-phaser.manifest"
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

# Stopped half-way no more: a dangling link, a folder it may not write into, a C library
# too old. Each is refused before anything is written.
fresh_home
ln -s "$work/nowhere" "$work/home/.vst3"
refused "a dangling ~/.vst3" "link to '$work/nowhere', which does not exist" "$(tree)"
fresh_home
mkdir "$work/home/.lv2"
chmod a-w "$work/home/.lv2"
if [ "$(id -u)" = 0 ]; then
  # Root writes anywhere: the case runs as nobody, in a home of its own.
  chown -R 65534:65534 "$work/home" "$work/outside"
  as="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi
refused "a read-only ~/.lv2" "cannot write into '$work/home/.lv2'" "$(tree)"
as=""
fresh_home
FAKE_GLIBC=2.28 refused "glibc 2.28" "has glibc 2.28, but the plug-ins need glibc 2.29 or later" "$(tree)"
FAKE_GLIBC=2.29 run || fail "glibc 2.29 refused: $(cat "$work/out")"

# Nothing installed: uninstalling says so.
fresh_home
run --uninstall || fail "uninstall of nothing failed"
grep -q "^install.sh: nothing to remove" "$work/out" || fail "uninstall of nothing said: '$(cat "$work/out")'"

# A user's own build in place of ours is named and kept, by an install and an uninstall;
# a manifest edited to list another plug-in's file takes nothing of it.
fresh_home
run
mkdir -p "$work/home/.vst3/Other.vst3"
echo theirs > "$work/home/.vst3/Other.vst3/x"
echo "Other.vst3/x" >> "$work/home/.vst3/.mistlegrove-phaser.manifest"
echo mine > "$work/home/.clap/Mistlegrove Phaser.clap"
refused "a changed .clap" "'$work/home/.clap/Mistlegrove Phaser.clap' changed since this script installed it" "$(tree)"
run --uninstall || fail "uninstall: $(cat "$work/out")"
grep -q "^install.sh: kept '$work/home/.clap/Mistlegrove Phaser.clap': it was changed" "$work/out" \
  || fail "uninstall did not name the changed file: $(cat "$work/out")"
[ "$(cat "$work/home/.clap/Mistlegrove Phaser.clap")" = mine ] || fail "uninstall took the changed file"
[ "$(cat "$work/home/.vst3/Other.vst3/x")" = theirs ] || fail "uninstall followed a manifest into another bundle"

[ $failures = 0 ] || exit 1
echo "install.sh: all cases passed"

#!/usr/bin/env bash
# The downloads, from one command:
#   tools/release.sh
# builds the release binaries (tools/build-release.sh, which checks them) and leaves in dist/:
#   mistlegrove-phaser_<version>_amd64.deb           for Debian, Ubuntu and their kin
#   mistlegrove-phaser-<version>-linux-x86_64.tar.gz for every other Linux (install.sh inside)
#   SHA256SUMS
# A failed build or check leaves none of them. Work files go to build-pkg/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(MistlegrovePhaser VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt" >&2; exit 1; }
dist=$root/dist
work=$root/build-pkg
deb_name=mistlegrove-phaser_${version}_amd64.deb
tar_dir=mistlegrove-phaser-$version-linux-x86_64
start=$(date +%s)

mkdir -p "$dist" "$work"
rm -f "$dist/$deb_name" "$dist/$tar_dir.tar.gz" "$dist/SHA256SUMS"

bash "$root/tools/apt-install.sh" binutils xz-utils python3
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}

echo "== release binaries"
bin=$work/bin
"$root/tools/build-release.sh" "$bin"
vst3="Mistlegrove Phaser.vst3" clap="Mistlegrove Phaser.clap"
res="Mistlegrove Phaser.resources" lv2=mistlegrove-phaser.lv2 render=mistlegrove-render
app=mistlegrove-phaser
for f in "$vst3" "$clap" "$res" "$lv2" "$render" "$app" presets; do
  [ -e "$bin/$f" ] || { echo "release.sh: the release build left no '$f'" >&2; exit 1; }
done

# Every ELF file that ships, one a line.
shipped_elves() {
  find "$bin" -type f -print0 | while IFS= read -r -d '' f; do
    [ "$(head -c4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] && echo "$f"
  done
}
mapfile -t elves < <(shipped_elves)
highest=$(for f in "${elves[@]}"; do readelf -V --wide "$f"; done |
  grep -o 'Name: GLIBC_[0-9.]*' | sed 's/Name: //' | sort -uV | tail -n1)
# The binary check said so already; a package is never made on its word alone.
if [ "$(printf '%s\nGLIBC_2.31\n' "$highest" | sort -V | tail -n1)" != GLIBC_2.31 ]; then
  echo "release.sh: a shipped binary needs $highest, above the GLIBC_2.31 floor; no package" >&2
  exit 1
fi

echo "== $deb_name"
pkg=$work/deb
rm -rf "$pkg"
mkdir -p "$pkg/DEBIAN" "$pkg/usr/lib/vst3" "$pkg/usr/lib/clap" "$pkg/usr/lib/lv2" "$pkg/usr/bin" \
         "$pkg/usr/share/man/man1" "$pkg/usr/share/doc/mistlegrove-phaser" \
         "$pkg/usr/share/applications" "$pkg/usr/share/pixmaps" "$pkg/usr/share/vst3/presets"
cp -R "$bin/$vst3" "$pkg/usr/lib/vst3/"
cp -R "$bin/presets/." "$pkg/usr/share/vst3/presets/"
cp -R "$bin/$clap" "$bin/$res" "$pkg/usr/lib/clap/"
cp -R "$bin/$lv2" "$pkg/usr/lib/lv2/"
cp "$bin/$render" "$pkg/usr/bin/"
man_page() { sed "s/\"Mistlegrove Phaser [0-9.]*\"/\"Mistlegrove Phaser $version\"/" "$root/tools/release/${1:-mistlegrove-render}.1"; }
man_page | gzip -9n > "$pkg/usr/share/man/man1/mistlegrove-render.1.gz"
# The JACK application, its editor's bitmaps and font where it looks (../share beside bin),
# its menu entry and icon.
cp "$bin/$app" "$pkg/usr/bin/"
cp -R "$bin/$res" "$pkg/usr/share/$app"
man_page "$app" | gzip -9n > "$pkg/usr/share/man/man1/$app.1.gz"
cp "$root/tools/release/$app.desktop" "$pkg/usr/share/applications/"
cp "$root/tools/release/$app.png" "$pkg/usr/share/pixmaps/"
cp "$root/tools/release/copyright" "$pkg/usr/share/doc/mistlegrove-phaser/copyright"
find "$pkg" -type d -exec chmod 755 {} +
find "$pkg" -type f -exec chmod 644 {} +
chmod 755 "$pkg/usr/bin/$render" "$pkg/usr/bin/$app"

# Depends from what the binaries name in DT_NEEDED, each at the lowest version of Debian 11's
# package that has the symbols they use; the release build's sysroot holds those packages.
info=$root/build-sysroot/bullseye/var/lib/dpkg/info
[ -d "$info" ] || { echo "release.sh: no Debian 11 sysroot at ${info%/var/lib/dpkg/info}" >&2; exit 1; }
mapfile -t deb_elves < <(cd "$pkg" && find usr -type f -exec sh -c \
  '[ "$(head -c4 "$1" | od -An -c | tr -d " ")" = 177ELF ] && echo "$PWD/$1"' _ {} \;)
depends=$(python3 "$root/tools/release/depends.py" "$info" "${deb_elves[@]}")

cat > "$pkg/DEBIAN/control" <<EOF
Package: mistlegrove-phaser
Version: $version
Architecture: amd64
Maintainer: Mistlegrove Music <support@mistlegrovemusic.com>
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $depends
Recommends: libjack-jackd2-0 | libjack-0.125
Section: sound
Priority: optional
Homepage: https://www.mistlegrovemusic.com/plugins/phaser
Description: stereo phaser audio effect plug-in (VST 3, CLAP, LV2) and JACK application
 Four or eight all-pass stages with feedback, swept by a free-running or
 tempo-synchronised LFO, with ten factory presets and a scalable editor.
 Installs the VST 3 bundle into /usr/lib/vst3, the CLAP plug-in into
 /usr/lib/clap and the LV2 bundle into /usr/lib/lv2, where hosts look, the
 factory presets as VST 3 preset files into /usr/share/vst3/presets,
 mistlegrove-render, which renders audio files through the plug-in, and
 mistlegrove-phaser, the phaser as a JACK application with its editor in a
 window of its own (JACK or PipeWire's JACK library is recommended for it).
EOF
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$dist/$deb_name" > /dev/null

echo "== $tar_dir.tar.gz"
tarroot=$work/tar
rm -rf "$tarroot"
mkdir -p "$tarroot/$tar_dir/vst3" "$tarroot/$tar_dir/clap" "$tarroot/$tar_dir/lv2" "$tarroot/$tar_dir/bin" \
         "$tarroot/$tar_dir/share"
t=$tarroot/$tar_dir
cp -R "$bin/$vst3" "$t/vst3/"
cp -R "$bin/$clap" "$bin/$res" "$t/clap/"
cp -R "$bin/$lv2" "$t/lv2/"
cp -R "$bin/presets" "$t/presets"
cp "$bin/$render" "$t/bin/"
man_page > "$t/bin/mistlegrove-render.1"
cp "$bin/$app" "$t/bin/"
man_page "$app" > "$t/bin/$app.1"
cp -R "$bin/$res" "$t/share/$app"
cp "$root/tools/release/$app.desktop" "$root/tools/release/$app.png" "$t/share/"
sed "s/^version=.*/version=$version/" "$root/tools/release/install.sh" > "$t/install.sh"
sed "s/@VERSION@/$version/g" "$root/tools/release/README.txt" > "$t/README"
cp "$root/LICENSE" "$t/LICENSE"
find "$t" -type d -exec chmod 755 {} +
find "$t" -type f -exec chmod 644 {} +
chmod 755 "$t/install.sh" "$t/bin/$render" "$t/bin/$app"
tar -C "$tarroot" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
    -cf - "$tar_dir" | gzip -9n > "$dist/$tar_dir.tar.gz"

(cd "$dist" && sha256sum "$deb_name" "$tar_dir.tar.gz" > SHA256SUMS)

echo "== done in $(( $(date +%s) - start )) s"
ls -l "$dist"
echo "Depends: $depends"
echo "highest GLIBC version any shipped binary needs: $highest"

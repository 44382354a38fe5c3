#!/bin/sh
# Installs Mistlegrove Phaser from this folder where Linux hosts look for plug-ins.
#   ./install.sh               for this user: ~/.vst3, ~/.clap, ~/.lv2 (presets: ~/.vst3/presets)
#   ./install.sh --system      for everyone: /usr/lib/vst3, /usr/lib/clap, /usr/lib/lv2 (as root;
#                              presets: /usr/share/vst3/presets)
#   ./install.sh --uninstall   removes what an earlier run installed (add --system for those)
# Each folder gets a list of what went into it (.mistlegrove-phaser.manifest), so a new
# version replaces the old one without leaving its files behind, and uninstalling removes
# exactly those files. Nothing is written outside the three folders.
set -eu

version=2.0.1
manifest_name=.mistlegrove-phaser.manifest
here=$(cd "$(dirname "$0")" && pwd)

usage() {
  echo "usage: $0 [--system] [--uninstall]" >&2
  exit 2
}

system=0
uninstall=0
for arg in "$@"; do
  case $arg in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h|--help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; usage ;;
  esac
done

if [ $system = 1 ]; then
  # DESTDIR stages a system install elsewhere, as packagers do.
  base=${DESTDIR:-}/usr/lib
  vst3_dir=$base/vst3 clap_dir=$base/clap lv2_dir=$base/lv2 presets_dir=${DESTDIR:-}/usr/share/vst3/presets
else
  [ -n "${HOME:-}" ] || { echo "HOME is not set" >&2; exit 1; }
  vst3_dir=$HOME/.vst3 clap_dir=$HOME/.clap lv2_dir=$HOME/.lv2 presets_dir=$HOME/.vst3/presets
fi

die() {
  echo "install.sh: $*" >&2
  exit 1
}

# What goes where: "folder|entry|source in this package", one a line.
items() {
  echo "$vst3_dir|Mistlegrove Phaser.vst3|vst3/Mistlegrove Phaser.vst3"
  echo "$clap_dir|Mistlegrove Phaser.clap|clap/Mistlegrove Phaser.clap"
  echo "$clap_dir|Mistlegrove Phaser.resources|clap/Mistlegrove Phaser.resources"
  echo "$lv2_dir|mistlegrove-phaser.lv2|lv2/mistlegrove-phaser.lv2"
  echo "$presets_dir|Mistlegrove Music|presets/Mistlegrove Music"
}

folders() {
  printf '%s\n%s\n%s\n%s\n' "$vst3_dir" "$clap_dir" "$lv2_dir" "$presets_dir"
}

# An entry is ours when an earlier run listed it in the folder's manifest.
listed() {
  [ -f "$1/$manifest_name" ] && grep -qxF "$2" "$1/$manifest_name"
}

refuse_foreign() {
  dir=$1 entry=$2 path=$1/$2
  if [ -L "$path" ] || [ -e "$path" ]; then
    [ ! -L "$path" ] && listed "$dir" "$entry" && return 0
    owner=""
    command -v dpkg >/dev/null 2>&1 && owner=$(dpkg -S "$path" 2>/dev/null | cut -d: -f1 | head -n1) || true
    if [ -n "$owner" ]; then
      die "'$path' belongs to the Debian package '$owner': remove it with apt first (apt remove $owner). Nothing was changed."
    fi
    die "'$path' exists and was not installed by this script: move it away or remove it, then run again. Nothing was changed."
  fi
}

# True when a folder on the way to the entry is a link: whatever is there is not ours.
linked() {
  up=$(dirname "$2")
  while [ "$up" != . ]; do
    [ -L "$1/$up" ] && return 0
    up=$(dirname "$up")
  done
  return 1
}

# Removes the files and folders a manifest lists, deepest first; folders only when empty,
# so anything the user put there stays.
remove_listed() {
  dir=$1
  [ -f "$dir/$manifest_name" ] || return 0
  grep -v '^#' "$dir/$manifest_name" | LC_ALL=C sort -r | while IFS= read -r rel; do
    [ -n "$rel" ] || continue
    case $rel in /*|*..*) continue ;; esac
    linked "$dir" "$rel" && continue
    p=$dir/$rel
    if [ -L "$p" ] || [ -f "$p" ]; then
      rm -f "$p"
    elif [ -d "$p" ]; then
      rmdir "$p" 2>/dev/null || echo "kept '$p': it holds files this script did not install" >&2
    fi
  done
  rm -f "$dir/$manifest_name"
}

if [ $uninstall = 1 ]; then
  # Deepest first: the presets folder goes before the ~/.vst3 it may have been made in.
  folders | sort -ur | while IFS= read -r dir; do
    [ -f "$dir/$manifest_name" ] || continue
    created=$(grep -c '^# created the folder$' "$dir/$manifest_name" || true)
    remove_listed "$dir"
    [ "$created" = 0 ] || rmdir "$dir" 2>/dev/null || true
    echo "removed Mistlegrove Phaser from $dir"
  done
  exit 0
fi

items | while IFS='|' read -r dir entry src; do
  [ -e "$here/$src" ] || die "this package is incomplete: '$src' is missing beside install.sh"
done
# Every check before the first write: a refusal leaves everything as it was.
items | while IFS='|' read -r dir entry src; do
  refuse_foreign "$dir" "$entry"
done

folders | sort -u | while IFS= read -r dir; do
  created=0
  if [ ! -d "$dir" ]; then
    mkdir -p "$dir" || die "cannot create '$dir'"
    created=1
  elif [ -f "$dir/$manifest_name" ] && grep -q '^# created the folder$' "$dir/$manifest_name"; then
    created=1
  fi
  # The new files are staged inside the folder, then swapped in.
  stage=$(mktemp -d "$dir/.mistlegrove-phaser.XXXXXX")
  trap 'rm -rf "$stage"' EXIT
  trap 'exit 130' INT TERM HUP
  {
    echo "# mistlegrove-phaser $version"
    [ $created = 0 ] || echo "# created the folder"
  } > "$stage/$manifest_name"
  items | while IFS='|' read -r idir entry src; do
    [ "$idir" = "$dir" ] || continue
    cp -R "$here/$src" "$stage/$entry"
    (cd "$stage" && find "$entry" -print) >> "$stage/$manifest_name"
  done
  remove_listed "$dir"
  items | while IFS='|' read -r idir entry src; do
    [ "$idir" = "$dir" ] || continue
    # remove_listed kept a folder the user had added to: merge into it.
    if [ -d "$dir/$entry" ]; then
      (cd "$stage" && tar cf - "$entry") | (cd "$dir" && tar xf -)
      rm -rf "${stage:?}/$entry"
    else
      mv "$stage/$entry" "$dir/$entry"
    fi
  done
  mv "$stage/$manifest_name" "$dir/$manifest_name"
  rmdir "$stage"
  trap - EXIT INT TERM HUP
  echo "installed into $dir"
done

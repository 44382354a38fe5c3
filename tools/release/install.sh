#!/bin/sh
# Installs Mistlegrove Phaser from this folder where Linux hosts look for plug-ins.
#   ./install.sh               for this user: ~/.vst3, ~/.clap, ~/.lv2 (presets: ~/.vst3/presets)
#   ./install.sh --system      for everyone: /usr/lib/vst3, /usr/lib/clap, /usr/lib/lv2 (as root;
#                              presets: /usr/share/vst3/presets)
#   ./install.sh --uninstall   removes what an earlier run installed (add --system for those)
# Each folder gets a list of what went into it (.mistlegrove-phaser.manifest), so a new
# version replaces the old one without leaving its files behind, and uninstalling removes
# exactly those files. Nothing is written outside these folders.
set -eu

version=2.0.1
manifest_name=.mistlegrove-phaser.manifest
# The oldest C library the binaries load with.
glibc_floor_major=2 glibc_floor_minor=29
here=$(cd "$(dirname "$0")" && pwd)

die() {
  echo "install.sh: $*" >&2
  exit 1
}

system=0
uninstall=0
for arg in "$@"; do
  case $arg in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h|--help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) die "unknown option '$arg': use --system, --uninstall or both (--help says more)" ;;
  esac
done

if [ $system = 1 ]; then
  # DESTDIR stages a system install elsewhere, as packagers do.
  base=${DESTDIR:-}/usr/lib
  vst3_dir=$base/vst3 clap_dir=$base/clap lv2_dir=$base/lv2 presets_dir=${DESTDIR:-}/usr/share/vst3/presets
else
  [ -n "${HOME:-}" ] || die "HOME is not set: set it to your home folder, or use --system as root"
  vst3_dir=$HOME/.vst3 clap_dir=$HOME/.clap lv2_dir=$HOME/.lv2 presets_dir=$HOME/.vst3/presets
fi

# What goes where: "folder|entry|source in this package", one a line, a folder's lines
# together. An entry is a name in its folder, or a path below it whose parents are made as
# needed; everything this script ever removes lies inside one of these entries.
items() {
  echo "$vst3_dir|Mistlegrove Phaser.vst3|vst3/Mistlegrove Phaser.vst3"
  echo "$clap_dir|Mistlegrove Phaser.clap|clap/Mistlegrove Phaser.clap"
  echo "$clap_dir|Mistlegrove Phaser.resources|clap/Mistlegrove Phaser.resources"
  echo "$lv2_dir|mistlegrove-phaser.lv2|lv2/mistlegrove-phaser.lv2"
  echo "$presets_dir|Mistlegrove Music|presets/Mistlegrove Music"
}

folders() {
  items | cut -d'|' -f1 | uniq
}

unchanged="Nothing was changed."
if [ $system = 1 ]; then
  permission="run it as root (sudo $0 --system), or without --system to install for yourself"
else
  permission="make it writable for you (chmod u+w), or use --system as root"
fi

# True when the manifest path rel lies inside one of the folder's entries, so it is ours to
# remove whatever else an edited manifest lists.
ours() {
  case $2 in /*|*..*) return 1 ;; esac
  while IFS='|' read -r o_dir o_entry _; do
    [ "$o_dir" = "$1" ] || continue
    case $2 in "$o_entry"|"$o_entry"/*) return 0 ;; esac
  done <<EOF
$(items)
EOF
  return 1
}

# An entry is ours when an earlier run listed it in the folder's manifest.
listed() {
  [ -f "$1/$manifest_name" ] && grep -qxF "$2" "$1/$manifest_name"
}

checksum() {
  cksum < "$1" | cut -d' ' -f1,2
}

# Files of ours changed since they were installed (a user's own build put in their place),
# one path a line relative to the folder; a manifest without checksums tells of none.
changed() {
  [ -f "$1/$manifest_name" ] || return 0
  grep '^#cksum ' "$1/$manifest_name" | while read -r _ c_sum c_size c_rel; do
    ours "$1" "$c_rel" || continue
    c_path=$1/$c_rel
    if [ -L "$c_path" ] || { [ -f "$c_path" ] && [ "$(checksum "$c_path")" != "$c_sum $c_size" ]; }; then
      echo "$c_rel"
    fi
  done
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

# Removes the files and folders of ours a manifest lists, deepest first; folders only when
# empty, so anything the user put there stays, and files changed since they were installed.
remove_listed() {
  r_dir=$1
  [ -f "$r_dir/$manifest_name" ] || return 0
  r_changed=$(changed "$r_dir")
  grep -v '^#' "$r_dir/$manifest_name" | LC_ALL=C sort -r | while IFS= read -r rel; do
    [ -n "$rel" ] || continue
    ours "$r_dir" "$rel" || continue
    linked "$r_dir" "$rel" && continue
    p=$r_dir/$rel
    if printf '%s\n' "$r_changed" | grep -qxF "$rel"; then
      echo "install.sh: kept '$p': it was changed after it was installed" >&2
    elif [ -L "$p" ] || [ -f "$p" ]; then
      rm -f "$p"
    elif [ -d "$p" ]; then
      rmdir "$p" 2>/dev/null || echo "install.sh: kept '$p': it holds files this script did not install" >&2
    fi
  done
  rm -f "$r_dir/$manifest_name"
}

if [ $uninstall = 1 ]; then
  removed=0
  # Deepest first: the presets folder goes before the ~/.vst3 it may have been made in.
  while IFS= read -r dir; do
    [ -f "$dir/$manifest_name" ] || continue
    created=$(grep -c '^# created the folder$' "$dir/$manifest_name" || true)
    remove_listed "$dir"
    [ "$created" = 0 ] || rmdir "$dir" 2>/dev/null || true
    echo "removed Mistlegrove Phaser from $dir"
    removed=1
  done <<EOF
$(folders | sort -r)
EOF
  if [ $removed = 0 ]; then
    hint=""
    [ $system = 1 ] || hint=" (for a system-wide install, add --system)"
    echo "install.sh: nothing to remove: this script installed nothing into $vst3_dir, $clap_dir, $lv2_dir or $presets_dir$hint"
  fi
  exit 0
fi

# --- Every check, before the first write: a refusal leaves everything as it was. ---------

while IFS='|' read -r dir entry src; do
  [ -e "$here/$src" ] || die "this package is incomplete: '$src' is missing beside install.sh; unpack the whole archive again"
done <<EOF
$(items)
EOF

# The binaries need glibc_floor; a system stage (DESTDIR) is for another system.
if [ -z "${DESTDIR:-}" ] || [ $system = 0 ]; then
  libc=$(getconf GNU_LIBC_VERSION 2>/dev/null | sed -n 's/^glibc \([0-9][0-9]*\.[0-9][0-9]*\).*/\1/p' || true)
  [ -n "$libc" ] || libc=$(ldd --version 2>/dev/null | sed -n '1s/.* \([0-9][0-9]*\.[0-9][0-9]*\)$/\1/p' || true)
  if [ -z "$libc" ]; then
    echo "install.sh: cannot tell this system's C library version; the plug-ins need glibc $glibc_floor_major.$glibc_floor_minor or later" >&2
  elif [ "${libc%%.*}" -lt $glibc_floor_major ] \
       || { [ "${libc%%.*}" -eq $glibc_floor_major ] && [ "${libc#*.}" -lt $glibc_floor_minor ]; }; then
    die "this system has glibc $libc, but the plug-ins need glibc $glibc_floor_major.$glibc_floor_minor or later: no host here could load them. Install on a newer system (Debian 11, Ubuntu 20.04 or later). $unchanged"
  fi
fi

# Each folder is a folder we may write into, or can be made in one.
while IFS= read -r dir; do
  p=$dir
  while [ ! -e "$p" ] && [ ! -L "$p" ]; do
    p=$(dirname "$p")
  done
  if [ -L "$p" ] && [ ! -e "$p" ]; then
    die "'$p' is a link to '$(readlink "$p")', which does not exist: create that folder or remove the link, then run again. $unchanged"
  fi
  [ -d "$p" ] || die "'$p' is not a folder: move it away, then run again. $unchanged"
  if [ ! -w "$p" ] || [ ! -x "$p" ]; then
    die "cannot write into '$p': $permission. $unchanged"
  fi
done <<EOF
$(folders)
EOF

while IFS='|' read -r dir entry src; do
  path=$dir/$entry
  if [ -L "$path" ] || [ -e "$path" ]; then
    [ ! -L "$path" ] && listed "$dir" "$entry" && continue
    owner=""
    command -v dpkg >/dev/null 2>&1 && owner=$(dpkg -S "$path" 2>/dev/null | cut -d: -f1 | head -n1) || true
    if [ -n "$owner" ]; then
      die "'$path' belongs to the Debian package '$owner': remove it with apt first (apt remove $owner). $unchanged"
    fi
    die "'$path' exists and was not installed by this script: move it away or remove it, then run again. $unchanged"
  fi
done <<EOF
$(items)
EOF

mine=""
while IFS= read -r dir; do
  while IFS= read -r rel; do
    [ -z "$rel" ] || mine="$mine '$dir/$rel'"
  done <<EOF
$(changed "$dir")
EOF
done <<EOF
$(folders)
EOF
[ -z "$mine" ] || die "${mine# } changed since this script installed it (your own build?): move it elsewhere to keep it, or remove it, then run again. $unchanged"

# --- Staged: the new files are copied into each folder beside the old ones. A failure here
# takes back every folder made and every stage. ---------------------------------------------

stages="" made=""
roll_back() {
  printf '%s\n' "$stages" | while IFS= read -r s; do [ -z "$s" ] || rm -rf "$s"; done
  printf '%s\n' "$made" | while IFS= read -r m; do [ -z "$m" ] || rmdir "$m" 2>/dev/null || true; done
}
fail_staging() {
  roll_back
  die "$1. $unchanged"
}
trap 'roll_back' EXIT
trap 'exit 130' INT TERM HUP

while IFS= read -r dir; do
  created=0
  if [ ! -d "$dir" ]; then
    # The folder and the parents it lacks, deepest first, to be taken back in that order.
    p=$dir
    while [ ! -e "$p" ] && [ ! -L "$p" ]; do
      made="$made$p
"
      p=$(dirname "$p")
    done
    mkdir -p "$dir" 2>/dev/null || fail_staging "cannot create '$dir': $permission"
    created=1
  elif [ -f "$dir/$manifest_name" ] && grep -q '^# created the folder$' "$dir/$manifest_name"; then
    created=1
  fi
  stage=$(mktemp -d "$dir/.mistlegrove-phaser.XXXXXX" 2>/dev/null) || fail_staging "cannot write into '$dir': $permission"
  stages="$stages$stage
"
  {
    echo "# mistlegrove-phaser $version"
    [ $created = 0 ] || echo "# created the folder"
  } > "$stage/$manifest_name" 2>/dev/null || fail_staging "cannot write into '$dir': $permission"
  while IFS='|' read -r idir entry src; do
    [ "$idir" = "$dir" ] || continue
    mkdir -p "$(dirname "$stage/$entry")" 2>/dev/null \
      && cp -R "$here/$src" "$stage/$entry" 2>/dev/null \
      && (cd "$stage" && find "$entry" -print && find "$entry" -type f | while IFS= read -r f; do
            echo "#cksum $(checksum "$f") $f"
          done) >> "$stage/$manifest_name" 2>/dev/null \
      || fail_staging "cannot copy '$src' into '$dir': check the free space there"
  done <<EOF
$(items)
EOF
done <<EOF
$(folders)
EOF

# --- Swapped in: the old version out, the new one in, folder by folder. --------------------

while IFS= read -r dir; do
  stage=""
  while IFS= read -r s; do
    if [ -n "$s" ] && [ "$(dirname "$s")" = "$dir" ]; then stage=$s; fi
  done <<EOF
$stages
EOF
  remove_listed "$dir"
  while IFS='|' read -r idir entry src; do
    [ "$idir" = "$dir" ] || continue
    # remove_listed kept a folder the user had added to: merge into it.
    if [ -d "$dir/$entry" ]; then
      (cd "$stage" && tar cf - "$entry") | (cd "$dir" && tar xf -)
      rm -rf "${stage:?}/$entry"
    else
      mkdir -p "$(dirname "$dir/$entry")"
      mv "$stage/$entry" "$dir/$entry"
    fi
  done <<EOF
$(items)
EOF
  mv "$stage/$manifest_name" "$dir/$manifest_name"
  rm -rf "$stage"
  echo "installed into $dir"
done <<EOF
$(folders)
EOF
stages="" made=""
trap - EXIT INT TERM HUP

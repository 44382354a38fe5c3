#!/usr/bin/env bash
# Installs the plug-in hosts that the host tests drive headless (Ardour, with its Lua session
# tool; Qtractor, whose scanner lists CLAP plug-ins). Debian's archive only; safe to run again.
set -euo pipefail
packages=(ardour qtractor)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

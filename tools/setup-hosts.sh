#!/usr/bin/env bash
# Installs the plug-in hosts the tests load the plug-in into, from Debian's archive: Qtractor
# (its headless scanner lists CLAP plug-ins). Tests that need a host skip without it.
set -euo pipefail
packages=(qtractor)
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

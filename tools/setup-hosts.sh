#!/usr/bin/env bash
# Installs the plug-in hosts that the host tests drive headless (Ardour, with its Lua session
# tool). Debian's archive only; safe to run again.
set -euo pipefail
packages=(ardour)
bash "$(dirname "$0")/apt-install.sh" "${packages[@]}"

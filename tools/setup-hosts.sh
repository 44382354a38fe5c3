#!/usr/bin/env bash
# Installs the plug-in hosts that the host tests drive headless (Ardour, with its Lua session
# tool; Qtractor, whose scanner lists CLAP plug-ins; jalv on a dummy JACK server for the LV2
# UI). Debian's archive only; safe to run again.
set -euo pipefail
packages=(ardour qtractor jalv jackd2)
bash "$(dirname "$0")/apt-install.sh" "${packages[@]}"

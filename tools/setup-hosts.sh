#!/usr/bin/env bash
# Installs the plug-in hosts the tests load the plug-in into, from Debian's archive: Qtractor
# (its headless scanner lists CLAP plug-ins). Tests that need a host skip without it.
set -euo pipefail
exec bash "$(dirname "$0")/setup-debian.sh" qtractor

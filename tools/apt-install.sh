#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not installed yet.
# When another package manager holds apt's or dpkg's lock (a desktop's update notifier), it
# waits for it, up to MG_APT_LOCK_TIMEOUT seconds (600) in all.
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
timeout=${MG_APT_LOCK_TIMEOUT:-600}
deadline=$((SECONDS + timeout))
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# apt-get waits for dpkg's lock itself (DPkg::Lock::Timeout, apt 1.9.11 and later); the lock
# of the package lists, which update takes, it does not wait for: that is retried here.
apt_get() {
  local rc
  while :; do
    rc=0
    $sudo env LC_ALL=C DEBIAN_FRONTEND=noninteractive \
      apt-get -o "DPkg::Lock::Timeout=$((deadline > SECONDS ? deadline - SECONDS : 0))" "$@" 2>&1 \
      | tee "$log" || rc=${PIPESTATUS[0]}
    [ $rc -ne 0 ] || return 0
    grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' "$log" || return $rc
    if [ $SECONDS -ge $deadline ]; then
      echo "apt-install.sh: another package manager still holds the lock after ${timeout} s: let it finish (or close it), then run again" >&2
      return $rc
    fi
    echo "apt-install.sh: another package manager holds the lock; waiting for it ($((deadline - SECONDS)) s left)" >&2
    sleep 2
  done
}

apt_get update -q
apt_get install -y -q --no-install-recommends "${missing[@]}"

#!/bin/sh
# tools/apt-install.sh against stand-ins for apt that hold the lock, as a desktop's update
# notifier does: it waits, but not for ever, and does not wait on other errors.
#   test_apt_install.sh APT_INSTALL_SH WORKDIR
set -eu
script=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Nothing is installed; sudo just runs the command.
printf '#!/bin/sh\nexit 1\n' > "$work/bin/dpkg-query"
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"
# update finds the lists locked FAKE_LOCKED times (or always); install waits for dpkg's lock
# only when told how long, as apt-get does.
cat > "$work/bin/apt-get" <<'FAKE'
#!/bin/sh
echo "$*" >> "$FAKE_LOG"
case " $* " in
  *" update "*)
    n=$(grep -c ' update ' "$FAKE_LOG")
    if [ "$FAKE_LOCKED" = always ] || [ "$n" -le "$FAKE_LOCKED" ]; then
      echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (packagekitd)" >&2
      exit 100
    fi ;;
  *" install "*)
    case " $* " in *" DPkg::Lock::Timeout=0 "*|*" DPkg::Lock::Timeout= "*) ;; *" DPkg::Lock::Timeout="*) exit 0 ;; esac
    echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (packagekitd)" >&2
    exit 100 ;;
esac
[ -z "${FAKE_ERROR:-}" ] || { echo "E: $FAKE_ERROR" >&2; exit 100; }
exit 0
FAKE
chmod +x "$work/bin/"*
run() {
  rm -f "$work/log"
  start=$(date +%s)
  PATH=$work/bin:$PATH FAKE_LOG=$work/log MG_APT_LOCK_TIMEOUT=4 bash "$script" jalv > "$work/out" 2>&1
}
elapsed() { echo $(($(date +%s) - start)); }

FAKE_LOCKED=1 run || fail "a lock held for a moment: $(cat "$work/out")"
[ "$(grep -c ' update ' "$work/log")" = 2 ] && grep -q ' install .*jalv' "$work/log" \
  || fail "did not update again and install: $(cat "$work/log")"

if FAKE_LOCKED=always run; then fail "succeeded under a lock that is never freed"; fi
grep -q "^apt-install.sh: another package manager still holds the lock after 4 s" "$work/out" \
  || fail "gave up without saying why: $(cat "$work/out")"
[ "$(elapsed)" -ge 4 ] && [ "$(elapsed)" -le 10 ] || fail "waited $(elapsed) s for a bound of 4 s"
! grep -q ' install ' "$work/log" || fail "installed after update failed"

if FAKE_LOCKED=0 FAKE_ERROR="Unable to locate package jalv" run; then fail "an apt error passed"; fi
[ "$(wc -l < "$work/log")" = 1 ] || fail "retried an error that is not the lock: $(cat "$work/log")"

[ $failures = 0 ] || exit 1
echo "apt-install.sh: all cases passed"

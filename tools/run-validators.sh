#!/usr/bin/env bash
# Runs the third-party validators on a built plug-in and fails on any failure:
#   clap-validator validate on the .clap, then a minute of clap-validator fuzz;
#   pluginval at strictness 10 on the .vst3 and on the LV2 bundle (by its URI, from a
#   private HOME's .lv2, where its LV2 host looks).
# Editor tests run on a private Xvfb with a window manager. The build must not be a
# sanitizer build: the validators are not instrumented.
#   tools/run-validators.sh <build-dir>
# MG_VALIDATORS names the validators' folder (default: ../shared/validators beside the
# project); MG_FUZZ_SECONDS the fuzzing time (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: tools/run-validators.sh <build-dir>}" && pwd)
validators=$(cd "${MG_VALIDATORS:-$root/../shared/validators}" && pwd)
fuzzSeconds=${MG_FUZZ_SECONDS:-60}
clap="$build/Mistlegrove Phaser.clap"
vst3="$build/Mistlegrove Phaser.vst3"
lv2="$build/lv2/mistlegrove-phaser.lv2"
uri=https://www.mistlegrovemusic.com/plugins/phaser
for f in "$clap" "$vst3" "$lv2"; do
  [ -e "$f" ] || { echo "run-validators: $f is not built" >&2; exit 1; }
done

work=$(mktemp -d)
groups=()
# Each helper runs in a session of its own; a validator's test that times out leaves its
# child running, so whole process groups are ended.
cleanup() {
  for g in "${groups[@]}"; do kill -TERM -- "-$g" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home"
mkdir -p "$HOME/.lv2"
cp -r "$lv2" "$HOME/.lv2/"

# A private display with a window manager, for the editor tests.
setsid Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
groups+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "run-validators: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
setsid openbox --sm-disable >/dev/null 2>&1 &
groups+=($!)
sleep 1

status=0
# Runs a validator in its own session, its output also kept in $work/log.
run() {
  local name=$1
  shift
  echo "== $name"
  setsid "$@" >"$work/log" 2>&1 &
  local pid=$!
  groups+=("$pid")
  local rc=0
  wait "$pid" || rc=$?
  kill -TERM -- "-$pid" 2>/dev/null || true
  sed -i 's/\x1b\[[0-9;]*m//g' "$work/log" # colours off, for the checks below
  cat "$work/log"
  return "$rc"
}

if run "clap-validator validate" "$validators/clap-validator" validate --hide-output "$clap"; then
  grep -Eq '[1-9][0-9]* failed|[^0-9]0 passed' "$work/log" && { echo "FAILED: clap-validator validate"; status=1; }
else
  echo "FAILED: clap-validator validate"
  status=1
fi

# The fuzzer stops at its first error and reports it; warnings (a text that reads back to a
# neighbouring value) are not failures.
if ! run "clap-validator fuzz (${fuzzSeconds} s)" "$validators/clap-validator" fuzz -d "${fuzzSeconds}s" "$clap" \
   || grep -Eq '(^|[[:space:]])(ERROR|FAILED)([[:space:]]|$)|panicked' "$work/log"; then
  echo "FAILED: clap-validator fuzz"
  status=1
fi

sdkValidator=$(find "$build" -type f -name validator -perm -u+x -path '*bin*' 2>/dev/null | head -n 1)
vst3Extra=()
[ -n "$sdkValidator" ] && vst3Extra=(--vst3validator "$sdkValidator")
if ! run "pluginval VST 3" "$validators/pluginval" --strictness-level 10 --timeout-ms 300000 "${vst3Extra[@]}" \
   --validate "$vst3"; then
  echo "FAILED: pluginval VST 3"
  status=1
fi

if ! run "pluginval LV2" "$validators/pluginval" --strictness-level 10 --timeout-ms 300000 --validate "$uri"; then
  echo "FAILED: pluginval LV2"
  status=1
fi

[ "$status" -eq 0 ] && echo "== validators: all passed"
exit "$status"

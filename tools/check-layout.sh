#!/usr/bin/env bash
# The include rules between the plug-in's folders, proved with grep. Prints each include that
# breaks one and exits 1; silent and 0 when all hold. Usage: check-layout.sh [source root]
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2

status=0
# forbid RULE PATTERN [ALLOWED] -- FILES: an include line matching PATTERN (grep -E, what
# follows "#include ") breaks RULE, unless it also matches ALLOWED.
forbid() {
  local rule=$1 pattern=$2 allowed='^$'
  shift 2
  [ "$1" != -- ] && { allowed=$1; shift; }
  shift
  local hits
  hits=$(grep -HnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" "$@" /dev/null | grep -vE "$allowed")
  if [ -n "$hits" ]; then
    echo "check-layout: $rule" >&2
    echo "$hits" | sed 's/^/  /' >&2
    status=1
  fi
}
# sources [find arguments before the name test]: the C++ files found there
sources() { find "$@" \( -name '*.h' -o -name '*.cpp' \) -type f -print | sort; }

mapfile -t core < <(sources frame -maxdepth 1)
mapfile -t effect < <(sources effect)
mapfile -t graphics < <(sources graphics)
mapfile -t plugin < <(sources effect editor graphics settings frame)
mapfile -t apps < <(sources apps)
if [ ${#core[@]} -eq 0 ] || [ ${#effect[@]} -eq 0 ] || [ ${#graphics[@]} -eq 0 ]; then
  echo "check-layout: no sources under $(pwd)" >&2
  exit 2
fi
outside() { printf '%s\n' "${plugin[@]}" | grep -v "^$1/"; }
mapfile -t outside_vst3 < <(outside frame/vst3)
mapfile -t outside_clap < <(outside frame/clap)
mapfile -t outside_lv2 < <(outside frame/lv2)

forbid "the frame core includes nothing from effect/, editor/, graphics/, settings/ or a format folder" \
  '"(effect|editor|graphics|settings|frame/[^/"]+)/' -- "${core[@]}"
forbid "effect/ includes only frame/ (its core) and itself" \
  '"(editor|graphics|settings|tools|tests|frame/[^/"]+)/' -- "${effect[@]}"
forbid "effect/ includes no library but the standard one" \
  '<(X11|clap|lv2|curl|stb|pluginterfaces|public\.sdk|base)/' -- "${effect[@]}"
forbid "graphics/ includes nothing from effect/, editor/, settings/ or a format folder" \
  '"(effect|editor|settings|frame/[^/"]+)/' -- "${graphics[@]}"
forbid "graphics/ takes nothing from frame/ but the event-loop interface" \
  '"frame/' '"frame/IEventLoop\.h"' -- "${graphics[@]}"
forbid "VST 3 headers appear only in frame/vst3/" \
  '["<](pluginterfaces|public\.sdk|base/source|base/thread|frame/vst3)/' -- "${outside_vst3[@]}"
forbid "CLAP headers appear only in frame/clap/" '["<](clap|frame/clap)/' -- "${outside_clap[@]}"
forbid "LV2 headers appear only in frame/lv2/" '["<](lv2|frame/lv2)/' -- "${outside_lv2[@]}"
forbid "the plug-in's folders include nothing from apps/, tools/ or tests/" \
  '"(apps|tools|tests)/' -- "${plugin[@]}"
forbid "apps/ includes nothing from tools/ or tests/" '"(tools|tests)/' -- "${apps[@]}"
mapfile -t neutral_hosts < <(sources apps/jack; ls apps/render/HostedPlugin.h apps/render/PluginHost.h 2>/dev/null)
forbid "the JACK application and the renderer's host interface speak no format's words" \
  '["<](pluginterfaces|public\.sdk|base/source|clap|lv2|frame/(vst3|clap|lv2))/' -- "${neutral_hosts[@]}"
exit $status

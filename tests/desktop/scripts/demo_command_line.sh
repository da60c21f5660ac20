#!/usr/bin/env bash
# scripts/demo.sh reads its command line before doing anything: --help and -h print its usage and
# end well without building; an unknown option or a third argument is refused, building nothing.
#   demo_command_line.sh SOURCE_DIR
set -euo pipefail
# shellcheck source=tests/desktop/scripts/sandbox.sh
source "$(dirname "$0")/sandbox.sh" "$1"
cd "$sandbox"

# expect STATUS WANTED-OUTPUT ARGUMENT...: the demo ends with STATUS, says WANTED-OUTPUT (a grep
# pattern) and runs no cmake.
expect() {
  local wanted_status="$1" wanted="$2" status=0
  shift 2
  rm -f cmake.log
  scripts/demo.sh "$@" > out 2>&1 || status=$?
  [ "$status" = "$wanted_status" ] || fail "demo.sh $*: exit status $status, not $wanted_status" out
  grep -q -e "$wanted" out || fail "demo.sh $*: does not say \"$wanted\"" out
  [ ! -e cmake.log ] || fail "demo.sh $*: ran cmake $(cat cmake.log)" out
  echo "demo.sh $*: $status, as it should"
}
expect 0 '^usage: scripts/demo.sh \[--activex\] \[RTSP-URL \[CAMERA-ADDRESS\]\]' --help
expect 0 '^usage: scripts/demo.sh' -h
expect 0 '^usage: scripts/demo.sh' --activex --help
expect 2 '^demo: unknown option --play' --play rtsp://127.0.0.1/live
expect 2 '^demo: one camera URL and one camera address at most' rtsp://127.0.0.1/live 127.0.0.1 more

#!/usr/bin/env bash
# scripts/demo.sh with a camera that does not answer, run with the build's real page viewer and
# plug-in under a virtual X server: the demo says why the page's session failed, with what the
# plug-in's answer means, and names only the screenshots it wrote.
#   demo_camera_down.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
# shellcheck source=tests/desktop/scripts/sandbox.sh
source "$(dirname "$0")/sandbox.sh" "$1"
build_dir="$(cd "$2" && pwd)"
cd "$sandbox"
mkdir build
ln -s "$build_dir/bin" build/bin
ln -s "$build_dir/lib" build/lib
ln -s "$source_dir/examples" examples
unset DISPLAY  # a virtual X server, never a window someone must close

status=0
scripts/demo.sh rtsp://127.0.0.1:1/live > out 2>&1 || status=$?
[ "$status" != 0 ] || fail "the demo ended well with a camera that did not play" out
grep -qx "demo: the page's session failed: play gave -3 (the camera did not answer or refused the stream)" out ||
  fail "the demo does not say why the camera did not play" out
grep -q "playing.png" out && [ ! -f build/demo/playing.png ] && fail "the demo names a screenshot it did not write" out
named="$(sed -n 's/^demo: screenshots: *//p' out)"
[ -n "$named" ] || fail "the demo does not name its screenshots" out
IFS=',' read -ra shots <<< "$named"
for shot in "${shots[@]}"; do
  shot="${shot# }"
  [ "$shot" = "none was taken" ] || [ -f "$shot" ] || fail "the demo names $shot, which is not there" out
done
cat out

#!/usr/bin/env bash
# The demo: a real web page in a real browser engine (QtWebKit) plays a camera through npVeltrin.so.
# Installs and builds what is missing, then opens examples/camera.html in the page viewer: in a
# window when there is a display, otherwise under a virtual X server (xvfb-run). The page plays at
# once and runs a short session of its own: an alarm, a snapshot, a few seconds of recording.
# Screenshots, the snapshot and the recording go to build/demo/; the script says where. The build
# is scripts/test.sh's (scripts/build_options.sh), so the tests after the demo compile only what
# the demo did not need.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

usage() {
  cat << 'EOF'
usage: scripts/demo.sh [--activex] [RTSP-URL [CAMERA-ADDRESS]]
  (no URL)        play the loopback test camera, started here with its device link sending an
                  alarm every few seconds
  RTSP-URL        play that camera; CAMERA-ADDRESS is where its device link answers (port 8081),
                  for its alarms
  --activex       run the same page headless in the stand-in ActiveX container instead, the control
                  made by npVeltrin.so's class object as Internet Explorer makes it, with
                  screenshots of the control's window
  -h, --help      print this and exit
Builds in build/ what the demo needs and writes what the page made into build/demo/.
EOF
}

activex=0
positional=()
for argument in "$@"; do
  case "$argument" in
    -h | --help) usage; exit 0 ;;
    --activex) activex=1 ;;
    -*) echo "demo: unknown option $argument" >&2; usage >&2; exit 2 ;;
    *) positional+=("$argument") ;;
  esac
done
if [ ${#positional[@]} -gt 2 ]; then
  echo "demo: one camera URL and one camera address at most" >&2
  usage >&2
  exit 2
fi
url="${positional[0]:-}"
device="${positional[1]:-}"

bash scripts/setup.sh
# shellcheck source=scripts/build_options.sh
source scripts/build_options.sh
mkdir -p build
cmake -S . -B build "${build_options[@]}" > build/demo-build.log 2>&1 || {
  tail -n 30 build/demo-build.log
  echo "demo: configuring the build failed (build/demo-build.log)" >&2
  exit 1
}
if [ "$activex" = 1 ]; then
  echo "demo: building the plug-in, the ActiveX page runner and the test camera"
  targets=(activex_page npVeltrin loopback_camera)
else
  echo "demo: building the plug-in, the desktop bridge, the page viewer and the test camera"
  targets=(page_viewer loopback_camera)
fi
cmake --build build -j "${VELTRIN_JOBS:-4}" --target "${targets[@]}" >> build/demo-build.log 2>&1 || {
  tail -n 30 build/demo-build.log
  echo "demo: the build failed (build/demo-build.log)" >&2
  exit 1
}

out="$root/build/demo"
rm -rf "$out"
mkdir -p "$out/files"

camera_pid=""
stop_camera() {
  if [ -n "$camera_pid" ]; then
    kill "$camera_pid" 2> /dev/null || true
    wait "$camera_pid" 2> /dev/null || true
  fi
}
trap stop_camera EXIT

# The loopback camera serves its test pattern on a free port and its device link on port 8081 of a
# loopback address; the first free address of a few is taken.
if [ -z "$url" ]; then
  for address in 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4; do
    # The log is there before the camera starts: the background job opens it only when it runs.
    : > "$out/camera.log"
    build/bin/loopback_camera --port 0 --device-address "$address" --alarm-interval 3 >> "$out/camera.log" 2>&1 &
    camera_pid=$!
    for _ in $(seq 50); do
      grep -q "^device link on" "$out/camera.log" && break
      kill -0 "$camera_pid" 2> /dev/null || break
      sleep 0.1
    done
    if grep -q "^device link on" "$out/camera.log"; then
      url="$(head -n 1 "$out/camera.log")"
      device="$address"
      break
    fi
    wait "$camera_pid" 2> /dev/null || true
    camera_pid=""
  done
  if [ -z "$url" ]; then
    cat "$out/camera.log" >&2
    echo "demo: the loopback camera did not start" >&2
    exit 1
  fi
  echo "demo: the loopback camera plays $url, its device link is on $device:8081"
fi

urlencode() {
  local text="$1" encoded="" c i
  for ((i = 0; i < ${#text}; i++)); do
    c="${text:i:1}"
    case "$c" in
      [a-zA-Z0-9.~_-]) encoded+="$c" ;;
      *) encoded+="$(printf '%%%02X' "'$c")" ;;
    esac
  done
  printf '%s' "$encoded"
}
query="?url=$(urlencode "$url")&device=$(urlencode "$device")&auto=1"
page="$root/examples/camera.html$query"

# Tells how the page's session ended when it failed (the runner's verdict line in LOG after
# PREFIX), then the files of the run that exist: tell_outcome LOG PREFIX SCREENSHOT...
tell_outcome() {
  local log="$1" prefix="$2"
  shift 2
  local verdict shot shots="" snapshot recording
  verdict="$(sed -n "s/^$prefix//p" "$log" | tail -n 1)"
  echo
  case "$verdict" in
    fail:*) echo "demo: the page's session failed: ${verdict#fail: }" ;;
  esac
  for shot in "$@"; do
    if [ -f "$shot" ]; then shots+="${shots:+, }$shot"; fi
  done
  echo "demo: screenshots:             ${shots:-none was taken}"
  snapshot="$(ls "$out"/files/*.jpg 2> /dev/null | head -n 1 || true)"
  recording="$(ls "$out"/files/*.mp4 2> /dev/null | head -n 1 || true)"
  echo "demo: snapshot:                ${snapshot:-none was taken}"
  echo "demo: recording:               ${recording:-none was made}"
  echo "demo: what the page said:      $log"
}

if [ "$activex" = 1 ]; then
  echo "demo: the camera page runs in the stand-in ActiveX container (headless)"
  status=0
  build/bin/activex_page "$root/examples/camera.html" --query "$query" --out "$out" --folder "$out/files" \
    --seconds 60 --interval 3 | tee "$out/activex.log" || status=$?
  tell_outcome "$out/activex.log" "verdict: " "$out"/shot-*.png "$out/final.png"
  exit "$status"
fi

viewer=(build/bin/page_viewer --size 1000x640 --folder "$out/files" --shot "5:$out/playing.png")
# A display that answers (when xdpyinfo is there to ask it).
have_display() {
  [ -n "${DISPLAY:-}" ] || return 1
  command -v xdpyinfo > /dev/null || return 0
  xdpyinfo > /dev/null 2>&1
}

status=0
if have_display; then
  echo "demo: opening the camera page in a window; close it to end the demo"
  "${viewer[@]}" --screenshot "$out/last.png" "$page" | tee "$out/viewer.log" || status=$?
else
  echo "demo: no display: the camera page runs under a virtual X server"
  xvfb-run -a -s "-screen 0 1280x1024x24" "${viewer[@]}" --until "session.state == 'done'" --time 60 \
    --screenshot "$out/last.png" --verdict "session.result" "$page" | tee "$out/viewer.log" || status=$?
fi

tell_outcome "$out/viewer.log" "page_viewer: verdict: " "$out/playing.png" "$out/last.png"
exit "$status"

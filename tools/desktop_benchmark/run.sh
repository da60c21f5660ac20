#!/usr/bin/env bash
# Benchmarks of the camera page in the real browser engine, against FFmpeg's own tools on the same
# loopback stream and the same virtual X server. Prints its figures; asserts nothing.
#   tools/desktop_benchmark/run.sh [SECONDS]     (playback measured for SECONDS, default 60)
#
# - page opened to the first camera picture painted in the page (the viewer and the bridge tell
#   both moments on one clock), against ffmpeg's time from its start to its first decoded picture;
# - CPU time per minute of 1080p 25 fps playback in the page viewer, against ffplay showing the same
#   stream;
# - the delay from a picture's drawing in the plug-in's window to its paint into the page.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-60}"
bin="$PWD/build/bin"
out="$(mktemp -d)"
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$out"' EXIT

cmake --build build -j "${VELTRIN_JOBS:-4}" --target page_viewer loopback_camera > /dev/null

"$bin/loopback_camera" --port 0 --size 1920x1080 --fps 25 --device-port 0 > "$out/camera.log" 2>&1 &
for _ in $(seq 50); do grep -q "^rtsp://" "$out/camera.log" && break; sleep 0.1; done
url="$(head -n 1 "$out/camera.log")"
echo "benchmark: 1080p 25 fps test pattern at $url"

# Runs a command on a virtual X server of its own and tells the CPU time (user and system) it used
# in its first SECONDS; then it is stopped, unless it ends by itself within a few seconds.
cpu_of() {
  local name="$1"; shift
  xvfb-run -a -s "-screen 0 1920x1200x24" bash -c '"$@" & pid=$!; sleep '"$seconds"'
    awk -v hz="$(getconf CLK_TCK)" "{ printf \"%.2f\", (\$14 + \$15) / hz }" /proc/$pid/stat > "'"$out/$name.cpu"'"
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 $pid 2> /dev/null || break; sleep 0.5; done
    kill $pid 2> /dev/null; wait $pid' _ "$@" > "$out/$name.log" 2>&1 || true
  local used
  used="$(cat "$out/$name.cpu")"
  echo "benchmark: $name: ${used} s of CPU in ${seconds} s, $(awk -v u="$used" -v s="$seconds" 'BEGIN { printf "%.1f", u * 60 / s }') s per minute"
}

page="$PWD/tools/desktop_benchmark/playback.html?url=$url&width=1920&height=1080"

# Page opened to first picture painted.
VELTRIN_PAINT_TIMING=1 xvfb-run -a -s "-screen 0 1920x1200x24" "$bin/page_viewer" --size 1920x1080 --time 3 "$page" \
  > "$out/first.log" 2>&1 || true
opened="$(sed -n 's/^page_viewer: opening the page at \([0-9.]*\) ms.*/\1/p' "$out/first.log")"
painted="$(sed -n 's/^desktop bridge: first picture painted at \([0-9.]*\) ms.*/\1/p' "$out/first.log")"
echo "benchmark: page opened to first picture painted: $(awk -v a="$opened" -v b="$painted" 'BEGIN { printf "%.0f", b - a }') ms"
for flags in "" "-fflags nobuffer -analyzeduration 0"; do
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  ffmpeg -v error -rtsp_transport tcp $flags -i "$url" -frames:v 1 -f null - 2> /dev/null
  echo "benchmark: ffmpeg ${flags:+($flags) }started to first decoded picture: $(( ($(date +%s%N) - start) / 1000000 )) ms"
done

# CPU per minute of playback, and the drawing-to-paint delay over the same run.
VELTRIN_PAINT_TIMING=1 cpu_of page_viewer "$bin/page_viewer" --size 1920x1080 --time "$((seconds + 1))" "$page"
grep "^desktop bridge: .*pictures painted" "$out/page_viewer.log" | sed 's/^desktop bridge/benchmark/' || true
SDL_AUDIODRIVER=dummy cpu_of ffplay ffplay -v error -rtsp_transport tcp -an -i "$url"

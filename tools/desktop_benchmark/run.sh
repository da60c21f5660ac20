#!/usr/bin/env bash
# The camera page in the real browser engine against FFmpeg's own tools, on the same loopback
# stream (1080p 25 fps with camera-like grain at 6 Mbit/s, every client served from its start), each
# program on a virtual X server of its own. Prints its figures and how busy the machine was;
# asserts nothing.
#   tools/desktop_benchmark/run.sh [--build DIR] [--seconds S] [--rounds R]   (default: 30 s, 5 rounds)
#
# - First picture, R rounds, the two started together in each: the page opened to its first
#   camera picture painted (the viewer and the bridge tell both moments on one clock), against
#   ffmpeg started to its first picture decoded with the probing a low-delay player uses
#   (-probesize 32 -analyzeduration 0 -flags low_delay; -fflags nobuffer is not used, as it throws
#   the probed key picture away); then ffmpeg's start-up alone (the same command on a tiny
#   generated picture) to tell what is its own.
# - CPU of playing, both at the same time for the S seconds of the stream: the page viewer with one
#   1920x1080 plug-in against ffplay with one decoding thread (-threads 1) and SDL's software
#   renderer in a 1920x1080 window, each with its X server's CPU, and the pictures each showed: of
#   those the plug-in's window showed, how many the page painted, its first seconds (the page
#   starting, the first pictures arriving) apart from the rest.
set -euo pipefail
# shellcheck source=tools/desktop_benchmark/common.sh
source "$(dirname "$0")/common.sh" "$@"
rounds=5
set -- "${args[@]}"
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    *) echo "usage: tools/desktop_benchmark/run.sh [--build DIR] [--seconds S] [--rounds R]" >&2; exit 2 ;;
  esac
done

start_camera
echo "benchmark: ${seconds} s of 1080p 25 fps grain at 6 Mbit/s ($sent pictures), $camera_url; build $build"
echo "benchmark: before: $(machine_noise)"

milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }
low_delay=(-probesize 32 -analyzeduration 0 -flags low_delay)

# First picture.
page_ms=(); ffmpeg_ms=(); startup_ms=()
for _ in $(seq "$rounds"); do
  start_x
  page_command 1920x1080 3 "width=1920&height=1080"
  "${page_viewer[@]}" > "$out/first.log" 2>&1 &
  viewer=$!
  start=$(milliseconds)
  ffmpeg -nostdin -v error -rtsp_transport tcp "${low_delay[@]}" -i "$camera_url" -frames:v 1 -f null - 2> /dev/null
  ffmpeg_ms+=($(( $(milliseconds) - start )))
  wait "$viewer" || true
  stop_x
  opened="$(sed -n 's/^page_viewer: opening the page at \([0-9.]*\) ms.*/\1/p' "$out/first.log")"
  painted="$(sed -n 's/^desktop bridge: first picture painted at \([0-9.]*\) ms.*/\1/p' "$out/first.log")"
  page_ms+=("$(awk -v a="$opened" -v b="$painted" 'BEGIN { if (a == "" || b == "") print "?"; else printf "%.0f", b - a }')")
  start=$(milliseconds)
  ffmpeg -nostdin -v error -f lavfi -i nullsrc=size=16x16 -frames:v 1 -f null - 2> /dev/null
  startup_ms+=($(( $(milliseconds) - start )))
done
echo "benchmark: page opened to first picture painted: ${page_ms[*]} ms"
echo "benchmark: ffmpeg ${low_delay[*]} started to first picture decoded: ${ffmpeg_ms[*]} ms" \
  "(its start-up alone, measured after: ${startup_ms[*]} ms)"

# CPU of playing, both at once.
start_x; page_x=$x_pid; page_display=$DISPLAY
start_x; ffplay_x=$x_pid; ffplay_display=$DISPLAY
page_command 1920x1080 "$((seconds + 3))" "width=1920&height=1080"
DISPLAY=$page_display "${page_viewer[@]}" > "$out/page.log" 2>&1 &
page=$!
DISPLAY=$ffplay_display SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy ffplay -hide_banner -loglevel info -threads 1 \
  -an -rtsp_transport tcp -x 1920 -y 1080 "$camera_url" > "$out/ffplay.log" 2>&1 &
ffplay=$!
sleep 2
p0=$(cpu_seconds "$page"); px0=$(cpu_seconds "$page_x"); f0=$(cpu_seconds "$ffplay"); fx0=$(cpu_seconds "$ffplay_x")
sleep "$((seconds - 1))"
p1=$(cpu_seconds "$page"); px1=$(cpu_seconds "$page_x"); f1=$(cpu_seconds "$ffplay"); fx1=$(cpu_seconds "$ffplay_x")
kill "$ffplay" 2> /dev/null || true
wait "$page" || true
wait "$ffplay" 2> /dev/null || true
x_pid=$page_x; stop_x; x_pid=$ffplay_x; stop_x
span=$((seconds - 1))
page_cpu=$(calc "$p1 - $p0"); page_x_cpu=$(calc "$px1 - $px0")
ffplay_cpu=$(calc "$f1 - $f0"); ffplay_x_cpu=$(calc "$fx1 - $fx0")
bridge_counts "$out/page.log"
ffplay_dropped="$(tr '\r' '\n' < "$out/ffplay.log" | sed -n 's/.* fd= *\([0-9]*\) .*/\1/p' | tail -n 1)"
echo "benchmark: CPU over the same ${span} s: page viewer ${page_cpu} s + its X server ${page_x_cpu} s;" \
  "ffplay ${ffplay_cpu} s + its X server ${ffplay_x_cpu} s"
echo "benchmark: page against ffplay: $(calc "$page_cpu / $ffplay_cpu") times its CPU," \
  "$(calc "($page_cpu + $page_x_cpu) / ($ffplay_cpu + $ffplay_x_cpu)") with the X servers"
echo "benchmark: pictures of the plug-in's window: in its first $opening_seconds s $(painted_of_drawn "${first[@]}");" \
  "after $(painted_of_drawn "${after[@]}"); ffplay dropped ${ffplay_dropped:-?} of the $sent sent"
grep "^desktop bridge: .*drawing to paint" "$out/page.log" | sed 's/^desktop bridge/benchmark/' || true
echo "benchmark: after: $(machine_noise)"

#!/usr/bin/env bash
# Many cameras on one page in the real browser engine: one page of N plug-ins of 480x270 pixels,
# each playing its own copy of a 1080p 25 fps camera-like stream (grain at 6 Mbit/s) from its start
# to its end, in a viewer window the size of their grid (every view in sight). Prints, for each N,
# of the pictures drawn in the plug-ins' windows how many were painted into the page (the windows'
# first seconds, where the page starts and the first pictures arrive, apart from the rest; what a
# view out of the page's sight would lose apart from what the page dropped), the page viewer's CPU
# (and its X server's) and resident memory per view: what it holds beyond the same page without
# plug-ins, shared by the views. Beside the page, at the same time on the same stream, its peer: N
# ffplay players (one decoding thread each, SDL's software renderer, windows of 480x270) on an X
# server of their own, with their CPU, their dropped pictures and their memory. Asserts nothing.
#   tools/desktop_benchmark/scale.sh [--build DIR] [--seconds S] [--logs DIR] [N ...]
#   (default: 30 s; 1 4 9 16; --logs keeps each page viewer's output as DIR/viewer-N.log)
set -euo pipefail
# shellcheck source=tools/desktop_benchmark/common.sh
source "$(dirname "$0")/common.sh" "$@"
logs=""
views=()
set -- "${args[@]}"
while [ $# -gt 0 ]; do
  case "$1" in
    --logs) logs="$2"; shift 2 ;;
    [0-9]*) views+=("$1"); shift ;;
    *) echo "usage: tools/desktop_benchmark/scale.sh [--build DIR] [--seconds S] [--logs DIR] [N ...]" >&2; exit 2 ;;
  esac
done
[ ${#views[@]} -gt 0 ] || views=(1 4 9 16)

start_camera

# The page viewer with the page and no plug-in: what the views' memory is counted beyond.
start_x
page_command 480x270 4 "views=0"
"${page_viewer[@]}" > /dev/null 2>&1 &
viewer=$!
sleep 3
base="$(resident_mb "$viewer")"
wait "$viewer" || true
stop_x
echo "scale: ${seconds} s of 1080p 25 fps grain at 6 Mbit/s ($sent pictures) to each view, $camera_url; build $build;" \
  "the page without plug-ins holds $base MB"

for n in "${views[@]}"; do
  columns=$(awk -v n="$n" 'BEGIN { c = int(sqrt(n)); if (c * c < n) ++c; print c }')
  rows=$(( (n + columns - 1) / columns ))
  width=$((columns * 480)); height=$((rows * 270))
  # The screen holds the window whole.
  start_x "$(( width > 1920 ? width : 1920 ))x$(( height > 1200 ? height : 1200 ))"
  noise="$(machine_noise)"
  page_command "${width}x${height}" "$((seconds + 3))" "views=$n&width=480&height=270"
  page_x=$x_pid
  "${page_viewer[@]}" > "$out/viewer.log" 2>&1 &
  viewer=$!
  start_x; peer_x=$x_pid
  players=()
  for i in $(seq "$n"); do
    SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy ffplay -hide_banner -loglevel info -threads 1 -an \
      -rtsp_transport tcp -x 480 -y 270 "$camera_url" > "$out/ffplay-$i.log" 2>&1 &
    players+=($!)
  done
  # Measured from 2 s in (the page loaded, every view playing) to 1 s after the streams' end.
  sleep 2
  cpu0="$(cpu_seconds "$viewer")"; x0="$(cpu_seconds "$page_x")"
  f0="$(sum_cpu_seconds "${players[@]}")"; fx0="$(cpu_seconds "$peer_x")"
  sleep "$((seconds - 2))"
  resident="$(resident_mb "$viewer")"
  peer_resident="$(sum_resident_mb "${players[@]}")"
  sleep 1
  cpu1="$(cpu_seconds "$viewer")"; x1="$(cpu_seconds "$page_x")"
  f1="$(sum_cpu_seconds "${players[@]}")"; fx1="$(cpu_seconds "$peer_x")"
  wait "$viewer" || true
  kill "${players[@]}" 2> /dev/null || true
  wait "${players[@]}" 2> /dev/null || true
  stop_x; x_pid=$page_x; stop_x
  [ -z "$logs" ] || { mkdir -p "$logs"; cp "$out/viewer.log" "$logs/viewer-$n.log"; }
  span=$((seconds - 1))
  bridge_counts "$out/viewer.log"
  echo "scale: $n view$([ "$n" = 1 ] || echo s) in ${width}x${height}: first $opening_seconds s $(painted_of_drawn "${first[@]}");" \
    "after $(painted_of_drawn "${after[@]}"); CPU per view $(calc "($cpu1 - $cpu0) * 100 / $span / $n")% of a core" \
    "(X server $(calc "($x1 - $x0) * 100 / $span")% in all); resident $resident MB," \
    "$(calc "($resident - $base) / $n") MB per view; $noise"
  peer_dropped=0
  for i in $(seq "$n"); do
    dropped="$(tr '\r' '\n' < "$out/ffplay-$i.log" | sed -n 's/.* fd= *\([0-9]*\) .*/\1/p' | tail -n 1)"
    peer_dropped=$((peer_dropped + ${dropped:-0}))
  done
  echo "scale: beside it $n ffplay -threads 1 of 480x270: dropped $peer_dropped of $((n * sent)) sent;" \
    "CPU per player $(calc "($f1 - $f0) * 100 / $span / $n")% of a core (X server $(calc "($fx1 - $fx0) * 100 / $span")% in all);" \
    "resident $(calc "$peer_resident / $n") MB per player"
done

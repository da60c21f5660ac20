#!/usr/bin/env bash
# Many cameras on one page in the real browser engine: one page of N plug-ins of 480x270 pixels,
# each playing its own copy of a 1080p 25 fps camera-like stream (grain at 6 Mbit/s) from its start
# to its end, in a viewer window the size of their grid (every view in sight). Prints, for each N,
# of the pictures drawn in the plug-ins' windows how many were painted into the page (the windows'
# first seconds, where the page starts and the first pictures arrive, apart from the rest; what a
# view out of the page's sight would lose apart from what the page dropped), the page viewer's CPU
# (and its X server's) and resident memory per view: what it holds beyond the same page without
# plug-ins, shared by the views. Asserts nothing.
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
  "${page_viewer[@]}" > "$out/viewer.log" 2>&1 &
  viewer=$!
  # Measured from 2 s in (the page loaded, every view playing) to 1 s after the streams' end.
  sleep 2
  cpu0="$(cpu_seconds "$viewer")"; x0="$(cpu_seconds "$x_pid")"
  sleep "$((seconds - 2))"
  resident="$(resident_mb "$viewer")"
  sleep 1
  cpu1="$(cpu_seconds "$viewer")"; x1="$(cpu_seconds "$x_pid")"
  wait "$viewer" || true
  stop_x
  [ -z "$logs" ] || { mkdir -p "$logs"; cp "$out/viewer.log" "$logs/viewer-$n.log"; }
  span=$((seconds - 1))
  bridge_counts "$out/viewer.log"
  echo "scale: $n view$([ "$n" = 1 ] || echo s) in ${width}x${height}: first $opening_seconds s $(painted_of_drawn "${first[@]}");" \
    "after $(painted_of_drawn "${after[@]}"); CPU per view $(calc "($cpu1 - $cpu0) * 100 / $span / $n")% of a core" \
    "(X server $(calc "($x1 - $x0) * 100 / $span")% in all); resident $resident MB," \
    "$(calc "($resident - $base) / $n") MB per view; $noise"
done

#!/usr/bin/env bash
# The loopback camera's test pattern has the shape of the example page's plug-in, so that the demo
# shows its picture unstretched: the stream's width over height, as a client reads it, is the
# plug-in element's.
#   loopback_camera_picture_shape.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
page="$1/examples/camera.html"
camera="$(cd "$2" && pwd)/bin/loopback_camera"
log="$(mktemp)"
trap 'kill $(jobs -p) 2> /dev/null || true; rm -f "$log"' EXIT

element="$(grep -o '<object id="player"[^>]*>' "$page")"
page_width="$(sed -n 's/.*width="\([0-9]*\)".*/\1/p' <<< "$element")"
page_height="$(sed -n 's/.*height="\([0-9]*\)".*/\1/p' <<< "$element")"
[ -n "$page_width" ] && [ -n "$page_height" ] || { echo "FAILED: no plug-in size in $page: $element" >&2; exit 1; }

"$camera" --port 0 --device-port 0 > "$log" 2>&1 &
for _ in $(seq 100); do grep -qs "^rtsp://" "$log" && break; sleep 0.1; done
url="$(grep -m 1 "^rtsp://" "$log")"
size="$(ffprobe -v error -rtsp_transport tcp -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$url")"
width="${size%%,*}"
height="${size##*,}"
echo "the page's plug-in: ${page_width}x${page_height}; the camera's picture: ${width}x${height}"
if [ $((width * page_height)) != $((height * page_width)) ]; then
  echo "FAILED: the picture is stretched: ${width}x${height} shown in ${page_width}x${page_height}" >&2
  exit 1
fi

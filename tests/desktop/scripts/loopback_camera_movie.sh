#!/usr/bin/env bash
# loopback_camera --file serves an MP4 file with H.264 and refuses at once, with a message and exit
# status 2, any file it cannot serve, rather than start and answer every client with an error.
#   loopback_camera_movie.sh BUILD_DIR
set -euo pipefail
camera="$(cd "$1" && pwd)/bin/loopback_camera"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAILED: $1" >&2; sed 's/^/  | /' err >&2; exit 1; }

echo "camera notes" > notes.txt
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=160x90:rate=25 -frames:v 10 -c:v mpeg4 mpeg4.mp4
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=160x90:rate=25 -frames:v 10 -c:v libx264 h264.mkv
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=160x90:rate=25 -frames:v 50 -c:v libx264 h264.mp4

# refused FILE MESSAGE: the camera ends at once with status 2 and says MESSAGE.
refused() {
  local status=0
  timeout 20 "$camera" --port 0 --device-port 0 --file "$1" > out 2> err || status=$?
  [ "$status" = 2 ] || fail "--file $1: exit status $status, not 2"
  grep -qF "loopback_camera: --file $1: $2" err || fail "--file $1: does not say \"$2\""
  [ ! -s out ] || fail "--file $1: printed $(cat out) as if it served"
  echo "--file $1: refused, as it should be"
}
refused missing.mp4 "cannot be read as a movie (No such file or directory)"
refused notes.txt "cannot be read as a movie (Invalid data found when processing input)"
refused h264.mkv "not an MP4 file (matroska,webm)"
refused mpeg4.mp4 "has no H.264 video track"

"$camera" --port 0 --device-port 0 --file h264.mp4 > out 2> err &
for _ in $(seq 100); do grep -qs "^rtsp://" out && break; sleep 0.1; done
url="$(grep -m 1 "^rtsp://" out)" || fail "--file h264.mp4: did not start"
size="$(ffprobe -v error -rtsp_transport tcp -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$url")"
[ "$size" = "160,90" ] || fail "--file h264.mp4: a client reads \"$size\" at $url, not the file's 160x90 picture"
echo "--file h264.mp4: served at $url"

# shellcheck shell=bash disable=SC2034  # what it sets, the benchmarks that source it use
# What the desktop benchmarks share (sourced with the benchmark's arguments). Takes the options
# every benchmark has, --build DIR (the build folder, default build) and --seconds S (how long the
# stream lasts, default 30), and leaves the others in $args. Works from the top of the tree; sets
# $bin (the build's programs) and $out (a scratch folder removed at exit, when every program started
# in the background is stopped too).
build=build
seconds=30
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
cd "$(dirname "${BASH_SOURCE[0]}")/../.." || exit 1
bin="$(cd "$build/bin" && pwd)"
out="$(mktemp -d)"
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$out"' EXIT

# A 1080p 25 fps stream like a camera's: a test pattern under moving grain at 6 Mbit/s, one key
# picture a second, no B pictures; $seconds long. Made once and kept in the build folder.
grain_file() {
  local file
  file="$(dirname "$bin")/desktop_benchmark/grain-${seconds}s.mp4"
  if [ ! -s "$file" ]; then
    mkdir -p "$(dirname "$file")"
    ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=1920x1080:rate=25 -frames:v $((seconds * 25)) \
      -vf noise=alls=12:allf=t -pix_fmt yuv420p -c:v libx264 -preset veryfast -profile:v main \
      -x264-params bframes=0:keyint=25:bitrate=6000:vbv-maxrate=6000:vbv-bufsize=6000 "$file.part.mp4"
    mv "$file.part.mp4" "$file"
  fi
  echo "$file"
}

# Starts the loopback camera serving the camera-like stream of $seconds; sets camera_url and sent
# (the pictures each client gets). Every client gets the stream from its start, paced in real time.
start_camera() {
  local grain
  grain="$(grain_file)"
  "$bin/loopback_camera" --port 0 --device-port 0 --file "$grain" > "$out/camera.log" 2>&1 &
  for _ in $(seq 100); do grep -qs "^rtsp://" "$out/camera.log" && break; sleep 0.1; done
  camera_url="$(grep -m 1 "^rtsp://" "$out/camera.log")"
  [ -n "$camera_url" ] || { echo "benchmark: the loopback camera did not start" >&2; exit 1; }
  sent=$((seconds * 25))
}

# The page viewer's command line on the benchmark page: page_command SIZE SECONDS QUERY sets the
# array page_viewer (QUERY: the page's views, width and height; the camera's url is added). The
# bridge tells its timings and counts in every benchmark.
export VELTRIN_PAINT_TIMING=1
page_command() {
  page_viewer=("$bin/page_viewer" --size "$1" --time "$2" "$PWD/tools/desktop_benchmark/playback.html?url=$camera_url&$3")
}

# The pictures the bridge counted in a page viewer's output LOG, those drawn in the plug-in
# windows' first seconds apart from the rest: sets opening_seconds, first and after, each an array
# of four counts: drawn in the windows, painted into the page, dropped while the page fell behind,
# lost while out of the page's sight ("?" where the bridge did not tell them).
bridge_counts() {
  local line
  line="$(grep -m 1 "^desktop bridge: first [0-9]* s: " "$1" || true)"
  opening_seconds="$(sed -n 's/^desktop bridge: first \([0-9]*\) s: .*/\1/p' <<< "$line")"
  opening_seconds="${opening_seconds:-?}"
  read -ra first <<< "$(period_counts "$1" first)"
  read -ra after <<< "$(period_counts "$1" after)"
}

# The four counts of one period (first or after) of the last report in a viewer's LOG.
period_counts() {
  local line
  line="$(grep "^desktop bridge: $2 [0-9]* s: " "$1" | tail -n 1 || true)"
  [ -n "$line" ] || { echo "? ? ? ?"; return; }
  sed 's/^[^:]*: [^:]*: \([0-9]*\) pictures drawn[^,]*, \([0-9]*\) painted[^,]*, \([0-9]*\) dropped, \([0-9]*\) out of sight$/\1 \2 \3 \4/' <<< "$line"
}

# What became of the pictures of one period, from its four counts: "painted P of D drawn (S%), X
# dropped, U out of sight".
painted_of_drawn() {
  local share
  share="$(awk -v p="$2" -v d="$1" 'BEGIN { if (d + 0 > 0 && p ~ /^[0-9]+$/) printf "%.1f", p * 100 / d; else print "?" }')"
  echo "painted $2 of $1 drawn ($share%), $3 dropped, $4 out of sight"
}

# Starts a virtual X server of its own, its screen WxH (default 1920x1200); sets x_pid and exports
# DISPLAY.
start_x() {
  local fifo="$out/display.$$.$RANDOM"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${1:-1920x1200}x24" -nolisten tcp 3> "$fifo" > /dev/null 2>&1 &
  x_pid=$!
  local number
  read -r number < "$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_x() {
  kill "$x_pid" 2> /dev/null || true
  wait "$x_pid" 2> /dev/null || true
}

# CPU seconds (user and system) a process has used so far.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$1/stat"
}

# CPU seconds of several processes together.
sum_cpu_seconds() {
  local pid total=0
  for pid in "$@"; do total="$(calc "$total + $(cpu_seconds "$pid")")"; done
  echo "$total"
}

# Resident memory of several processes together, in MB.
sum_resident_mb() {
  local pid total=0
  for pid in "$@"; do total="$(calc "$total + $(resident_mb "$pid")")"; done
  echo "$total"
}

# Resident memory of a process in MB.
resident_mb() {
  awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

# What else keeps the machine busy: how many of its cores were busy over the second before a
# measurement starts (nothing of the benchmark runs then).
machine_noise() {
  local a b
  read -ra a < /proc/stat
  sleep 1
  read -ra b < /proc/stat
  local busy=$(( (b[1] + b[2] + b[3] + b[6] + b[7]) - (a[1] + a[2] + a[3] + a[6] + a[7]) ))
  local all=$(( busy + (b[4] + b[5]) - (a[4] + a[5]) ))
  awk -v b="$busy" -v a="$all" -v n="$(nproc)" 'BEGIN { printf "%.1f of %d cores busy besides\n", b / a * n, n }'
}

# Arithmetic on decimal numbers: calc 'EXPRESSION'.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

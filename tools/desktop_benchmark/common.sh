# Helpers of the desktop benchmarks (sourced, with $build naming the build folder): the camera-like
# stream, the loopback camera, virtual X servers whose CPU is counted, and readings of a process's
# CPU time and resident memory. Sets $bin (the build's programs) and $out (a scratch folder removed
# at exit, when every program started in the background is stopped too).
bin="$(cd "$build/bin" && pwd)"
out="$(mktemp -d)"
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$out"' EXIT

# A 1080p 25 fps stream like a camera's: a test pattern under moving grain at 6 Mbit/s, one key
# picture a second, no B pictures; SECONDS long. Made once and kept in the build folder.
grain_file() {
  local seconds="$1" file
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

# Starts the loopback camera with the given options; sets camera_url. Every client gets the stream
# from its start, paced in real time.
start_camera() {
  "$bin/loopback_camera" --port 0 --device-port 0 "$@" > "$out/camera.log" 2>&1 &
  camera_pid=$!
  for _ in $(seq 100); do grep -q "^rtsp://" "$out/camera.log" && break; sleep 0.1; done
  camera_url="$(grep -m 1 "^rtsp://" "$out/camera.log")"
  [ -n "$camera_url" ] || { echo "benchmark: the loopback camera did not start" >&2; exit 1; }
}

# Starts a virtual X server of its own; sets x_pid and exports DISPLAY.
start_x() {
  local fifo="$out/display.$$.$RANDOM"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3> "$fifo" > /dev/null 2>&1 &
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

# Resident memory of a process in MB.
resident_mb() {
  awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

# What the machine did besides: the load average and the share of the 8 cores busy over a second.
machine_noise() {
  local a b
  a=($(head -n 1 /proc/stat))
  sleep 1
  b=($(head -n 1 /proc/stat))
  local busy=$(( (b[1] + b[2] + b[3] + b[6] + b[7]) - (a[1] + a[2] + a[3] + a[6] + a[7]) ))
  local all=$(( busy + (b[4] + b[5]) - (a[4] + a[5]) ))
  echo "load average $(cut -d ' ' -f 1-3 /proc/loadavg), cores busy $(awk -v b="$busy" -v a="$all" -v n="$(nproc)" 'BEGIN { printf "%.1f of %d", b / a * n, n }')"
}

# Arithmetic on decimal numbers: calc 'EXPRESSION'.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need, and lays out the
# stand-in drive with its fonts folder. Idempotent: quick when everything is already present.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake pkg-config ninja-build
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # video: decoding, picture conversion, RTSP intake, MP4 muxing; command-line tools to make and
  # check test streams
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg
  # snapshots, text, bitmaps, screenshots
  libjpeg62-turbo-dev libfreetype-dev zlib1g-dev libpng-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-calib3d-dev libopencv-imgcodecs-dev
  # JSON, UTF conversions, Boost
  libjsoncpp-dev libutfcpp-dev libboost-dev libboost-thread-dev libboost-system-dev libboost-date-time-dev
  # the loopback test camera (RTSP server) and the stand-in browser's script engine
  libgstrtspserver-1.0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools
  duktape-dev
  # the fuzz targets: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # the font behind "simhei.ttf"
  fonts-wqy-microhei
  # the real browser on the desktop: QtWebKit for the page viewer, Xlib and its shared-memory
  # images for the desktop bridge, a virtual X server and xdotool for headless runs and tests
  libqt5webkit5-dev qtbase5-dev libx11-dev libxext-dev xvfb xauth xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The stand-in drive root with drives C: and D: (the log goes to d:\) and the Windows fonts folder,
# where simhei.ttf is WenQuanYi Micro Hei.
drive_root="${VELTRIN_DRIVE_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/veltrin/drives}"
fonts="$drive_root/c/Windows/Fonts"
mkdir -p "$fonts" "$drive_root/d"
wqy=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
if [ -f "$wqy" ] && [ "$(readlink "$fonts/simhei.ttf" 2>/dev/null)" != "$wqy" ]; then
  ln -sfn "$wqy" "$fonts/simhei.ttf"
fi
echo "setup: ready"

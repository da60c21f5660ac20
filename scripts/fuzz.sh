#!/usr/bin/env bash
# Runs one fuzz target for longer than CI does, from its seed corpus and what earlier runs found.
# Several runs of different targets may go at once.
#   scripts/fuzz.sh                      lists the targets
#   scripts/fuzz.sh <target> [seconds]   runs it (default 600 s); further arguments go to libFuzzer,
#                                        e.g. -jobs=2 -workers=2 to run two processes
# Inputs it finds go to build-fuzz/corpus/<target>/, a crashing input to
# build-fuzz/artifacts/<target>-crash-*; replay one with build-fuzz/bin/<target>_fuzz <file>.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
  echo "usage: scripts/fuzz.sh <target> [seconds] [libFuzzer options...]; targets:"
  for t in fuzz/*_fuzz.cpp; do basename "$t" _fuzz.cpp; done
  exit 2
fi

target="$1"
seconds="${2:-600}"
shift $(( $# < 2 ? $# : 2 ))
[ -f "fuzz/${target}_fuzz.cpp" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
binary="build-fuzz/bin/${target}_fuzz"

# Runs of several targets may start at once and share build-fuzz/: CMake and ninja keep one state
# per build folder, so one run at a time configures and builds (only its own target) and reads
# the test list; the fuzzing itself runs alongside the others.
mkdir -p build-fuzz
exec 9> build-fuzz/.fuzz.sh.lock
flock 9
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null
cmake --build build-fuzz -j "${VELTRIN_JOBS:-$(nproc)}" --target "${target}_fuzz" > /dev/null
max_len=$(ctest --test-dir build-fuzz -R "^Fuzz\.${target}\$" --show-only=json-v1 |
  grep -o '"-max_len=[0-9]*"' | grep -o '[0-9]*' || true)
exec 9>&-

found="build-fuzz/corpus/$target"
mkdir -p "$found" build-fuzz/artifacts
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# AddressSanitizer keeps the stack of every allocation; stacks unwound through uninstrumented
# libraries (the JSON reader) are all different, and over millions of inputs they alone outgrow the
# memory limit. Two frames keep a long run's memory flat; replay a crash for the full stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=2}"
exec "$binary" -max_total_time="$seconds" -max_len="${max_len:-4096}" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/${target}-" "$@" "$found" "fuzz/corpus/$target"

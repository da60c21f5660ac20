#!/usr/bin/env bash
# Installs what the build needs, configures, builds and runs the tests.
#   scripts/test.sh             the whole suite, in build/ (configured as scripts/demo.sh does)
#   scripts/test.sh --sanitize  the whole suite under AddressSanitizer and UBSan, in build-asan/
#   scripts/test.sh --tsan      the threaded suites (scripting, host, platform, app) under
#                               ThreadSanitizer, in build-tsan/
#   scripts/test.sh --fuzz      every fuzz target for a bounded number of runs under ASan and UBSan,
#                               built with clang in build-fuzz/
# Warnings in our own code are errors in every one of these builds. Exits non-zero on any failure;
# prints CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-}"
source_dir=.
build_dir=build
# shellcheck source=scripts/build_options.sh
source scripts/build_options.sh
cmake_args=("${build_options[@]}")
ctest_args=()
ctest_jobs_divisor=1
case "$mode" in
  "") ;;
  --sanitize)
    build_dir=build-asan
    cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELTRIN_WERROR=ON -DVELTRIN_SANITIZE=ON -DVELTRIN_BENCH=OFF)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
    export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ;;
  --tsan)
    build_dir=build-tsan
    cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRIN_WERROR=ON -DVELTRIN_TSAN=ON -DVELTRIN_BENCH=OFF)
    # The C library calls of the uninstrumented libraries (GStreamer, GLib) are not checked.
    export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp:ignore_noninstrumented_modules=1:second_deadlock_stack=1"
    # GLib's slice allocator recycles memory between threads (the test camera's buffers, then the
    # RTSP source's) through synchronisation ThreadSanitizer cannot see; plain malloc it can.
    export G_SLICE=always-malloc
    ctest_args=(-L "scripting|host|platform|app")
    # Instrumented threads run several times slower: half as many tests at once keep the camera's
    # real-time stream and the views' 2 s open within what they are given.
    ctest_jobs_divisor=2
    ;;
  --fuzz)
    source_dir=fuzz
    build_dir=build-fuzz
    cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    ;;
  *)
    echo "usage: scripts/test.sh [--sanitize | --tsan | --fuzz]" >&2
    exit 2
    ;;
esac

bash scripts/setup.sh
jobs="${VELTRIN_JOBS:-$(nproc)}"
cmake -S "$source_dir" -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j "$jobs"
cd "$build_dir"
ctest_jobs=$(( jobs / ctest_jobs_divisor > 0 ? jobs / ctest_jobs_divisor : 1 ))
ctest --output-on-failure -j "$ctest_jobs" --timeout 300 "${ctest_args[@]}"

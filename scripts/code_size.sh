#!/usr/bin/env bash
# Prints the size of the product code, the test cases and the test support in non-blank,
# non-comment lines of C and C++ per subsystem, and the ratios of tests to product code.
#   product code  the subsystems' folders and tools/ (bench/ and fuzz/ are not counted)
#   test cases    files named *_test.cpp under tests/ (the tests of the test support included)
#   test support  everything else under tests/: stand-in browsers and container, the loopback
#                 camera, fixtures and helpers
# A line counts unless it is blank, holds only a // comment, or lies inside a /* */ comment.
set -euo pipefail
cd "$(dirname "$0")/.."

subsystems=(platform scripting host app npapi activex tools)

# Tracked files when run in a checkout, every file otherwise.
list_sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- "$@"
    else
        find "$@" -type f 2>/dev/null
    fi | grep -E '\.(c|cc|cpp|h|hpp)$' || true
}

count_lines() {
    local files
    files=$(cat)
    [ -n "$files" ] || { echo 0; return; }
    # shellcheck disable=SC2086
    echo "$files" | tr '\n' '\0' | xargs -0 awk '
        FNR == 1 { inBlock = 0 }
        {
            line = $0
            if (inBlock) {
                if (index(line, "*/") == 0) next
                line = substr(line, index(line, "*/") + 2)
                inBlock = 0
            }
            sub(/^[ \t]+/, "", line)
            if (line == "" || line ~ /^\/\//) next
            if (line ~ /^\/\*/) {
                rest = substr(line, 3)
                if (index(rest, "*/") == 0) { inBlock = 1; next }
                rest = substr(rest, index(rest, "*/") + 2)
                sub(/^[ \t]+/, "", rest)
                if (rest == "" || rest ~ /^\/\//) next
            }
            n++
        }
        END { print n + 0 }'
}

# Test files of a subsystem: the folder under tests/ that mirrors it (desktop tests the tools).
test_folder() { if [ "$1" = tools ]; then echo tests/desktop; else echo "tests/$1"; fi; }
is_case() { grep -E '_test\.cpp$' || true; }
is_support() { grep -v -E '_test\.cpp$' || true; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "-"; else printf "%.2f", a / b }'; }

printf '%-10s %8s %8s %8s %7s %7s\n' subsystem product cases support cases/p tests/p
total_product=0 total_cases=0 total_support=0
for subsystem in "${subsystems[@]}"; do
    product=$(list_sources "$subsystem" | count_lines)
    cases=$(list_sources "$(test_folder "$subsystem")" | is_case | count_lines)
    support=$(list_sources "$(test_folder "$subsystem")" | is_support | count_lines)
    total_product=$((total_product + product))
    total_cases=$((total_cases + cases))
    total_support=$((total_support + support))
    printf '%-10s %8d %8d %8d %7s %7s\n' "$subsystem" "$product" "$cases" "$support" \
        "$(ratio "$cases" "$product")" "$(ratio $((cases + support)) "$product")"
done
# What no subsystem's folder holds: the shared support (tests/support/) and its own tests.
others=$(list_sources tests | grep -v -E "^tests/($(IFS='|'; echo "${subsystems[*]}")|desktop)/")
other_cases=$(echo "$others" | is_case | count_lines)
other_support=$(echo "$others" | is_support | count_lines)
total_cases=$((total_cases + other_cases))
total_support=$((total_support + other_support))
printf '%-10s %8s %8d %8d\n' shared - "$other_cases" "$other_support"
printf '%-10s %8d %8d %8d %7s %7s\n' all "$total_product" "$total_cases" "$total_support" \
    "$(ratio "$total_cases" "$total_product")" "$(ratio $((total_cases + total_support)) "$total_product")"

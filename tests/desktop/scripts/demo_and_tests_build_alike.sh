#!/usr/bin/env bash
# The README's two commands share one build: scripts/demo.sh configures build/ exactly as
# scripts/test.sh does, so the tests after the demo recompile nothing the demo compiled.
#   demo_and_tests_build_alike.sh SOURCE_DIR
set -euo pipefail
# shellcheck source=tests/desktop/scripts/sandbox.sh
source "$(dirname "$0")/sandbox.sh" "$1"
cd "$sandbox"
touch build-fails  # each script stops after configuring and asking for its build

configure_line() {  # the configure command line each script ran (cmake -S ...)
  grep -e '^-S' cmake.log || true
}
if scripts/demo.sh > demo.out 2>&1; then fail "the demo went on after its build failed" demo.out; fi
demo="$(configure_line)"
rm -f cmake.log
if scripts/test.sh > test.out 2>&1; then fail "the tests went on after their build failed" test.out; fi
tests="$(configure_line)"

[ -n "$demo" ] || fail "the demo did not configure build/" demo.out
[ "$demo" = "$tests" ] || fail "the demo configures build/ as: $demo
        the tests configure it as: $tests"
echo "both configure build/ as: $demo"

#!/usr/bin/env bash
# Configuring the build, as scripts/test.sh and scripts/demo.sh do, finds every package it looks for
# without a word of one it did not find: a newcomer reads nothing puzzling.
#   configure_finds_everything.sh SOURCE_DIR
set -euo pipefail
build="$(mktemp -d)"
trap 'rm -rf "$build"' EXIT
# shellcheck source=scripts/build_options.sh
source "$1/scripts/build_options.sh"
status=0
cmake -S "$1" -B "$build" "${build_options[@]}" > "$build/configure.log" 2>&1 || status=$?
if [ "$status" != 0 ] || grep -qi "not found\|could not find" "$build/configure.log"; then
  echo "FAILED: configuring said:" >&2
  grep -i "not found\|could not find\|error" "$build/configure.log" | sed 's/^/  | /' >&2
  exit 1
fi
echo "configured without a package missing"

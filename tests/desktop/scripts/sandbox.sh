# shellcheck shell=bash
# What the script tests share: a copy of the tree's scripts in a folder of their own, run as a
# person runs them, with what would install packages or compile stood in for. The copy's
# scripts/setup.sh does nothing; the `cmake` first on PATH writes each of its command lines to
# $sandbox/cmake.log and does nothing else, and `cmake --build` fails while $sandbox/build-fails
# exists. Sourced with the source tree's folder; sets $source_dir and $sandbox (removed at exit).
source_dir="$(cd "$1" && pwd)"
sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/scripts" "$sandbox/stub"
cp "$source_dir"/scripts/*.sh "$sandbox/scripts/"
printf '#!/bin/sh\necho "setup: ready"\n' > "$sandbox/scripts/setup.sh"
cat > "$sandbox/stub/cmake" << EOF
#!/bin/sh
echo "\$*" >> "$sandbox/cmake.log"
if [ "\$1" = --build ] && [ -e "$sandbox/build-fails" ]; then exit 1; fi
exit 0
EOF
chmod +x "$sandbox/stub/cmake"
export PATH="$sandbox/stub:$PATH"

# fail MESSAGE [FILE]: says what went wrong, with the file's text when given, and ends the test.
fail() {
  echo "FAILED: $1" >&2
  if [ -n "${2:-}" ]; then sed 's/^/  | /' "$2" >&2; fi
  exit 1
}

#!/bin/sh
# Link launcher: runs the link command that follows the archive, with the whole archive added as
# the last input, so that its constructor runs after every other static initialiser of the module.
archive=$1
shift
exec "$@" -Wl,--whole-archive "$archive" -Wl,--no-whole-archive

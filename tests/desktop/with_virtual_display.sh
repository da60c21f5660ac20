#!/bin/sh
# Runs a test program on a virtual X server of its own (xvfb-run), so that the page viewer it starts
# and the input it injects with xdotool share one display. Tests run side by side: each starts
# looking for a free server number at one of its own.
#
# Under AddressSanitizer the leak check at exit is off for these programs: in the page viewer it
# stops the world while the browser engine's and GLib's idle workers are still ending, and its
# tracer now and then crashes on one of them ("Tracer caught signal 11"), failing a run that leaked
# nothing. Nothing of the plug-in runs in the test program itself, and the plug-in's own leaks are
# checked where its stacks are ours alone: in the stand-in browser's and container's tests.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS
exec xvfb-run -a -n $((100 + $$ % 4000)) -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"

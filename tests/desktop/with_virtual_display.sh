#!/bin/sh
# Runs a test program on a virtual X server of its own (xvfb-run), so that the page viewer it starts
# and the input it injects with xdotool share one display. Tests run side by side: each starts
# looking for a free server number at one of its own.
exec xvfb-run -a -n $((100 + $$ % 4000)) -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"

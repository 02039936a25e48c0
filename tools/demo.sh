#!/bin/sh
# `make demo`: the application against the simulated radio; the command-line tool where there is no display.
BUILD=${1:-build}
BIN="$BUILD/bin"
set -e

has_display() {
    [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]
}

if [ -x "$BIN/vantrel" ] && has_display; then
    echo "Starting Vantrel on the simulated radio (Read Radio, tune, Program All, Save, Print all work)."
    echo "The simulated radio prints what the program does to it (live and programmed values, test mode, key)."
    exec "$BIN/vantrel" --simulate --trace
fi

if [ -x "$BIN/vantrel" ]; then
    echo "No display found (DISPLAY is not set): showing the command-line demonstration instead."
fi

if [ -x "$BIN/vantrel-cli" ] && [ -x "$BIN/vantrel-sim" ]; then
    exec sh tools/cli-demo.sh "$BUILD"
fi

echo "The application and the command-line tool are not built yet."
echo "Demonstration of the radio link: one real exchange over a pseudo-terminal."
"$BIN/link_tests" --gtest_filter='PtyIntegration.*'

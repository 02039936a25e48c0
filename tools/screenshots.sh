#!/bin/sh
# Renders the main window in each state and every dialog to PNG files: tools/screenshots.sh OUTDIR [BUILD]
set -eu
out=${1:?usage: tools/screenshots.sh OUTDIR [BUILD]}
build=${2:-build}
exe="$build/bin/vantrel"
if [ ! -x "$exe" ]; then
    echo "screenshots: $exe not found; build first (make build)" >&2
    exit 1
fi
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$exe" --screenshots "$out"
echo "screenshots written to $out:"
ls "$out"

#!/bin/sh
# Measured cost of the service history: recording on Read Radio and Program All, and one radio's history
# among 10,000 events on SQLite and on a throwaway PostgreSQL cluster. Writes the figures into
# docs/history.md between its "figures" markers (the other figures of make bench stay in
# docs/performance.md).
# Usage: sh tools/bench-history.sh [BUILD_DIR]   (configured with -DVANTREL_BENCH=ON and built)
set -e
BUILD=${1:-build}
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BIN="$(cd "$BUILD/bin" && pwd)"
REPEAT=${VANTREL_BENCH_REPEAT:-3}
DOC=${VANTREL_HISTORY_BENCH_DOC:-$ROOT/docs/history.md}
if [ ! -x "$BIN/vantrel-bench-history" ]; then
    echo "error: $BIN/vantrel-bench-history is missing: configure with -DVANTREL_BENCH=ON and build first" >&2
    exit 1
fi
WORK=$(mktemp -d /tmp/vantrel-bench-history-XXXXXX)
trap 'rm -rf "$WORK"' EXIT INT TERM
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Service history: recording cost and queries, $REPEAT runs (about 3 minutes)..." >&2
# The PostgreSQL figures need a server: the same throwaway cluster as the tests (skipped loudly when the
# server programs are missing; the SQLite figures are measured all the same).
if ! sh "$ROOT/tests/history/with-postgres.sh" "$BIN/vantrel-bench-history" --repeat "$REPEAT" >"$WORK/figures.md"; then
    "$BIN/vantrel-bench-history" --repeat "$REPEAT" >"$WORK/figures.md"
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
{
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on ${cpu:-$(uname -m)}, $(nproc) cores, load average"
    echo "$load_before before and $load_after after (\`make bench\`, \`tools/bench-history.sh\`)."
    echo
    cat "$WORK/figures.md"
} >"$WORK/section.md"
cat "$WORK/section.md"
if grep -q '<!-- figures -->' "$DOC" && grep -q '<!-- /figures -->' "$DOC"; then
    awk -v section="$WORK/section.md" '
        /<!-- figures -->/ { print; while ((getline line < section) > 0) print line; skip = 1; next }
        /<!-- \/figures -->/ { skip = 0 }
        !skip { print }' "$DOC" >"$WORK/doc.md"
    cp "$WORK/doc.md" "$DOC"
    echo "Wrote the figures into $DOC" >&2
fi

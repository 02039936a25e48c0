#!/bin/sh
# `make demo-align`: the simulated radio with its power meter, and tools/align-power.py aligning the
# transmit high power of every point to the profile's rating.
# Usage: sh tools/demo-align.sh [BUILD_DIR]   Environment: VANTREL_DEMO_PROFILE (default portable),
# VANTREL_DEMO_TARGET (watts; default the profile's rating).
BUILD=${1:-build}
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BIN="$(cd "$BUILD/bin" && pwd)"
PROFILE=${VANTREL_DEMO_PROFILE:-portable}
WORK=$(mktemp -d /tmp/vantrel-align-XXXXXX)
LINK="$WORK/com1"

if ! command -v python3 > /dev/null; then
    echo "python3 is needed for tools/align-power.py" >&2
    exit 1
fi

if ! "$BIN/vantrel-cli" session --help > /dev/null 2>&1; then
    echo "$BIN/vantrel-cli has no tuning session (vantrel-cli session): build a tree that has it" >&2
    exit 1
fi

"$BIN/vantrel-sim" --profile "$PROFILE" --link "$LINK" --meter 0 > "$WORK/sim.log" 2>&1 &
SIM=$!
trap 'kill $SIM 2>/dev/null; wait $SIM 2>/dev/null; rm -rf "$WORK"' EXIT INT TERM
i=0
while ! grep -q '^VANTREL_METER=' "$WORK/sim.log" && kill -0 $SIM 2>/dev/null && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
METER=$(sed -n 's/^VANTREL_METER=//p' "$WORK/sim.log")
if [ -z "$METER" ] || [ ! -e "$LINK" ]; then
    echo "The simulated radio and its meter did not start:" >&2
    cat "$WORK/sim.log" >&2
    exit 1
fi

echo "== Simulated radio '$PROFILE' on $LINK, power meter (SCPI) on $METER"
set -- --cli "$BIN/vantrel-cli" --device "$LINK" --meter "$METER" --profile "$PROFILE"
[ -n "$VANTREL_DEMO_TARGET" ] && set -- "$@" --target "$VANTREL_DEMO_TARGET"
echo "== tools/align-power.py $*"
python3 "$ROOT/tools/align-power.py" "$@"

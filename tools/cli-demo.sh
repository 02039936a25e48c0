#!/bin/sh
# Command-line demonstration: read the simulated radio, save the archive, print the report, program it back.
BUILD=${1:-build}
BIN="$(cd "$BUILD/bin" && pwd)"
PROFILE=${VANTREL_DEMO_PROFILE:-portable}
WORK=$(mktemp -d /tmp/vantrel-demo-XXXXXX)
LINK="$WORK/com1"

"$BIN/vantrel-sim" --profile "$PROFILE" --link "$LINK" > "$WORK/sim.log" 2>&1 &
SIM=$!
trap 'kill $SIM 2>/dev/null; wait $SIM 2>/dev/null; rm -rf "$WORK"' EXIT INT TERM
i=0
while [ ! -e "$LINK" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -e "$LINK" ]; then
    echo "The simulated radio did not start:" >&2
    cat "$WORK/sim.log" >&2
    exit 1
fi
export VANTREL_COM1="$LINK"
cd "$WORK"

echo "== Simulated radio '$PROFILE' on $LINK"
echo "== vantrel-cli --port 1 read -o radio.sfp"
"$BIN/vantrel-cli" --port 1 read -o radio.sfp || exit $?
echo
echo "== vantrel-cli report radio.sfp -o display.txt"
"$BIN/vantrel-cli" report radio.sfp -o display.txt && cat display.txt
echo
echo "== vantrel-cli --port 1 program radio.sfp --yes"
"$BIN/vantrel-cli" --port 1 program radio.sfp --yes

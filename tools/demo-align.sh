#!/bin/sh
# `make demo-align`: the simulated portable and a simulated mobile with their bench instruments, each
# aligned from its mis-tuned profile by `vantrel-cli align`.
# Usage: sh tools/demo-align.sh [BUILD_DIR]   Environment: VANTREL_DEMO_PROFILES (default "portable mobile").
BUILD=${1:-build}
BIN="$(cd "$BUILD/bin" && pwd)"
PROFILES=${VANTREL_DEMO_PROFILES:-portable mobile}
WORK=$(mktemp -d /tmp/vantrel-align-XXXXXX)
SIM=
trap '[ -n "$SIM" ] && kill $SIM 2>/dev/null; wait 2>/dev/null; rm -rf "$WORK"' EXIT INT TERM
status=0
for PROFILE in $PROFILES; do
    LINK="$WORK/com-$PROFILE"
    "$BIN/vantrel-sim" --profile "$PROFILE" --link "$LINK" --bench 0 > "$WORK/sim.log" 2>&1 &
    SIM=$!
    i=0
    while ! grep -q '^VANTREL_BENCH_POWER_SUPPLY=' "$WORK/sim.log" && kill -0 $SIM 2>/dev/null && [ $i -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    if ! grep -q '^VANTREL_BENCH_POWER_SUPPLY=' "$WORK/sim.log" || [ ! -e "$LINK" ]; then
        echo "The simulated radio and its bench did not start:" >&2
        cat "$WORK/sim.log" >&2
        exit 1
    fi
    echo "== Simulated radio '$PROFILE' on $LINK with its bench instruments"
    # The bench as the simulator announces it, in the variables `bench --check` and `align` read.
    env $(grep '^VANTREL_BENCH_' "$WORK/sim.log") HOME="$WORK/home" \
        "$BIN/vantrel-cli" align --device "$LINK" --archive-dir "$WORK" || status=$?
    kill $SIM 2>/dev/null
    wait $SIM 2>/dev/null
    SIM=
done
exit $status

#!/bin/sh
# Measured speed: runs the benchmarks of a build, prints the figures and writes docs/performance.md.
# Usage: sh tools/bench.sh [BUILD_DIR]   (the build must be configured with -DVANTREL_BENCH=ON)
# Environment: VANTREL_BENCH_REPEAT (runs per operation, default 3), VANTREL_BENCH_DOC (output file).
set -e
BUILD=${1:-build}
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BIN="$(cd "$BUILD/bin" && pwd)"
REPEAT=${VANTREL_BENCH_REPEAT:-3}
DOC=${VANTREL_BENCH_DOC:-$ROOT/docs/performance.md}

for exe in vantrel-bench-link vantrel-bench-micro vantrel-cli; do
    if [ ! -x "$BIN/$exe" ]; then
        echo "error: $BIN/$exe is missing: configure with -DVANTREL_BENCH=ON and build first" >&2
        exit 1
    fi
done

WORK=$(mktemp -d /tmp/vantrel-bench-XXXXXX)
trap 'rm -rf "$WORK"' EXIT INT TERM

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
[ -n "$cpu" ] || cpu=$(uname -m)
cores=$(nproc 2>/dev/null || echo "?")
kernel="$(uname -sr)"
os=$(sed -n 's/^PRETTY_NAME="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/os-release 2>/dev/null | head -n 1)
when=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null)
compiler_version=$("${compiler:-c++}" --version 2>/dev/null | head -n 1)

echo "Micro-benchmarks (Google Benchmark, median of 3 repetitions)..." >&2
"$BIN/vantrel-bench-micro" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 --benchmark_format=csv > "$WORK/micro.csv" 2> "$WORK/micro.err"
awk -F, '
    BEGIN {
        print "| Benchmark | Wall time | CPU time | Profile | Throughput |"
        print "|---|---|---|---|---|"
    }
    $1 ~ /_median"$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/real_time$/, "", name)
        label = $8; gsub(/"/, "", label)
        rate = ($6 != "") ? sprintf("%.1f MB/s", $6 / 1e6) : ""
        printf "| %s | %s | %s | %s | %s |\n", name, human($3, $5), human($4, $5), label, rate
    }
    function human(v, unit,   ns) {
        ns = v * (unit == "us" ? 1e3 : unit == "ms" ? 1e6 : unit == "s" ? 1e9 : 1)
        if (ns >= 1e6) return sprintf("%.2f ms", ns / 1e6)
        if (ns >= 1e3) return sprintf("%.2f us", ns / 1e3)
        return sprintf("%.1f ns", ns)
    }' "$WORK/micro.csv" > "$WORK/micro.md"
if grep -q "DEBUG" "$WORK/micro.err"; then
    debug_note="The benchmark library reports that it was itself built without optimisation (a property of the
Debian package); that affects only its own bookkeeping around each iteration, not the code measured."
else
    debug_note=""
fi

echo "Link: Read Radio and Program All over a pseudo-terminal, $REPEAT runs each (about 4 minutes)..." >&2
"$BIN/vantrel-bench-link" --repeat "$REPEAT" --cli-repeat "$REPEAT" --bin "$BIN" > "$WORK/link.md"
if [ -x "$BIN/vantrel-bench-align" ]; then
    echo "Closed-loop alignment: seven power points, then the whole radio, $REPEAT runs each (about 9 minutes)..." >&2
    "$BIN/vantrel-bench-align" --repeat "$REPEAT" --bin "$BIN" --script "$ROOT/tools/align-power.py" \
        > "$WORK/align.md"
else
    echo "### Closed-loop power alignment" > "$WORK/align.md"
    echo >> "$WORK/align.md"
    echo "Skipped: vantrel-bench-align is not built (it needs the tuning session of vantrel-cli)." >> "$WORK/align.md"
    echo >> "$WORK/align.md"
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

{
    cat "$WORK/link.md"
    cat "$WORK/align.md"
    echo "### Micro-benchmarks"
    echo
    cat "$WORK/micro.md"
    echo
} > "$WORK/results.md"

cat "$WORK/results.md"

mkdir -p "$(dirname "$DOC")"
{
    cat <<EOF
# Performance

Measured by \`make bench\`. Every figure below comes from one run of \`tools/bench.sh\`; the ratios are
taken within a single run (wall time and floor, processor time and wall time of the same operation), so
they hold on a busy machine better than absolute times do.

## Machine

| | |
|---|---|
| Date | $when |
| CPU | $cpu |
| Cores | $cores |
| Kernel | $kernel |
| System | ${os:-unknown} |
| Compiler | ${compiler_version:-unknown} |
| Build type | ${build_type:-unknown} |
| Load average (1, 5, 15 min) | $load_before before, $load_after after |

## How to reproduce

\`\`\`sh
make bench                       # installs libbenchmark-dev, builds build/ with -DVANTREL_BENCH=ON, runs this
sh tools/bench.sh BUILD_DIR      # the same on an existing build configured with -DVANTREL_BENCH=ON
VANTREL_BENCH_REPEAT=5 sh tools/bench.sh build   # more runs per operation
build/bin/vantrel-bench-link --help              # the link measurement alone (profiles, repetitions)
build/bin/vantrel-bench-micro --benchmark_filter=Archive   # some micro-benchmarks
\`\`\`

## What is measured

- **Read Radio and Program All** run in the benchmark process against the simulated radio served on a
  real pseudo-terminal (the simulator's own server thread, with its answer timing: echo 1 ms per byte,
  acknowledge 2 ms after the echo, data reply 1 ms later at 1 ms per byte). The port is opened through
  COM.INI exactly as the application does, once per step of the operation. Program All includes the
  serial number check that precedes it.
- **Floor**: the protocol's own minimum, the sum over the requests actually sent (counted from the
  simulated radio's transcript) of their pause (175 ms after \`write\`, 110 ms after \`writeNoEcho\`)
  plus their frame bytes at 10/9600 s. Which primitive sent each request is observed, not assumed: the
  benchmark installs a clock that records every pause the port takes and pairs the n-th pause with the
  n-th request of the transcript. Target: wall time at most 1.02 times the floor.
- **Honest floor**: what the simulated radio itself allows, the sum over the requests of their pause or
  the radio's answer to them (from the request's arrival to the last byte the radio sent for it, echo
  included, taken from its transcript), whichever is longer. The radio answers while the program
  pauses, so its answer adds only what outlasts the pause; the frame bytes cost nothing on a
  pseudo-terminal. Wall time less the honest floor, per request, is what the program itself spends on a
  request (its waits, processing and port openings). Target: at most 1 ms a request; processor time
  (user + system of the thread that runs the operation) at most 2 % of the wall time.
- **Event-loop stalls**: the application paints and runs its timers from the link's idle hook, which
  every wait of the link calls about every 5 ms (the pauses after each frame, the waits for the
  radio's bytes), waking earlier when recent wake-ups came late. The benchmark installs a hook that
  notes when it runs; the longest time without it during an operation is how long the window would
  have frozen. Targets: at most 16 ms in the median run (one frame at 60 Hz), at most 30 ms in the
  largest; the machine's load average is printed beside them.
- **vantrel-cli** runs as a child process against the same kind of simulated radio: its processor time
  and peak resident memory come from the kernel's accounting of the child.
- **Start-up**: \`vantrel\` offscreen, from the start of the process to the first flush of its main
  window to the screen, seen in Qt's widget painting log (\`QT_LOGGING_RULES=qt.widgets.painting=true\`).
- **Closed-loop power alignment**: \`tools/align-power.py\` aligning the transmit high power of the
  seven points of the simulated portable to its rating, reading the simulator's power meter over SCPI
  on a loopback TCP port, first as the session engine in the benchmark's process (the script's steps in
  C++, exact pauses), then as the real script driving \`vantrel-cli session\`; the floor is that of
  the requests the radio received. Targets: wall time at most 1.03 times the floor for the engine, at
  most 1.05 for the script.
- **Whole-radio alignment**: every automatic procedure of the simulated portable's plan (reference
  oscillator, power, PA bias, deviation, receive, battery) through the alignment core in the benchmark's process,
  the five simulated instruments read over SCPI on loopback TCP, from the profile's values to within
  tolerance, each procedure programmed; the floor and honest floor are those of the requests the radio
  received. Target: wall time at most 1.10 times the floor. The live values sent per point (median and
  largest) say how quickly the closed loops converge.
- **Micro-benchmarks** (Google Benchmark) of frame building, reply parsing, one whole exchange in
  virtual time, archive encoding, writing and reading, and report building and writing, on records read
  from the simulated portable and mobile radios. The file-writing benchmarks include the flush to disk
  of the atomic replace, so their wall time follows the disk; their processor time is the figure to
  watch for regressions.

## Results

EOF
    cat "$WORK/results.md"
    if [ -n "$debug_note" ]; then
        echo "$debug_note"
        echo
    fi
    cat <<'EOF'
## Reading the breakdown

- The radio answers while the program pauses after the frame: by the end of the pause the echo, the
  acknowledge and the data reply are in, and every wait of the exchange finds its bytes already there.
  A wait ends as soon as what it waits for is complete (a reply whose header gives its length, with
  its last byte); the silence limits, counted in character periods, only matter while a frame is still
  incomplete. So a request costs its pause and a fraction of a millisecond.
- A pseudo-terminal passes the request bytes at once, while the floor counts them at line speed; on a
  real line they leave the driver during the pause, so the wall time stays the same there. That is why
  wall / floor can be below 1; wall / honest floor is the figure to compare with the physical limit.
- **Pause oversleep**: how much later than asked the pauses ended: the machine's wake-up latency.
- **Other sleeps**: the link sleeps apart from the pauses only after an exchange that failed or was
  refused, for the rest of the first window of 10 character times (the baseband offset probe of a radio
  without offsets, for instance).
- **Rest**: waits for bytes, processing, the progress, and opening and closing the port between the
  steps of Program All. Every step keeps its own connection: the port is free between steps, as the
  connection rules require, and each connection costs well under a millisecond.
- **Reset**: the reset that ends Read Radio and Program All is done when the radio has acknowledged it;
  the radio sends no data reply to a reset, and none is waited for.
- **Stalls**: the column "Where the largest ended" says in which request the longest stall ended, and
  whether inside its pause (a wake-up of the sleeping thread came late) or after it (waits for bytes,
  processing, a connection). Inside a pause the link asks to be woken every 5 ms or sooner; how late the
  wake-up comes is the scheduler's, and grows with the number of processes competing for the cores:
  compare the stall with the load average beside it and the machine's core count.
EOF
} > "$DOC"
echo "Wrote $DOC" >&2

#!/usr/bin/env python3
"""tools/align-power.py against vantrel-sim with its meter: every point of the simulated portable aligned
to within one softpot step of the target and programmed, and the radio left dekeyed and reset, also
when the alignment fails. Exit 77 (skipped) when vantrel-cli has no session command."""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading

START_LIMIT_S = 20
RUN_LIMIT_S = 600


def model(profile):
    """The profile's output power at (softpot value, point 0..6), an oracle independent of the simulator."""
    power = profile["power"]
    gain = power["gain"] if isinstance(power["gain"], list) else [power["gain"]] * 7
    curve = power["curve"]

    def fraction(v):
        if v <= curve[0][0]:
            return curve[0][1]
        for (v0, f0), (v1, f1) in zip(curve, curve[1:]):
            if v <= v1:
                return f0 + (f1 - f0) * (v - v0) / (v1 - v0)
        return curve[-1][1]

    return lambda v, point: power["rated"] * gain[point] * fraction(v)


class Simulator:
    """vantrel-sim with its meter and trace; its output is gathered on a thread until it stops."""

    def __init__(self, sim, workdir, profile):
        self.link = os.path.join(workdir, "com1")
        self.proc = subprocess.Popen([sim, "--profile", profile, "--link", self.link, "--meter", "0", "--trace"],
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.lines = []
        self.meter = None
        announced = threading.Event()

        def gather():
            for line in self.proc.stdout:
                self.lines.append(line)
                if line.startswith("VANTREL_METER="):
                    self.meter = line.strip().split("=", 1)[1]
                    announced.set()
            announced.set()

        self.reader = threading.Thread(target=gather, daemon=True)
        self.reader.start()
        announced.wait(START_LIMIT_S)

    def text(self):
        return "".join(self.lines)

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=30)
        self.reader.join(timeout=30)
        return self.text()


def state_lines(trace):
    return [line.split("==", 1)[1].strip() for line in trace.splitlines() if "  ==  " in line]


def check_left_safe(states, failures, what):
    keyed = [i for i, s in enumerate(states) if s == "keyed"]
    resets = [i for i, s in enumerate(states) if s.startswith("reset")]
    if not keyed:
        failures.append("%s: the radio was never keyed" % what)
        return
    if not resets or resets[-1] < keyed[-1]:
        failures.append("%s: no reset after the last key-up" % what)
    if not any(s == "dekeyed" for s in states[keyed[-1]:]):
        failures.append("%s: no dekey after the last key-up" % what)


def run_script(args, sim, extra):
    command = [sys.executable, args.script, "--cli", args.cli, "--device", sim.link, "--meter", sim.meter,
               "--profile", os.path.join(args.profiles, "portable.json")] + extra
    return subprocess.run(command, capture_output=True, text=True, timeout=RUN_LIMIT_S)


def main():
    parser = argparse.ArgumentParser()
    for name in ("--sim", "--cli", "--script", "--profiles"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    probe = subprocess.run([args.cli, "session", "--help"], capture_output=True, text=True)
    if probe.returncode != 0:
        print("vantrel-cli has no session command: skipped")
        return 77
    with open(os.path.join(args.profiles, "portable.json")) as f:
        profile = json.load(f)
    power = model(profile)
    target = float(profile["power"]["rated"])
    failures = []

    with tempfile.TemporaryDirectory(prefix="vantrel-align-test-") as work:
        sim = Simulator(args.sim, work, "portable")
        if not sim.meter:
            print("the simulator did not start:\n" + sim.text())
            sim.stop()
            return 1
        try:
            run = run_script(args, sim, [])
        finally:
            trace = sim.stop()
        if run.returncode != 0:
            failures.append("the script exited %d: %s%s" % (run.returncode, run.stdout, run.stderr))
        rows = re.findall(r"^F(\d)\s+(\S+)\s+(\d+)\s+([\d.]+)\s+([\d.]+)", run.stdout, re.M)
        if len(rows) != 7:
            failures.append("expected seven aligned points, got:\n" + run.stdout)
        states = state_lines(trace)
        for n, _, value, measured, shown_target in rows:
            point, v, w = int(n) - 1, int(value), float(measured)
            if abs(float(shown_target) - target) > 1e-3:
                failures.append("F%s: target %s, expected %.3f" % (n, shown_target, target))
            if abs(w - power(v, point)) > 1e-3:
                failures.append("F%s: reading %.4f W at %d, the model gives %.4f W" % (n, w, v, power(v, point)))
            # Within one softpot step: the target lies between the powers one step either side.
            if not power(v - 1, point) <= target <= power(v + 1, point):
                failures.append("F%s: value %d is more than one step from %.3f W (%.4f .. %.4f W)"
                                % (n, v, target, power(v - 1, point), power(v + 1, point)))
            programmed = [s for s in states if s.startswith("program softpot 0 high power F%s = " % n)]
            if not programmed or int(programmed[-1].rsplit("=", 1)[1]) != v:
                failures.append("F%s: %d was not programmed (%s)" % (n, v, programmed[-1:] or "nothing"))
        check_left_safe(states, failures, "aligned")

        # A target out of reach fails without programming anything, and still leaves the radio safe.
        sim = Simulator(args.sim, work, "portable")
        try:
            run = run_script(args, sim, ["--target", "1000"])
        finally:
            trace = sim.stop()
        if run.returncode == 0 or "out of reach" not in run.stderr:
            failures.append("an unreachable target gave exit %d: %s" % (run.returncode, run.stderr))
        states = state_lines(trace)
        if any(s.startswith("program softpot") for s in states):
            failures.append("a failed alignment programmed the radio")
        check_left_safe(states, failures, "failed")

    for f in failures:
        print("FAIL: " + f)
    if not failures:
        print("seven points aligned within one softpot step of %.3f W; radio left dekeyed and reset" % target)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

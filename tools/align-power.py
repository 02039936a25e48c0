#!/usr/bin/env python3
"""Closed-loop transmit power alignment: a tuning session of vantrel-cli and a power meter over SCPI.

Reads the radio, opens the transmit high power procedure, and at each supported point keys the radio and
bisects the power softpot (inside the point's range, in a bounded number of steps) until the meter reads
the power closest to the target. Then programs the values found, closes the procedure and prints a table.

    tools/align-power.py --device /tmp/vantrel-com1 --meter 127.0.0.1:5025 --target 5

The radio is left dekeyed and out of test mode whatever happens: the procedure is closed on every path,
and the session itself dekeys and resets when its input ends. Exit status 0 when every point was aligned
and programmed, 1 when the alignment failed (nothing is programmed then), 2 for a usage error.
Python 3 standard library only.
"""

import argparse
import json
import math
import os
import signal
import socket
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class AlignError(Exception):
    """A failure that ends the alignment: the session refused, the meter failed, a target is out of reach."""


class Session:
    """`vantrel-cli session` as a child process: one JSON request a line in, one JSON answer a line out."""

    def __init__(self, argv, trace=None):
        self.trace = trace
        self.next_id = 0
        # In a session of its own, so an interrupt at the terminal reaches this script, which closes the
        # procedure, rather than the tool in the middle of a request.
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1,
                                     start_new_session=True)

    def request(self, cmd, **arguments):
        """Sends one request and answers its answer; raises AlignError when it is refused."""
        self.next_id += 1
        request = dict(cmd=cmd, id=self.next_id, **arguments)
        line = json.dumps(request, separators=(",", ":"))
        if self.trace:
            print("->", line, file=self.trace)
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            raise AlignError("the session ended before '%s'" % cmd)
        while True:
            reply = self.proc.stdout.readline()
            if not reply:
                raise AlignError("the session ended without answering '%s'" % cmd)
            if self.trace:
                print("<-", reply.rstrip("\n"), file=self.trace)
            try:
                answer = json.loads(reply)
            except ValueError:
                raise AlignError("the session answered '%s' with something not JSON: %r" % (cmd, reply))
            if not isinstance(answer, dict):
                raise AlignError("the session answered '%s' with something not an object: %r" % (cmd, reply))
            if answer.get("warning"):
                print("WARNING: " + answer["warning"], file=sys.stderr)
            # An answer to an earlier request (one interrupted while it waited) is not this one's.
            if answer.get("id") == self.next_id:
                break
        if not answer.get("ok"):
            error = answer.get("error") or {}
            text = (error.get("text") or "").replace("\n", " ")
            detail = error.get("detail")
            raise AlignError("%s refused (%s): %s%s" % (cmd, error.get("code", "?"), text,
                                                      " (%s)" % detail if detail else ""))
        return answer

    def finish(self):
        """Ends the input (the session dekeys and resets the radio) and answers the session's exit status."""
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            return self.proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.proc.terminate()
            return self.proc.wait()


class Meter:
    """A power meter reached over TCP that answers SCPI queries, one line each."""

    def __init__(self, address, timeout=10.0):
        host, _, port = address.rpartition(":")
        if not host or not port.isdigit():
            raise AlignError("the meter address must be HOST:PORT, not '%s'" % address)
        try:
            self.sock = socket.create_connection((host, int(port)), timeout=timeout)
        except OSError as e:
            raise AlignError("cannot reach the power meter at %s: %s" % (address, e))
        self.buffer = b""
        self.identity = self.query("*IDN?")

    def query(self, text):
        try:
            self.sock.sendall(text.encode("ascii") + b"\n")
            while b"\n" not in self.buffer:
                chunk = self.sock.recv(4096)
                if not chunk:
                    raise AlignError("the power meter closed the connection")
                self.buffer += chunk
        except OSError as e:
            raise AlignError("the power meter did not answer '%s': %s" % (text, e))
        line, _, self.buffer = self.buffer.partition(b"\n")
        return line.decode("ascii", "replace").strip()

    def watts(self):
        reply = self.query("MEAS:POW?")
        try:
            value = float(reply)
        except ValueError:
            raise AlignError("the power meter answered '%s' to a measurement" % reply)
        if not math.isfinite(value):
            raise AlignError("the power meter answered '%s' to a measurement" % reply)
        return value

    def close(self):
        self.sock.close()


def profile_rating(name):
    """The rated power (watts) in a simulated radio's profile, found by name or as a file."""
    candidates = [name] if name.endswith(".json") or "/" in name else []
    if not candidates:
        dirs = [os.environ.get("VANTREL_SIM_PROFILES", ""), os.path.join(HERE, "..", "sim", "profiles")]
        candidates = [os.path.join(d, name + ".json") for d in dirs if d]
    for path in candidates:
        if os.path.isfile(path):
            with open(path) as f:
                power = json.load(f).get("power", {})
            # A profile without its own power block has the simulated portable's 5 W.
            return float(power.get("rated", 5.0))
    raise AlignError("no profile '%s' to take the target power from: give --target" % name)


def align_point(session, meter, point, target, max_steps, log):
    """Keys the point, bisects its softpot to the power closest to target, dekeys. Answers
    (value, measured watts, steps) with the live value left at the value found."""
    number = point["point"]
    low, high = point["minimum"], point["maximum"]
    session.request("point", point=number)
    session.request("key")
    measured = {}
    last = [None]

    def measure(value):
        session.request("live", value=value)
        last[0] = value
        measured[value] = meter.watts()
        log("  F%d value %d: %.4f W" % (number, value, measured[value]))
        return measured[value]

    try:
        # The power never falls as the softpot rises: bisect for the lowest value reaching the target.
        lo, hi = low, high
        steps = 0
        while lo < hi and steps < max_steps:
            mid = (lo + hi) // 2
            steps += 1
            if measure(mid) < target:
                lo = mid + 1
            else:
                hi = mid
        if lo < hi:
            raise AlignError("F%d: no value found within %d steps (left %d..%d)" % (number, max_steps, lo, hi))
        # The closest power is at that value or just below it.
        candidates = [v for v in (lo - 1, lo) if low <= v <= high]
        for v in candidates:
            if v not in measured:
                measure(v)
        if lo == high and measured[high] < target:
            raise AlignError("F%d: the target %.3f W is out of reach: %.4f W at the maximum %d"
                             % (number, target, measured[high], high))
        if lo == low and measured[low] > target:
            raise AlignError("F%d: the target %.3f W is out of reach: %.4f W at the minimum %d"
                             % (number, target, measured[low], low))
        best = min(candidates, key=lambda v: (abs(measured[v] - target), v))
        # The value programmed is the last one sent live, and the reading shown is the one it gives.
        if last[0] != best:
            measure(best)
        return best, measured[best], steps
    finally:
        session.request("dekey")


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Aligns the transmit high power of every supported point to a target on a power meter.")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--device", help="the radio's serial device (passed to vantrel-cli)")
    where.add_argument("--port", type=int, help="the radio's COM port number (passed to vantrel-cli)")
    parser.add_argument("--meter", default=os.environ.get("VANTREL_METER", "127.0.0.1:5025"),
                        help="the power meter, HOST:PORT (default: $VANTREL_METER or 127.0.0.1:5025)")
    parser.add_argument("--target", type=float, help="target power in watts (default: the profile's rating)")
    parser.add_argument("--profile", default="portable",
                        help="simulated radio profile whose rating is the default target (default: portable)")
    parser.add_argument("--cli", default=None, help="the vantrel-cli program (default: beside this script's "
                        "build, else on PATH)")
    parser.add_argument("--procedure", default="tx-high-power", help="procedure to align (default: tx-high-power)")
    parser.add_argument("--max-steps", type=int, default=12, help="bisection steps per point at most (default 12)")
    parser.add_argument("--trace", action="store_true", help="print every request, answer and reading")
    args = parser.parse_args(argv)
    if args.max_steps < 1 or args.max_steps > 32:
        parser.error("--max-steps must be 1 to 32")
    if args.target is not None and not (math.isfinite(args.target) and args.target > 0):
        parser.error("--target must be a power above 0 W")

    cli = args.cli
    if cli is None:
        built = os.path.join(HERE, "..", "build", "bin", "vantrel-cli")
        cli = built if os.access(built, os.X_OK) else "vantrel-cli"
    command = [cli]
    if args.device:
        command += ["--device", args.device]
    elif args.port is not None:
        command += ["--port", str(args.port)]
    command.append("session")

    log = (lambda text: print(text, file=sys.stderr)) if args.trace else (lambda text: None)
    # A stop signal ends the alignment through the same path as a failure: the procedure is closed.
    def stop(signum, frame):
        raise AlignError("stopped by signal %d" % signum)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    session = None
    meter = None
    opened = False
    status = 1
    try:
        target = args.target if args.target is not None else profile_rating(args.profile)
        meter = Meter(args.meter)
        log("meter: " + meter.identity)
        try:
            session = Session(command, trace=sys.stderr if args.trace else None)
        except OSError as e:
            raise AlignError("cannot start %s: %s" % (cli, e))
        read = session.request("read")
        opening = session.request("open", procedure=args.procedure)
        opened = True
        points = [p for p in opening.get("points", []) if p.get("supported")]
        if not points:
            raise AlignError("%s has no supported point on this radio" % args.procedure)
        rows = []
        for p in points:
            value, watts, steps = align_point(session, meter, p, target, args.max_steps, log)
            rows.append((p, value, watts, steps))
        session.request("program", values={str(p["point"]): value for p, value, _, _ in rows})
        session.request("close")
        opened = False

        print("%s, serial %s: %s aligned to %.3f W" % (read.get("model", "").strip(), read.get("serial", "").strip(),
                                                      args.procedure, target))
        print("%-5s %13s %6s %11s %9s %9s %7s" % ("Point", "Frequency MHz", "Value", "Measured W", "Target W",
                                                 "Error W", "Error"))
        for p, value, watts, steps in rows:
            freq = p.get("frequency")
            print("%-5s %13s %6d %11.4f %9.3f %+9.4f %+6.2f%%" % (
                p.get("label", "F%d" % p["point"]), "%.4f" % freq if isinstance(freq, (int, float)) else "-",
                value, watts, target, watts - target, 100.0 * (watts - target) / target))
        print("Programmed %d point(s)." % len(rows))
        status = 0
    except AlignError as e:
        print("align-power: %s" % e, file=sys.stderr)
    except KeyboardInterrupt:
        print("align-power: interrupted", file=sys.stderr)
    finally:
        # Nothing may be left keyed or in test mode: close the procedure, then end the session's input.
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        if session is not None:
            if opened:
                try:
                    session.request("close")
                except AlignError as e:
                    print("align-power: %s" % e, file=sys.stderr)
            code = session.finish()
            if code != 0:
                print("align-power: vantrel-cli session exited with %d" % code, file=sys.stderr)
                status = 1
        if meter is not None:
            meter.close()
    return status


if __name__ == "__main__":
    sys.exit(main())

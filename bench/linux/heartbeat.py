"""HEARTBEAT's cost: how late each "00" comes at 100 ms (the gap between two, less
the interval; median and p99), Quorvex and bench/linux/heartbeat_floor.c taking turns
on a pseudo-terminal under Xvfb, and the CPU time Quorvex spends over 10 s with
HEARTBEAT:1000 (goal: one wake-up a beat, nothing more)."""

import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
sys.path.insert(0, HERE)


def beat_gaps(line, beats, interval_ms):
    """The lateness of each beat after the first, in milliseconds."""
    line.received(0.5)
    arrivals = []
    seen = len(line.received())
    while len(arrivals) <= beats:
        data = line.received(1.0)
        now = time.monotonic()
        arrivals += [now] * ((len(data) - seen) // 2)
        seen += (len(data) - seen) // 2 * 2
    gaps = [(b - a) * 1000 - interval_ms for a, b in zip(arrivals, arrivals[1:])]
    return gaps[:beats]


def p99(values):
    return sorted(values)[max(0, int(len(values) * 0.99) - 1)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(HERE, "..", "..", "build", "bench"))
    parser.add_argument("--tests-build", default=os.path.join(HERE, "..", "..", "build", "linux"))
    parser.add_argument("--turns", type=int, default=5)
    parser.add_argument("--beats", type=int, default=20, help="a turn's beats")
    parser.add_argument("--cpu-seconds", type=float, default=10.0)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    os.environ.setdefault("QUORVEX_BIN", os.path.join(build, "quorvex"))
    os.environ.setdefault("QUORVEX_TARGET", os.path.join(
        os.path.abspath(args.tests_build), "tests/platform/x11/x11_target_window"))
    import test_linux
    from figures import cpu_ns_and_wakeups
    from linux_harness import PseudoTerminal, Quorvex, Target

    test_linux.setUpModule()
    desktop = test_linux.desktop
    target = Target(desktop)
    late = {"quorvex": [], "floor": []}
    try:
        for _ in range(args.turns):
            line = PseudoTerminal()
            quorvex = Quorvex(desktop, test_linux.settings(target, port=line.port, HEARTBEAT=100))
            line.wait_received(b"some data")
            late["quorvex"] += beat_gaps(line, args.beats, 100)
            quorvex.stop()
            line.close()
            line = PseudoTerminal()
            floor = subprocess.Popen([os.path.join(build, "bench", "quorvex_heartbeat_floor"),
                                      line.port, "100"])
            late["floor"] += beat_gaps(line, args.beats, 100)
            floor.kill()
            floor.wait()
            line.close()
        line = PseudoTerminal()
        quorvex = Quorvex(desktop, test_linux.settings(target, port=line.port, HEARTBEAT=1000))
        line.wait_received(b"00", timeout=5)
        before = cpu_ns_and_wakeups(quorvex.process.pid)
        time.sleep(args.cpu_seconds)
        after = cpu_ns_and_wakeups(quorvex.process.pid)
        quorvex.stop()
        line.close()
    finally:
        target.stop()
        test_linux.tearDownModule()
    q, f = late["quorvex"], late["floor"]
    print(f"heartbeat at 100 ms, lateness: median {statistics.median(q):.3f} ms, "
          f"p99 {p99(q):.3f} ms over {len(q)} beats; floor median {statistics.median(f):.3f} "
          f"ms, p99 {p99(f):.3f} ms")
    print(f"heartbeat at 1000 ms, {args.cpu_seconds:.0f} s: {(after[0] - before[0]) / 1e6:.3f} "
          f"ms CPU, {after[1] - before[1]} wake-ups (about one a beat)")


if __name__ == "__main__":
    main()

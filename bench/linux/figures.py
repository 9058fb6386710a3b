"""The Linux program's end-to-end figures under Xvfb over a pseudo-terminal, each
beside the same figure of the floor (quorvex_floor) measured by the same probe in the
same run; writes them, with the machine, to a Markdown file.
    /usr/bin/python3 -B bench/linux/figures.py [--build build/bench] [--line-seconds 60]
"""

import argparse
import json
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time
from datetime import datetime, timezone

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import linux_harness  # noqa: E402
from linux_harness import Child, Desktop, PseudoTerminal, Quorvex  # noqa: E402
from report import write_report  # noqa: E402

TWIPS = 15  # per pixel at 96 dpi
TARGET = (200, 300, 400, 200)  # the probe's window: x, y, width, height
MAIN = (200, 300, 100, 100)  # frmMain over the target's left part; "10" clicks beneath
TWO = (700, 300, 100, 100)  # frmTwo, and the floor's window, away from the target
STOP = (450, 400)  # "20" clicks the target where nothing covers it
WAIT = 120  # seconds a measurement may take before the run is given up
WINE_PORT = 3  # COM3 of the Wine prefix is the line's program end
TURNS = 10  # short turns: this shared machine's pace drifts within a minute
# Following a window (WINDOW): the probe's application window, frmMain's place within
# it, and the drag: 60 moves a second for 10 s, in short turns with the floor.
APPLICATION = (450, 500, 300, 150)
APPLICATION_TITLE = "Quorvex bench application"
FOLLOWER = (30, 40, 100, 60)  # dx, dy, width, height
FOLLOW_RATE = 60
FOLLOW_SECONDS = 10
FOLLOW_TURNS = 10


def centre(rect):
    return rect[0] + rect[2] // 2, rect[1] + rect[3] // 2


def settings(port):
    (x, y, w, h), (x2, y2, w2, h2) = MAIN, TWO
    values = dict(AUTOCONN=1, VERSION=100, CP=port,
                  PL=x * TWIPS, PT=y * TWIPS, FW=w * TWIPS, FH=h * TWIPS,
                  PL2=x2 * TWIPS, PT2=y2 * TWIPS, FW2=w2 * TWIPS, FH2=h2 * TWIPS,
                  STRX=centre(MAIN)[0], STRY=centre(MAIN)[1],
                  STRX2=centre(TWO)[0], STRY2=centre(TWO)[1], STPX=STOP[0], STPY=STOP[1])
    return "".join(f"{key}:{value}\n" for key, value in values.items())


def follow_settings(port):
    """frmMain at FOLLOWER within the application's window, frmTwo beside it."""
    dx, dy, w, h = FOLLOWER
    values = dict(AUTOCONN=1, VERSION=100, CP=port, PL=dx * TWIPS, PT=dy * TWIPS,
                  FW=w * TWIPS, FH=h * TWIPS, PL2=(dx + 150) * TWIPS, PT2=dy * TWIPS,
                  FW2=w * TWIPS, FH2=h * TWIPS, STRX=dx + 10, STRY=dy + 10,
                  STRX2=dx + 160, STRY2=dy + 10, STPX=5, STPY=5)
    return f"WINDOW:{APPLICATION_TITLE}\n" + "".join(f"{key}:{value}\n"
                                                   for key, value in values.items())


def floor_args(build, port):
    return [os.path.join(build, "bench", "quorvex_floor"), port, *map(str, centre(MAIN)),
            *map(str, TWO)]


class Probe(Child):
    """quorvex_probe holding the controller's end of `line`, with its target window."""

    def __init__(self, build, desktop, line):
        super().__init__([os.path.join(build, "bench", "quorvex_probe"), "session",
                          str(line.master), *map(str, TARGET)], desktop.env,
                         stdin=subprocess.PIPE, pass_fds=(line.master,))
        self.wait_line("^ready$")

    def run(self, command, last=None):
        """The result lines of one command, once its `last` line (its own name's by
        default) has come."""
        count = len(self.out)
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        last = last or command.split()[0]
        linux_harness.wait_until(lambda: any(line.startswith(last + " ")
                                             for line in self.out[count:]),
                                 WAIT, f"{command!r} to finish")
        return self.out[count:]


def samples(line):
    """Milliseconds from "name missed=N ns ns ...", and N."""
    words = line.split()
    return [int(v) / 1e6 for v in words[2:]], int(words[1].split("=")[1])


def by_name(lines):
    """{name: samples(line)} of a command's result lines."""
    return {line.split()[0]: samples(line) for line in lines}


def fields(line):
    return {k: float(v) for k, v in (word.split("=") for word in line.split()[1:])}


def cpu_ns_and_wakeups(pid):
    """CPU time in nanoseconds (the tick counts of /proc/PID/stat are too coarse for
    an idle program) and context switches of both kinds."""
    with open(f"/proc/{pid}/schedstat") as schedstat:
        cpu = int(schedstat.read().split()[0])
    with open(f"/proc/{pid}/status") as status:
        switches = re.findall(r"^(?:non)?voluntary_ctxt_switches:\s+(\d+)", status.read(), re.M)
    return cpu, sum(map(int, switches))


def measure_quorvex(build, desktop, rounds, line_seconds):
    line = PseudoTerminal()
    probe = Probe(build, desktop, line)
    quorvex = Quorvex(desktop, settings(line.port))
    try:
        overlay = quorvex.overlay("frmMain")
        line.wait_received(b"some data")
        figures = by_name(probe.run(f"code-to-click {rounds} {overlay}", last="step-aside"))
        figures["click-to-code"] = samples(probe.run(
            f"click-to-code {rounds} {centre(MAIN)[0]} {centre(MAIN)[1]}")[0])
        if line_seconds:
            figures["line-rate"] = fields(probe.run(f"line-rate {line_seconds} {overlay}")[0])
        figures["peak-rss"] = quorvex.status_kib("VmHWM")
        return figures
    finally:
        for child in (quorvex, probe):
            child.stop()
        line.close()


def measure_floor(build, desktop, rounds):
    line = PseudoTerminal()
    probe = Probe(build, desktop, line)
    floor = Child(floor_args(build, line.port), desktop.env)
    try:
        floor.wait_line("^ready$")
        # Watched as frmMain is: the probe wakes for its move aside before the press too.
        window = desktop.find("--classname", "^floor$")
        clicks = by_name(probe.run(f"code-to-click {rounds} {window}", last="step-aside"))
        figures = {"code-to-click": clicks["code-to-click"],
                   "code-to-cursor-back": clicks["code-to-cursor-back"],
                   "click-to-code": samples(probe.run(
                       f"click-to-code {rounds} {centre(TWO)[0]} {centre(TWO)[1]}")[0])}
        figures["peak-rss"] = floor.status_kib("VmHWM")
        return figures
    finally:
        for child in (floor, probe):
            child.stop()
        line.close()


def merge(into, figures):
    for key, value in figures.items():
        if isinstance(value, tuple):  # samples, missed
            before = into.get(key, ([], 0))
            into[key] = (before[0] + value[0], before[1] + value[1])
        elif key == "peak-rss":
            into[key] = max(into.get(key, 0), value)
        else:
            into[key] = value


def measure_in_turns(build, desktop, rounds, line_seconds):
    """Quorvex and the floor take turns, so that a change in the shared machine's load
    falls on both; the line-rate run comes last, in Quorvex's last turn."""
    quorvex, floor = {}, {}
    for turn in range(TURNS):
        last = turn == TURNS - 1
        merge(quorvex, measure_quorvex(build, desktop, rounds // TURNS,
                                       line_seconds if last else 0))
        merge(floor, measure_floor(build, desktop, rounds // TURNS))
    return {"quorvex": quorvex, "floor": floor}


def measure_follow(build, desktop):
    """The application's window dragged at FOLLOW_RATE moves a second: each move from its
    ConfigureNotify to the follower's, and the follower's CPU time over the drag; Quorvex
    (frmMain) and the follow floor take turns on the same window."""
    line = PseudoTerminal()
    probe = Probe(build, desktop, line)
    figures = {"quorvex": ([], 0, 0), "floor": ([], 0, 0)}  # samples, missed, CPU ns
    try:
        application = int(probe.run("application {} {} {} {} ".format(*APPLICATION) +
                                    APPLICATION_TITLE)[0].split()[1])
        dx, dy, w, h = FOLLOWER
        for _ in range(FOLLOW_TURNS):
            for name in figures:
                if name == "quorvex":
                    child = Quorvex(desktop, follow_settings(line.port))
                    follower = child.overlay("frmMain")
                else:
                    child = Child([os.path.join(build, "bench", "quorvex_follow_floor"),
                                   str(application), str(dx), str(dy), str(w), str(h)],
                                  desktop.env)
                    child.wait_line("^ready$")
                    follower = desktop.find("--classname", "^followfloor$")
                try:
                    time.sleep(0.5)
                    before = cpu_ns_and_wakeups(child.process.pid)[0]
                    result = probe.run(f"follow {FOLLOW_SECONDS / FOLLOW_TURNS} {FOLLOW_RATE} "
                                       f"{follower} {dx} {dy}")[0]
                    cpu = cpu_ns_and_wakeups(child.process.pid)[0] - before
                finally:
                    child.stop()
                values, missed = samples(result)
                kept = figures[name]
                figures[name] = (kept[0] + values, kept[1] + missed, kept[2] + cpu)
        return figures
    finally:
        probe.stop()
        line.close()


def measure_idle(build, desktop, seconds):
    """Both programs started, left alone a moment, then watched for `seconds`."""
    lines = [PseudoTerminal(), PseudoTerminal()]
    quorvex = Quorvex(desktop, settings(lines[0].port))
    floor = Child(floor_args(build, lines[1].port), desktop.env)
    try:
        quorvex.overlay("frmTwo")
        lines[0].wait_received(b"some data")
        floor.wait_line("^ready$")
        time.sleep(1)
        pids = (quorvex.process.pid, floor.process.pid)
        before = [cpu_ns_and_wakeups(pid) for pid in pids]
        time.sleep(seconds)
        after = [cpu_ns_and_wakeups(pid) for pid in pids]
        return [(a[0] - b[0], a[1] - b[1]) for a, b in zip(after, before)]
    finally:
        for child in (quorvex, floor):
            child.stop()
        for line in lines:
            line.close()


def measure_start_up(build, desktop, rounds):
    line = PseudoTerminal()
    folder = tempfile.mkdtemp(prefix="quorvex-bench-")
    with open(os.path.join(folder, "tessora.ini"), "w") as ini:
        ini.write(settings(line.port))
    probe = os.path.join(build, "bench", "quorvex_probe")
    try:
        runs = {}
        for name, classes, program in (
                ("quorvex", "frmMain,frmTwo", [os.path.join(build, "quorvex")]),
                ("floor", "floor", floor_args(build, line.port))):
            child = Child([probe, "start-up", str(rounds), classes, *program], desktop.env,
                          cwd=folder)
            child.wait_exit(WAIT)
            line.received()
            runs[name] = samples(next(x for x in child.out if x.startswith("start-up")))
        return runs
    finally:
        line.close()
        os.remove(os.path.join(folder, "tessora.ini"))
        os.rmdir(folder)


def measure_wine(build, desktop, rounds, exe, floor_exe):
    """The Windows program under Wine, watched and clicked through the same X server,
    then the Wine floor in the same prefix on the same line. Their own clicks stay
    inside Wine, so code-to-click has no native target to land on."""
    import wine_harness
    wine_harness.EXE = exe
    wine = wine_harness.Wine(desktop)
    line = PseudoTerminal()
    wine.map_port(WINE_PORT, line.port)
    probe = Probe(build, desktop, line)
    children = [probe, wine_harness.Quorvex(wine, settings(WINE_PORT))]
    try:
        line.wait_received(b"some data", timeout=WAIT)
        overlay = linux_harness.wait_until(lambda: next(
            (int(w) for w in desktop.run("xdotool", "search", "--name", "^B$").split()
             if desktop.geometry(int(w))[:2] == MAIN[:2]), None), what="frmMain under Wine")
        figures = by_name(probe.run(f"step-aside {rounds} {overlay}"))
        figures["click-to-code"] = samples(probe.run(
            f"click-to-code {rounds} {centre(MAIN)[0]} {centre(MAIN)[1]}")[0])
        children.pop().stop()
        floor = Child(["wine", floor_exe, f"COM{WINE_PORT}", *map(str, TWO),
                       *map(str, centre(MAIN))], wine.env)
        children.append(floor)
        floor.wait_line("^ready$", timeout=WAIT)
        window = linux_harness.wait_until(
            lambda: desktop.run("xdotool", "search", "--name", "^floor$").split(),
            what="the Wine floor's window")[0]
        figures["floor-click-to-code"] = samples(probe.run(
            f"click-to-code {rounds} {centre(TWO)[0]} {centre(TWO)[1]}")[0])
        figures["floor-step-aside"] = by_name(probe.run(
            f"step-aside {rounds} {window}"))["step-aside"]
        return figures
    finally:
        for child in children:
            child.stop()
        line.close()
        wine.close()


def machine():
    with open("/proc/cpuinfo") as cpuinfo:
        model = next((line.split(":", 1)[1].strip() for line in cpuinfo
                      if line.startswith("model name")), platform.processor())
    return {"cpu": model, "cores": os.cpu_count(), "kernel": platform.release(),
            "python": platform.python_version(),
            "date": datetime.now(timezone.utc).strftime("%Y-%m-%d %H:%M UTC")}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "bench"))
    parser.add_argument("--windows-exe", default=os.path.join(ROOT, "build", "windows",
                                                              "quorvex.exe"))
    parser.add_argument("--rounds", type=int, default=1000)
    parser.add_argument("--line-seconds", type=float, default=60)
    parser.add_argument("--idle-seconds", type=float, default=60)
    parser.add_argument("--start-rounds", type=int, default=20)
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "RESULTS.md"))
    parser.add_argument("--core-json", help="Google Benchmark's JSON output to include")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    linux_harness.BIN = os.path.join(build, "quorvex")
    desktop = Desktop()
    try:
        steps = (("latency", lambda: measure_in_turns(build, desktop, args.rounds,
                                                      args.line_seconds)),
                 ("idle", lambda: measure_idle(build, desktop, args.idle_seconds)),
                 ("follow", lambda: measure_follow(build, desktop)),
                 ("start-up", lambda: measure_start_up(build, desktop, args.start_rounds)))
        wine_floor = os.path.join(os.path.dirname(os.path.abspath(args.windows_exe)), "bench",
                                  "win32", "floor.exe")
        if os.path.exists(args.windows_exe) and shutil.which("wine"):
            steps += (("wine", lambda: measure_wine(build, desktop, args.rounds,
                                                    os.path.abspath(args.windows_exe),
                                                    wine_floor)),)
        results = {}
        for name, step in steps:
            print(f"measuring {name} ...", file=sys.stderr, flush=True)
            results[name] = step()
        results.update(results.pop("latency"))
    finally:
        desktop.close()
    sizes = {"Linux (bench build)": os.path.getsize(linux_harness.BIN),
             "floor": os.path.getsize(os.path.join(build, "bench", "quorvex_floor"))}
    if os.path.exists(args.windows_exe):
        sizes["Windows (build/windows)"] = os.path.getsize(args.windows_exe)
    core = None
    if args.core_json and os.path.exists(args.core_json):
        with open(args.core_json) as data:
            core = json.load(data)
    text = write_report(args.out, machine(), vars(args), results, sizes, core)
    print(text)


if __name__ == "__main__":
    main()

"""How long frmMain stays at the top edge after "10", under Wine: a figure, not a test.
Run after building the linux and windows presets:
    /usr/bin/python3 -B tests/e2e/bench_windows_step_aside.py [ROUNDS]"""

import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from linux_harness import Child, Desktop  # noqa: E402
from test_windows import PORT, settings  # noqa: E402
from wine_harness import PROBE, Controller, Quorvex, Target, Wine  # noqa: E402


def main(rounds):
    desktop = Desktop()
    wine = Wine(desktop)
    children = []
    try:
        controller = Controller(desktop)
        wine.map_port(PORT, controller.port)
        target = Target(wine)
        children += [controller, target, Quorvex(wine, settings(target))]
        controller.wait_received("some data", timeout=30)
        placed_top = target.buttons["A"][1]
        times = []
        for _ in range(rounds):
            watch = Child(["wine", PROBE, "watch", "1500"], wine.env)
            children.append(watch)
            watch.wait_line(r"top=")
            controller.send("10")
            watch.wait_exit(30)
            tops = [(float(t), int(v.split("=")[1])) for t, v in
                    (line.split() for line in watch.out)]
            aside = next(t for t, top in tops if top == 0)
            back = next(t for t, top in tops if t > aside and top == placed_top)
            times.append(back - aside)
        print(f"frmMain at the top edge for {statistics.median(times):.1f} ms (median of "
              f"{rounds}; min {min(times):.1f}, max {max(times):.1f}), as polled from another "
              "process")
    finally:
        for child in reversed(children):
            child.stop()
        wine.close()
        desktop.close()


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 10)

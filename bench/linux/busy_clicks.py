"""How many approved "20" clicks reach the application while an operator clicks
busily on it (each press held 60 to 140 ms): a figure to read once, not a test.
    /usr/bin/python3 -B bench/linux/busy_clicks.py [--codes 300] [--bin build/linux/quorvex]
"""

import argparse
import os
import random
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
import linux_harness  # noqa: E402
from linux_harness import Controller, Desktop, InputClient, Quorvex, Target  # noqa: E402
from test_linux import settings  # noqa: E402


def operator(desktop, hand, point, stop):
    """Presses on the application beside its buttons, again and again."""
    rng = random.Random(21)
    while not stop.is_set():
        time.sleep(rng.uniform(0.05, 0.3))
        desktop.move_pointer(*point)
        hand.do("press 1")
        time.sleep(rng.uniform(0.06, 0.14))
        hand.do("release 1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--codes", type=int, default=300)
    parser.add_argument("--bin", default=linux_harness.BIN)
    args = parser.parse_args()
    linux_harness.BIN = args.bin
    desktop = Desktop()
    children = []
    try:
        controller = Controller(desktop)
        children.append(controller)
        target = Target(desktop)
        children.append(target)
        quorvex = Quorvex(desktop, settings(target, port=controller.port))
        children.append(quorvex)
        controller.wait_received("some data")
        hand = InputClient(desktop)
        children.append(hand)
        x, y, _, _ = target.start_rect
        stop = threading.Event()
        busy = threading.Thread(target=operator, args=(desktop, hand, (x, y - 20), stop))
        busy.start()
        rng = random.Random(7)
        for _ in range(args.codes):
            controller.send("20")
            time.sleep(rng.uniform(0.15, 0.45))
        stop.set()
        busy.join()
        time.sleep(1.5)  # the last click's wait runs out
        made = target.clicks().count("Stop")
        lost = sum("was not made" in line for line in quorvex.err)
        print(f"{os.path.basename(args.bin)}: {made} of {args.codes} approved clicks reached "
              f"the application; {lost} reported lost")
    finally:
        for child in reversed(children):
            child.stop()
        desktop.close()


if __name__ == "__main__":
    main()

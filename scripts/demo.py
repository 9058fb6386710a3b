"""`make demo`: the real Linux program over a window with a Start and a Stop button,
its serial line held by the controller tool in answering mode on a pseudo-terminal.
The operator's clicks are played through XTEST, then the controller sends "20", "50"
and "40". Prints a timestamped transcript, saves a screenshot of the alignment mode,
and exits 0 only when everything happened as expected.

On the display in DISPLAY when there is one, else on a private Xvfb.
--interactive leaves everything running afterwards, for a person to click.
--window: the overlays follow the window (WINDOW in tessora.ini), which then moves,
closes and comes back."""

import argparse
import datetime
import os
import re
import shutil
import subprocess
import sys
import threading
import time

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from linux_harness import BIN, Child, Controller, Desktop, Quorvex, Target, wait_until  # noqa: E402

OUT = os.environ.get("QUORVEX_DEMO_OUT", os.path.join(ROOT, "build", "demo"))
SCREENSHOT = os.path.join(OUT, "quorvex-demo.png")
TRANSCRIPT = os.path.join(OUT, "transcript.txt")
INSET = 12  # pixels of each button left uncovered around its overlay, to see it beneath
FACE = 0xF0F0F0  # an overlay in alignment mode, where no compositor blends it
# The screenshot and the colour check need ImageMagick; the demo runs without them.
IMAGEMAGICK = shutil.which("import") is not None
TITLE = "Quorvex target - batch 12"  # --window: the window's title; WINDOW holds a part
WINDOW_TEXT = "Quorvex target"


class Tee:
    """The terminal, and the transcript file left in build/demo."""

    def __init__(self, *streams):
        self.streams = streams

    def write(self, text):
        for stream in self.streams:
            stream.write(text)

    def flush(self):
        for stream in self.streams:
            stream.flush()


def now():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%H:%M:%S.%f")[:-3]


class UserDisplay(Desktop):
    """The display the demo was started on; left as it was found."""

    def __init__(self):
        self.env = dict(os.environ)
        self.wm = None
        self.xvfb = None

    def close(self):
        pass


class DemoQuorvex(Quorvex):
    """build/linux/quorvex started in build/demo, where the demo's tessora.ini stays."""

    def __init__(self, desktop, folder):
        self.folder = folder
        self.desktop = desktop
        Child.__init__(self, [os.path.abspath(BIN)], desktop.env, cwd=folder)

    def stop(self):
        Child.stop(self)


class Transcript:
    """Prints, as they happen, both directions of the line (the controller tool's own
    timestamped lines) and what the target window receives (stamped when seen)."""

    def __init__(self, controller, target, quorvex):
        self.sources = [(controller, self.line), (target, self.press), (quorvex, self.stderr)]
        self.seen = {id(child): 0 for child, _ in self.sources}
        self.lock = threading.Lock()
        self.running = True
        self.thread = threading.Thread(target=self.follow, daemon=True)
        self.thread.start()

    @staticmethod
    def line(text):
        match = re.match(r"(\S+) (recv|sent|note|not sent) (.*)$", text)
        if not match:
            return None
        stamp, what, rest = match.groups()
        direction = {"recv": "Quorvex -> controller", "sent": "controller -> Quorvex",
                     "note": "controller note", "not sent": "controller, not sent"}[what]
        return f"{stamp}  line    {direction:22} {rest}"

    @staticmethod
    def press(text):
        match = re.match(r"click (\S+) (\d+)$", text)
        if not match:
            return None
        name, button = match.groups()
        place = "beside the buttons" if name == "background" else f"on {name}"
        return f"{now()}  target  pressed {place} (mouse button {button})"

    @staticmethod
    def stderr(text):
        return f"{now()}  quorvex {text}" if text.startswith("Quorvex:") else None

    def say(self, text):
        with self.lock:
            print(f"{now()}  demo    {text}", flush=True)

    def drain(self):
        with self.lock:
            for child, render in self.sources:
                lines = list(child.err if render == self.stderr else child.out)
                for text in lines[self.seen[id(child)]:]:
                    shown = render(text)
                    if shown:
                        print(shown, flush=True)
                self.seen[id(child)] = len(lines)

    def follow(self):
        while self.running:
            self.drain()
            time.sleep(0.005)

    def stop(self):
        self.running = False
        self.thread.join()
        self.drain()


def twips_per_pixel(desktop):
    """1440 / Xft.dpi, as the program computes it; 15 when the resource is not set."""
    resources = desktop.run("xprop", "-root", "RESOURCE_MANAGER")
    match = re.search(r"Xft\.dpi:\\t([0-9.]+)", resources)
    return 1440 / float(match.group(1)) if match else 15.0


def settings(target, port, twips, origin=None):
    """Each overlay over its button but for a rim; "10" and "30" press the buttons'
    centres beneath the overlays; "20" presses Stop on its rim, beside overlay 2. With
    `origin`, the window's client area, everything counts from there (WINDOW)."""
    ox, oy = origin or (0, 0)

    def rect(key_suffix, x, y, width, height):
        x, y = x - ox, y - oy
        return {f"PL{key_suffix}": round((x + INSET) * twips),
                f"PT{key_suffix}": round((y + INSET) * twips),
                f"FW{key_suffix}": round((width - 2 * INSET) * twips),
                f"FH{key_suffix}": round((height - 2 * INSET) * twips)}
    values = {"LOG": "quorvex.log", "AUTOCONN": 1, "VERSION": 101, "CP": port}
    values.update(rect("", *target.start_rect))
    values.update(rect("2", *target.stop_rect))
    (sx, sy, sw, sh), (tx, ty, tw, th) = target.start_rect, target.stop_rect
    sx, sy, tx, ty = sx - ox, sy - oy, tx - ox, ty - oy
    values.update(CX=0, CY=0, CW=0, CH=0, STRX=sx + sw // 2, STRY=sy + sh // 2,
                  STPX=tx + tw - INSET // 2, STPY=ty + th // 2)
    values.update(STRX2=tx + tw // 2, STRY2=ty + th // 2)
    window = f"WINDOW:{WINDOW_TEXT}\n" if origin else ""
    return window + "".join(f"{key}:{value}\n" for key, value in values.items())


def screenshot(desktop, path):
    """The target window with a margin, cut from the whole screen."""
    x, y, width, height = desktop.geometry(desktop.find("--name", "^Quorvex target"))
    margin = 20
    desktop.run("import", "-window", "root", "-crop",
                f"{width + 2 * margin}x{height + 2 * margin}+{max(0, x - margin)}+"
                f"{max(0, y - margin)}", "+repage", path)
    return os.path.isfile(path)


class Demo:
    def __init__(self, desktop, on_xvfb, window=False):
        self.desktop = desktop
        self.on_xvfb = on_xvfb
        self.window = window
        self.failures = []
        self.children = []

    def own(self, child):
        self.children.append(child)
        return child

    def expect(self, what, condition):
        try:
            wait_until(condition, what=what)
            return True
        except AssertionError:
            self.failures.append(what)
            self.log.say(f"NOT SEEN: {what}")
            return False

    def presses(self):
        return [line.split()[1] for line in list(self.target.out) if line.startswith("click ")]

    def start(self):
        os.makedirs(OUT, exist_ok=True)
        self.controller = self.own(Controller(self.desktop, "--answer"))
        self.target = self.own(Target(self.desktop, title=TITLE if self.window else None))
        origin = None
        if self.window:
            self.target.window = wait_until(lambda: self.desktop.find("--name", f"^{TITLE}$"),
                                            what="the titled window")
            origin = self.desktop.geometry(self.target.window)[:2]
        before = os.path.join(OUT, "target-alone.png")
        if IMAGEMAGICK:
            screenshot(self.desktop, before)
        twips = twips_per_pixel(self.desktop)
        with open(os.path.join(OUT, "tessora.ini"), "w") as ini:
            ini.write(settings(self.target, self.controller.port, twips, origin))
        if os.path.exists(os.path.join(OUT, "quorvex.log")):
            os.remove(os.path.join(OUT, "quorvex.log"))  # this run's alone
        self.quorvex = self.own(DemoQuorvex(self.desktop, OUT))
        self.log = Transcript(self.controller, self.target, self.quorvex)
        self.log.say(f"controller tool on {self.controller.port}, answering 101 with 10 and "
                     "202 with 30")
        self.log.say(f"target window: Start at {self.target.start_rect}, Stop at "
                     f"{self.target.stop_rect} (x, y, width, height in pixels)")
        self.log.say(f"Quorvex started in {os.path.relpath(OUT)} with its tessora.ini "
                     f"({twips:g} twips a pixel)")
        if origin:
            self.log.say(f'WINDOW:{WINDOW_TEXT}: positions count from the client area of '
                         f'"{TITLE}", now at {origin[0]},{origin[1]}')
        self.overlays = [self.quorvex.overlay("frmMain"), self.quorvex.overlay("frmTwo")]
        self.expect('the greeting "some data" on the line',
                    lambda: "some data" in self.controller.received())
        self.expect("both overlays shown", lambda: all(map(self.desktop.viewable,
                                                             self.overlays)))
        if self.on_xvfb and IMAGEMAGICK:
            x, y, _, _ = self.target.start_rect
            self.expect("overlay 1 drawn in the button-face colour (alignment mode)",
                        lambda: self.desktop.pixel(x + INSET + 4, y + INSET + 4) == FACE)
        if not IMAGEMAGICK:
            self.log.say("no screenshot: ImageMagick is not installed (it is optional)")
        elif screenshot(self.desktop, SCREENSHOT):
            subprocess.run(["convert", before, SCREENSHOT, "-bordercolor", "white", "-border",
                            "6", "+append", SCREENSHOT], capture_output=True)
            os.remove(before)
            self.log.say(f"screenshot: {os.path.relpath(SCREENSHOT)} (left: the window "
                         "alone; right: with the overlays in alignment mode)")
        else:
            self.failures.append("the screenshot")

    def click_overlay(self, number, rect, button, code, answer):
        # Off the click point (the button's centre), so that the cursor's return shows.
        x, y, width, height = rect
        spot = (x + width // 3, y + height // 2)
        count = len(self.presses())
        self.log.say(f"operator clicks overlay {number} (over {button}) at {spot[0]},{spot[1]}")
        self.desktop.click(*spot)
        self.expect(f'"{code}" on the line for overlay {number}',
                    lambda: self.controller.received().endswith(code))
        self.expect(f'the controller answering "{answer}"',
                    lambda: any(line.endswith(f'sent "{answer}"')
                                for line in list(self.controller.out)))
        self.expect(f"{button} pressed for \"{answer}\"",
                    lambda: self.presses()[count:] == [button])
        self.expect("the cursor back where the operator left it",
                    lambda: self.desktop.pointer() == spot)

    def send(self, code, what):
        self.log.say(f'controller sends "{code}": {what}')
        self.controller.send(code)

    def run(self):
        self.start()
        self.click_overlay(1, self.target.start_rect, "Start", "101", "10")
        self.click_overlay(2, self.target.stop_rect, "Stop", "202", "30")

        self.desktop.move_pointer(20, 20)
        count = len(self.presses())
        self.send("20", "press STPX, STPY (Stop, beside overlay 2); no overlay moves")
        self.expect('Stop pressed for "20"', lambda: self.presses()[count:] == ["Stop"])
        self.expect("the cursor back after \"20\"", lambda: self.desktop.pointer() == (20, 20))

        self.send("50", "hide both overlays")
        if self.expect("both overlays hidden",
                       lambda: not any(map(self.desktop.viewable, self.overlays))):
            count = len(self.presses())
            x, y, width, height = self.target.start_rect
            self.log.say("operator clicks Start itself, with the overlays hidden")
            self.desktop.click(x + width // 2, y + height // 2)
            self.expect("Start pressed directly", lambda: self.presses()[count:] == ["Start"])

        self.send("40", "show both overlays")
        self.expect("both overlays shown again",
                    lambda: all(map(self.desktop.viewable, self.overlays)))
        if self.window:
            self.follow_the_window()
        self.expect("nothing more on the line than the greeting and the two clicks",
                    lambda: self.controller.received() == "some data101202")
        self.expect("Quorvex still running", self.quorvex.alive)

    def follow_the_window(self):
        window = str(self.target.window)
        ox, oy = self.desktop.geometry(self.target.window)[:2]
        self.log.say("the application's window moves 200 right and 150 down")
        self.desktop.run("xdotool", "windowmove", window, str(ox + 200), str(oy + 150))
        if not self.expect("the window moved",
                           lambda: self.desktop.geometry(self.target.window)[:2] != (ox, oy)):
            return
        nx, ny = self.desktop.geometry(self.target.window)[:2]
        sx, sy, _, _ = self.target.start_rect
        at = (sx + INSET + nx - ox, sy + INSET + ny - oy)
        self.expect(f"overlay 1 followed to {at[0]},{at[1]}",
                    lambda: self.desktop.geometry(self.overlays[0])[:2] == at)
        count = len(self.presses())
        self.send("10", "press Start where the window now is")
        self.expect('Start pressed for "10"', lambda: self.presses()[count:] == ["Start"])

        self.log.say("the application's window closes (unmapped)")
        self.desktop.run("xdotool", "windowunmap", window)
        self.expect("both overlays down: nothing to cover",
                    lambda: not any(map(self.desktop.viewable, self.overlays)))
        count = len(self.presses())
        self.send("10", "with no window: presses nothing")
        self.expect("Quorvex saying that 10 pressed nothing",
                    lambda: any("pressed nothing" in line for line in list(self.quorvex.err)))
        self.send("50", "hide both overlays, for when the window comes back")
        self.log.say("the application's window opens again")
        self.desktop.run("xdotool", "windowmap", window)
        self.expect("the window back", lambda: self.desktop.viewable(self.target.window))
        self.send("40", "show both overlays")
        self.expect("both overlays back over the window",
                    lambda: all(map(self.desktop.viewable, self.overlays)))
        self.expect("nothing pressed while the window was away",
                    lambda: self.presses()[count:] == [])

    def wait_for_person(self):
        self.log.say("your turn: click the grey overlays and watch the answers; type codes "
                     "(10 20 30 40 50) and Enter here to send them; Ctrl-C ends")
        try:
            while self.quorvex.alive():
                line = sys.stdin.readline()
                if not line:
                    self.quorvex.wait_exit(timeout=None)
                    break
                if line.strip():
                    self.controller.process.stdin.write(line)
                    self.controller.process.stdin.flush()
        except KeyboardInterrupt:
            pass

    def close(self):
        if hasattr(self, "log"):
            self.log.stop()
        for child in reversed(self.children):
            child.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--interactive", action="store_true",
                        help="leave it running on your display afterwards")
    parser.add_argument("--window", action="store_true",
                        help="overlays that follow the window (WINDOW), which moves, closes "
                             "and comes back")
    options = parser.parse_args()
    on_xvfb = not os.environ.get("DISPLAY")
    if options.interactive and on_xvfb:
        print("demo: INTERACTIVE=1 needs a display: run it from a desktop session "
              "(DISPLAY is not set)", file=sys.stderr)
        return 2
    if not os.access(BIN, os.X_OK):
        print(f"demo: {BIN} is missing: build the linux preset first", file=sys.stderr)
        return 2
    os.makedirs(OUT, exist_ok=True)
    with open(TRANSCRIPT, "w") as transcript:
        sys.stdout = Tee(sys.__stdout__, transcript)
        try:
            return run(options, on_xvfb)
        finally:
            sys.stdout = sys.__stdout__


def run(options, on_xvfb):
    desktop = Desktop() if on_xvfb else UserDisplay()
    where = "a private Xvfb display" if on_xvfb else f"display {os.environ['DISPLAY']}"
    print(f"Quorvex demo on {where}; times are UTC\n", flush=True)
    demo = Demo(desktop, on_xvfb, options.window)
    try:
        demo.run()
        if options.interactive:
            demo.wait_for_person()
    except AssertionError as error:
        demo.failures.append(str(error))
        quorvex = getattr(demo, "quorvex", None)
        if quorvex and not quorvex.alive():
            demo.failures.append(f"Quorvex ended with status {quorvex.process.returncode}")
    finally:
        demo.close()
        desktop.close()
    print()
    if demo.failures:
        print("DEMO FAILED; not seen: " + "; ".join(demo.failures))
        return 1
    print("Demo passed: every click and code did what it should.")
    print(f"Left in {os.path.relpath(OUT)}: tessora.ini (the settings), quorvex.log (Quorvex's "
          "own log), transcript.txt"
          + (", quorvex-demo.png (the screenshot)" if IMAGEMAGICK else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())

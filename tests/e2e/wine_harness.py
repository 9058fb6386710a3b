"""Real parts for the Windows end-to-end tests: the Linux tests' Xvfb desktop and
controller tool, a fresh Wine prefix whose COM3 is the controller's pseudo-terminal,
and the Windows programs (quorvex.exe, the target and the probe) run under Wine."""

import os
import re
import shutil
import subprocess
import tempfile

from linux_harness import CONTROLLER, Child, Controller, Desktop, wait_until

BUILD = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "windows")
EXE = os.environ.get("QUORVEX_WIN_EXE", os.path.join(BUILD, "quorvex.exe"))
PROBE = os.environ.get("QUORVEX_WIN_PROBE", os.path.join(BUILD, "tests/platform/win32/probe.exe"))
LINE = os.environ.get("QUORVEX_WIN_LINE", os.path.join(BUILD, "tests/platform/win32/line.exe"))
TARGET = os.environ.get("QUORVEX_WIN_TARGET",
                        os.path.join(BUILD, "tests/platform/win32/target.exe"))
POPUPS = os.environ.get("QUORVEX_WIN_POPUPS",
                        os.path.join(BUILD, "tests/platform/win32/popups.exe"))

NOTHING = 3  # the probe's status when there is nothing to read


class Wine:
    """A prefix of its own with a wineserver kept running, so programs start quickly."""

    def __init__(self, desktop):
        self.prefix = tempfile.mkdtemp(prefix="quorvex-wine-")
        # No Mono or Gecko prompts: nothing here needs them.
        self.env = dict(desktop.env, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.server = subprocess.Popen(["wineserver", "--persistent", "--foreground"],
                                       env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineboot", "--init"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        subprocess.run(["wineserver", "--kill"], env=self.env)
        self.server.wait(10)
        shutil.rmtree(self.prefix, ignore_errors=True)

    def map_port(self, number, device):
        """COMn of the programs under this prefix becomes `device`."""
        link = os.path.join(self.prefix, "dosdevices", f"com{number}")
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(device, link)

    def run(self, *args):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True)


def overlay_shows_at(desktop, x, y):
    """Whether the X server has an overlay at the point: Wine maps a window a little
    after user32 calls it visible, and a click before that goes to what lies beneath."""
    desktop.move_pointer(x, y)
    window = desktop.run("xdotool", "getmouselocation", "--shell")
    window = re.search(r"^WINDOW=(\d+)$", window, re.M).group(1)
    return desktop.run("xdotool", "getwindowname", window).strip() == "B"


class Probe:
    """What user32 says about the overlays and the message box, read from inside Wine."""

    def __init__(self, wine):
        self.wine = wine

    def overlays(self):
        """{"frmMain": {"left": ..., "visible": ..., "alpha": ..., "text": "B"}, ...}"""
        found = {}
        for line in self.wine.run(PROBE, "windows").stdout.splitlines():
            name, *fields = line.split()
            values = dict(field.split("=", 1) for field in fields)
            found[name] = {k: v if k == "text" else int(v) for k, v in values.items()}
        return found

    def rect(self, name):
        window = self.overlays().get(name)
        return window and (window["left"], window["top"], window["right"], window["bottom"])

    def cursor(self):
        """Where Windows has the cursor, as GetCursorPos reads it."""
        return tuple(int(v) for v in self.wine.run(PROBE, "cursor").stdout.split())

    def foreground(self):
        """The class of the window that has the keyboard, or "none"."""
        return self.wine.run(PROBE, "foreground").stdout.strip()

    def message_box_open(self):
        return self.wine.run(PROBE, "box").returncode == 0

    def ask_to_close(self):
        """WM_CLOSE to frmMain, as taskkill without /F sends it."""
        assert self.wine.run(PROBE, "close").returncode == 0, "no overlay to close"

    def dismiss_message_box(self):
        """Waits for the "Quorvex" message box, clicks its OK and returns what it held."""
        def read():
            result = self.wine.run(PROBE, "msgbox")
            return result.stdout if result.returncode != NOTHING else None
        line = wait_until(read, what="a message box").strip()
        match = re.match(r"buttons=(\d+) icons=(\d+) enabled=(\d+) text=(.*)$", line, re.S)
        return {"buttons": int(match.group(1)), "icons": int(match.group(2)),
                "enabled overlays": int(match.group(3)), "text": match.group(4)}


class Target(Child):
    """The window beneath: reports its buttons' screen rectangles and every click."""

    def __init__(self, wine, x=100, y=100, title=None, topmost=False):
        super().__init__(["wine", TARGET, str(x), str(y), *([title] if title else []),
                          *(["topmost"] if topmost else [])], wine.env,
                         stdin=subprocess.PIPE if title else subprocess.DEVNULL)
        self.wait_line("^ready$", timeout=30)
        self.buttons = {}
        for line in list(self.out):
            if line.startswith("button "):
                _, name, *edges = line.split()
                self.buttons[name] = tuple(int(v) for v in edges)

    def command(self, line):
        """A titled target moves, minimises or restores itself: "move X Y", "minimise",
        "restore". Returns its client area's new corner on the screen, or None."""
        del self.out[:]
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        done = self.wait_line(r"^(origin (-?\d+) (-?\d+)|minimised)$", timeout=30)
        return (int(done.group(2)), int(done.group(3))) if done.group(2) else None

    def origin(self):
        found = [line for line in list(self.out) if line.startswith("origin ")]
        return tuple(int(v) for v in found[0].split()[1:])

    def centre(self, name):
        left, top, right, bottom = self.buttons[name]
        return (left + right) // 2, (top + bottom) // 2

    def clicks(self):
        return [line.split()[1] for line in list(self.out) if line.startswith("click ")]

    def releases(self):
        """Each left release a button received: its name and where on the screen."""
        return [(name, int(x), int(y)) for name, x, y in
                (line.split()[1:] for line in list(self.out) if line.startswith("release "))]

    def points(self):
        """Where each left press beside the buttons landed."""
        return [tuple(map(int, line.split()[1:])) for line in list(self.out)
                if line.startswith("point ")]


class Popups(Child):
    """An application's drop-down list and pop-up menu: reports the boxes of their items
    on the screen, and the item chosen."""

    def __init__(self, wine, x, y, title):
        super().__init__(["wine", POPUPS, str(x), str(y), title], wine.env,
                         stdin=subprocess.PIPE)
        self.wait_line("^ready$", timeout=30)
        self.combo = self.boxes("combo")[0]

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def boxes(self, kind):
        """[(left, top, right, bottom), ...] of the list's or the menu's items, or the
        combo box's, as last reported."""
        found = {}
        for line in list(self.out):
            if line.startswith(kind + " "):
                _, n, *edges = line.split()
                found[int(n)] = tuple(int(v) for v in edges)
        return [found[n] for n in sorted(found)]

    def open_list(self, desktop):
        """Clicks the drop-down list open, as the operator does; returns its items' boxes.
        Under Wine a click soon after another pop-up closed is at times lost: clicked
        again while the list is not seen opening, or is seen closing."""
        left, top, right, bottom = self.combo
        for _ in range(10):
            del self.out[:]
            desktop.click((left + right) // 2, (top + bottom) // 2)
            try:
                seen = self.wait_line("^(list 3 |closed list)", timeout=5)
            except AssertionError:
                continue
            if seen.group(0).startswith("list"):
                return self.boxes("list")
        raise AssertionError("the drop-down list never opened")

    def open_menu(self, x, y):
        """The pop-up menu with its corner at x,y; returns its items' boxes."""
        del self.out[:]
        self.command(f"menu {x} {y}")
        self.wait_line("^menu 3 ", timeout=30)
        return self.boxes("menu")

    # Escape, as the operator closes them: under Wine the click after a list or a menu
    # closed by the program itself is lost.
    def close_list(self, desktop):
        del self.out[:]
        desktop.run("xdotool", "key", "Escape")
        self.wait_line("^closed list$", timeout=30)

    def close_menu(self, desktop):
        desktop.run("xdotool", "key", "Escape")
        self.wait_line("^chose none$", timeout=30)

    def chosen(self):
        return [line.split(None, 1)[1] for line in list(self.out) if line.startswith("chose ")]


class Quorvex(Child):
    """quorvex.exe started under Wine in a temporary folder holding the given settings
    (text or bytes) as tessora.ini, or as the file `name`; the folder's name ends in
    `suffix`."""

    def __init__(self, wine, settings, name="tessora.ini", suffix=""):
        self.folder = tempfile.mkdtemp(prefix="quorvex-e2e-", suffix=suffix)
        if settings is not None:
            with open(os.path.join(self.folder, name),
                      "wb" if isinstance(settings, bytes) else "w") as ini:
                ini.write(settings)
        super().__init__(["wine", os.path.abspath(EXE)], wine.env, cwd=self.folder)

    def cpu_ticks(self):
        """User and system time of the Windows process (the Wine loader becomes it)."""
        with open(f"/proc/{self.process.pid}/cmdline") as cmdline:
            assert os.path.basename(EXE) in cmdline.read(), "not the Windows process"
        with open(f"/proc/{self.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    def stop(self):
        super().stop()
        shutil.rmtree(self.folder, ignore_errors=True)


def open_desktop():
    """Xvfb, a fresh Wine prefix on it, and the probe: what each test module shares."""
    if not os.access(CONTROLLER, os.X_OK):
        raise RuntimeError(f"no controller tool at {CONTROLLER}: build the linux preset first")
    desktop = Desktop()
    wine = Wine(desktop)
    return desktop, wine, Probe(wine)


def close_desktop(desktop, wine):
    wine.close()
    desktop.close()


__all__ = ["Controller", "Popups", "Probe", "Quorvex", "Target", "Wine", "close_desktop", "open_desktop",
           "overlay_shows_at", "wait_until"]

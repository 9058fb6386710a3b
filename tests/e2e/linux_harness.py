"""Real parts for the Linux end-to-end tests: an Xvfb display (optionally under
openbox), the controller tool on a pseudo-terminal, the test target window, and
build/linux/quorvex itself, each as a child process whose output is collected."""

import fcntl
import os
import pwd
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty
import unittest

BUILD = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "linux")
BIN = os.environ.get("QUORVEX_BIN", os.path.join(BUILD, "quorvex"))
CONTROLLER = os.environ.get("QUORVEX_CONTROLLER", os.path.join(BUILD, "quorvex-controller"))
TARGET = os.environ.get("QUORVEX_TARGET",
                        os.path.join(BUILD, "tests/platform/x11/x11_target_window"))
WATCHER = os.environ.get("QUORVEX_WATCHER",
                         os.path.join(BUILD, "tests/platform/x11/x11_window_watcher"))
POPUP = os.environ.get("QUORVEX_POPUP",
                       os.path.join(BUILD, "tests/platform/x11/x11_popup_window"))
INPUT = os.environ.get("QUORVEX_INPUT",
                       os.path.join(BUILD, "tests/platform/x11/x11_input_client"))
WM = os.environ.get("QUORVEX_WM", "none")

WAIT = 10.0  # seconds: a generous bound for anything that should happen at once
MIB = 1 << 20
# Tests bound the CPU a program uses only where a fault would spin, and far above
# what it needs (bench/ measures that): a quarter of one core, counted once the
# program has settled, and not in the sanitizers' build, whose own work is counted
# with the program's.
SPIN_SHARE = 0.25
TICKS = os.sysconf("SC_CLK_TCK")
SANITIZED = os.environ.get("QUORVEX_SANITIZED") == "1"


def random_mebibyte():
    """The same random bytes every run, so that a failure can be replayed byte for byte."""
    return random.Random(6).randbytes(MIB)


def wait_until(condition, timeout=WAIT, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.01)


def settle(ticks, still=0.5, timeout=WAIT):
    """Waits until `ticks()`, a process's CPU ticks, stand still for `still` seconds
    (a tick more is the count's rounding): what an earlier event left to do is done."""
    def stood_still():
        before = ticks()
        time.sleep(still)
        return ticks() - before <= 1
    wait_until(stood_still, timeout, "the program to settle")


def assert_no_spin(test, ticks, seconds, what):
    """`ticks` used over `seconds` are below what only a spinning program reaches."""
    print(f"\n{what}: {ticks} CPU ticks in {seconds:.1f} s", file=sys.stderr)
    if not SANITIZED:
        test.assertLessEqual(ticks, SPIN_SHARE * TICKS * seconds, f"CPU ticks {what}")


class Child:
    """A process whose stdout and stderr lines are collected as they come."""

    def __init__(self, args, env, cwd=None, stdin=subprocess.DEVNULL, pass_fds=()):
        self.args = args
        self.process = subprocess.Popen(
            args, cwd=cwd, env=env, stdin=stdin, pass_fds=pass_fds, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True, errors="backslashreplace", bufsize=1)
        self.out, self.err = [], []
        self._readers = [threading.Thread(target=self._collect, args=(s, l), daemon=True)
                         for s, l in ((self.process.stdout, self.out),
                                      (self.process.stderr, self.err))]
        for reader in self._readers:
            reader.start()

    @staticmethod
    def _collect(stream, lines):
        for line in stream:
            lines.append(line.rstrip("\n"))

    def wait_line(self, pattern, stream=None, timeout=WAIT):
        lines = self.out if stream is None else stream
        regex = re.compile(pattern)
        return wait_until(lambda: next((m for m in map(regex.search, list(lines)) if m), None),
                          timeout, f"{pattern!r} from {os.path.basename(self.args[0])}")

    def wait_exit(self, timeout=WAIT):
        status = self.process.wait(timeout)
        for reader in self._readers:
            reader.join(timeout)
        return status

    def alive(self):
        return self.process.poll() is None

    def status_kib(self, key):
        """A memory figure of /proc/PID/status, such as VmRSS or VmHWM, in KiB."""
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(rf"^{key}:\s+(\d+) kB", status.read(), re.M).group(1))

    def stop(self):
        if self.alive():
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            if stream:
                stream.close()


class Desktop:
    """Xvfb on a free display number (chosen by Xvfb itself), without TCP."""

    WIDTH, HEIGHT = 1024, 768

    def __init__(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
             "-screen", "0", f"{self.WIDTH}x{self.HEIGHT}x24"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=f":{number}")
        self.env.pop("XAUTHORITY", None)
        self.wm = None
        if WM == "openbox":
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: "window id" in self.run("xprop", "-root",
                                                        "_NET_SUPPORTING_WM_CHECK"),
                       what="openbox")
            # Openbox drops map requests made while it is still starting: it is ready
            # once it maps a window for us.
            wait_until(self._maps_a_window, what="openbox to map windows")

    def _maps_a_window(self):
        probe = Child([TARGET], self.env)
        try:
            probe.wait_line("^ready ", timeout=0.5)
            return True
        except AssertionError:
            return False
        finally:
            probe.stop()

    def close(self):
        for process in (self.wm, self.xvfb):
            if process:
                process.terminate()
                process.wait(10)

    def run(self, *args):
        return subprocess.run(args, env=self.env, capture_output=True, text=True).stdout

    def click(self, x, y, button=1):
        self.run("xdotool", "mousemove", str(x), str(y), "click", str(button))

    def move_pointer(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y))

    def pointer(self):
        shell = dict(re.findall(r"(\w+)=(\d+)", self.run("xdotool", "getmouselocation",
                                                         "--shell")))
        return int(shell["X"]), int(shell["Y"])

    def find(self, *search):
        ids = self.run("xdotool", "search", *search).split()
        return int(ids[0]) if ids else None

    def geometry(self, window):
        """x, y, width, height on the screen (xwininfo: exact under a window manager)."""
        info = self.run("xwininfo", "-id", str(window))
        return tuple(int(re.search(key + r":\s+(-?\d+)", info).group(1)) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def viewable(self, window):
        return "IsViewable" in self.run("xwininfo", "-id", str(window))

    def pixel(self, x, y):
        text = self.run("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8",
                        "txt:-")
        return int(re.search(r"#([0-9A-Fa-f]{6})", text).group(1), 16)


class Controller(Child):
    """The controller tool holding the master side of a fresh pseudo-terminal."""

    def __init__(self, desktop, *options):
        super().__init__([CONTROLLER, "--pty", *options], desktop.env, stdin=subprocess.PIPE)
        self.port = wait_until(lambda: self.out[0] if self.out else None, what="pty path")

    def send(self, code):
        self.process.stdin.write(code + "\n")
        self.process.stdin.flush()
        self.wait_line("sent " + re.escape(f'"{code}"'))

    def received(self):
        """Every byte received so far, in order (the tool prints each code quoted, some
        named after it in brackets)."""
        parts = [re.match(r'\S+ recv "((?:[^"\\]|\\.)*)"(?: \(.*\))?$', line)
                 for line in list(self.out)]
        return "".join(p.group(1).encode().decode("unicode_escape") for p in parts if p)

    def wait_received(self, text, timeout=WAIT):
        wait_until(lambda: text in self.received(), timeout, f"{text!r} on the line")

    def hang_up(self):
        self.process.stdin.close()
        self.wait_exit()


class Target(Child):
    """The window beneath: reports its buttons' places and every press it gets."""

    def __init__(self, desktop, x=100, y=100, title=None):
        super().__init__([TARGET, str(x), str(y), *([title] if title else [])], desktop.env)
        ready = self.wait_line(r"^ready Start=(\d+),(\d+),(\d+),(\d+) Stop=(\d+),(\d+),(\d+),(\d+)")
        values = [int(v) for v in ready.groups()]
        self.start_rect, self.stop_rect = tuple(values[:4]), tuple(values[4:])

    def clicks(self):
        return [line.split()[1] for line in list(self.out) if line.startswith("click ")]


class Watcher(Child):
    """Every move of one window, with the monotonic time it was seen (ms)."""

    def __init__(self, desktop, window):
        super().__init__([WATCHER, str(window)], desktop.env)
        self.wait_line("^watching$")

    def moves(self):
        return [tuple(float(v) for v in line.split()[1:]) for line in list(self.out)
                if line.startswith("moved ")]


class Popup(Child):
    """Another client's window: "menu" (override-redirect), "normal", or "hog" (a normal
    window that raises itself whenever an override-redirect window is restacked)."""

    def __init__(self, desktop, kind, x, y, width, height):
        super().__init__([POPUP, kind, str(x), str(y), str(width), str(height)], desktop.env)
        self.kind = kind
        self.wait_line("^ready$")

    def clicks(self):
        return [line for line in list(self.out) if line.startswith("click ")]


class InputClient(Child):
    """Another client on the display: holds buttons, grabs the pointer, changes the
    pointer mapping (x11_input_client's commands)."""

    def __init__(self, desktop):
        super().__init__([INPUT], desktop.env, stdin=subprocess.PIPE)
        self.wait_line("^ready$")
        self.answered = 0

    def do(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        self.answered += 1
        answers = wait_until(lambda: [line for line in list(self.out)
                                      if line in ("ok", "failed")][self.answered - 1:],
                             what=command)
        if answers[0] != "ok":
            raise AssertionError(f"{command!r} failed")


class Quorvex(Child):
    """build/linux/quorvex started in a temporary folder holding the given tessora.ini:
    text, bytes, or a function that makes whatever the path is to be. With `user`, it
    runs under that account (a root test cannot be refused a file otherwise)."""

    def __init__(self, desktop, settings, user=None):
        self.folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        path = os.path.join(self.folder, "tessora.ini")
        if callable(settings):
            settings(path)
        elif settings is not None:
            with open(path, "wb" if isinstance(settings, bytes) else "w") as ini:
                ini.write(settings)
        args = [os.path.abspath(BIN)]
        if user:
            os.chmod(self.folder, 0o755)
            account = pwd.getpwnam(user)
            args = ["setpriv", f"--reuid={account.pw_uid}", f"--regid={account.pw_gid}",
                    "--clear-groups", *args]
        super().__init__(args, desktop.env, cwd=self.folder)
        self.desktop = desktop

    def shown(self, name):
        """The overlay's handle while it is shown, else None."""
        return self.desktop.find("--onlyvisible", "--classname", f"^{name}$")

    def overlay(self, name):
        """The overlay's handle, once it is shown."""
        return wait_until(lambda: self.desktop.find("--onlyvisible", "--classname", f"^{name}$"),
                          what=f"{name} shown")

    def message_box(self):
        return wait_until(lambda: self.desktop.find("--onlyvisible", "--name", "^Quorvex$"),
                          what="a message box")

    def dismiss(self):
        """Clicks OK on the open message box, where the box draws it."""
        x, y, width, height = self.desktop.geometry(self.message_box())
        self.desktop.click(x + width // 2, y + height - 16 - 13)

    def waiting(self):
        """Whether it sleeps in its event loop (or a message box's): in epoll_pwait2
        (epoll_wait on kernels before 5.11), which only the loop calls (Xlib waits for
        replies in poll)."""
        loop_waits = {"441", "232"}  # x86-64
        with open(f"/proc/{self.process.pid}/syscall") as syscall:
            return syscall.read().split()[0] in loop_waits

    def cpu_and_wakeups(self):
        with open(f"/proc/{self.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        with open(f"/proc/{self.process.pid}/status") as status:
            switches = re.search(r"^voluntary_ctxt_switches:\s+(\d+)", status.read(), re.M)
        return int(fields[11]) + int(fields[12]), int(switches.group(1))

    def past_start(self):
        """The start is over, so a code written now is read: the greeting's write is
        followed at once by dropping what already waits, and a controller that answers
        faster than that would lose its code. Shown overlays tell it too; its loop
        tells it also while none is."""
        wait_until(self.waiting, what="the program in its loop")

    def settled_usage(self, seconds):
        """CPU ticks and wake-ups over `seconds` once the program has settled, and the
        seconds that really passed meanwhile."""
        settle(lambda: self.cpu_and_wakeups()[0])
        before, started = self.cpu_and_wakeups(), time.monotonic()
        time.sleep(seconds)
        after = self.cpu_and_wakeups()
        return after[0] - before[0], after[1] - before[1], time.monotonic() - started

    def stop(self):
        super().stop()
        shutil.rmtree(self.folder, ignore_errors=True)


class Owner(unittest.TestCase):
    """A test that stops every child it owns when it ends, the last started first."""

    def setUp(self):
        self.children = []

    def tearDown(self):
        for child in reversed(self.children):
            child.stop()

    def own(self, child):
        self.children.append(child)
        return child


class PseudoTerminal:
    """Both ends of a fresh pseudo-terminal, held by the test itself, for traffic the
    controller tool is not made for: floods at full speed and exact timing."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.port = os.ttyname(self.slave)
        self._received = b""

    def write(self, data):
        view = memoryview(data)
        while view:
            view = view[os.write(self.master, view):]

    def exclusive(self):
        """Whether the program's end is held exclusively (TIOCEXCL): others are refused it."""
        tiocgexcl = 0x80045440
        return int.from_bytes(fcntl.ioctl(self.slave, tiocgexcl, bytes(4)), "little") != 0

    def unread(self):
        """Bytes on the program's end that it has not read yet."""
        return int.from_bytes(fcntl.ioctl(self.slave, termios.FIONREAD, bytes(4)), "little")

    def received(self, timeout=0.0):
        """Everything the program has sent so far."""
        while select.select([self.master], [], [], timeout)[0]:
            self._received += os.read(self.master, 4096)
            timeout = 0.0
        return self._received

    def wait_received(self, data, timeout=WAIT):
        wait_until(lambda: data in self.received(0.01), timeout, f"{data!r} on the line")

    def close(self):
        for fd in (self.master, self.slave):
            if fd >= 0:
                os.close(fd)
        self.master = self.slave = -1

"""quorvex-align driven as an operator drives it: point, press Enter, seven times.
Shared by the Linux and the Windows end-to-end tests."""

import os
import re
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
from linux_harness import WAIT, wait_until  # noqa: E402

KEYS = ["AUTOCONN", "VERSION", "CP", "PT", "PL", "FW", "FH", "CX", "CY", "CW", "CH",
        "STRX", "STRY", "STPX", "STPY", "PT2", "PL2", "FW2", "FH2", "STRX2", "STRY2"]


def settings_text(values):
    """tessora.ini as the tool writes it: every key in the reader's order, CR LF each."""
    return "".join(f"{key}:{values.get(key, 0)}\r\n" for key in KEYS).encode()


def expected_settings(button1, button2, start, stop, start2, twips=15, port="",
                      visible=False):
    """Settings for buttons given as (x, y, width, height) and three click points."""
    values = dict(AUTOCONN=1 if port else 0, VERSION=101 if visible else 100, CP=port)
    for suffix, (x, y, width, height) in (("", button1), ("2", button2)):
        values.update({f"PL{suffix}": x * twips, f"PT{suffix}": y * twips,
                       f"FW{suffix}": width * twips, f"FH{suffix}": height * twips})
    for (kx, ky), (x, y) in ((("STRX", "STRY"), start), (("STPX", "STPY"), stop),
                             (("STRX2", "STRY2"), start2)):
        values.update({kx: x, ky: y})
    return settings_text(values)


class Align:
    """The tool with its input held by the test. Standard output is kept as bytes (the
    settings end their lines in CR LF); standard error is collected line by line."""

    def __init__(self, command, env, cwd=None):
        self.process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.err = []
        self._out = []
        self._threads = [threading.Thread(target=self._collect_err, daemon=True),
                         threading.Thread(target=lambda: self._out.append(
                             self.process.stdout.read()), daemon=True)]
        for thread in self._threads:
            thread.start()

    def _collect_err(self):
        for line in iter(self.process.stderr.readline, b""):
            self.err.append(line.decode(errors="backslashreplace").rstrip("\r\n"))

    def stderr_text(self):
        return "\n".join(self.err)

    def give(self, number, move_pointer=None, typed=""):
        """Point `number` of 7: moves the pointer (unless `typed` is "="), presses Enter,
        and waits until the tool has taken the point; returns the point it took."""
        if move_pointer:
            move_pointer()
        self.process.stdin.write(typed.encode() + b"\n")
        self.process.stdin.flush()
        pattern = re.compile(rf"^{number}/7 .*  (-?\d+),(-?\d+)$")
        taken = wait_until(lambda: next((m for m in map(pattern.match, list(self.err)) if m),
                                        None), what=f"point {number} taken")
        return int(taken.group(1)), int(taken.group(2))

    def press_enter(self):
        self.process.stdin.write(b"\n")
        self.process.stdin.flush()

    def finish(self, timeout=WAIT):
        """Closes the input and waits: (exit status, standard output as bytes)."""
        if not self.process.stdin.closed:
            self.process.stdin.close()
        status = self.process.wait(timeout)
        for thread in self._threads:
            thread.join(timeout)
        return status, self._out[0] if self._out else b""

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            if stream and not stream.closed:
                stream.close()

    def alive(self):
        return self.process.poll() is None

    def warnings(self):
        return [line for line in self.err if line.startswith("warning: ")]

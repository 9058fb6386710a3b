"""The native controller tool on a pseudo-terminal of its own, its other end held by
the test where Quorvex would hold it: a slip of the keyboard is answered and the
tool goes on, a mistake on its command line ends it, and a line nobody reads does
not keep it from hearing what arrives."""

import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import tty
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
from linux_harness import CONTROLLER, WAIT, Child, wait_until  # noqa: E402


class ProgramEnd:
    """The pseudo-terminal's end that Quorvex opens."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)
        self.received = b""

    def read(self, count, timeout=WAIT):
        """Everything until `count` bytes have come in all, or the time is up."""
        deadline = time.monotonic() + timeout
        while len(self.received) < count and time.monotonic() < deadline:
            if select.select([self.fd], [], [], 0.1)[0]:
                self.received += os.read(self.fd, 65536)
        return self.received

    def close(self):
        os.close(self.fd)


class PosixController(unittest.TestCase):
    def tool(self, *args):
        tool = Child([CONTROLLER, "--pty", *args], dict(os.environ), stdin=subprocess.PIPE)
        self.addCleanup(tool.stop)
        path = wait_until(lambda: tool.out[0] if tool.out else None, what="the pty's path")
        end = ProgramEnd(path)
        self.addCleanup(end.close)
        return tool, end

    @staticmethod
    def type(tool, text):
        tool.process.stdin.write(text)
        tool.process.stdin.flush()

    def test_a_slip_typed_is_one_error_line_and_the_tool_goes_on(self):
        tool, end = self.tool()
        self.type(tool, "1\\q\n")
        tool.wait_line(r' error .*"1\\q" not sent$')
        self.type(tool, "\\x4\n40\n")
        tool.wait_line(r' sent "40"$')
        self.assertEqual(end.read(2), b"40")
        self.assertTrue(tool.alive())
        self.assertEqual(sum(" error " in line for line in tool.out), 2, tool.out)
        tool.process.stdin.close()
        self.assertEqual(tool.wait_exit(), 0)

    def test_only_a_mistake_on_the_command_line_ends_it(self):
        for args in (["--pty", "1\\q"], ["--bogus", "3"], []):
            with self.subTest(args=args):
                done = subprocess.run([CONTROLLER, *args], stdin=subprocess.DEVNULL,
                                      capture_output=True, text=True, timeout=WAIT)
                self.assertEqual(done.returncode, 2)
                self.assertIn("--help", done.stderr)

    def test_a_line_nobody_reads_neither_stops_the_tool_nor_loses_bytes(self):
        tool, end = self.tool()
        # Far more than a pseudo-terminal holds: the tool has to keep the rest itself.
        lines = [f"{n:05d}".ljust(1023, "x") for n in range(256)]
        typing = threading.Thread(target=self.type, args=(tool, "".join(f"{l}\n" for l in lines)),
                                  daemon=True)
        typing.start()
        tool.wait_line(r'^\S+ sent "00255x+"$', timeout=60)
        os.write(end.fd, b"101")
        tool.wait_line(r' recv "101"$')
        expected = "".join(lines).encode()
        self.assertEqual(end.read(len(expected), timeout=60), expected)
        tool.process.stdin.close()
        self.assertEqual(tool.wait_exit(), 0)

    def test_a_link_that_outlives_restarts_and_nothing_said_sent_while_nobody_listens(self):
        folder = tempfile.mkdtemp(prefix="quorvex-pty-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        link = os.path.join(folder, "port")
        for ending in ("input ends", signal.SIGINT, signal.SIGTERM):
            with self.subTest(ending=str(ending)):
                tool = Child([CONTROLLER, "--pty", link, "40"], dict(os.environ),
                             stdin=subprocess.PIPE)
                self.addCleanup(tool.stop)
                self.assertEqual(wait_until(lambda: tool.out[0] if tool.out else None,
                                            what="the link's path"), link)
                self.assertTrue(os.readlink(link).startswith("/dev/pts/"))
                self.type(tool, "10\n")
                tool.wait_line(r'^\S+ not sent "10": nobody has the line open$')
                end = ProgramEnd(link)
                tool.wait_line(r" note the other end has opened the line$")
                os.write(end.fd, b"some data")
                self.assertEqual(end.read(2), b"40")  # the code given waited for this
                self.type(tool, "20\n")
                tool.wait_line(r'^\S+ sent "20"$')
                self.assertEqual(end.read(4), b"4020")
                end.close()
                tool.wait_line(r" note nobody has the line open now$")
                if ending == "input ends":
                    tool.process.stdin.close()
                    self.assertEqual(tool.wait_exit(), 0)
                else:
                    tool.process.send_signal(ending)
                    self.assertEqual(tool.wait_exit(), -ending)
                self.assertFalse(os.path.lexists(link))
                self.assertEqual(os.listdir(folder), [])

        with open(link, "w") as settings:
            settings.write("CP:3\n")
        done = subprocess.run([CONTROLLER, "--pty", link], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(done.returncode, 1)
        self.assertIn("exists and is not a symbolic link: left as it is", done.stderr)
        with open(link) as kept:
            self.assertEqual(kept.read(), "CP:3\n")
        missing = os.path.join(folder, "line9")
        done = subprocess.run([CONTROLLER, "--pty", os.path.join(missing, "port")],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=WAIT)
        self.assertEqual(done.returncode, 1)
        self.assertIn(f"the folder {missing} does not exist (make it first: mkdir -p {missing})",
                      done.stderr)

    @staticmethod
    def stamp(line):
        """The tool's time of a line, in seconds since midnight (UTC)."""
        hours, minutes, seconds = line.split()[0].split(":")
        return int(hours) * 3600 + int(minutes) * 60 + float(seconds)

    def test_heartbeats_that_stop_are_said_once_and_again_when_they_come_back(self):
        interval = 1.0  # seconds; beats go 5 times as often, so only a stall of 2.8 s is a gap
        tool, end = self.tool("--heartbeat", str(int(interval * 1000)))
        gone = f"note no heartbeat for 3 intervals ({int(interval * 1000)} ms): Quorvex gone: " \
               "the buttons may be bare"
        # Waiting for a deadline costs no time, watched or gone: a loop that spun would
        # spend most of these seconds.
        spent = self.cpu_seconds(tool)
        for _ in range(10):
            os.write(end.fd, b"00")
            time.sleep(interval / 5)
        os.write(end.fd, b"1100")  # read together: still one line each
        tool.wait_line(r' recv "11" \(10 made\)$')
        tool.wait_line(re.escape(gone), timeout=60)
        time.sleep(1)
        self.assertLess(self.cpu_seconds(tool) - spent, 0.5)
        os.write(end.fd, b"00")
        tool.wait_line(r" note heartbeat again after \d+\.\d s: Quorvex is running$")
        lines = list(tool.out)
        self.assertEqual(sum(l.endswith(' recv "00" (heartbeat)') for l in lines), 12, lines)
        self.assertTrue(all(l.endswith(("(heartbeat)", "(10 made)", gone)) or " note " in l
                            for l in lines[1:]), lines)
        # Never said early: each "gone" comes three intervals after the beat before it
        # (a machine slow enough to stall that long earns one, rightly).
        said = [i for i, l in enumerate(lines) if l.endswith(gone)]
        again = [i for i, l in enumerate(lines) if "heartbeat again" in l]
        self.assertEqual(len(said), len(again), lines)
        for i in said:
            last = max(j for j in range(i) if lines[j].endswith("(heartbeat)"))
            self.assertGreaterEqual(self.stamp(lines[i]) - self.stamp(lines[last]),
                                    3 * interval - 0.01, lines)
        tool.process.stdin.close()
        self.assertEqual(tool.wait_exit(), 0)

    @staticmethod
    def cpu_seconds(child):
        with open(f"/proc/{child.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def test_a_heartbeat_interval_out_of_range_is_a_mistake_on_the_command_line(self):
        for value in ("99", "30001", "1s"):
            with self.subTest(value=value):
                done = subprocess.run([CONTROLLER, "--heartbeat", value, "--pty"],
                                      stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                      timeout=WAIT)
                self.assertEqual(done.returncode, 2)
                self.assertIn("milliseconds from 100 to 30000", done.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)

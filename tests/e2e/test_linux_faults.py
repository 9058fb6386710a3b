"""The Linux program under bad input: a flood of random bytes on the line, and settings
files that are no settings file. Each ends in its message or in a normal start, and
nothing crashes."""

import os
import shutil
import subprocess
import tempfile
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_linux  # noqa: E402
from linux_harness import (BIN, MIB, PseudoTerminal, Quorvex, Target, Watcher,  # noqa: E402
                           random_mebibyte, wait_until)
from test_linux import Scenario, centre, settings  # noqa: E402

FLOOD_TIMEOUT = 120  # seconds for a mebibyte through a pseudo-terminal, however slow


def setUpModule():
    test_linux.setUpModule()


def tearDownModule():
    test_linux.tearDownModule()


def sanitized(child):
    with open(f"/proc/{child.process.pid}/maps") as maps:
        return "libasan" in maps.read()


class Line(Scenario):
    def start_on_own_line(self):
        """The program on a pseudo-terminal held by the test; returns its overlays."""
        self.line = PseudoTerminal()
        self.addCleanup(self.line.close)
        self.target = self.own(Target(test_linux.desktop))
        self.quorvex = self.own(Quorvex(test_linux.desktop,
                                        settings(self.target, port=self.line.port)))
        overlays = [self.quorvex.overlay("frmMain"), self.quorvex.overlay("frmTwo")]
        self.line.wait_received(b"some data")
        return overlays

    def shown(self, overlays):
        return [test_linux.desktop.viewable(o) for o in overlays]

    def test_random_flood_then_every_code_acts(self):
        overlays = self.start_on_own_line()
        resident = self.quorvex.status_kib("VmRSS")
        self.line.write(random_mebibyte())
        wait_until(lambda: self.line.unread() == 0, FLOOD_TIMEOUT, "the flood read")
        self.assertTrue(self.quorvex.alive())
        # What shares a read with garbage before it is dropped by design, so the flood's
        # tail may swallow a code: "50" is sent again until one has surely acted.
        wait_until(lambda: self.line.write(b"50") or not any(self.shown(overlays)),
                   FLOOD_TIMEOUT, "a code after the flood")
        self.line.write(b"40")
        wait_until(lambda: all(self.shown(overlays)), what="both shown")
        self.barrier()
        for code, button in (("10", "Start"), ("20", "Stop"), ("30", "Stop")) * 3:
            with self.subTest(code=code):
                self.line.write(code.encode())
                self.target.wait_line(f"^click {button} 1$")
                self.barrier()
        self.line.write(b"10\r\n20")
        wait_until(lambda: self.target.clicks() == ["Start", "Stop"], what="both codes")
        grown = self.quorvex.status_kib("VmRSS") - resident
        print(f"\nresident memory grew by {grown} KiB", file=sys.stderr)
        if not sanitized(self.quorvex):  # the sanitizer keeps freed memory on purpose
            self.assertLess(grown, 1024, "KiB of resident memory gained")
        self.assertEqual(self.line.received(), b"some data", "sent on the line unasked")


    def flood(self, writers=2):
        """Bytes that hold no code, written as fast as the line takes them by processes of
        their own (faster than the program reads); returns what stops them."""
        floods = [subprocess.Popen(["cat", "/dev/zero"], stdout=self.line.master)
                  for _ in range(writers)]

        def stop():
            for flood in floods:
                flood.kill()
                flood.wait()
        self.addCleanup(stop)
        return stop

    def test_a_due_restore_and_a_click_keep_their_turn_during_a_flood(self):
        overlays = self.start_on_own_line()
        watcher = self.own(Watcher(test_linux.desktop, overlays[0]))
        self.line.write(b"10")
        stop_flood = self.flood()
        x, y, _, _ = self.target.start_rect
        wait_until(lambda: (x, y) in [m[:2] for m in watcher.moves()[1:]], what="frmMain back")
        self.target.wait_line("^click Start 1$")
        test_linux.desktop.click(*centre(self.target.stop_rect))
        self.line.wait_received(b"202")
        stop_flood()


def make_directory(path, _):
    os.mkdir(path)


def writes(content):
    """A maker of the file holding content(good settings)."""
    def make(path, good):
        with open(path, "wb") as ini:
            ini.write(content(good))
    return make


def make_fifo(path, _):
    os.mkfifo(path)


def link_to_dev_zero(path, _):
    os.symlink("/dev/zero", path)


def sparse_over_64_mib(path, good):
    writes(lambda _: good)(path, good)
    os.truncate(path, 64 * MIB + 1)


def named_txt(path, good):
    """Only tessora.ini.txt: what Explorer shows as tessora.ini when it hides extensions."""
    writes(lambda _: good)(path + ".txt", good)


def utf16(byte_order_mark, codec):
    """As Notepad saves "Unicode" (little-endian) and "Unicode big endian"."""
    return writes(lambda good: byte_order_mark + good.decode().encode(codec))


def unreadable(path, good):
    writes(lambda _: good)(path, good)
    os.chmod(path, 0)


def keyless_items(size):
    """Items much like real ones that hold no key, over many lines."""
    row = b'Start button, left half, "quoted, item", WIDTH:10, x:1, y:2\r\n'
    return row * (size // len(row) + 1)


STARTS = "starts with the settings that follow the noise"
STARTS_EMPTY = "starts with nothing set: no key"


class FirstDay(Scenario):
    def run_quorvex(self, *args, folder=None):
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        return subprocess.run([os.path.abspath(BIN), *args], cwd=folder, env=env,
                              capture_output=True, text=True, timeout=30)

    def test_the_program_and_its_tools_say_one_version_on_standard_output(self):
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        said = set()
        for name in ("quorvex", "quorvex-controller", "quorvex-align"):
            with self.subTest(program=name):
                done = subprocess.run([os.path.join(os.path.dirname(os.path.abspath(BIN)), name),
                                       "--version"], env=env, capture_output=True, text=True,
                                      timeout=30)
                self.assertEqual((done.returncode, done.stderr), (0, ""))
                self.assertRegex(done.stdout, r"^quorvex \d+\.\d+\.\d+\n$")
                said.add(done.stdout)
        self.assertEqual(len(said), 1, said)

    def test_help_version_and_check_answer_without_a_display(self):
        self.assertIn("--check", self.run_quorvex("--help").stdout)
        self.assertRegex(self.run_quorvex("--version").stdout, r"^quorvex \d+\.\d+\.\d+\n$")
        folder = self.own_folder()
        with open(os.path.join(folder, "tessora.ini"), "w") as ini:
            ini.write("PL:900\nPT:1500\nFW:1200\nFH:450\nSTPX:70\nSTPY:110\n"
                      "AUTOCONN:1\nCP:3\n")
        checked = self.run_quorvex("--check", folder=folder)
        self.assertEqual(checked.returncode, 0, checked.stderr)
        self.assertIn("overlay 1 (frmMain): 60,100 80x30 pixels", checked.stdout)
        self.assertIn('port: "3"', checked.stdout)
        self.assertIn('warning: the "20" point 70,110 lies inside overlay 1', checked.stdout)
        with open(os.path.join(folder, "tessora.ini"), "w") as ini:
            ini.write("PL:abc\n")
        failed = self.run_quorvex("--check", folder=folder)
        self.assertEqual(failed.returncode, 13)
        self.assertIn("Error 13: ", failed.stderr)

    def own_folder(self):
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        self.addCleanup(shutil.rmtree, folder, True)
        return folder

    # A pipe that nobody reads fills at once; the log then waits in memory, and the
    # controller's clicks go on as before.
    def test_a_log_nobody_reads_never_holds_a_click_back(self):
        line = PseudoTerminal()
        self.addCleanup(line.close)
        target = self.own(Target(test_linux.desktop))

        def with_pipe(path):
            os.mkfifo(os.path.join(os.path.dirname(path), "line.log"))
            with open(path, "w") as ini:
                ini.write(settings(target, port=line.port, LOG="line.log"))

        quorvex = self.own(Quorvex(test_linux.desktop, with_pipe))
        quorvex.overlay("frmTwo")  # shown last: what waited at the start is dropped by then
        line.wait_received(b"some data")
        line.write(b"5040" * 20000)  # far more than the pipe holds
        wait_until(lambda: line.unread() == 0, FLOOD_TIMEOUT, "the codes read")
        line.write(b"10")
        target.wait_line("^click Start 1$")
        self.assertTrue(quorvex.alive())

    def test_the_log_holds_what_crossed_the_line(self):
        line = PseudoTerminal()
        self.addCleanup(line.close)
        target = self.own(Target(test_linux.desktop))
        quorvex = self.own(Quorvex(test_linux.desktop,
                                   settings(target, port=line.port, LOG="line.log")))
        quorvex.overlay("frmTwo")  # shown last: what waited at the start is dropped by then
        line.wait_received(b"some data")
        line.write(b"10")
        target.wait_line("^click Start 1$")

        def events():
            with open(os.path.join(quorvex.folder, "line.log")) as log:
                return [entry[24:] for entry in log.read().splitlines()]

        wait_until(lambda: len(events()) >= 4, what="the log written")
        self.assertRegex(events()[0], r"^start: Quorvex ")
        x, y = centre(target.start_rect)
        self.assertEqual(events()[1:4], ['port opened, sent "some data"', 'received "10"',
                                         f'code "10": click at {x},{y}'])


class SettingsFiles(Scenario):
    def test_each_file_ends_with_its_message_or_starts(self):
        target = self.own(Target(test_linux.desktop))
        garbage = random_mebibyte()
        # Root reads every file: the program is refused it only under another account.
        other = "nobody" if os.geteuid() == 0 else None
        cases = {  # the file, made from the good settings; the account; the outcome
            "a directory": (make_directory, None,
                            "Error 75: .*tessora.ini is not a regular file"),
            "a named pipe": (make_fifo, None, "Error 75: .*tessora.ini is not a regular file"),
            "a link to /dev/zero": (link_to_dev_zero, None,
                                    "Error 75: .*tessora.ini is not a regular file"),
            "64 MiB and a byte": (sparse_over_64_mib, None,
                                  "Error 75: .*tessora.ini is too large: more than 64 MiB"),
            "tessora.ini.txt only": (named_txt, None,
                                     "Error 53: .*No such file or directory. The file "
                                     "tessora.ini.txt is there: Windows may be hiding its "
                                     "extension, so rename it to tessora.ini.$"),
            "UTF-16 little-endian, as Notepad's Unicode": (utf16(b"\xff\xfe", "utf-16-le"), None,
                                                            STARTS),
            "UTF-16 big-endian": (utf16(b"\xfe\xff", "utf-16-be"), None, STARTS),
            "unreadable": (unreadable, other, "Error 75: .*tessora.ini.*Permission denied"),
            "10 MiB of items without a key, then the settings":
                (writes(lambda good: keyless_items(10 * MIB) + good), None, STARTS),
            "binary garbage without a key":
                (writes(lambda _: garbage.replace(b":", b"")), None, STARTS_EMPTY),
            "binary garbage after a key":
                (writes(lambda _: b"FW:" + garbage), None, "Error 13: .*line 1: .*FW:"),
            "a line of 1 MiB holding a key":
                (writes(lambda _: b"PL:" + b"7" * MIB + b"\n"), None,
                 "Error 6: .*line 1: .*PL:7{57}\\.\\.\\.\" is out of range"),
            "a line of 1 MiB without a key, then the settings":
                (writes(lambda good: b"x" * MIB + b"\n" + good), None, STARTS),
        }
        for case, (make, user, outcome) in cases.items():
            with self.subTest(case=case):
                line = PseudoTerminal()
                self.addCleanup(line.close)
                good = settings(target, port=line.port).encode()
                quorvex = self.own(Quorvex(test_linux.desktop, lambda path: make(path, good),
                                           user=user))
                if outcome not in (STARTS, STARTS_EMPTY):
                    self.assert_ends_with_message(quorvex, outcome)
                    continue
                if outcome == STARTS:
                    main = quorvex.overlay("frmMain")
                    quorvex.overlay("frmTwo")
                    x, y, width, height = target.start_rect
                    self.assertEqual(test_linux.desktop.geometry(main),
                                     (x, y, width // 2, height))
                    line.wait_received(b"some data")
                else:  # overlays of no size are never shown: started once it waits
                    wait_until(quorvex.waiting, what="the program waiting for events")
                    self.assertIsNone(quorvex.desktop.find("--onlyvisible", "--name",
                                                           "^Quorvex$"))
                    self.assertEqual([line for line in quorvex.err
                                      if not line.startswith("Quorvex: start: ")], [])
                self.assertTrue(quorvex.alive())
                quorvex.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)

"""quorvex-align.exe end to end under Wine: the pointer moved by the Win32 probe, the
settings given to the real quorvex.exe, and --show read back from the screen."""

import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))
sys.path.insert(0, HERE)
from align_session import Align, expected_settings, settings_text  # noqa: E402
from linux_harness import Owner  # noqa: E402
from wine_harness import (BUILD, PROBE, Controller, Quorvex, Target,  # noqa: E402
                          close_desktop, open_desktop, wait_until)

ALIGN = os.environ.get("QUORVEX_WIN_ALIGN", os.path.join(BUILD, "quorvex-align.exe"))
PORT = 3
INK = 0xFF00FF
WINE_WAIT = 30  # seconds: a Wine program's first window can take this long on a busy machine

desktop = wine = probe = None


def setUpModule():
    global desktop, wine, probe
    desktop, wine, probe = open_desktop()


def tearDownModule():
    close_desktop(desktop, wine)


def rect(edges):
    """(left, top, right, bottom) as user32 gives it, to (x, y, width, height)."""
    left, top, right, bottom = edges
    return left, top, right - left, bottom - top


def move_pointer(x, y):
    result = wine.run(PROBE, "pointer", str(x), str(y))
    assert result.returncode == 0, result.stderr


class Session(Owner):
    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="quorvex-align-")
        self.target = self.own(Target(wine))

    def tearDown(self):
        super().tearDown()
        shutil.rmtree(self.folder, ignore_errors=True)

    def align(self, *options):
        tool = Align(["wine", os.path.abspath(ALIGN), *options], wine.env, cwd=self.folder)
        self.children.append(tool)
        return tool

    def point_out(self, tool, corners):
        """Points 1 to 4 at `corners`, the centres of A and B taken with "=", the stop
        point at C's centre; the file the tool wrote, once it ended well."""
        for number, point in enumerate(corners, 1):
            self.assertEqual(tool.give(number, lambda p=point: move_pointer(*p)), point)
        tool.give(5, typed="=")
        tool.give(6, lambda: move_pointer(*self.target.centre("C")))
        tool.give(7, typed="=")
        status, out = tool.finish(WINE_WAIT)
        self.assertEqual(status, 0, tool.stderr_text())
        return out


class Measuring(Session):
    def test_pointed_settings_put_quorvex_exe_on_the_buttons(self):
        a, b, c = (rect(self.target.buttons[name]) for name in "ABC")
        last = lambda r: (r[0] + r[2] - 1, r[1] + r[3] - 1)  # noqa: E731
        out = self.point_out(self.align("--port", str(PORT)), [a[:2], last(a), last(b), b[:2]])
        centre = lambda r: (r[0] + r[2] // 2, r[1] + r[3] // 2)  # noqa: E731
        self.assertEqual(out, expected_settings(a, b, centre(a), self.target.centre("C"),
                                                centre(b), port=str(PORT)))

        controller = self.own(Controller(desktop))
        wine.map_port(PORT, controller.port)
        self.own(Quorvex(wine, out.decode()))
        controller.wait_received("some data", timeout=WINE_WAIT)
        self.assertEqual(probe.rect("frmMain"), self.target.buttons["A"])
        self.assertEqual(probe.rect("frmTwo"), self.target.buttons["B"])
        controller.send("10")
        self.target.wait_line("^click A$")


class Showing(Session):
    def test_drawing_over_the_screen_while_clicks_reach_the_application(self):
        a, b = rect(self.target.buttons["A"]), rect(self.target.buttons["B"])
        inner = lambda r: (r[0] + 5, r[1] + 5, r[2] - 10, r[3] - 10)  # noqa: E731
        values = {"STRX": a[0] + 30, "STRY": a[1] + 30, "STPX": 20, "STPY": 20,
                  "STRX2": b[0] + 30, "STRY2": b[1] + 30}
        for suffix, (x, y, width, height) in (("", inner(a)), ("2", inner(b))):
            values.update({f"PL{suffix}": x * 15, f"PT{suffix}": y * 15,
                           f"FW{suffix}": width * 15, f"FH{suffix}": height * 15})
        with open(os.path.join(self.folder, "tessora.ini"), "wb") as ini:
            ini.write(settings_text(values))
        edge = inner(a)[:2]
        cross = (values["STRX2"], values["STRY2"])
        inside = (a[0] + 60, a[1] + 15)
        before = desktop.pixel(*inside)

        tool = self.align("--show")
        for point in (edge, cross):
            wait_until(lambda: desktop.pixel(*point) == INK, WINE_WAIT, f"ink at {point}")
        self.assertEqual(desktop.pixel(*inside), before)
        for point, button in ((edge, "A"), (cross, "B")):
            with self.subTest(point=point):
                desktop.click(*point)
                self.target.wait_line(f"^click {button}$")
                del self.target.out[:]

        tool.press_enter()
        status, _ = tool.finish(WINE_WAIT)
        self.assertEqual(status, 0, tool.stderr_text())


class FollowingWindow(Session):
    """--window: positions from the captioned window's client area. Wine tells Quorvex
    nothing of a move of another process's window, so the window moves first and
    quorvex.exe, started afterwards, finds it at its new place."""

    def setUp(self):
        Owner.setUp(self)
        self.folder = tempfile.mkdtemp(prefix="quorvex-align-")
        self.target = self.own(Target(wine, 120, 110, title="Line 7, Batch 12"))

    def test_the_written_file_puts_quorvex_exe_on_the_buttons_after_the_window_moved(self):
        a, b = rect(self.target.buttons["A"]), rect(self.target.buttons["B"])
        ox, oy = self.target.origin()
        out = self.point_out(self.align("--window=Line 7", "--port", str(PORT)),
                             [a[:2], (a[0] + a[2] - 1, a[1] + a[3] - 1), b[:2],
                              (b[0] + b[2] - 1, b[1] + b[3] - 1)])
        self.assertTrue(out.startswith(b"WINDOW:Line 7\r\n"), out)
        self.assertIn(f"PL:{(a[0] - ox) * 15}\r\n".encode(), out)

        nx, ny = self.target.command("move 330 250")
        self.assertNotEqual((nx, ny), (ox, oy))
        moved = {name: (left + nx - ox, top + ny - oy, right + nx - ox, bottom + ny - oy)
                 for name, (left, top, right, bottom) in self.target.buttons.items()}
        controller = self.own(Controller(desktop))
        wine.map_port(PORT, controller.port)
        self.own(Quorvex(wine, out.decode()))
        controller.wait_received("some data", timeout=WINE_WAIT)
        wait_until(lambda: probe.rect("frmMain") == moved["A"], WINE_WAIT, "frmMain over A")
        self.assertEqual(probe.rect("frmTwo"), moved["B"])
        controller.send("10")
        self.target.wait_line("^click A$", timeout=WINE_WAIT)


if __name__ == "__main__":
    unittest.main()

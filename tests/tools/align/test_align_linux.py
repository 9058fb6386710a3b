"""quorvex-align end to end on Linux: a real Xvfb display, the pointer moved by XTEST,
the settings it writes given to the real program, and --show read back from the screen."""

import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))
sys.path.insert(0, HERE)
from align_session import Align, expected_settings, settings_text  # noqa: E402
from linux_harness import (BUILD, Controller, Desktop, Owner, Quorvex, Target,  # noqa: E402
                           wait_until)

ALIGN = os.environ.get("QUORVEX_ALIGN", os.path.join(BUILD, "quorvex-align"))
INK = 0xFF00FF

desktop = None


def setUpModule():
    global desktop
    desktop = Desktop()


def tearDownModule():
    desktop.close()


def last_pixel(rect):
    x, y, width, height = rect
    return x + width - 1, y + height - 1


class Session(Owner):
    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="quorvex-align-")

    def tearDown(self):
        super().tearDown()
        shutil.rmtree(self.folder, ignore_errors=True)

    def align(self, *options, env=None):
        tool = Align([ALIGN, *options], env or desktop.env, cwd=self.folder)
        self.children.append(tool)
        return tool

    def measure(self, tool, points):
        """Points at each of the seven (x, y), or types "=" for one given as "="."""
        for number, point in enumerate(points, 1):
            if point == "=":
                tool.give(number, typed="=")
            else:
                taken = tool.give(number, lambda p=point: desktop.move_pointer(*p))
                self.assertEqual(taken, point)


class Measuring(Session):
    def test_settings_put_the_overlays_on_the_buttons_and_the_codes_press_the_points(self):
        target = self.own(Target(desktop))
        controller = self.own(Controller(desktop))
        start, stop = target.start_rect, target.stop_rect
        beside = (start[0] + 40, start[1] - 20)  # the window's background, above Start
        tool = self.align("--port", controller.port, "--output", "tessora.ini")
        self.measure(tool, [start[:2], last_pixel(start), last_pixel(stop), stop[:2],
                            "=", beside, "="])
        status, out = tool.finish()
        self.assertEqual(status, 0, tool.stderr_text())
        centre = lambda r: (r[0] + r[2] // 2, r[1] + r[3] // 2)  # noqa: E731
        expected = expected_settings(start, stop, centre(start), beside, centre(stop),
                                     port=controller.port)
        self.assertEqual(out, expected)
        with open(os.path.join(self.folder, "tessora.ini"), "rb") as written:
            self.assertEqual(written.read(), expected)
        self.assertEqual(tool.warnings(), [])

        quorvex = self.own(Quorvex(desktop, out))
        self.assertEqual(desktop.geometry(quorvex.overlay("frmMain")), start)
        self.assertEqual(desktop.geometry(quorvex.overlay("frmTwo")), stop)
        controller.wait_received("some data")
        for code, pressed in (("10", "Start"), ("20", "background"), ("30", "Stop")):
            with self.subTest(code=code):
                controller.send(code)
                target.wait_line(f"^click {pressed} 1$")
                del target.out[:]
        self.assertEqual(controller.received(), "some data")

    def test_warnings_where_the_settings_would_surprise_and_the_settings_still_written(self):
        # Button 1 near the top edge, button 2 overlapping it; every click point caught.
        points = [(100, 10), (259, 89), (200, 50), (359, 129), (210, 60), (150, 40), (240, 70)]
        tool = self.align()
        self.measure(tool, points)
        status, out = tool.finish()
        self.assertEqual(status, 0, tool.stderr_text())
        self.assertEqual(out, expected_settings((100, 10, 160, 80), (200, 50, 160, 80),
                                                (210, 60), (150, 40), (240, 70)))
        warnings = "\n".join(tool.warnings())
        for expected in ('the "10" point 210,60 lies inside overlay 1 even once it has stepped '
                         'aside to the top edge (rows 0 to 79)',
                         'the "10" point 210,60 lies inside overlay 2, which stays in place',
                         'the "20" point 150,40 lies inside overlay 1, which stays in place',
                         'Quorvex presses nothing and the code is not made',
                         'the "30" point 240,70 lies inside overlay 1, which stays in place',
                         'the "30" point 240,70 lies inside overlay 2 even once',
                         'overlays 1 and 2 overlap at 200,50 (60 x 40 pixels)'):
            self.assertIn(expected, warnings)
        self.assertEqual(len(tool.warnings()), 6, warnings)

    def test_an_existing_file_is_left_alone_unless_forced(self):
        path = os.path.join(self.folder, "tessora.ini")
        with open(path, "wb") as existing:
            existing.write(b"PL:1\r\n")
        tool = self.align("--output", "tessora.ini")
        status, out = tool.finish()
        self.assertEqual((status, out), (1, b""))
        self.assertIn("tessora.ini exists: left as it is (--force replaces it)",
                      tool.stderr_text())
        self.assertNotIn("1/7", tool.stderr_text())  # refused before asking for anything
        with open(path, "rb") as kept:
            self.assertEqual(kept.read(), b"PL:1\r\n")

        forced = self.align("--output", "tessora.ini", "--force", "--rim", "2")
        self.measure(forced, [(10, 20), (29, 39), (50, 20), (69, 39), "=", (5, 5), "="])
        status, out = forced.finish()
        self.assertEqual(status, 0, forced.stderr_text())
        with open(path, "rb") as replaced:
            self.assertEqual(replaced.read(), out)
        self.assertEqual(out, expected_settings((12, 22, 16, 16), (52, 22, 16, 16), (20, 30),
                                                (5, 5), (60, 30)))

    def test_failures_end_with_a_message_and_their_status(self):
        no_display = dict(desktop.env, DISPLAY=":999")
        cases = [
            ("input ends early", [], desktop.env, "\n\n", 1,
             "the input ended before point 3 of 7"),
            ("no display", [], no_display, "", 1, "Error 7000: Cannot open the X display"),
            ("a button with no area", ["--rim", "5"], desktop.env, "\n" * 7, 1,
             "overlay 1 would have no area"),
            ("unknown option", ["--left-handed"], desktop.env, "", 2, "unknown argument"),
            ("port the file cannot hold", ["--port", "3,4"], desktop.env, "", 2,
             "cannot be written as CP"),
            # The program's own reader, with its messages.
            ("--show, a bad value", ["--show"], desktop.env, "", 1,
             'Error 13: tessora.ini, line 2: the item "PL:abc" is not a number.'),
        ]
        desktop.move_pointer(300, 300)
        with open(os.path.join(self.folder, "tessora.ini"), "w") as ini:
            ini.write("PT:150\nPL:abc\n")
        for case, options, env, typed, expected_status, message in cases:
            with self.subTest(case=case):
                tool = self.align(*options, env=env)
                tool.process.stdin.write(typed.encode())
                status, out = tool.finish()
                self.assertEqual(status, expected_status, tool.stderr_text())
                self.assertEqual(out, b"")
                self.assertIn(message, tool.stderr_text())

class Showing(Session):
    def test_drawing_over_the_screen_while_clicks_reach_the_application(self):
        target = self.own(Target(desktop))
        start, stop = target.start_rect, target.stop_rect
        inner = lambda r: (r[0] + 10, r[1] + 10, r[2] - 20, r[3] - 20)  # noqa: E731
        point10 = (start[0] + 30, start[1] + 40)
        values = dict(AUTOCONN=0, VERSION=100, STRX=point10[0], STRY=point10[1],
                      STPX=stop[0] + 100, STPY=stop[1] + 40, STRX2=stop[0] + 30,
                      STRY2=stop[1] + 40)
        for suffix, (x, y, width, height) in (("", inner(start)), ("2", inner(stop))):
            values.update({f"PL{suffix}": x * 15, f"PT{suffix}": y * 15,
                           f"FW{suffix}": width * 15, f"FH{suffix}": height * 15})
        with open(os.path.join(self.folder, "tessora.ini"), "wb") as ini:
            ini.write(settings_text(values))
        colour = {}
        edge1 = inner(start)[:2]
        edge2 = last_pixel(inner(stop))
        inside = (start[0] + 60, start[1] + 20)  # within overlay 1, away from every stroke
        for point in (edge1, edge2, inside, point10):
            colour[point] = desktop.pixel(*point)
        self.assertNotIn(INK, colour.values())

        tool = self.align("--show")
        wait_until(lambda: tool.err, what="the first line of --show")
        self.assertEqual(tool.err[0], "production mode: overlays practically invisible "
                                      "(VERSION:100)")
        for point in (edge1, edge2, point10, (point10[0] + 8, point10[1])):
            wait_until(lambda: desktop.pixel(*point) == INK, what=f"ink at {point}")
        self.assertEqual(desktop.pixel(*inside), colour[inside])
        self.assertIn("overlay 1: %d,%d, %d x %d pixels" % inner(start), tool.err)

        # On the drawn line itself, and on the cross: the application gets the clicks.
        for point, button in ((edge1, "Start"), (point10, "Start"), (edge2, "Stop")):
            with self.subTest(point=point):
                desktop.click(*point)
                target.wait_line(f"^click {button} 1$")
                del target.out[:]
        # The drawing stays above a window raised later.
        desktop.run("xdotool", "windowraise", str(desktop.find("--name", "^Quorvex target$")))
        wait_until(lambda: desktop.pixel(*edge1) == INK, what="ink above the raised window")
        self.assertTrue(tool.alive())

        tool.press_enter()
        status, _ = tool.finish()
        self.assertEqual(status, 0)
        wait_until(lambda: desktop.pixel(*edge1) == colour[edge1], what="the drawing gone")


class FollowingWindow(Session):
    """--window, bare and under openbox (where the client area lies inside a frame)."""

    TITLE = "Batch 42, Line A"

    def titled(self):
        target = self.own(Target(desktop, 150, 120, title=self.TITLE))
        target.window = wait_until(lambda: desktop.find("--name", "^" + self.TITLE + "$"),
                                   what="the titled window")
        return target

    def move(self, target, x, y):
        before = desktop.geometry(target.window)[:2]
        desktop.run("xdotool", "windowmove", str(target.window), str(x), str(y))
        after = wait_until(lambda: (lambda now: now if now != before else None)(
            desktop.geometry(target.window)[:2]), what="the window moved")
        return after[0] - before[0], after[1] - before[1]

    def test_the_written_file_puts_the_overlays_on_the_buttons_after_the_window_moved(self):
        target = self.titled()
        controller = self.own(Controller(desktop))
        start, stop = target.start_rect, target.stop_rect
        origin = desktop.geometry(target.window)[:2]
        beside = (start[0] + 40, start[1] - 20)
        tool = self.align("--window", "--port", controller.port, "--output", "tessora.ini")
        self.measure(tool, [start[:2], last_pixel(start), stop[:2], last_pixel(stop),
                            "=", beside, "="])
        status, out = tool.finish()
        self.assertEqual(status, 0, tool.stderr_text())
        self.assertTrue(out.startswith(b'"WINDOW:Batch 42, Line A"\r\n'), out)
        self.assertIn(f"STRX:{start[0] + 80 - origin[0]}\r\n".encode(), out)

        dx, dy = self.move(target, 430, 350)
        shifted = lambda r: (r[0] + dx, r[1] + dy, r[2], r[3])  # noqa: E731
        quorvex = self.own(Quorvex(desktop, out))
        controller.wait_received("some data")
        wait_until(lambda: desktop.geometry(quorvex.overlay("frmMain")) == shifted(start),
                   what="frmMain on Start where the window now is")
        self.assertEqual(desktop.geometry(quorvex.overlay("frmTwo")), shifted(stop))
        for code, pressed in (("10", "Start"), ("20", "background"), ("30", "Stop")):
            with self.subTest(code=code):
                controller.send(code)
                target.wait_line(f"^click {pressed} 1$")
                del target.out[:]

    def test_show_draws_where_the_window_is_and_follows_it(self):
        target = self.titled()
        origin = desktop.geometry(target.window)[:2]
        start = target.start_rect
        values = dict(AUTOCONN=0, VERSION=100, STRX=80, STRY=40, STPX=5, STPY=5,
                      STRX2=300, STRY2=40, PL=(start[0] - origin[0]) * 15,
                      PT=(start[1] - origin[1]) * 15, FW=start[2] * 15, FH=start[3] * 15,
                      PL2=0, PT2=0, FW2=15, FH2=15)
        with open(os.path.join(self.folder, "tessora.ini"), "wb") as ini:
            ini.write(b"WINDOW:Line A\r\n" + settings_text(values))
        tool = self.align("--show")
        wait_until(lambda: any("now at %d,%d" % origin in line for line in tool.err),
                   what="the window's place said")
        wait_until(lambda: desktop.pixel(*start[:2]) == INK, what="ink on Start's corner")
        dx, dy = self.move(target, 420, 330)
        corner = (start[0] + dx, start[1] + dy)
        wait_until(lambda: desktop.pixel(*corner) == INK, what="ink where Start now is")
        tool.press_enter()
        status, _ = tool.finish()
        self.assertEqual(status, 0, tool.stderr_text())


class Production(Session):
    def test_version_101_becomes_100_and_nothing_else_changes_with_no_display(self):
        path = os.path.join(self.folder, "tessora.ini")
        aligned = b"AUTOCONN:1\r\nVERSION:101\r\nCP:/dev/ttyUSB0\r\nPL:900\r\n"
        with open(path, "wb") as ini:
            ini.write(aligned)
        no_display = {k: v for k, v in desktop.env.items() if k != "DISPLAY"}
        for expected, said in (
                (aligned.replace(b"VERSION:101", b"VERSION:100"),
                 "tessora.ini, line 2: VERSION:101 is now VERSION:100."),
                (aligned.replace(b"VERSION:101", b"VERSION:100"),
                 "tessora.ini is already in production mode")):
            tool = self.align("--production", env=no_display)
            status, out = tool.finish()
            self.assertEqual(status, 0, tool.stderr_text())
            self.assertIn(said, out.decode())
            with open(path, "rb") as ini:
                self.assertEqual(ini.read(), expected)


if __name__ == "__main__":
    unittest.main()

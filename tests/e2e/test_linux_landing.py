"""A code's click lands whole on Linux (bare Xvfb, or under openbox when QUORVEX_WM is
"openbox"): the application gets the press and the release at the point, a real
toolkit's buttons (Qt's, which click on the release) count each code once, and a
window manager slow to hand the press on holds back the cursor's and the overlay's
return until the release is taken."""

import os
import signal
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import test_linux  # noqa: E402
from linux_harness import (WM, Child, Controller, InputClient, Quorvex, Watcher,  # noqa: E402
                           wait_until)
from test_linux import TWIPS, LET_GO_WITHIN, Scenario, centre  # noqa: E402

QT_BUTTONS = os.path.join(HERE, "qt_buttons.py")
REST = (900, 700)  # the operator's cursor, away from every window
PAUSES = (0.03, 0.12)  # seconds the window manager is stopped for with a click on its way
ROUNDS = 5  # a round the machine made too slow for the click's second is played again


def setUpModule():
    test_linux.setUpModule()


def tearDownModule():
    test_linux.tearDownModule()


def desktop():
    return test_linux.desktop


def within(condition, seconds):
    """Whether `condition` came true within `seconds`."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.005)
    return True


class QtButtons(Child):
    """qt_buttons.py: its buttons' places on the screen, and what Qt made of each click."""

    def __init__(self, title, x=120, y=160):
        super().__init__(["/usr/bin/python3", "-B", QT_BUTTONS, title, str(x), str(y)],
                         desktop().env)
        ready = self.wait_line(r"^ready (.*)$", timeout=30)
        self.window = wait_until(lambda: desktop().find("--onlyvisible", "--name", f"^{title}$"),
                                 what="the Qt window")
        wait_until(lambda: desktop().viewable(self.window), what="the Qt window mapped")
        ox, oy, _, _ = desktop().geometry(self.window)
        self.origin = (ox, oy)
        self.rects = {}
        for word in ready.group(1).split():
            name, values = word.split("=")
            x, y, width, height = map(int, values.split(","))
            self.rects[name] = (ox + x, oy + y, width, height)

    def events(self):
        return [line for line in list(self.out)
                if line.startswith(("pressed ", "clicked ", "released "))]


def qt_settings(qt, port):
    """frmMain over all of Start, frmTwo over all of Stop; "10", "30" and "20" click the
    middle of Start, Stop and Ack (which nothing covers)."""
    (sx, sy, sw, sh), (tx, ty, tw, th) = qt.rects["Start"], qt.rects["Stop"]
    (stx, sty), (tpx, tpy), (akx, aky) = (centre(qt.rects[n], 0.5) for n in ("Start", "Stop",
                                                                               "Ack"))
    values = dict(AUTOCONN=1, CP=port, PL=sx * TWIPS, PT=sy * TWIPS, FW=sw * TWIPS,
                  FH=sh * TWIPS, PL2=tx * TWIPS, PT2=ty * TWIPS, FW2=tw * TWIPS, FH2=th * TWIPS,
                  STRX=stx, STRY=sty, STRX2=tpx, STRY2=tpy, STPX=akx, STPY=aky)
    return "".join(f"{key}:{value}\n" for key, value in values.items())


class Landing(Scenario):
    def points(self):
        """Each code's button in the test target, and the point its click is made at."""
        return (("10", "Start", centre(self.target.start_rect)),
                ("20", "Stop", centre(self.target.stop_rect, 0.75)),
                ("30", "Stop", centre(self.target.stop_rect)))

    def pressed_and_released(self):
        return [line for line in list(self.target.out)
                if line.startswith(("click ", "point ", "release "))]

    def assert_whole(self, button, point):
        """One press and one release, both at the point, and the cursor back at rest."""
        x, y = point
        self.target.wait_line(f"^release {button} ")
        self.assertEqual(self.pressed_and_released(),
                         [f"click {button} 1", f"point {x} {y}", f"release {button} 1 {x} {y}"])
        wait_until(lambda: desktop().pointer() == REST, what="the cursor back")

    def test_each_code_gives_the_application_its_press_and_release_at_the_point(self):
        self.start()
        for code, button, point in self.points():
            with self.subTest(code=code):
                desktop().move_pointer(*REST)
                self.controller.send(code)
                try:
                    self.assert_whole(button, point)
                finally:
                    self.barrier()
        self.assertEqual(self.controller.received(), "some data")

    @unittest.skipIf(WM == "none", "needs a window manager to pause")
    def test_a_paused_window_manager_delays_the_return_until_the_release_is_taken(self):
        """openbox holds the press at its grab and the release behind it: stopped, it
        hands neither on. The overlay and the cursor wait for the release, however long
        the window manager takes within the click's second."""
        self.start()
        self.hand = self.own(InputClient(desktop()))
        wm = desktop().wm
        overlays = {"10": "frmMain", "30": "frmTwo"}
        for pause in PAUSES:
            for code, button, point in self.points():
                with self.subTest(pause=pause, code=code):
                    name = overlays.get(code)
                    watcher = name and self.own(Watcher(desktop(), self.quorvex.overlay(name)))
                    self.play_paused(wm, pause, code, button, point, watcher)

    def play_paused(self, wm, pause, code, button, point, watcher):
        hand = self.hand
        for _ in range(ROUNDS):
            desktop().move_pointer(*REST)
            moves = len(watcher.moves()) if watcher else 0
            wm.send_signal(signal.SIGSTOP)
            try:
                sent = time.monotonic()
                self.controller.send(code)
                # The press taken by the server, frozen at the window manager's grab:
                # the click is on its way.
                on_its_way = within(lambda: hand.answer("held"), LET_GO_WITHIN)
                time.sleep(pause)
                held = self.pressed_and_released()
                held_moves = watcher.moves()[moves:] if watcher else []
                held_pointer = desktop().pointer()
            finally:
                wm.send_signal(signal.SIGCONT)
            try:
                if not on_its_way or time.monotonic() - sent >= LET_GO_WITHIN:
                    self.target.wait_line(f"^release {button} ")  # the round says nothing
                    continue
                self.assert_held_then_whole(code, button, point, held, held_pointer,
                                            watcher, held_moves, moves)
                return
            finally:
                self.barrier()
        self.fail("every round took longer than the click's second")

    def assert_held_then_whole(self, code, button, point, held, held_pointer, watcher,
                               held_moves, moves):
        """While the window manager was stopped: nothing reached the application, the
        cursor stayed at the point and the overlay aside; once it ran, all of the click."""
        self.assertEqual(held, [], "the press came through the paused window manager")
        self.assertEqual(held_pointer, point, "the cursor left before the release")
        home = None
        if watcher:
            x, y, _, _ = self.target.start_rect if code == "10" else self.target.stop_rect
            home = (x, y)
            self.assertNotIn(home, [m[:2] for m in held_moves], "back before the release")
        self.assert_whole(button, point)
        if watcher:
            wait_until(lambda: [m[:2] for m in watcher.moves()[moves:]][-1:] == [home],
                       what="the overlay back")


class Qt(Scenario):
    CODES = (("10", "Start"), ("30", "Stop"), ("20", "Ack")) * 2

    def test_a_qt_applications_buttons_are_clicked_once_for_each_code(self):
        self.controller = self.own(Controller(desktop()))
        qt = self.own(QtButtons("Quorvex Qt line"))
        quorvex = self.own(Quorvex(desktop(), qt_settings(qt, self.controller.port)))
        quorvex.overlay("frmMain")
        quorvex.overlay("frmTwo")
        self.controller.wait_received("some data")
        seen = []
        for turn, (code, button) in enumerate(self.CODES):
            mark = len(qt.events())
            desktop().move_pointer(*REST)
            self.controller.send(code)
            try:
                wait_until(lambda: f"pressed {button}" in qt.events()[mark:], what="the press")
            except AssertionError:
                pass  # a press that never came is counted below
            wait_until(lambda: desktop().pointer() == REST, what="the cursor back")
            # The operator's own click below the buttons, at a place of its own each
            # turn, comes after all of the code's.
            beside = (20 + 60 * turn, 140)
            desktop().click(qt.origin[0] + beside[0], qt.origin[1] + beside[1])
            qt.wait_line("^released {} {}$".format(*beside))
            seen.append((code, [line for line in qt.events()[mark:]
                                if not line.startswith("released ")]))
        wanted = [(code, [f"pressed {button}", f"clicked {button}"]) for code, button in
                  self.CODES]
        activated = sum(a == b for a, b in zip(seen, wanted))
        print(f"\nQt under {WM}: {activated} of {len(self.CODES)} codes activated their "
              "button", file=sys.stderr)
        self.assertEqual(seen, wanted)
        self.assertEqual(self.controller.received(), "some data")


if __name__ == "__main__":
    unittest.main(verbosity=2)

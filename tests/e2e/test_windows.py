"""The Windows program end to end: quorvex.exe under Wine on a real Xvfb desktop, a
real pseudo-terminal as COM3, the native controller tool on its other end."""

import fcntl
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from linux_harness import (Child, Owner, PseudoTerminal, assert_no_spin,  # noqa: E402
                           random_mebibyte, settle)
from wine_harness import (EXE, LINE, PROBE, Controller, Popups, Quorvex, Target,  # noqa: E402
                          close_desktop, open_desktop, overlay_shows_at, wait_until)

TWIPS = 15  # per pixel at Wine's default 96 dpi
TARGET_CLASS = "QuorvexTestTarget"  # the window class of the application beneath
PORT = 3
ALIGNING, HIDDEN = 220, 1  # overlay alpha with VERSION 101, and otherwise
HELD = 0xFFB000  # the colour of an overlay while the line is down
POINTER = (700, 600)  # where the operator's cursor rests, away from everything
FLOOD_TIMEOUT = 180  # seconds for a mebibyte through Wine's serial port, however slow

desktop = wine = probe = None


def setUpModule():
    global desktop, wine, probe
    desktop, wine, probe = open_desktop()


def tearDownModule():
    close_desktop(desktop, wine)


def settings(target, autoconn=1, version=100, port=PORT, **overrides):
    """frmMain over button A, frmTwo over button B; "10" and "30" click beneath them,
    "20" clicks the uncovered button C."""
    (al, at, ar, ab), (bl, bt, br, bb) = target.buttons["A"], target.buttons["B"]
    (ax, ay), (bx, by), (cx, cy) = (target.centre(name) for name in "ABC")
    values = dict(AUTOCONN=autoconn, VERSION=version, CP=port,
                  PL=al * TWIPS, PT=at * TWIPS, FW=(ar - al) * TWIPS, FH=(ab - at) * TWIPS,
                  PL2=bl * TWIPS, PT2=bt * TWIPS, FW2=(br - bl) * TWIPS, FH2=(bb - bt) * TWIPS,
                  STRX=ax, STRY=ay, STPX=cx, STPY=cy, STRX2=bx, STRY2=by)
    values.update(overrides)
    return "".join(f"{key}:{value}\n" for key, value in values.items())


class Scenario(Owner):
    """Each test starts its own controller, target window and program."""

    def connect(self, port=PORT):
        """A controller of its own on the program's COM port."""
        self.controller = self.own(Controller(desktop))
        wine.map_port(port, self.controller.port)

    def start(self, **options):
        self.connect(options.get("port", PORT))
        self.target = self.own(Target(wine))
        self.quorvex = self.own(Quorvex(wine, settings(self.target, **options)))
        self.wait_overlays(shown=True, timeout=30)
        if options.get("autoconn", 1) == 1:
            self.controller.wait_received("some data")

    def start_on_own_line(self):
        """The program on a pseudo-terminal the test holds itself, for raw traffic."""
        line = PseudoTerminal()
        self.addCleanup(line.close)
        wine.map_port(PORT, line.port)
        self.target = self.own(Target(wine))
        self.quorvex = self.own(Quorvex(wine, settings(self.target)))
        self.wait_overlays(shown=True, timeout=30)
        line.wait_received(b"some data")
        return line

    def wait_overlays(self, shown, timeout=10):
        """Both overlays shown or hidden, for user32 and on the X server alike."""
        wait_until(lambda: [w["visible"] for w in probe.overlays().values()] == [shown] * 2,
                   timeout, "overlays " + ("shown" if shown else "hidden"))
        for button in "AB":
            wait_until(lambda: overlay_shows_at(desktop, *self.target.centre(button)) == shown,
                       timeout, f"the X server to catch up over {button}")

    def clicks_before_barrier(self):
        """Every click the target got before a direct click on C, which comes in last."""
        desktop.click(*self.target.centre("C"))
        wait_until(lambda: self.target.clicks()[-1:] == ["C"], what="the barrier click")
        clicks = self.target.clicks()[:-1]
        del self.target.out[:]
        return clicks

    def assert_ends_with_message(self, quorvex, text):
        box = probe.dismiss_message_box()
        self.assertRegex(box.pop("text"), text)
        self.assertEqual(box, {"buttons": 1, "icons": 0, "enabled overlays": 0})
        self.assertNotEqual(quorvex.wait_exit(30), 0)


class Traffic(Scenario):
    def test_greeting_first_and_once_then_left_clicks_relayed(self):
        self.start(version=101, port=12)  # COM10 and above, through the device namespace
        a = self.target.centre("A")
        desktop.click(*a, button=3)
        desktop.click(*a, button=2)
        desktop.run("xdotool", "mousemove", *map(str, a), "mousedown", "1",
                    "mousemove", *map(str, POINTER), "mouseup", "1")  # released elsewhere
        desktop.click(*a)
        self.controller.wait_received("some data101")
        desktop.click(*self.target.centre("B"))
        self.controller.wait_received("some data101202")
        self.assertEqual(self.clicks_before_barrier(), [])
        self.assertEqual(self.controller.received(), "some data101202")

    def test_overlays_are_placed_topmost_and_layered_at_their_alpha(self):
        for version, alpha in ((101, ALIGNING), (100, HIDDEN)):
            with self.subTest(version=version):
                self.start(version=version)
                overlays = probe.overlays()
                for name, button in (("frmMain", "A"), ("frmTwo", "B")):
                    window = overlays[name]
                    self.assertEqual(probe.rect(name), self.target.buttons[button])
                    self.assertEqual(
                        {k: window[k] for k in ("topmost", "layered", "toolwindow", "alpha")},
                        {"topmost": 1, "layered": 1, "toolwindow": 1, "alpha": alpha}, name)
                    self.assertEqual(window["text"], "B")
                self.tearDown()
                self.setUp()

    # Under Wine the X pointer has the last word: Wine takes its cursor from the
    # pointer's next event. On a busy machine a report of the click's own move can come
    # after the cursor went back and leave both at the point: such a round is played
    # again. A cursor that never goes back fails every round.
    def test_codes_press_the_buttons_beneath_and_put_everything_back(self):
        self.start()
        placed = {name: probe.rect(name) for name in ("frmMain", "frmTwo")}
        for code, button in (("10", "A"), ("20", "C"), ("30", "B")):
            with self.subTest(code=code):
                where = []
                for _ in range(3):
                    desktop.move_pointer(*POINTER)
                    self.controller.send(code)
                    # Each button lies under an overlay that must have stepped aside, or
                    # the click would have gone to the overlay and come back as 101 or 202.
                    self.target.wait_line(f"^click {button}$")
                    self.assertEqual(self.target.clicks(), [button])
                    # The release at the point, not where the cursor went back to; the
                    # cursor goes back only after it, at least a restore's 10 ms later.
                    wait_until(self.target.releases, what="the release")
                    self.assertEqual(self.target.releases(),
                                     [(button, *self.target.centre(button))])
                    back = self.eventually(lambda: desktop.pointer() == POINTER)
                    where.append((desktop.pointer(), probe.cursor()))
                    for name, rect in placed.items():
                        wait_until(lambda: probe.rect(name) == rect, what=f"{name} back in place")
                    del self.target.out[:]
                    if back:
                        break
                else:
                    self.fail(f"the cursor never went back (X pointer, Windows' cursor): {where}")
        self.assertEqual(self.controller.received(), "some data")

    @staticmethod
    def eventually(condition, timeout=3):
        try:
            return wait_until(condition, timeout)
        except AssertionError:
            return False

    def test_hide_and_show_both(self):
        self.start()
        self.controller.send("50")
        self.wait_overlays(shown=False)
        desktop.click(*self.target.centre("A"))
        self.target.wait_line("^click A$")
        self.controller.send("40")
        self.wait_overlays(shown=True)
        desktop.click(*self.target.centre("A"))
        self.controller.wait_received("some data101")


class Points(Scenario):
    def test_first_and_last_row_and_column_of_the_screen_are_pressed_exactly(self):
        width, height = desktop.WIDTH, desktop.HEIGHT
        near = self.own(Target(wine, 0, 0))  # its background at the screen's first pixel
        far = self.own(Target(wine, width - 500, height - 100))  # and at the last
        presses = {"10": (0, 0), "20": (width - 1, height - 1), "30": (width - 1, height - 50)}
        self.start(STRX=0, STRY=0, STPX=width - 1, STPY=height - 1, STRX2=width - 1,
                   STRY2=height - 50)
        for code, point in presses.items():
            with self.subTest(code=code):
                self.controller.send(code)
                wait_until(lambda: point in near.points() + far.points(),
                           what=f"a press at {point}")
        self.assertEqual(near.points() + far.points(), list(presses.values()))
        self.assertEqual(self.controller.received(), "some data")

    def test_button_near_the_top_edge_is_pressed_not_the_overlay(self):
        """frmMain over all of A, within its own height of the screen's top: at Top 0 it
        would still cover the point, so it goes above the edge for the click."""
        self.connect()
        self.target = self.own(Target(wine, 100, 0))
        left, top, right, bottom = self.target.buttons["A"]
        self.assertLess(top + 10, bottom - top, "A lies too low for this test")
        self.quorvex = self.own(Quorvex(wine, settings(self.target, STRY=top + 10)))
        self.wait_overlays(shown=True, timeout=30)
        self.controller.wait_received("some data")
        self.controller.send("10")
        self.target.wait_line("^click A$")
        wait_until(lambda: probe.rect("frmMain") == (left, top, right, bottom),
                   what="frmMain back in place")
        self.assertEqual(self.clicks_before_barrier(), ["A"])
        self.assertEqual(self.controller.received(), "some data")


class TwoInstances(Scenario):
    """Two lines on one PC, each its own program, COM port and click point."""

    ROUNDS = 150

    def test_both_act_on_20_together_and_every_press_lands_on_its_point(self):
        self.target = self.own(Target(wine))
        left, top, right, _ = self.target.buttons["A"]
        points = [(left - 10, top - 10), (right + 10, top - 10)]  # beside the buttons
        lines = []
        for port, point in zip((PORT, PORT + 1), points):
            line = PseudoTerminal()
            self.addCleanup(line.close)
            wine.map_port(port, line.port)
            self.own(Quorvex(wine, settings(self.target, port=port, STPX=point[0],
                                            STPY=point[1])))
            line.wait_received(b"some data", timeout=30)
            lines.append(line)
        desktop.move_pointer(*POINTER)
        for _ in range(self.ROUNDS):
            for line in lines:
                line.write(b"20")
            time.sleep(0.002)
        try:
            wait_until(lambda: len(self.target.points()) >= 2 * self.ROUNDS, 60, "every press")
        except AssertionError:
            pass  # counted below
        pressed = self.target.points()
        # A press that missed its own point: at the other's, at the cursor, or lost.
        missed = sum(max(0, self.ROUNDS - pressed.count(point)) for point in points)
        print(f"\ntwo instances, {self.ROUNDS} x \"20\" each: {missed} of "
              f"{2 * self.ROUNDS} presses missed their point", file=sys.stderr)
        self.assertEqual(sorted(pressed), sorted(points * self.ROUNDS))
        self.assertEqual([line.received() for line in lines], [b"some data"] * 2)


class TopmostPanel(Scenario):
    """An application that keeps itself on top, as operator panels often do."""

    def start_before_the_panel(self):
        """The program over where the panel's buttons will be; the panel not open yet."""
        self.connect()
        self.target = layout = Target(wine)
        layout.stop()
        self.quorvex = self.own(Quorvex(wine, settings(layout)))
        return layout

    def test_a_topmost_panel_activated_over_the_overlays_goes_back_under_them(self):
        layout = self.start_before_the_panel()
        self.wait_overlays(shown=True, timeout=30)
        self.controller.wait_received("some data")
        # Started later, the panel is activated above every topmost window there is.
        self.target = self.own(Target(wine, topmost=True))
        self.assertEqual(self.target.buttons, layout.buttons)
        desktop.click(*self.target.centre("C"))
        self.target.wait_line("^click C$")
        clicked = time.monotonic()
        wait_until(lambda: overlay_shows_at(desktop, *self.target.centre("A")),
                   what="frmMain above the panel again")
        print(f"\npanel clicked to frmMain on top: {(time.monotonic() - clicked) * 1000:.0f} ms",
              file=sys.stderr)
        self.assertEqual(probe.foreground(), TARGET_CLASS)
        desktop.click(*self.target.centre("A"))
        self.controller.wait_received("some data101")
        self.assertEqual(self.target.clicks(), ["C"])

    # Two programs that both keep on top must not take turns raising: once the panel
    # is under them, the stacking stays as it is.
    def test_two_quorvex_side_by_side_leave_the_stacking_still(self):
        layout = self.start_before_the_panel()
        self.own(Quorvex(wine, settings(layout, autoconn=0)))
        wait_until(lambda: len(desktop.run("xdotool", "search", "--onlyvisible", "--name",
                                           "^B$").split()) == 4, 30, "both programs' overlays")
        self.controller.wait_received("some data")
        self.target = self.own(Target(wine, topmost=True))
        desktop.click(*self.target.centre("C"))
        self.target.wait_line("^click C$")
        wait_until(lambda: overlay_shows_at(desktop, *self.target.centre("A")),
                   what="an overlay above the panel again")

        def stacking():
            return desktop.run("xwininfo", "-root", "-children")

        def still_for_half_a_second():
            before = stacking()
            time.sleep(0.5)
            return stacking() == before

        # What was due when the panel went under runs first; two taking turns never stop.
        wait_until(still_for_half_a_second, 30, "the stacking to stand still")
        first = stacking()
        for _ in range(15):
            time.sleep(0.1)
            self.assertEqual(stacking(), first, "the stacking changed with nothing happening")


class Layout:
    """Overlays placed over boxes of the test's choice, as `settings` takes a target's."""

    def __init__(self, a, b, c):
        self.buttons = {"A": a, "B": b, "C": c}

    def centre(self, name):
        left, top, right, bottom = self.buttons[name]
        return (left + right) // 2, (top + bottom) // 2


class ApplicationPopUps(Scenario):
    """The application's own drop-down list and pop-up menu open over the overlays and
    stay above them: an item clicked is chosen, and nothing goes on the line. Wine
    raises no focus event for a menu's items, so the fault of a re-raise over them
    cannot show here: this guards that they stay above."""

    def test_a_menu_and_a_drop_down_list_opened_over_the_overlays_stay_above_them(self):
        self.connect()
        popups = self.own(Popups(wine, 100, 100, "Line 4 - Popups"))
        listed = popups.open_list(desktop)
        popups.close_list(desktop)
        menu = popups.open_menu(300, 150)
        popups.close_menu(desktop)
        self.target = Layout(listed[2], menu[1], (700, 600, 702, 602))
        self.quorvex = self.own(Quorvex(wine, settings(self.target)))
        self.wait_overlays(shown=True, timeout=30)
        self.controller.wait_received("some data")
        for kind, item, name in (("list", listed[2], "three"), ("menu", menu[1], "two")):
            with self.subTest(kind=kind):
                opened = popups.open_list(desktop) if kind == "list" else popups.open_menu(300, 150)
                self.assertIn(item, opened, f"the {kind} opened where it did before")
                time.sleep(1)
                x, y = self.target.centre("A" if kind == "list" else "B")
                self.assertFalse(overlay_shows_at(desktop, x, y), f"an overlay over the {kind}")
                desktop.click(x, y)
                popups.wait_line(f"^chose {name}$")
        time.sleep(0.3)
        self.assertEqual(self.controller.received(), "some data")


class SettingsFiles(Scenario):
    def test_starts_with_the_settings_of_a_utf16_file(self):
        for mark, codec in ((b"\xff\xfe", "utf-16-le"), (b"\xfe\xff", "utf-16-be")):
            with self.subTest(codec=codec):
                self.connect()
                self.target = self.own(Target(wine))
                text = settings(self.target).replace("\n", "\r\n")  # as Notepad saves it
                self.own(Quorvex(wine, mark + text.encode(codec)))
                self.wait_overlays(shown=True, timeout=30)
                self.controller.wait_received("some data")
                self.assertEqual(probe.rect("frmMain"), self.target.buttons["A"])
                self.assertEqual(probe.rect("frmTwo"), self.target.buttons["B"])
                self.tearDown()
                self.setUp()

    def test_a_tessora_ini_txt_is_named_when_tessora_ini_is_missing(self):
        target = self.own(Target(wine))
        quorvex = self.own(Quorvex(wine, settings(target), name="tessora.ini.txt"))
        self.assert_ends_with_message(
            quorvex, r"^Error 53: .*tessora\.ini cannot be read: .*\. The file tessora\.ini\.txt "
                     r"is there: Windows may be hiding its extension, so rename it to "
                     r"tessora\.ini\.$")


class Focus(Scenario):
    def test_the_application_beneath_keeps_the_keyboard(self):
        self.target = self.own(Target(wine))
        wait_until(lambda: probe.foreground() == TARGET_CLASS, what="the target in front")
        self.connect()
        self.quorvex = self.own(Quorvex(wine, settings(self.target)))
        self.wait_overlays(shown=True, timeout=30)
        self.controller.wait_received("some data")
        self.assertEqual(probe.foreground(), TARGET_CLASS, "after start")
        for button, sent in (("A", "some data101"), ("B", "some data101202")):
            desktop.click(*self.target.centre(button))
            self.controller.wait_received(sent)
            self.assertEqual(probe.foreground(), TARGET_CLASS, f"after a click on {button}")
        for code, button in (("10", "A"), ("20", "C"), ("30", "B")):
            self.controller.send(code)
            self.target.wait_line(f"^click {button}$")
            self.assertEqual(probe.foreground(), TARGET_CLASS, f"after {code}")
        mapped = ("xdotool", "search", "--onlyvisible", "--name", "^B$")
        self.assertEqual(len(desktop.run(*mapped).split()), 2, "overlays mapped before 50")
        self.controller.send("50")
        sent = time.monotonic()
        # Both at the first look: an activated overlay once lagged behind by seconds.
        wait_until(lambda: not desktop.run(*mapped), what="both overlays unmapped")
        print(f"\n\"50\" sent to both overlays unmapped: {(time.monotonic() - sent) * 1000:.0f} ms",
              file=sys.stderr)
        self.assertFalse(any(w["visible"] for w in probe.overlays().values()))
        self.assertEqual(probe.foreground(), TARGET_CLASS, "after 50")
        self.controller.send("40")
        self.wait_overlays(shown=True)
        self.assertEqual(probe.foreground(), TARGET_CLASS, "after 40")


class StalledLine(Scenario):
    def start_stalled(self):
        """Started on a line of the test's own, whose output is then held back."""
        line = self.start_on_own_line()
        termios.tcflow(line.slave, termios.TCOOFF)
        self.addCleanup(lambda: line.slave >= 0 and termios.tcflow(line.slave, termios.TCOON))
        return line

    def test_codes_act_while_the_line_holds_output_back_and_nothing_is_lost(self):
        line = self.start_stalled()
        desktop.click(*self.target.centre("A"))  # its "101" cannot leave now
        line.write(b"20")
        self.target.wait_line("^click C$")
        desktop.click(*self.target.centre("B"))
        line.write(b"10")
        self.target.wait_line("^click A$")
        self.assertEqual(line.received(0.2), b"some data")
        termios.tcflow(line.slave, termios.TCOON)
        line.wait_received(b"some data101202")
        self.assertEqual(self.clicks_before_barrier(), ["C", "A"])
        self.assertEqual(line.received(0.2), b"some data101202")

    def test_a_close_request_ends_the_program_with_a_write_held_back(self):
        line = self.start_stalled()
        desktop.click(*self.target.centre("A"))
        line.write(b"20")
        self.target.wait_line("^click C$")
        probe.ask_to_close()
        self.assertEqual(self.quorvex.wait_exit(30), 0)


class Endings(Scenario):
    def test_closed_port_click_shows_its_message_and_ends(self):
        for button, text in (("A", "^Port is closed.$"), ("B", "^Port is closed. Button 2$")):
            with self.subTest(button=button):
                self.start(autoconn=0)
                desktop.click(*self.target.centre(button))
                self.assert_ends_with_message(self.quorvex, text)
                self.assertEqual(self.controller.received(), "")
                self.tearDown()
                self.setUp()

    def test_start_up_failures_show_their_message_and_end(self):
        target = self.own(Target(wine))
        cases = {
            "no settings file": (None, r"^Error 53: .*tessora\.ini"),
            "bad value": ("PL:abc\n", r"^Error 13: .*line 1.*PL:abc"),
            "no such port": (settings(target, port=42), r"^Error 8002: .*COM42"),
            "port not a number": (settings(target, port="COM3"), r"^Error 13: .*CP:COM3"),
        }
        for case, (text, message) in cases.items():
            with self.subTest(case=case):
                quorvex = self.own(Quorvex(wine, text))
                self.assert_ends_with_message(quorvex, message)
                self.assertFalse(any(w["visible"] for w in probe.overlays().values()))

    def test_a_failures_message_reads_in_the_operators_language(self):
        quorvex = self.own(Quorvex(wine, None, suffix="-Línea-ü"))
        self.assert_ends_with_message(quorvex, r"^Error 53: .*quorvex-e2e-\w+-Línea-ü")

    def test_a_close_request_ends_with_the_failures_status_while_its_message_is_open(self):
        quorvex = self.own(Quorvex(wine, "PL:abc\n"))
        wait_until(probe.message_box_open, 30, "the failure's message")
        probe.ask_to_close()
        self.assertEqual(quorvex.wait_exit(30), 1)

    def test_a_close_request_ends_with_status_0(self):
        self.start(autoconn=0)
        probe.ask_to_close()
        self.assertEqual(self.quorvex.wait_exit(30), 0)

    def test_lost_line_does_not_spin_and_next_click_ends(self):
        self.start()
        self.controller.hang_up()
        settle(self.quorvex.cpu_ticks, timeout=30)
        before, started = self.quorvex.cpu_ticks(), time.monotonic()
        time.sleep(2)
        assert_no_spin(self, self.quorvex.cpu_ticks() - before, time.monotonic() - started,
                       "after the hang-up")
        desktop.click(*self.target.centre("A"))
        self.assert_ends_with_message(self.quorvex, "^Port is closed.$")

    def test_asked_to_close_it_ends_with_status_0(self):
        self.start()
        asked = wine.run("taskkill", "/im", "quorvex.exe")  # WM_CLOSE, not /f
        self.assertEqual(self.quorvex.wait_exit(30), 0, asked.stdout + asked.stderr)


class Reconnect(Scenario):
    """RECONNECT:1: COM3's link in the prefix goes with its line, and is made anew."""

    def alphas(self):
        return [w["alpha"] for w in probe.overlays().values()]

    def test_a_lost_line_holds_the_buttons_visibly_and_resumes_when_it_is_back(self):
        self.start(RECONNECT=1)
        self.controller.hang_up()
        os.unlink(os.path.join(wine.prefix, "dosdevices", f"com{PORT}"))
        wait_until(lambda: self.alphas() == [ALIGNING] * 2, what="both overlays held")
        wait_until(lambda: desktop.pixel(*self.target.centre("B")) == HELD, what="held colour")
        desktop.click(*self.target.centre("A"))
        desktop.click(*self.target.centre("B"))
        self.assertEqual(self.clicks_before_barrier(), [], "the buttons stay blocked")
        self.assertFalse(probe.message_box_open())
        self.assertTrue(self.quorvex.alive())

        self.connect()
        self.controller.wait_received("some data", timeout=30)
        wait_until(lambda: self.alphas() == [HIDDEN] * 2, what="both overlays see-through")
        time.sleep(0.3)
        self.assertEqual(self.controller.received(), "some data", "a click while down is dropped")
        desktop.click(*self.target.centre("A"))
        self.controller.wait_received("some data101")
        self.controller.send("10")
        wait_until(lambda: "A" in self.target.clicks(), what="code 10 acting again")

    def test_without_reconnect_a_lost_line_ends_at_the_next_click(self):
        self.start(RECONNECT=0)
        self.controller.hang_up()
        desktop.click(*self.target.centre("A"))
        self.assert_ends_with_message(self.quorvex, "^Port is closed.$")

    def test_a_port_not_there_at_start_is_held_for_then_greeted(self):
        link = os.path.join(wine.prefix, "dosdevices", f"com{PORT}")
        if os.path.lexists(link):
            os.unlink(link)
        self.target = self.own(Target(wine))
        self.quorvex = self.own(Quorvex(wine, settings(self.target, RECONNECT=1)))
        self.wait_overlays(shown=True, timeout=30)
        wait_until(lambda: self.alphas() == [ALIGNING] * 2, what="both overlays held")
        desktop.click(*self.target.centre("A"))
        self.assertEqual(self.clicks_before_barrier(), [], "the buttons stay blocked")
        self.assertFalse(probe.message_box_open())
        self.connect()
        self.controller.wait_received("some data", timeout=30)
        wait_until(lambda: self.alphas() == [HIDDEN] * 2, what="both overlays see-through")
        self.controller.send("10")
        wait_until(lambda: "A" in self.target.clicks(), what="code 10 acting")


class Report(Scenario):
    def test_each_click_codes_outcome_follows_it(self):
        self.start(REPORT=1)
        for code, button in (("10", "A"), ("30", "B"), ("20", "C")):
            self.controller.send(code)
            wait_until(lambda: button in self.target.clicks(), what=f"code {code} acting")
        self.controller.wait_received("some data113121")
        # Nothing to press: the window WINDOW names is not there.
        self.quorvex.stop()
        self.quorvex = self.own(Quorvex(wine, settings(self.target, REPORT=1,
                                                       WINDOW="No window has this title")))
        self.controller.wait_received("some data113121some data", timeout=30)
        self.controller.send("10")
        self.controller.wait_received("some data113121some data19")

    def test_a_point_on_an_overlay_that_stays_is_never_pressed_nor_relayed(self):
        self.target = self.own(Target(wine))
        bx, by = self.target.centre("B")
        self.connect()
        self.quorvex = self.own(Quorvex(wine, settings(self.target, REPORT=1, STPX=bx, STPY=by)))
        self.controller.wait_received("some data", timeout=30)
        self.controller.send("20")
        self.controller.wait_received("some data29")
        self.assertEqual(self.clicks_before_barrier(), [])
        self.assertEqual(self.controller.received(), "some data29")


class FirstDay(Scenario):
    def test_check_prints_the_layout_to_the_console_it_was_started_from(self):
        self.target = self.own(Target(wine))
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        self.addCleanup(shutil.rmtree, folder, True)
        with open(os.path.join(folder, "tessora.ini"), "w") as ini:
            ini.write(settings(self.target))
        exe = "Z:" + os.path.abspath(os.environ["QUORVEX_WIN_EXE"]).replace("/", "\\")
        checked = subprocess.run(["wine", "cmd", "/c", exe, "--check"], env=wine.env, cwd=folder,
                                 capture_output=True, text=True, timeout=60)
        self.assertEqual(checked.returncode, 0, checked.stderr)
        (al, at, ar, ab) = self.target.buttons["A"]
        self.assertIn(f"overlay 1 (frmMain): {al},{at} {ar - al}x{ab - at} pixels", checked.stdout)
        self.assertIn('port: "3"', checked.stdout)

    def test_the_program_and_its_tools_say_one_version_on_standard_output(self):
        said = set()
        for name in ("quorvex.exe", "quorvex-controller.exe", "quorvex-align.exe"):
            with self.subTest(program=name):
                exe = "Z:" + os.path.join(os.path.dirname(os.path.abspath(
                    os.environ["QUORVEX_WIN_EXE"])), name).replace("/", "\\")
                done = subprocess.run(["wine", "cmd", "/c", exe, "--version"], env=wine.env,
                                      capture_output=True, text=True, timeout=60)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertRegex(done.stdout, r"^quorvex \d+\.\d+\.\d+\r?\n$")
                said.add(done.stdout.replace("\r\n", "\n"))
        self.assertEqual(len(said), 1, said)

    def prompt_session(self, folder, commands):
        """An interactive cmd in `folder` finding quorvex in the build folder, its
        commands typed one at a time once its prompt is back; what it wrote after each."""
        build = "Z:" + os.path.dirname(os.path.abspath(EXE)).replace("/", "\\")
        shell = subprocess.Popen(["wine", "cmd"], env=dict(wine.env, WINEPATH=build), cwd=folder,
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT)
        self.addCleanup(shell.stdout.close)
        self.addCleanup(shell.stdin.close)
        self.addCleanup(shell.kill)
        os.set_blocking(shell.stdout.fileno(), False)
        said = b""

        def prompt():
            nonlocal said
            said += shell.stdout.read() or b""
            return re.search(rb"[A-Z]:\\[^\r\n]*>$", said)

        answers = []
        for command in [*commands, "exit"]:
            wait_until(prompt, timeout=60, what="the prompt")
            answers.append(said.decode(errors="replace"))
            said = b""
            shell.stdin.write(command.encode() + b"\r\n")
            shell.stdin.flush()
        shell.wait(30)
        return answers[1:]

    def test_at_a_prompt_quorvex_answers_before_the_prompt_returns(self):
        self.target = self.own(Target(wine))
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        self.addCleanup(shutil.rmtree, folder, True)
        with open(os.path.join(folder, "tessora.ini"), "w") as ini:
            ini.write(settings(self.target, autoconn=0))
        version, check, bogus = self.prompt_session(
            folder, ["quorvex --version <NUL", "quorvex --check <NUL", "quorvex --no-such <NUL"])
        self.assertRegex(version, r"^quorvex \d+\.\d+\.\d+\r\n")
        (al, at, ar, ab) = self.target.buttons["A"]
        self.assertIn(f"overlay 1 (frmMain): {al},{at} {ar - al}x{ab - at} pixels", check)
        # A run: the argument named at once, the program itself left running on its own.
        self.assertIn('ignoring the argument "--no-such"', bogus)
        wait_until(lambda: "frmMain" in probe.overlays(), timeout=30, what="quorvex.exe")
        probe.ask_to_close()
        wait_until(lambda: "frmMain" not in probe.overlays(), what="quorvex.exe closed")

    def test_at_a_prompt_the_status_of_check_is_errorlevel(self):
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        self.addCleanup(shutil.rmtree, folder, True)
        build = "Z:" + os.path.dirname(os.path.abspath(EXE)).replace("/", "\\")
        for settings_text, status in ((None, None), ("AUTOCONN:0\n", 0)):
            if settings_text is not None:
                with open(os.path.join(folder, "tessora.ini"), "w") as ini:
                    ini.write(settings_text)
            direct = subprocess.run(["wine", os.path.join(os.path.dirname(EXE), "quorvex.com"),
                                     "--check"], env=wine.env, cwd=folder, capture_output=True,
                                    timeout=60)
            if status is not None:
                self.assertEqual(direct.returncode, status)
            else:
                self.assertNotEqual(direct.returncode, 0)
            done = subprocess.run(["wine", "cmd", "/v:on", "/c",
                                   "quorvex --check >NUL 2>NUL & echo !ERRORLEVEL!"],
                                  env=dict(wine.env, WINEPATH=build), cwd=folder,
                                  capture_output=True, text=True, timeout=60)
            self.assertEqual(done.stdout.strip(), str(direct.returncode), done.stderr)

    def test_in_a_console_the_check_keeps_every_letter_whatever_the_code_page(self):
        # On a terminal Wine gives the program a console: the text goes through it.
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-", suffix="-dossier-\u00e9t\u00e9")
        self.addCleanup(shutil.rmtree, folder, True)
        terminal, program_end = os.openpty()
        self.addCleanup(os.close, terminal)
        # Wide enough that no line of the answer wraps.
        fcntl.ioctl(program_end, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 400, 0, 0))
        com = "Z:" + os.path.join(os.path.dirname(os.path.abspath(EXE)), "quorvex.com").replace(
            "/", "\\")
        shell = subprocess.Popen(["wine", "cmd", "/c", com, "--check"], env=wine.env, cwd=folder,
                                 stdin=program_end, stdout=program_end, stderr=program_end)
        os.close(program_end)
        said = b""
        while select.select([terminal], [], [], 60)[0]:
            try:
                chunk = os.read(terminal, 4096)
            except OSError:  # every program end closed
                break
            if not chunk:
                break
            said += chunk
        self.assertEqual(shell.wait(30), 53)
        windows_folder = "Z:" + folder.replace("/", "\\")
        self.assertIn(f"Error 53: The settings file {windows_folder}\\tessora.ini".encode(),
                      said)

    def test_the_log_holds_what_crossed_the_line(self):
        self.start(LOG="line.log")
        self.controller.send("10")
        self.target.wait_line("^click A$")
        log = os.path.join(self.quorvex.folder, "line.log")

        def events():
            with open(log) as lines:
                return [entry[24:] for entry in lines.read().splitlines()]

        wait_until(lambda: len(events()) >= 4, what="the log written")
        self.assertRegex(events()[0], r"^start: Quorvex ")
        x, y = self.target.centre("A")
        self.assertEqual(events()[1:4], ['port opened, sent "some data"', 'received "10"',
                                         f'code "10": click at {x},{y}'])


    def test_the_log_rotates_while_a_reader_holds_it_and_its_name_is_not_ascii(self):
        folder = tempfile.mkdtemp(prefix="quorvex-e2e-")
        self.addCleanup(shutil.rmtree, folder, True)
        log = os.path.join(folder, "journal-\u00e9t\u00e9-\u65e5\u5fd7.log")
        windows_log = "Z:" + log.replace("/", "\\")
        with open(log, "wb") as old:
            old.write(b"x" * (10 << 20))
        reader = subprocess.Popen(["wine", PROBE, "hold"], env=dict(wine.env, QUORVEX_HOLD=windows_log),
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(reader.kill)
        self.addCleanup(reader.stdout.close)
        self.assertEqual(reader.stdout.readline().strip(), "held")
        self.connect()
        self.target = self.own(Target(wine))
        self.quorvex = self.own(Quorvex(wine, settings(self.target, LOG=windows_log).encode()))
        self.controller.wait_received("some data")
        wait_until(lambda: os.path.exists(log + ".1"), what="the log rotated")
        self.controller.send("20")
        self.target.wait_line("^click C$")

        def new_log():
            with open(log, encoding="utf-8") as new:
                return new.read()

        wait_until(lambda: 'received "20"' in new_log(), what="the new log written")
        self.assertNotIn("x" * 10, new_log())
        rotated = os.path.getsize(log + ".1")
        self.assertGreater(rotated, 10 << 20)
        # The reader's handle went with the file it opened, and read all of it.
        reader.stdin.close()
        self.assertEqual(reader.stdout.readline().strip(), f"read {rotated}")
        self.assertEqual(reader.wait(30), 0)

class DeviceRemoval(Scenario):
    """The program's serial line alone (line.exe) on a pseudo-terminal as COM3, told of
    its device's removal as Windows tells a window that holds the port."""

    def setUp(self):
        super().setUp()
        self.line = PseudoTerminal()
        self.addCleanup(self.line.close)
        wine.map_port(PORT, self.line.port)
        self.driver = self.own(Child(["wine", LINE], wine.env, stdin=subprocess.PIPE))

    def ask(self, command, answer):
        del self.driver.out[:]
        self.driver.process.stdin.write(command + "\n")
        self.driver.process.stdin.flush()
        return self.driver.wait_line(answer, timeout=30)

    def holders(self):
        """Processes other than this test that hold the pseudo-terminal's program end."""
        found = set()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                fds = os.listdir(f"/proc/{pid}/fd")
            except OSError:
                continue
            for fd in fds:
                try:
                    if int(pid) != os.getpid() and os.readlink(
                            f"/proc/{pid}/fd/{fd}") == self.line.port:
                        found.add(pid)
                except OSError:
                    pass
        return found

    def test_a_removal_asked_for_frees_the_port_and_one_cancelled_opens_it_again(self):
        self.ask(f"open {PORT}", "^opened$")
        self.ask("write a", "^written$")
        self.line.wait_received(b"a")
        self.assertTrue(self.holders())
        # Closed so that the removal can go on, and the program not told of a loss.
        self.ask("query", "^told$")
        wait_until(lambda: not self.holders(), what="the port closed")
        self.ask("cancelled", "^told$")
        self.ask("write b", "^written$")
        self.line.wait_received(b"ab")
        self.assertFalse([line for line in self.driver.out if line.startswith("lost")])
        # Done: the line is lost, and a try to open again ends with its tick.
        self.ask("query", "^told$")
        self.ask("removed", "^lost the device was removed$")
        self.ask(f"open {PORT}", "^tick$")
        self.assertIn("the port is still being opened", self.driver.out[0])
        self.ask(f"open {PORT}", "^opened$")
        self.ask("write c", "^written$")
        self.line.wait_received(b"abc")

    def test_a_write_while_a_removal_is_asked_for_is_the_line_lost(self):
        self.ask(f"open {PORT}", "^opened$")
        self.ask("query", "^told$")
        self.ask("write x", "^refused$")
        # The loss is the program's now: the removal's outcome is no longer watched.
        self.ask("cancelled", "^unwatched$")
        self.ask(f"open {PORT}", "^tick$")
        self.ask(f"open {PORT}", "^opened$")
        self.ask("write y", "^written$")
        self.line.wait_received(b"y")

class Flood(Scenario):
    def test_random_flood_then_every_code_acts(self):
        line = self.start_on_own_line()
        line.write(random_mebibyte())
        wait_until(lambda: line.unread() == 0, FLOOD_TIMEOUT, "the flood read")
        self.assertIsNone(self.quorvex.process.poll(), "the program ended")
        # The flood's tail may swallow a code: "50" is sent until one has surely acted.
        wait_until(lambda: line.write(b"50") or
                   not any(w["visible"] for w in probe.overlays().values()),
                   FLOOD_TIMEOUT, "a code after the flood")
        line.write(b"40")
        self.wait_overlays(shown=True)
        self.clicks_before_barrier()  # codes in the flood may have clicked
        for code, button in (("10", "A"), ("20", "C"), ("30", "B")):
            with self.subTest(code=code):
                line.write(code.encode())
                self.target.wait_line(f"^click {button}$")
        self.assertEqual(self.clicks_before_barrier(), ["A", "C", "B"])
        self.assertEqual(line.received(), b"some data", "sent on the line unasked")


class FollowWindow(Scenario):
    """WINDOW set: positions count from a captioned window's client area. Wine 8 delivers
    no WinEvents of other processes, so only what needs none is tried here: the place
    at the start, the window found when it opens later, clicks where the window is, and
    none while it is minimised; the overlays stay above every window there."""

    def relative_settings(self, target, window_text):
        ox, oy = target.origin()
        screen = target.buttons
        target.buttons = {k: (l - ox, t - oy, r - ox, b - oy) for k, (l, t, r, b) in screen.items()}
        text = f"WINDOW:{window_text}\n" + settings(target)
        target.buttons = screen
        return text

    def test_overlays_at_the_window_and_codes_pressing_where_it_now_is(self):
        self.connect()
        self.target = self.own(Target(wine, 100, 100, title="Line 7 - Batch 12"))
        self.quorvex = self.own(Quorvex(wine, self.relative_settings(self.target, "Line 7")))
        self.controller.wait_received("some data")
        wait_until(lambda: probe.rect("frmMain") == self.target.buttons["A"], 30, "frmMain over A")
        self.assertEqual(probe.rect("frmTwo"), self.target.buttons["B"])
        # Without other processes' events a raise of the window would go unseen.
        self.assertEqual([w["topmost"] for w in probe.overlays().values()], [1, 1],
                         "above every window under Wine")
        ox, oy = self.target.origin()
        nx, ny = self.target.command("move 320 260")
        self.assertNotEqual((nx, ny), (ox, oy))
        self.controller.send("20")
        self.target.wait_line("^click C$", timeout=30)
        self.controller.send("10")
        self.target.wait_line("^click A$", timeout=30)
        self.assertEqual(self.controller.received(), "some data")

    def start_logged(self, x, y, title, window_text, keys=""):
        """The program over a titled target, with a log and `keys` besides."""
        self.connect()
        self.target = self.own(Target(wine, x, y, title=title))
        self.quorvex = self.own(Quorvex(wine, "LOG:quorvex.log\n" + keys +
                                        self.relative_settings(self.target, window_text)))
        self.controller.wait_received("some data")
        wait_until(lambda: probe.rect("frmMain") == self.target.buttons["A"], 30, "frmMain over A")

    def logged(self):
        with open(os.path.join(self.quorvex.folder, "quorvex.log"), encoding="utf-8",
                  errors="replace") as log:
            return log.read()

    def test_minimised_codes_press_nothing_and_restored_they_press_again(self):
        self.start_logged(120, 110, "Line 9 - Batch 3", "Line 9")
        self.target.command("minimise")
        self.controller.send("10")
        wait_until(lambda: "Code 10 pressed nothing" in self.logged(), 30,
                   "code 10 pressing nothing")
        self.target.command("restore")
        self.controller.send("10")
        self.target.wait_line("^click A$", timeout=30)
        self.assertEqual(self.target.clicks(), ["A"], "one press: the restored window's")

    def test_a_window_over_the_application_is_pressed_by_no_code(self):
        """The check before a press needs no other process's events: a code whose point
        another window covers presses nothing, and says which window covers it."""
        self.start_logged(100, 100, "Line 5 - Batch 2", "Line 5", keys="REPORT:1\n")
        cover = self.own(Target(wine, 100, 100, title="Instructions viewer"))
        self.controller.send("10")
        self.controller.wait_received("some data19", timeout=30)
        self.assertIn("Instructions viewer", self.logged())
        cover.stop()
        self.controller.send("10")
        self.controller.wait_received("some data1911", timeout=30)
        self.target.wait_line("^click A$")
        self.assertEqual(self.target.clicks(), ["A"])
        self.assertEqual(cover.clicks(), [])

    def test_started_before_the_window_it_covers_the_window_when_it_opens(self):
        self.connect()
        probe_target = self.own(Target(wine, 140, 120, title="Probe line"))
        text = self.relative_settings(probe_target, "Later line")
        probe_target.stop()
        self.quorvex = self.own(Quorvex(wine, text))
        self.controller.wait_received("some data")
        self.assertFalse(any(w["visible"] for w in probe.overlays().values()))
        self.target = self.own(Target(wine, 140, 120, title="Later line"))
        self.wait_overlays(shown=True, timeout=30)
        self.assertEqual(probe.rect("frmMain"), self.target.buttons["A"])


if __name__ == "__main__":
    unittest.main(verbosity=2)

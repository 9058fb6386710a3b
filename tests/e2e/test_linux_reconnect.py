"""RECONNECT:1 on Linux: CP is a link to a pseudo-terminal that the test closes and
then points at a new one, as a re-plugged USB adapter's /dev/serial/by-id/ name does."""

import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_linux  # noqa: E402
from linux_harness import (WAIT, PseudoTerminal, Quorvex, Target, assert_no_spin,  # noqa: E402
                           wait_until)
from test_linux import Scenario, centre, settings  # noqa: E402

HELD = 0xFFB000  # the amber of a held overlay
RETRY = 1.0  # seconds between tries


def setUpModule():
    test_linux.setUpModule()


def tearDownModule():
    test_linux.tearDownModule()


class Link:
    """A symbolic link standing for the adapter's stable name."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="quorvex-link-")
        self.path = os.path.join(self.folder, "usb-adapter")

    def point_at(self, target):
        staged = self.path + ".new"
        os.symlink(target, staged)
        os.replace(staged, self.path)

    def remove(self):
        if os.path.lexists(self.path):
            os.unlink(self.path)
        os.rmdir(self.folder)


class Reconnect(Scenario):
    def start_on_link(self, reconnect=1, version=100):
        self.link = Link()
        self.addCleanup(self.link.remove)
        self.line = self.new_line()
        self.target = self.own(Target(test_linux.desktop))
        self.quorvex = self.own(Quorvex(test_linux.desktop, settings(
            self.target, port=self.link.path, version=version, RECONNECT=reconnect)))
        self.overlays = [self.quorvex.overlay("frmMain"), self.quorvex.overlay("frmTwo")]
        self.line.wait_received(b"some data")

    def new_line(self):
        line = PseudoTerminal()
        self.addCleanup(line.close)
        self.link.point_at(line.port)
        return line

    def face_colour(self, rect):
        return test_linux.desktop.pixel(*centre(rect))

    def lose_line(self):
        self.line.close()
        self.quorvex.wait_line(r"^Quorvex: The line on .*usb-adapter is lost \(.+\)",
                               self.quorvex.err)

    def test_a_lost_line_holds_the_buttons_visibly_and_resumes_when_it_is_back(self):
        self.start_on_link()
        uncovered = self.face_colour(self.target.start_rect)
        self.lose_line()
        for rect in (self.target.start_rect, self.target.stop_rect):
            wait_until(lambda: self.face_colour(rect) == HELD, what="the held colour")
        test_linux.desktop.click(*centre(self.target.start_rect))
        test_linux.desktop.click(*centre(self.target.stop_rect))
        self.barrier()  # the clicks reached no button
        self.assertIsNone(test_linux.desktop.find("--onlyvisible", "--name", "^Quorvex$"))
        self.assertTrue(self.quorvex.alive())

        self.line = self.new_line()
        self.line.wait_received(b"some data", timeout=3 * RETRY + WAIT)
        self.quorvex.wait_line(r"^Quorvex: The line on .*usb-adapter is back\.$",
                               self.quorvex.err)
        wait_until(lambda: self.face_colour(self.target.start_rect) == uncovered,
                   what="the overlay see-through again")
        self.assertEqual(self.line.received(0.2), b"some data", "a click while down is dropped")

        test_linux.desktop.click(*centre(self.target.start_rect))
        self.line.wait_received(b"some data101")
        self.line.write(b"10")
        wait_until(lambda: "Start" in self.target.clicks(), what="code 10 acting again")

    def test_overlays_hidden_by_fifty_stay_hidden_while_held(self):
        self.start_on_link()
        self.line.write(b"50")
        wait_until(lambda: not any(test_linux.desktop.viewable(o) for o in self.overlays),
                   what="both hidden")
        self.lose_line()
        time.sleep(0.2)
        self.assertFalse(any(test_linux.desktop.viewable(o) for o in self.overlays))
        self.assertNotEqual(self.face_colour(self.target.start_rect), HELD)

    def test_alignment_mode_is_held_in_its_own_colour(self):
        self.start_on_link(version=101)
        aligned = self.face_colour(self.target.start_rect)
        self.assertNotEqual(aligned, HELD)
        self.lose_line()
        wait_until(lambda: self.face_colour(self.target.start_rect) == HELD, what="held")
        self.line = self.new_line()
        self.line.wait_received(b"some data", timeout=3 * RETRY + WAIT)
        wait_until(lambda: self.face_colour(self.target.start_rect) == aligned,
                   what="alignment's colour again")

    def test_waiting_for_the_line_costs_one_open_a_second(self):
        self.start_on_link()
        self.lose_line()
        os.unlink(self.link.path)
        ticks, wakeups, seconds = self.quorvex.settled_usage(3)
        assert_no_spin(self, ticks, seconds, "while the line is down")
        # A wake-up or so a try; a faster timer would show in the hundreds.
        self.assertLessEqual(wakeups, 3 * (seconds + 1), "wake-ups while the line is down")

    def test_without_reconnect_a_lost_line_ends_at_the_next_click(self):
        self.start_on_link(reconnect=0)
        self.line.close()
        test_linux.desktop.click(*centre(self.target.start_rect))
        self.assert_ends_with_message(self.quorvex, "Port is closed.$")


if __name__ == "__main__":
    unittest.main(verbosity=2)

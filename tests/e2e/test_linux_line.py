"""What Quorvex tells the controller of its own accord, end to end on Linux: each click
code's outcome (REPORT), a heartbeat (HEARTBEAT), and a port not there at start held
for (RECONNECT), over a pseudo-terminal the test holds itself."""

import os
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_linux  # noqa: E402
from linux_harness import InputClient, PseudoTerminal, Quorvex, Target, wait_until  # noqa: E402
from test_linux import Scenario, centre, settings  # noqa: E402
from test_linux_reconnect import HELD, Link  # noqa: E402


def setUpModule():
    test_linux.setUpModule()


def tearDownModule():
    test_linux.tearDownModule()


class Line(Scenario):
    def start_on_line(self, **options):
        self.line = PseudoTerminal()
        self.addCleanup(self.line.close)
        self.target = self.own(Target(test_linux.desktop))
        self.quorvex = self.own(Quorvex(test_linux.desktop,
                                        settings(self.target, port=self.line.port, **options)))
        self.line.wait_received(b"some data")
        self.quorvex.past_start()

    def after_greeting(self):
        return self.line.received()[len(b"some data"):]

    def test_each_click_codes_outcome_follows_it(self):
        self.start_on_line(REPORT=1)
        for code, button in ((b"10", "Start"), (b"30", "Stop"), (b"20", "Stop")):
            self.line.write(code)
            self.target.wait_line(f"^click {button} 1$")
            self.barrier()
        wait_until(lambda: self.after_greeting() == b"113121", what="three outcomes")
        # A button held past a second: nothing pressed, and the controller hears so.
        hand = self.own(InputClient(test_linux.desktop))
        x, y, _, _ = self.target.start_rect
        test_linux.desktop.move_pointer(x, y - 20)
        hand.do("press 1")
        try:
            self.line.write(b"20")
            self.line.wait_received(b"29")
        finally:
            hand.do("release 1")
        self.barrier()
        self.assertEqual(self.target.clicks(), [])
        self.assertEqual(self.after_greeting(), b"11312129")

    def test_with_the_window_absent_a_code_is_not_made(self):
        self.start_on_line(REPORT=1, WINDOW="No window has this title")
        self.line.write(b"10")
        self.line.wait_received(b"19")
        self.quorvex.wait_line(r'^Quorvex: Code 10 pressed nothing', self.quorvex.err)
        self.assertEqual(self.after_greeting(), b"19")

    def test_without_report_nothing_new_goes_on_the_line(self):
        self.start_on_line()
        self.line.write(b"10")
        self.target.wait_line("^click Start 1$")
        self.barrier()
        time.sleep(0.3)
        self.assertEqual(self.after_greeting(), b"")

    # 100 ms: at most 21 in 2 s, as each comes a whole interval after the last; a slow
    # machine only makes fewer. A stopped program writes none, and starts again.
    def test_a_heartbeat_each_interval_and_none_while_the_program_is_stopped(self):
        self.start_on_line(HEARTBEAT=100)
        self.line.wait_received(b"00")
        before = len(self.line.received())
        time.sleep(2)
        beats = (len(self.line.received()) - before) // 2
        print(f"\nHEARTBEAT:100: {beats} beats in 2 s", file=sys.stderr)
        self.assertGreaterEqual(beats, 2)
        self.assertLessEqual(beats, 21)
        self.quorvex.process.send_signal(signal.SIGSTOP)
        try:
            self.line.received(0.3)  # what was written before the stop
            stopped = len(self.line.received())
            time.sleep(1)
            self.assertEqual(len(self.line.received()), stopped)
        finally:
            self.quorvex.process.send_signal(signal.SIGCONT)
        wait_until(lambda: len(self.line.received()) > stopped, what="a beat after SIGCONT")
        self.assertEqual(self.line.received().replace(b"00", b""), b"some data")


class PortAtStart(Scenario):
    def test_a_port_not_there_at_start_is_held_for_then_greeted(self):
        link = Link()
        self.addCleanup(link.remove)
        self.target = self.own(Target(test_linux.desktop))
        self.quorvex = self.own(Quorvex(test_linux.desktop, settings(
            self.target, port=link.path, RECONNECT=1)))
        self.quorvex.wait_line(r"^Quorvex: The line on .*usb-adapter cannot be opened yet",
                               self.quorvex.err)
        self.quorvex.overlay("frmMain")
        self.quorvex.overlay("frmTwo")
        for rect in (self.target.start_rect, self.target.stop_rect):
            wait_until(lambda: test_linux.desktop.pixel(*centre(rect)) == HELD,
                       what="the held colour")
        test_linux.desktop.click(*centre(self.target.start_rect))
        self.barrier()  # the click reached no button
        self.assertIsNone(test_linux.desktop.find("--onlyvisible", "--name", "^Quorvex$"))
        line = PseudoTerminal()
        self.addCleanup(line.close)
        link.point_at(line.port)
        line.wait_received(b"some data")
        self.quorvex.wait_line(r"^Quorvex: The line on .*usb-adapter is back", self.quorvex.err)
        line.write(b"10")
        self.target.wait_line("^click Start 1$")
        self.assertEqual(line.received(), b"some data")


if __name__ == "__main__":
    unittest.main(verbosity=2)

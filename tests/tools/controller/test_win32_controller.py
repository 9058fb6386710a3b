"""quorvex-controller.exe under Wine, its COM5 a pseudo-terminal whose other end the
native tool holds in answering mode: both directions, the end of input, the
heartbeat's watch, and the message for a port that is missing."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
from linux_harness import Child, Controller, Desktop  # noqa: E402
from wine_harness import Wine  # noqa: E402

TOOL = os.environ.get("QUORVEX_WIN_CONTROLLER", "build/windows/quorvex-controller.exe")


class WindowsController(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop()
        cls.wine = Wine(cls.desktop)

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()
        cls.desktop.close()

    def setUp(self):
        self.native = Controller(self.desktop, "--answer", "--listen")
        self.wine.map_port(5, self.native.port)
        self.children = [self.native]

    def tearDown(self):
        for child in reversed(self.children):
            child.stop()

    def tool(self, *args):
        child = Child(["wine", TOOL, *args], self.wine.env, stdin=subprocess.PIPE)
        self.children.append(child)
        return child

    def test_sends_arguments_and_typed_lines_prints_answers_and_ends_with_its_input(self):
        tool = self.tool("COM5", "101")
        tool.wait_line(r'^\d\d:\d\d:\d\d\.\d{3} recv "10"$', timeout=30)
        # A slip of the keyboard is answered, and the tool goes on.
        tool.process.stdin.write("1\\q\n")
        tool.process.stdin.flush()
        tool.wait_line(r' error .*"1\\q" not sent$')
        tool.process.stdin.write("202\\r\\n\n")
        tool.process.stdin.flush()
        tool.wait_line(r' recv "30"$')
        self.native.wait_received("101202\r\n")
        tool.process.stdin.close()
        self.assertEqual(tool.wait_exit(30), 0)
        self.assertIn('sent "202\\r\\n"', "\n".join(tool.out))

    def test_answers_when_asked(self):
        tool = self.tool("--answer", "5", "40")
        self.native.wait_received("40", timeout=30)  # the tool has the port
        self.native.send("101")
        tool.wait_line(r' sent "10"$')
        self.native.wait_received("4010")

    def test_heartbeats_named_their_stop_said_and_their_coming_back(self):
        tool = self.tool("--heartbeat", "500", "5", "40")
        self.native.wait_received("40", timeout=30)  # the tool has the port
        self.native.send("0019")
        tool.wait_line(r' recv "00" \(heartbeat\)$')
        tool.wait_line(r' recv "19" \(10 not made\)$')
        tool.wait_line(r" note no heartbeat for 3 intervals \(500 ms\): Quorvex gone: the "
                       r"buttons may be bare$", timeout=30)
        self.native.send("00")
        tool.wait_line(r" note heartbeat again after \d+\.\d s: Quorvex is running$")
        self.native.send("101")
        tool.wait_line(r' recv "101"$')  # the wait for the line went on reading

    def test_a_missing_port_is_named_with_the_ports_there_are(self):
        missing = self.tool("COM9")
        self.assertEqual(missing.wait_exit(30), 1)
        text = "\n".join(missing.err)
        self.assertRegex(text, r"(?m)Error 8002: There is no serial port COM9: .*\)\.$")
        self.assertNotIn("tessora.ini", text, "the program's hint: the port came from here")
        # Which ports Wine lists is its own business: only that the line is there.
        self.assertRegex(text,
                         r"(?m)^(Serial ports present now: COM|No serial ports are present now)")
        # A held port (8005) cannot be had here: Wine does not make COM ports exclusive.

    def run_tool(self, *args):
        return subprocess.run(["wine", TOOL, *args], env=self.wine.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)

    def test_usage(self):
        self.assertIn("3 or COM3", self.run_tool("--help").stdout)
        self.assertEqual(self.run_tool("--pty").returncode, 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)

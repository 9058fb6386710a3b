"""The Windows zip, made by CPack from the cross build: the programs, and the example
settings, the example task and the guide with CR LF line ends, as Notepad wants them."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

CPACK_CONFIG = sys.argv.pop(1) if len(sys.argv) > 1 else "build/windows/CPackConfig.cmake"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


class WindowsZip(unittest.TestCase):
    def test_programs_and_text_files_with_cr_lf(self):
        scratch = tempfile.mkdtemp(prefix="quorvex-zip-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        done = subprocess.run(["cpack", "--config", CPACK_CONFIG, "-G", "ZIP", "-B", scratch],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        [name] = [n for n in os.listdir(scratch) if n.endswith(".zip")]
        with zipfile.ZipFile(os.path.join(scratch, name)) as archive:
            names = set(archive.namelist())
            for program in ("quorvex.exe", "quorvex.com", "quorvex-controller.exe",
                            "quorvex-align.exe"):
                self.assertIn(program, names)
            for packed, source in (("tessora.ini", "examples/tessora.ini"),
                                   ("README.txt", "README.md"),
                                   ("quorvex-task.xml", "examples/quorvex-task.xml")):
                with self.subTest(file=packed):
                    data = archive.read(packed)
                    with open(os.path.join(SOURCE, source), "rb") as original:
                        self.assertEqual(data, crlf(original.read()))
                    self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
                    self.assertEqual(data.count(b"\r"), data.count(b"\r\n"))


if __name__ == "__main__":
    unittest.main(verbosity=2)

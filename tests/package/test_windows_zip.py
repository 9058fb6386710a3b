"""The Windows zip, made by CPack from the cross build: the programs, and the example
settings, the example task and the guide with CR LF line ends, as Notepad wants them;
with the guide, the pages it links to, and nothing the guide does not say it holds."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

from guide import crlf, linked_pages, windows_paragraph

CPACK_CONFIG = sys.argv.pop(1) if len(sys.argv) > 1 else "build/windows/CPackConfig.cmake"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


class WindowsZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        scratch = tempfile.mkdtemp(prefix="quorvex-zip-")
        cls.addClassCleanup(shutil.rmtree, scratch, ignore_errors=True)
        done = subprocess.run(["cpack", "--config", CPACK_CONFIG, "-G", "ZIP", "-B", scratch],
                              capture_output=True, text=True)
        if done.returncode != 0:
            raise AssertionError(done.stdout + done.stderr)
        [name] = [n for n in os.listdir(scratch) if n.endswith(".zip")]
        with zipfile.ZipFile(os.path.join(scratch, name)) as archive:
            cls.files = {info.filename: archive.read(info) for info in archive.infolist()
                         if not info.is_dir()}
        with open(os.path.join(SOURCE, "README.md")) as readme:
            cls.readme = readme.read()

    def test_programs_and_text_files_with_cr_lf(self):
        names = set(self.files)
        for program in ("quorvex.exe", "quorvex.com", "quorvex-controller.exe",
                        "quorvex-align.exe"):
            self.assertIn(program, names)
        pages = [(page, page) for page in linked_pages(self.readme) if not page.endswith(".png")]
        for packed, source in [("tessora.ini", "examples/tessora.ini"), ("README.txt", "README.md"),
                               ("quorvex-task.xml", "examples/quorvex-task.xml"), *pages]:
            with self.subTest(file=packed):
                data = self.files[packed]
                with open(os.path.join(SOURCE, source), "rb") as original:
                    self.assertEqual(data, crlf(original.read()))
                self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
                self.assertEqual(data.count(b"\r"), data.count(b"\r\n"))

    def test_every_page_the_guide_points_to_and_no_file_it_does_not_name(self):
        self.assertLessEqual(linked_pages(self.readme), set(self.files))
        with open(os.path.join(SOURCE, "docs", "quorvex-demo.png"), "rb") as picture:
            self.assertEqual(self.files["docs/quorvex-demo.png"], picture.read())
        said = windows_paragraph(self.readme)
        for name in self.files:
            with self.subTest(file=name):
                path = name.replace("/", "\\")  # as Explorer shows it
                self.assertIn(f"`{path}`", said)


if __name__ == "__main__":
    unittest.main(verbosity=2)

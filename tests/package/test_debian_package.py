"""The Debian package: built by CPack, installed into a scratch root by dpkg, the
program and the tool run from there, then removed without leaving files behind."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

CPACK_CONFIG = sys.argv.pop(1) if len(sys.argv) > 1 else "build/linux/CPackConfig.cmake"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
MAN = ("usr/share/man/man1/quorvex.1.gz", "usr/share/man/man1/quorvex-controller.1.gz")
EXAMPLES = "usr/share/doc/quorvex/examples/"
AUTOSTART = EXAMPLES + "quorvex.desktop"
UNIT = EXAMPLES + "quorvex@.service"
FILES = ("usr/bin/quorvex", "usr/bin/quorvex-controller", "usr/share/doc/quorvex/README.md",
         "usr/share/doc/quorvex/docs/DEVELOPING.md", "usr/share/doc/quorvex/bench/RESULTS.md",
         "usr/share/doc/quorvex/docs/quorvex-demo.png", EXAMPLES + "tessora.ini", AUTOSTART, UNIT,
         *MAN)
DEPENDS = ("libc6", "libstdc++6", "libx11-6", "libx11-xcb1", "libxcb1", "libxtst6")
ALIGN = ("usr/bin/quorvex-align", "usr/share/man/man1/quorvex-align.1.gz")


def run(*args, env=None):
    done = subprocess.run(args, capture_output=True, text=True, env=env)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quorvex-deb-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        out = os.path.join(cls.scratch, "out")
        run("cpack", "--config", CPACK_CONFIG, "-G", "DEB", "-B", out)
        debs = [os.path.join(out, name) for name in os.listdir(out) if name.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError(f"CPack made {len(debs)} Debian packages, not one")
        cls.deb = debs[0]
        # An empty dpkg database: the host's packages are not there, hence --force-depends.
        cls.root = os.path.join(cls.scratch, "root")
        for folder in ("var/lib/dpkg/info", "var/lib/dpkg/updates"):
            os.makedirs(os.path.join(cls.root, folder))
        for name in ("status", "available"):
            open(os.path.join(cls.root, "var/lib/dpkg", name), "w").close()

    def dpkg(self, *args):
        privileged = [] if os.geteuid() == 0 else ["fakeroot"]
        # The log is the host's even with --root: keep out of it.
        return run(*privileged, "dpkg", f"--root={self.root}", "--log=/dev/null",
                   "--force-depends", "--force-not-root", "--force-script-chrootless", *args)

    def test_metadata_names_the_libraries_the_binaries_need(self):
        depends = run("dpkg-deb", "--field", self.deb, "Depends")
        for package in DEPENDS:
            self.assertRegex(depends, rf"(?m)(^|, ){re.escape(package)}( |,|$)")
        self.assertEqual(run("dpkg-deb", "--field", self.deb, "Package").strip(), "quorvex")

    def test_installs_runs_and_removes_cleanly(self):
        self.dpkg("--install", self.deb)
        self.assertIn("install ok installed", self.dpkg("--status", "quorvex"))
        for path in FILES:
            self.assertTrue(os.path.isfile(os.path.join(self.root, path)), path)
        for program in FILES[:2]:
            self.assertTrue(os.access(os.path.join(self.root, program), os.X_OK), program)
        usage = run(os.path.join(self.root, "usr/bin/quorvex-controller"), "--help")
        self.assertIn("Usage: quorvex-controller", usage)
        for path in ALIGN:
            self.assertTrue(os.path.isfile(os.path.join(self.root, path)), path)
        usage = run(os.path.join(self.root, ALIGN[0]), "--help")
        self.assertIn("Usage: quorvex-align", usage)
        # No display: the program must say so and stop, not crash.
        ended = subprocess.run([os.path.join(self.root, "usr/bin/quorvex")], cwd=self.root,
                               env=dict(os.environ, DISPLAY=":65000"), capture_output=True,
                               text=True, timeout=30)
        self.assertEqual(ended.returncode, 1)
        self.assertIn("Error 7000", ended.stderr)

        if shutil.which("man"):  # man-db, which `make test` installs
            self.check_manual_pages()
        self.check_session_examples()

        self.dpkg("--remove", "quorvex")
        for path in FILES + ALIGN:
            self.assertFalse(os.path.exists(os.path.join(self.root, path)), path)
        self.assertFalse(os.path.exists(os.path.join(self.root, "usr/bin/quorvex")))

    def check_session_examples(self):
        with open(os.path.join(self.root, AUTOSTART)) as entry:
            desktop = entry.read()
        for line in ("[Desktop Entry]", "Type=Application", "Exec=quorvex", "Path=/"):
            self.assertRegex(desktop, rf"(?m)^{re.escape(line)}", line)
        if shutil.which("desktop-file-validate"):
            run("desktop-file-validate", os.path.join(self.root, AUTOSTART))
        with open(os.path.join(self.root, UNIT)) as unit:
            text = unit.read()
        for line in ("WorkingDirectory=%h/%I", "ExecStart=/usr/bin/quorvex", "Restart=on-failure",
                     "RestartSec=5"):
            self.assertRegex(text, rf"(?m)^{re.escape(line)}$", line)
        if not shutil.which("systemd-analyze"):
            return
        # As the user's manager would load it for ~/line1, with the program installed here.
        units = os.path.join(self.scratch, "units")
        os.makedirs(os.path.join(units, "runtime"), exist_ok=True)
        with open(os.path.join(units, "quorvex@.service"), "w") as copy:
            copy.write(text.replace("ExecStart=/usr/bin/quorvex",
                                    "ExecStart=" + os.path.join(self.root, "usr/bin/quorvex")))
        done = subprocess.run(
            ["systemd-analyze", "--user", "verify", os.path.join(units, "quorvex@line1.service")],
            capture_output=True, text=True, env=dict(os.environ, SYSTEMD_LOG_LEVEL="notice",
                                                     XDG_RUNTIME_DIR=os.path.join(units, "runtime")))
        self.assertEqual((done.returncode, done.stderr), (0, ""), done.stdout)

    def render(self, page):
        """The page as `man` shows it, one paragraph a line; fails on any roff warning."""
        path = os.path.join(self.root, page)
        env = dict(os.environ, MANWIDTH="2000", MANPAGER="cat", LC_ALL="C.UTF-8")
        done = subprocess.run(["man", "--warnings", "-l", path], capture_output=True, text=True,
                              env=env)
        self.assertEqual((done.returncode, done.stderr), (0, ""), page)
        return done.stdout

    def check_manual_pages(self):
        # Every page of docs/man is installed, and renders without a warning.
        pages = sorted(name + ".gz" for name in os.listdir(os.path.join(SOURCE, "docs/man")))
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "usr/share/man/man1"))), pages)
        for page in pages:
            self.render(os.path.join("usr/share/man/man1", page))
        quorvex = self.render(MAN[0])
        self.assertIn("tessora.ini", quorvex)
        with open(os.path.join(SOURCE, "src/app/settings.cpp")) as source:
            keys = re.findall(r'\{"([A-Z0-9]+:)"', source.read())
        with open(os.path.join(SOURCE, "src/common/failure.h")) as source:
            numbers = re.findall(r"constexpr int k\w+ = (\d+);", source.read())
        self.assertEqual(len(keys), 26)
        for word in (*keys, *numbers, "some data", "101", "202", "10", "20", "30", "40", "50",
                     "Port is closed.", "Port is closed. Button 2", "128 + signal"):
            found = re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", quorvex)
            self.assertTrue(found, f"{word!r} is not in quorvex(1)")
        tool = self.render(MAN[1])
        usage = run(os.path.join(self.root, "usr/bin/quorvex-controller"), "--help")
        for option in set(re.findall(r"--[a-z]+", usage)):
            self.assertTrue(option in tool, f"{option} is not in quorvex-controller(1)")


if __name__ == "__main__":
    unittest.main(verbosity=2)

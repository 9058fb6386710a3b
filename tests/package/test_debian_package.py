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
FILES = ("usr/bin/quorvex", "usr/bin/quorvex-controller", "usr/share/doc/quorvex/README.md",
         "usr/share/doc/quorvex/examples/tessora.ini")
DEPENDS = ("libc6", "libstdc++6", "libx11-6", "libxtst6")
ALIGN = ("usr/bin/quorvex-align", "usr/share/man/man1/quorvex-align.1")


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
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

        self.dpkg("--remove", "quorvex")
        for path in FILES + ALIGN:
            self.assertFalse(os.path.exists(os.path.join(self.root, path)), path)
        self.assertFalse(os.path.exists(os.path.join(self.root, "usr/bin/quorvex")))


if __name__ == "__main__":
    unittest.main(verbosity=2)

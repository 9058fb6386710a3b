"""scripts/install-deps.sh: each command's group holds what it needs and no more, apt's
progress reaches the terminal, and a system it cannot install on is told what to do.
apt-get, dpkg-query and sudo are stand-ins here; nothing is installed."""

import os
import re
import stat
import subprocess
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "install-deps.sh")
GROUPS = ("program", "linux", "asan", "demo", "windows", "fuzz", "format", "package", "bench",
          "test")
# What only the Windows build, the fuzzing, the benchmarks and the other tests need.
HEAVY = {"wine", "wine64", "g++-mingw-w64-x86-64-posix", "clang", "libbenchmark-dev",
         "imagemagick", "openbox", "clang-format", "python3-pyqt5"}

STAND_INS = {
    # Knows only these as installed.
    "dpkg-query": """for p in "$@"; do case $p in cmake|make) echo "$p installed";; esac; done""",
    "apt-get": """echo "apt-get $*" >>"$LOG"
for p in "$@"; do case $p in -*|install|update) ;; *) echo "Setting up $p ...";; esac; done""",
    "sudo": """echo sudo >>"$LOG"; exec "$@\"""",
}


def script(*args, path, env=None):
    return subprocess.run(["/bin/bash", SCRIPT, *args], capture_output=True, text=True,
                          timeout=60, env=dict(env or os.environ, PATH=path))


def listed(group):
    done = script("--list", group, path=os.environ["PATH"])
    if done.returncode != 0:
        raise AssertionError(done.stderr)
    return set(done.stdout.split())


class Groups(unittest.TestCase):
    def test_each_command_needs_no_more_than_its_own_and_test_needs_all(self):
        everything = listed("test")
        for group in GROUPS:
            with self.subTest(group=group):
                self.assertLessEqual(listed(group), everything)
        self.assertLessEqual(listed("program"), listed("demo"))
        self.assertEqual(listed("demo") & HEAVY, set())
        self.assertEqual(listed("program") & {"libgtest-dev", "xvfb"}, set())
        self.assertIn("xvfb", listed("demo"))
        self.assertLessEqual({"dpkg-dev", "wixl", "msitools"}, listed("package"))
        self.assertEqual(script("--list", "everything", path=os.environ["PATH"]).returncode, 2)


class Installing(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.bin = os.path.join(scratch.name, "bin")
        os.mkdir(self.bin)
        self.log = os.path.join(scratch.name, "log")
        open(self.log, "w").close()
        for name, body in STAND_INS.items():
            path = os.path.join(self.bin, name)
            with open(path, "w") as tool:
                tool.write("#!/bin/bash\n" + body + "\n")
            os.chmod(path, stat.S_IRWXU)
        self.env = dict(os.environ, LOG=self.log)

    def test_asks_apt_for_the_missing_only_and_shows_its_progress(self):
        done = script("demo", path=f"{self.bin}:/usr/bin:/bin", env=self.env)
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(self.log) as log:
            calls = [line.split() for line in log if line.startswith("apt-get")]
        install = next(call for call in calls if "install" in call)
        asked = {word for word in install[1:] if not word.startswith("-") and word != "install"}
        self.assertEqual(asked, listed("demo") - {"cmake", "make"})
        self.assertNotIn("-qq", install)
        for package in asked:
            self.assertIn(f"Setting up {package}", done.stdout)

    def test_a_system_without_dpkg_is_told_what_to_install(self):
        empty = os.path.join(self.bin, "none")
        os.mkdir(empty)
        done = script("program", path=empty)
        self.assertEqual(done.returncode, 1)
        self.assertIn("libx11-dev libxtst-dev", done.stderr)
        self.assertIn("QUORVEX_NO_INSTALL=1", done.stderr)
        skipped = script("program", path=empty, env=dict(os.environ, QUORVEX_NO_INSTALL="1"))
        self.assertEqual((skipped.returncode, skipped.stdout, skipped.stderr), (0, "", ""))


class Makefile(unittest.TestCase):
    """`make help` names every target; a build says each stage before it starts."""
    SOURCE = os.path.join(os.path.dirname(SCRIPT), "..")

    def make(self, *args):
        done = subprocess.run(["make", "-C", self.SOURCE, "--no-print-directory", *args],
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout

    def test_help_has_one_line_for_each_target(self):
        with open(os.path.join(self.SOURCE, "Makefile")) as makefile:
            phony = re.search(r"(?m)^\.PHONY:(.*)$", makefile.read()).group(1).split()
        lines = self.make("help").splitlines()
        for target in set(phony) - {"all", "help"}:
            with self.subTest(target=target):
                self.assertEqual(sum(line.startswith(f"make {target} ") for line in lines), 1)

    def test_demo_says_each_stage_in_order(self):
        # -n: the commands, the stage lines among them, without running any.
        plan = self.make("-n", "demo")
        stages = [re.search(rf'echo "quorvex: {word}[^"]*"', plan) for word in
                  ("checking the Debian packages", "configuring", "building", "running")]
        self.assertTrue(all(stages), plan)
        self.assertEqual([m.start() for m in stages], sorted(m.start() for m in stages))


if __name__ == "__main__":
    unittest.main(verbosity=2)

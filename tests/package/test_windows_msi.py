"""The Windows installer, built by wixl from the cross build (cmake/msi.cmake): its
tables read back with msiinfo; then, under Wine, installed, replaced by a newer one and
removed, leaving a line's folder and everything else as they were."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

BUILD = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "build/windows")
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPT = os.path.join(SOURCE, "cmake", "msi.cmake")
UPGRADE_CODE = "{E45A2152-A0F4-449A-BB0F-37D42E995868}"
# Where each file the zip gets goes under Program Files\Quorvex: all but the task, the
# example out of quorvex.exe's way.
PLACES = {"tessora.ini": "examples/tessora.ini", "quorvex-task.xml": None}
TOOLS = ("quorvex-align", "quorvex-controller")
GUIDE = "Quorvex guide"


def run(*args, **kwargs):
    done = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


def build_msi(folder, version=None):
    path = os.path.join(folder, f"quorvex-{version or 'this'}-x64.msi")
    run("cmake", f"-DBUILD={BUILD}", f"-DOUTPUT={path}",
        *([f"-DVERSION={version}"] if version else []), "-P", SCRIPT)
    return path


def files_in(folder):
    """Every file below folder, by its path with '/', with its bytes."""
    files = {}
    for top, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(top, name), "rb") as file:
                files[os.path.relpath(file.name, folder).replace(os.sep, "/")] = file.read()
    return files


def staged(folder):
    """What the zip gets from the build's install rules, by the path the installer gives
    it."""
    run("cmake", "--install", BUILD, "--prefix", folder, "--strip")
    return {PLACES.get(path, path): data for path, data in files_in(folder).items()
            if PLACES.get(path, path)}


def extracted(msi, folder):
    """The files in the installer, by their path under Program Files\\Quorvex."""
    run("msiextract", "-C", folder, msi)
    return files_in(os.path.join(folder, "Quorvex"))


def table(msi, name):
    """msiinfo's export of a table: a dict a row, by column."""
    lines = run("msiinfo", "export", msi, name).splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def long_name(default_dir):
    """A Directory or File name without its short form (SHORT~1|Long name)."""
    return default_dir.split(":")[-1].split("|")[-1]


def shortcut(path):
    """The target, arguments and working folder of a .lnk file (MS-SHLLINK)."""
    with open(path, "rb") as file:
        data = file.read()
    (flags,) = struct.unpack_from("<I", data, 20)
    at, found = 76, {}
    if flags & 0x1:  # an item ID list
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & 0x2:  # link info: the local path
        size, _, info_flags, _, base = struct.unpack_from("<5I", data, at)
        (suffix,) = struct.unpack_from("<I", data, at + 24)
        if info_flags & 0x1:
            ends = [data.index(b"\0", at + offset) for offset in (base, suffix)]
            found["target"] = (data[at + base:ends[0]] + data[at + suffix:ends[1]]).decode()
        at += size
    unicode = flags & 0x80
    for bit, name in ((0x4, "description"), (0x8, "relative"), (0x10, "working"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            (count,) = struct.unpack_from("<H", data, at)
            width = 2 if unicode else 1
            text = data[at + 2:at + 2 + count * width]
            # Wine counts the terminating NUL in; Windows does not.
            found[name] = text.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
            at += 2 + count * width
    return found


class Tables(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quorvex-msi-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        cls.msi = build_msi(cls.scratch)
        cls.files = staged(os.path.join(cls.scratch, "stage"))
        cls.properties = {row["Property"]: row["Value"] for row in table(cls.msi, "Property")}
        cls.directories = {row["Directory"]: row for row in table(cls.msi, "Directory")}

    def path(self, directory):
        """A folder as the standard folder it lies in and the names below that."""
        row = self.directories[directory]
        if row["Directory_Parent"] in ("", "TARGETDIR"):
            return [directory]
        return self.path(row["Directory_Parent"]) + [long_name(row["DefaultDir"])]

    def test_per_machine_x64_with_the_fixed_upgrade_code(self):
        tables = set(run("msiinfo", "tables", self.msi).split())
        self.assertLessEqual({"File", "Component", "Directory", "Feature", "FeatureComponents",
                              "Shortcut", "RemoveFile", "Upgrade", "Media", "Property",
                              "InstallExecuteSequence"}, tables)
        self.assertEqual(self.properties["ALLUSERS"], "1")
        self.assertEqual(self.properties["UpgradeCode"], UPGRADE_CODE)
        self.assertEqual(self.properties["ProductName"], "Quorvex")
        self.assertRegex(self.properties["ProductCode"], r"^\{[0-9A-F-]{36}\}$")
        with open(os.path.join(BUILD, "CMakeCache.txt")) as cache:
            version = re.search(r"(?m)^CMAKE_PROJECT_VERSION:\w+=(.*)$", cache.read()).group(1)
        self.assertEqual(self.properties["ProductVersion"], version)
        self.assertIn("Template: x64;1033", run("msiinfo", "suminfo", self.msi))

    def test_a_newer_one_replaces_this_one_and_an_older_one_is_refused(self):
        upgrades = table(self.msi, "Upgrade")
        self.assertEqual({row["UpgradeCode"] for row in upgrades}, {UPGRADE_CODE})
        version = self.properties["ProductVersion"]
        # Older: up to this version, not included; newer: from it, detected only.
        older = [row for row in upgrades if row["VersionMax"] == version]
        newer = [row for row in upgrades if row["VersionMin"] == version]
        self.assertEqual((len(older), older[0]["VersionMin"]), (1, ""))
        self.assertEqual(int(older[0]["Attributes"]) & 0x202, 0)  # not inclusive, not detect-only
        self.assertEqual(len(newer), 1)
        self.assertEqual(int(newer[0]["Attributes"]) & 0x2, 0x2)  # detect only
        sequence = {row["Action"] for row in table(self.msi, "InstallExecuteSequence")}
        self.assertLessEqual({"FindRelatedProducts", "RemoveExistingProducts"}, sequence)

    def test_the_zips_files_but_the_task_under_program_files_quorvex(self):
        components = {row["Component"]: row["Directory_"] for row in table(self.msi, "Component")}
        installed = {}
        for row in table(self.msi, "File"):
            folder = self.path(components[row["Component_"]])
            self.assertEqual(folder[:2], ["ProgramFiles64Folder", "Quorvex"], row["File"])
            installed["/".join(folder[2:] + [long_name(row["FileName"])])] = int(row["FileSize"])
        self.assertEqual(installed, {path: len(data) for path, data in self.files.items()})
        for program in ("quorvex.exe", "quorvex.com", "quorvex-controller.exe",
                        "quorvex-align.exe"):
            self.assertIn(program, installed)
        # The same bytes, but for the time each strip writes into a program.
        packed = extracted(self.msi, os.path.join(self.scratch, "extracted"))
        self.assertEqual(set(packed), set(self.files))
        for path, data in packed.items():
            if not path.endswith((".exe", ".com")):
                self.assertEqual(data, self.files[path], path)
        # Nothing but its own folder and its Start-menu folder: never a line's.
        for directory in components.values():
            self.assertIn(self.path(directory)[0], ("ProgramFiles64Folder", "ProgramMenuFolder"))

    def test_start_menu_shortcuts_the_guide_and_a_console_for_each_tool(self):
        shortcuts = {row["Name"]: row for row in table(self.msi, "Shortcut")}
        self.assertEqual(set(shortcuts), {GUIDE, *TOOLS})
        for row in shortcuts.values():
            self.assertEqual(self.path(row["Directory_"]), ["ProgramMenuFolder", "Quorvex"])
            self.assertNotEqual(row["Description"], "")
        self.assertEqual(shortcuts[GUIDE]["Target"], "[INSTALLDIR]README.txt")
        for tool in TOOLS:
            with self.subTest(tool=tool):
                row = shortcuts[tool]
                self.assertEqual(row["Target"], "[System64Folder]cmd.exe")
                self.assertIn(f"&{tool}.exe --help\"", row["Arguments"])
                self.assertTrue(row["Arguments"].startswith("/s /k \""), row["Arguments"])
                self.assertIn("[INSTALLDIR];%PATH%", row["Arguments"])
        # Its folder goes with it.
        [removed] = table(self.msi, "RemoveFile")
        self.assertEqual((removed["DirProperty"], int(removed["InstallMode"])), ("MENUDIR", 2))

    def test_a_misspelt_attribute_stops_the_build(self):
        wxs = os.path.join(SOURCE, "cmake", "quorvex.wxs")
        folder = os.path.join(self.scratch, "misspelt")
        os.makedirs(os.path.join(folder, "cmake"))
        with open(wxs) as source, open(os.path.join(folder, "cmake", "quorvex.wxs"), "w") as copy:
            copy.write(source.read().replace("Arguments=", "Argument=", 1))
        shutil.copy(SCRIPT, os.path.join(folder, "cmake"))
        out = os.path.join(folder, "out.msi")
        done = subprocess.run(["cmake", f"-DBUILD={BUILD}", f"-DOUTPUT={out}", "-P",
                               os.path.join(folder, "cmake", "msi.cmake")],
                              capture_output=True, text=True)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("Argument", done.stderr)
        self.assertFalse(os.path.exists(out))


@unittest.skipUnless(shutil.which("wine"), "Wine is not installed")
class UnderWine(unittest.TestCase):
    LINE = {"tessora.ini": b"PL:7200\r\nPT:5400\r\n", "quorvex.log": b"started\n"}

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quorvex-msi-wine-")
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        cls.prefix = os.path.join(cls.folder, "prefix")
        cls.drive = os.path.join(cls.prefix, "drive_c")
        # No Mono or Gecko prompts; no menu entries on this machine's own desktop.
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        cls.env.pop("DISPLAY", None)
        subprocess.run(["wineboot", "--init"], env=cls.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.addClassCleanup(subprocess.run, ["wineserver", "--kill"], env=cls.env)
        cls.msi = build_msi(cls.folder)
        version = table(cls.msi, "Property")
        cls.version = next(row["Value"] for row in version if row["Property"] == "ProductVersion")
        major, minor, patch = (int(part) for part in cls.version.split("."))
        cls.newer_version = f"{major}.{minor}.{patch + 1}"
        cls.newer = build_msi(cls.folder, cls.newer_version)
        cls.files = extracted(cls.msi, os.path.join(cls.folder, "extracted"))
        cls.newer_files = extracted(cls.newer, os.path.join(cls.folder, "newer"))
        line = os.path.join(cls.drive, "Line")
        os.makedirs(line)
        for name, data in cls.LINE.items():
            with open(os.path.join(line, name), "wb") as file:
                file.write(data)

    def msiexec(self, *args):
        return subprocess.run(["wine", "msiexec", *args, "/qn"], env=self.env, timeout=300,
                              capture_output=True).returncode

    def windows(self, path):
        return "Z:" + path.replace("/", "\\")

    def tree(self):
        """Every path on drive C but Windows' own folder, with the bytes of each file."""
        found = {}
        for top, folders, names in os.walk(self.drive):
            if top == self.drive:
                folders.remove("windows")
            for name in folders + names:
                path = os.path.join(top, name)
                relative = os.path.relpath(path, self.drive)
                if os.path.isfile(path):
                    with open(path, "rb") as file:
                        found[relative] = file.read()
                else:
                    found[relative] = None
        return found

    def setUp(self):
        # A test that fails half-way leaves the next one a machine without Quorvex.
        self.addCleanup(lambda: [self.msiexec("/x", code) for code in self.products().values()])

    def products(self):
        """Quorvex's entries in Add or Remove Programs: their product codes by version."""
        listed = subprocess.run(
            ["wine", "reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
             "/s"], env=self.env, capture_output=True, text=True, timeout=120).stdout
        found = {}
        for entry in re.split(r"\r?\n(?=HKEY_)", listed):
            if re.search(r"(?m)^\s+DisplayName\s+REG_SZ\s+Quorvex\s*$", entry):
                version = re.search(r"DisplayVersion\s+REG_SZ\s+(\S+)", entry).group(1)
                found[version] = re.search(r"\\(\{[0-9A-F-]+\})", entry).group(1)
        return found

    def check_installed(self, before, files):
        after = self.tree()
        programs = os.path.join("Program Files", "Quorvex")
        for path, data in files.items():
            with self.subTest(file=path):
                self.assertEqual(after[os.path.join(programs, *path.split("/"))], data)
        menu = [path for path in after if path.endswith(os.path.join("Start Menu", "Programs",
                                                                     "Quorvex"))]
        self.assertEqual(len(menu), 1, menu)
        [menu] = menu
        added = set(after) - set(before)
        # Wine puts a machine's shortcuts in the installing user's menu, Windows in
        # ProgramData's: either way, only those two folders are new.
        self.assertEqual({path for path in added
                          if not path.startswith((programs, menu))}, set())
        for path, data in before.items():
            self.assertEqual(after.get(path, b"gone"), data, path)
        return os.path.join(self.drive, menu)

    def check_shortcuts(self, menu):
        names = sorted(os.listdir(menu))
        self.assertEqual(names, sorted(f"{name}.lnk" for name in (GUIDE, *TOOLS)))
        guide = shortcut(os.path.join(menu, GUIDE + ".lnk"))
        self.assertEqual(guide["target"].lower(), r"c:\program files\quorvex\readme.txt")
        for tool in TOOLS:
            with self.subTest(tool=tool):
                link = shortcut(os.path.join(menu, tool + ".lnk"))
                self.assertEqual(link["target"].lower(), r"c:\windows\system32\cmd.exe")
                # What the shortcut starts, its console's input at its end: the usage of
                # the tool found by name, then the prompt in the user's folder.
                batch = os.path.join(self.drive, "shortcut.bat")
                with open(batch, "w", newline="\r\n") as file:
                    file.write(f'@"{link["target"]}" {link["arguments"]}\n')
                try:
                    done = subprocess.run(["wine", "cmd", "/c", r"C:\shortcut.bat"],
                                          env=self.env, stdin=subprocess.DEVNULL,
                                          capture_output=True, timeout=120)
                finally:
                    os.remove(batch)
                out = done.stdout.decode(errors="replace")
                self.assertIn(f"Usage: {tool} ", out)
                self.assertRegex(out, r"(?m)^C:\\users\\[^\\>\r\n]+>\s*$")

    def line_times(self):
        line = os.path.join(self.drive, "Line")
        return {name: os.stat(os.path.join(line, name)).st_mtime_ns for name in os.listdir(line)}

    def test_installs_its_files_and_shortcuts_and_removes_them_leaving_a_line_alone(self):
        before, times = self.tree(), self.line_times()
        self.assertEqual(self.msiexec("/i", self.windows(self.msi)), 0)
        self.assertEqual(list(self.products()), [self.version])
        self.check_shortcuts(self.check_installed(before, self.files))
        self.assertEqual(self.msiexec("/x", self.windows(self.msi)), 0)
        self.assertEqual(self.products(), {})
        self.assertEqual(self.tree(), before)
        self.assertEqual(self.line_times(), times)

    def test_a_newer_installer_replaces_the_older_and_is_not_replaced_by_it(self):
        before = self.tree()
        self.assertEqual(self.msiexec("/i", self.windows(self.msi)), 0)
        self.assertEqual(self.msiexec("/i", self.windows(self.newer)), 0)
        self.assertEqual(list(self.products()), [self.newer_version])
        self.check_installed(before, self.newer_files)
        self.assertNotEqual(self.msiexec("/i", self.windows(self.msi)), 0)
        self.assertEqual(list(self.products()), [self.newer_version])
        self.assertEqual(self.msiexec("/x", self.windows(self.newer)), 0)
        self.assertEqual(self.products(), {})
        self.assertEqual(self.tree(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)

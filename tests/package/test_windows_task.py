"""examples/quorvex-task.xml, the Task Scheduler task that starts Quorvex at logon and
again after a failure: its elements read as Task Scheduler reads them, kept in step
with the systemd unit's restart, and created with Wine's schtasks as far as Wine goes
(it registers the task and takes its settings, but neither triggers nor actions)."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
TASK = os.path.join(SOURCE, "examples", "quorvex-task.xml")
UNIT = os.path.join(SOURCE, "examples", "quorvex@.service")
NS = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
NAME = "Quorvex"  # the name the file's comment and the README give schtasks

# The settings Task Scheduler's schema knows (settingsType): a misspelt one would be
# refused on Windows and passed over by Wine.
SETTINGS = {"AllowStartOnDemand", "RestartOnFailure", "MultipleInstancesPolicy",
            "DisallowStartIfOnBatteries", "StopIfGoingOnBatteries", "AllowHardTerminate",
            "StartWhenAvailable", "NetworkProfileName", "RunOnlyIfNetworkAvailable", "WakeToRun",
            "Enabled", "Hidden", "DeleteExpiredTaskAfter", "IdleSettings", "NetworkSettings",
            "ExecutionTimeLimit", "Priority", "RunOnlyIfIdle", "UseUnifiedSchedulingEngine",
            "DisallowStartOnRemoteAppSession", "MaintenanceSettings", "Volatile"}


def seconds(duration):
    """An xs:duration of days, hours, minutes and seconds (PT5S, PT1M, P31D)."""
    match = re.fullmatch(r"P(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+)S)?)?", duration)
    assert match and duration not in ("P", "PT"), duration
    days, hours, minutes, secs = (int(v or 0) for v in match.groups())
    return ((days * 24 + hours) * 60 + minutes) * 60 + secs


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


class TaskXml(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(TASK, "rb") as task:
            cls.data = task.read()
        cls.root = ET.fromstring(cls.data)

    def one(self, path):
        [found] = self.root.findall(path, NS)
        return found

    def text(self, path):
        return self.one(path).text

    def test_a_task_of_the_lines_user_at_logon_in_the_lines_folder(self):
        self.assertEqual(self.root.tag, "{%s}Task" % NS["t"])
        self.assertEqual(self.root.get("version"), "1.2")  # an event trigger's delay needs it
        self.data.decode("ascii")  # nothing that an encoding could change
        user = self.text("t:Triggers/t:LogonTrigger/t:UserId")
        self.assertEqual(self.text("t:Principals/t:Principal/t:UserId"), user)
        self.assertEqual(self.text("t:Principals/t:Principal/t:LogonType"), "InteractiveToken")
        self.assertEqual(self.text("t:Principals/t:Principal/t:RunLevel"), "LeastPrivilege")
        self.assertEqual(self.one("t:Actions").get("Context"),
                         self.one("t:Principals/t:Principal").get("id"))
        folder = self.text("t:Actions/t:Exec/t:WorkingDirectory")
        self.assertEqual(self.text("t:Actions/t:Exec/t:Command"), folder + "\\quorvex.exe")
        for trigger in self.one("t:Triggers"):
            self.assertEqual(trigger.find("t:Enabled", NS).text, "true", trigger.tag)

    def test_started_again_as_the_systemd_unit_does_after_a_status_other_than_0(self):
        with open(UNIT) as unit:
            restart = int(re.search(r"(?m)^RestartSec=(\d+)$", unit.read()).group(1))
        trigger = self.one("t:Triggers/t:EventTrigger")
        self.assertEqual(seconds(trigger.find("t:Delay", NS).text), restart)
        query = ET.fromstring(trigger.find("t:Subscription", NS).text)
        [select] = query.findall("Query/Select")
        log = "Microsoft-Windows-TaskScheduler/Operational"
        self.assertEqual((query.find("Query").get("Path"), select.get("Path")), (log, log))
        wanted = ("Provider[@Name='Microsoft-Windows-TaskScheduler'] and EventID=201",
                  f"Data[@Name='TaskName']='\\{NAME}'", "Data[@Name='ResultCode']!=0")
        for part in wanted:
            self.assertIn(part, select.text)
        self.assertIn(f"schtasks /create /tn {NAME} /xml", self.data.decode())
        # A second start while one runs is ignored, never stops the one running.
        self.assertEqual(self.text("t:Settings/t:MultipleInstancesPolicy"), "IgnoreNew")

    def test_settings_for_a_program_that_runs_all_day(self):
        settings = self.one("t:Settings")
        self.assertLessEqual({child.tag.split("}")[1] for child in settings}, SETTINGS)
        self.assertEqual(self.text("t:Settings/t:ExecutionTimeLimit"), "PT0S")  # not 72 hours
        self.assertIn(int(self.text("t:Settings/t:Priority")), (4, 5, 6))  # normal, not 7
        for battery in ("DisallowStartIfOnBatteries", "StopIfGoingOnBatteries"):
            self.assertEqual(self.text(f"t:Settings/t:{battery}"), "false")
        # Task Scheduler's own retry, for a start that fails: 1 minute to 31 days apart.
        interval = seconds(self.text("t:Settings/t:RestartOnFailure/t:Interval"))
        self.assertTrue(60 <= interval <= 31 * 86400, interval)
        self.assertTrue(1 <= int(self.text("t:Settings/t:RestartOnFailure/t:Count")) <= 255)


@unittest.skipUnless(shutil.which("wine"), "Wine is not installed")
class WineSchtasks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quorvex-task-")
        cls.prefix = os.path.join(cls.folder, "prefix")
        # No desktop, no Mono or Gecko prompts: schtasks needs none of them.
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")
        cls.env.pop("DISPLAY", None)
        # The prefix made, then its server let go: Wine's task service fails to start
        # (the service database locked) under the server that ran wineboot.
        subprocess.run(["wineboot", "--init"], env=cls.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "--wait"], env=cls.env, check=True)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "--kill"], env=cls.env)
        shutil.rmtree(cls.folder, ignore_errors=True)

    def schtasks(self, *args):
        return subprocess.run(["wine", "schtasks", *args], env=self.env, capture_output=True,
                              timeout=120).returncode

    def copy(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as file:
            file.write(data)
        return "Z:" + path.replace("/", "\\")

    def stored(self, name):
        path = os.path.join(self.prefix, "drive_c", "windows", "system32", "tasks", name)
        with open(path, "rb") as task:
            return ET.fromstring(task.read().decode("utf-8-sig"))

    def test_the_zips_copy_is_created_with_its_settings_and_a_broken_one_refused(self):
        with open(TASK, "rb") as task:
            data = crlf(task.read())  # as the zip holds it
        self.assertEqual(self.schtasks("/create", "/tn", NAME, "/xml", self.copy("task.xml", data)),
                         0)
        settings = self.stored(NAME).find("t:Settings", NS)
        # Wine's defaults differ from each of these: it read them off the file.
        for setting, value in (("ExecutionTimeLimit", "PT0S"), ("Priority", "4"),
                               ("DisallowStartIfOnBatteries", "false"),
                               ("StopIfGoingOnBatteries", "false")):
            self.assertEqual(settings.find(f"t:{setting}", NS).text, value, setting)
        self.assertEqual(self.schtasks("/delete", "/tn", NAME, "/f"), 0)
        # Wine parses what it is given: a mismatched end tag is refused. (A file cut
        # short is not: Wine's reader waits for the rest for ever.)
        broken = self.copy("broken.xml", data.replace(b"</Settings>", b"</Setting>"))
        self.assertNotEqual(self.schtasks("/create", "/tn", "Broken", "/xml", broken), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)

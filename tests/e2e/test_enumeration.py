#!/usr/bin/env python3
"""The real disk_sensor.exe under Wine enumerates Wine's dummy disks: one
PhysicalDrive0 always, one more for each extra drive the prefix maps. Wine's
volumes tell no disk extents, so the PowerShell pass runs, and it runs the
stand-in powershell.exe of the prefix's system directory with the script.

Usage: test_enumeration.py DISK_SENSOR_EXE WINEPREFIX
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

import schema_check
import wine_run
from wine_run import windows_path

EXE = ""
PREFIX = ""

DRIVE_LETTER_SCRIPT = (
    "\n"
    "$parts = Get-CimInstance Win32_LogicalDiskToPartition -ErrorAction SilentlyContinue\n"
    "foreach ($p in $parts) {\n"
    "    $dep = [string]$p.Dependent.DeviceID\n"
    "    $ant = [string]$p.Antecedent.DeviceID\n"
    "    if ($dep -match '^([A-Za-z]):?$') {\n"
    "        $let = $matches[1].ToUpper()\n"
    "        if ($ant -match 'Disk #(\\d+)') {\n"
    "            Write-Output \"$($matches[1]):$let\"\n"
    "        }\n"
    "    }\n"
    "}\n"
)

POWERSHELL = "C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe"
WINE_DRIVES_KEY = "HKLM\\Software\\Wine\\Drives"


def run_wine(arguments, extra_environment=None):
    wine_run.run_wine(PREFIX, arguments, extra_environment)


def run_sensor(directory, extra_environment=None):
    """Runs the sensor once and returns its result document."""
    result_path = os.path.join(directory, "enumeration_e2e.json")
    run_wine([EXE, "--ipc", windows_path(result_path)], extra_environment)
    with open(result_path, encoding="utf-8") as result:
        document = json.load(result)
    schema_check.assert_valid(document)
    return document


def wine(*arguments):
    run_wine(arguments)


def restart_wine_server():
    """Wine reads its drive mapping when its server starts."""
    environment = dict(os.environ, WINEPREFIX=PREFIX)
    subprocess.run(["wineserver", "-k"], env=environment, check=False)
    subprocess.run(["wineserver", "-w"], env=environment, check=False)


class EnumerationTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)

    def test_wines_dummy_disk_is_enumerated(self):
        document = run_sensor(self.directory.name)
        self.assertEqual(document["logs"][1], "Enumerated 1 physical disk(s)")

    def test_an_extra_mapped_drive_adds_one_disk(self):
        link = os.path.join(PREFIX, "dosdevices", "d:")
        self.assertFalse(os.path.lexists(link), "the prefix already maps d:")
        wine("reg", "add", WINE_DRIVES_KEY, "/v", "d:", "/t", "REG_SZ", "/d", "floppy", "/f")
        self.addCleanup(restart_wine_server)
        self.addCleanup(wine, "reg", "delete", WINE_DRIVES_KEY, "/v", "d:", "/f")
        os.symlink(self.directory.name, link)
        self.addCleanup(os.remove, link)
        restart_wine_server()

        document = run_sensor(self.directory.name)
        self.assertEqual(document["logs"][1], "Enumerated 2 physical disk(s)")

    def test_powershell_pass_runs_the_system_directorys_powershell_with_the_script(self):
        record = os.path.join(self.directory.name, "powershell_run.bin")
        run_sensor(self.directory.name, {"POWERSHELL_STAND_IN_RECORD": windows_path(record),
                                         "POWERSHELL_STAND_IN_STDOUT": "0:C\r\n"})
        with open(record, "rb") as recorded:
            run = recorded.read().split(b"\0")
        self.assertEqual(run, [POWERSHELL.encode(), POWERSHELL.encode(), b"-NoProfile",
                               b"-NonInteractive", b"-Command", DRIVE_LETTER_SCRIPT.encode(), b""])


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    EXE, PREFIX = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)

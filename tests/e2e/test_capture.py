#!/usr/bin/env python3
"""The real disk_sensor_capture.exe under Wine records a run on Wine's dummy
disk, a registry value written with `wine reg add` and the stand-in
PowerShell; disk_sensor_sim replays the description it writes, and the two
documents are the same, byte for byte.

Usage: test_capture.py DISK_SENSOR_EXE WINEPREFIX
(disk_sensor_capture.exe sits next to DISK_SENSOR_EXE; the environment's
DISK_SENSOR_SIM names a Linux build's disk_sensor_sim.)
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

POWERSHELL = "C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe"
DISK_ENUM_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\disk\\Enum"
INSTANCE_ID = "USBSTOR\\Disk&Ven_JMicron&Prod_Ext&Rev_0104\\0123456789AB&0"
ANONYMIZED_INSTANCE_ID = "USBSTOR\\Disk&Ven_JMicron&Prod_Ext&Rev_0104\\SERIAL000001&0"
POWERSHELL_OUTPUT = "0:C\r\n"


def run_wine(arguments, extra_environment=None):
    wine_run.run_wine(PREFIX, arguments, extra_environment)


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def replay(description_path, document_path):
    """Runs disk_sensor_sim on the description and returns the document's bytes."""
    simulator = os.environ.get("DISK_SENSOR_SIM", "")
    assert os.path.isfile(simulator), \
        f"no disk_sensor_sim at {simulator!r}: build the linux preset first"
    subprocess.run([simulator, "--machine", description_path, "--ipc", document_path],
                   check=True, stdin=subprocess.DEVNULL, capture_output=True,
                   timeout=wine_run.RUN_TIME_LIMIT_SECONDS)
    return read_bytes(document_path)


class CaptureTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)
        run_wine(["reg", "add", DISK_ENUM_KEY, "/v", "0", "/t", "REG_SZ", "/d", INSTANCE_ID, "/f"])
        self.addCleanup(run_wine, ["reg", "delete", DISK_ENUM_KEY, "/f"])

    def path(self, name):
        return os.path.join(self.directory.name, name)

    def capture(self, *options):
        """Runs the capture with --out and --ipc in the scratch directory;
        returns the parsed description and the document's bytes."""
        run_wine([os.path.join(os.path.dirname(EXE), "disk_sensor_capture.exe"),
                  "--out", windows_path(self.path("captured.json")),
                  "--ipc", windows_path(self.path("captured_document.json")), *options],
                 {"POWERSHELL_STAND_IN_STDOUT": POWERSHELL_OUTPUT})
        with open(self.path("captured.json"), encoding="utf-8") as description_file:
            description = json.load(description_file)
        document = read_bytes(self.path("captured_document.json"))
        schema_check.assert_valid(json.loads(document.decode("utf-8")))
        return description, document

    def test_a_capture_replays_to_the_same_document(self):
        description, document = self.capture()
        self.assertEqual(description["registry"], {
            "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {"0": INSTANCE_ID}})
        self.assertEqual(description["programs"], {POWERSHELL: {
            "stdout_hex": POWERSHELL_OUTPUT.encode().hex(" ").upper(), "exit_code": 0}})
        self.assertEqual([disk["number"] for disk in description["disks"]], [0])

        self.assertEqual(replay(self.path("captured.json"), self.path("replayed.json")), document)

    def test_an_anonymized_capture_still_replays_to_the_same_document(self):
        # Wine locates no device node, so the serial never reaches the document.
        description, document = self.capture("--anonymize")
        self.assertEqual(description["registry"], {
            "SYSTEM\\CurrentControlSet\\Services\\disk\\Enum": {"0": ANONYMIZED_INSTANCE_ID}})
        self.assertEqual(description["device_tree"],
                         [{"id": ANONYMIZED_INSTANCE_ID, "locate_error": 0x13}])

        self.assertEqual(replay(self.path("captured.json"), self.path("replayed.json")), document)

    def test_an_out_file_in_a_missing_directory_leaves_the_document_written(self):
        run_wine([os.path.join(os.path.dirname(EXE), "disk_sensor_capture.exe"),
                  "--out", windows_path(self.path("missing/captured.json")),
                  "--ipc", windows_path(self.path("captured_document.json"))])
        self.assertFalse(os.path.exists(self.path("missing")))
        schema_check.assert_valid(json.loads(read_bytes(self.path("captured_document.json"))))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    EXE, PREFIX = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)

"""The real disk_sensor.exe under Wine, judged by the result file it leaves.

    python3 test_result_file.py DISK_SENSOR_EXE WINEPREFIX

Wine maps the host's root to drive Z:, so host paths reach the program as
Z:\\... paths. The program is a GUI-subsystem executable: wine returns when it
exits, with its exit code.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import schema_check

EXE = ""
PREFIX = ""

RESULT_FILE_NAME = "kiv_disk_health.json"
RUN_TIME_LIMIT_SECONDS = 120
TIMESTAMP = re.compile(r"([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")


def windows_path(host_path):
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


def wine_temp_directory():
    """$WINEPREFIX/drive_c/users/<user>/Temp, whatever the user is called."""
    users = os.path.join(PREFIX, "drive_c", "users")
    candidates = [os.path.join(users, user, "Temp") for user in sorted(os.listdir(users))
                  if user != "Public" and os.path.isdir(os.path.join(users, user, "Temp"))]
    assert len(candidates) == 1, f"expected one user temp directory, found {candidates}"
    return candidates[0]


def parse_document(data):
    """The document as (key, value) pairs in file order, so key order is seen."""
    return json.loads(data.decode("utf-8"), object_pairs_hook=list)


class ResultFileTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="disk_sensor_e2e_")
        self.default_path = os.path.join(wine_temp_directory(), RESULT_FILE_NAME)
        self.remove_default_file()

    def tearDown(self):
        shutil.rmtree(self.scratch)
        self.remove_default_file()

    def remove_default_file(self):
        if os.path.exists(self.default_path):
            os.remove(self.default_path)

    def scratch_file(self, name):
        return os.path.join(self.scratch, name)

    def run_sensor(self, *arguments):
        environment = dict(os.environ, WINEPREFIX=PREFIX)
        environment.setdefault("WINEDEBUG", "-all")
        # Wine's output goes to a file, not a pipe: a wineserver started by this
        # run inherits the streams and would hold a pipe open until it exits.
        with tempfile.TemporaryFile() as wine_output:
            finished = subprocess.run(["wine", EXE, *arguments], cwd=self.scratch,
                                      env=environment, stdin=subprocess.DEVNULL,
                                      stdout=wine_output, stderr=subprocess.STDOUT,
                                      timeout=RUN_TIME_LIMIT_SECONDS)
            wine_output.seek(0)
            self.assertEqual(finished.returncode, 0, wine_output.read().decode(errors="replace"))

    def read(self, path):
        with open(path, "rb") as result:
            return result.read()

    def assert_complete_document(self, data):
        self.assertTrue(data.endswith(b"}"), data[-20:])
        schema_check.assert_valid(json.loads(data.decode("utf-8")))
        document = parse_document(data)
        self.assertEqual([key for key, _ in document], ["timestamp", "is_elevated", "disks", "logs"])
        fields = dict(document)
        self.assertTrue(TIMESTAMP.fullmatch(fields["timestamp"]), fields["timestamp"])
        self.assertIs(fields["is_elevated"], True)
        disks = fields["disks"]
        logs = fields["logs"]
        self.assertEqual(len(logs), 2 + len(disks))
        self.assertEqual(logs[0], f"DiskSensor collection executed at {fields['timestamp']} "
                                  "(Elevated: true)")
        self.assertEqual(logs[1], f"Enumerated {len(disks)} physical disk(s)")

    def test_without_arguments_the_document_goes_to_the_temp_directory(self):
        self.run_sensor()
        self.assert_complete_document(self.read(self.default_path))

    def test_options_that_are_not_exactly_ipc_use_the_default_path(self):
        cases = [
            ["--ipc"],
            ["--IPC", windows_path(self.scratch_file("capitals.json"))],
            ["--ipc=" + windows_path(self.scratch_file("joined.json"))],
        ]
        for arguments in cases:
            with self.subTest(arguments=arguments):
                self.remove_default_file()
                self.run_sensor(*arguments)
                self.assert_complete_document(self.read(self.default_path))
                self.assertEqual(os.listdir(self.scratch), [])

    def test_the_last_ipc_pair_wins_and_the_first_path_is_untouched(self):
        first = self.scratch_file("first.json")
        second = self.scratch_file("second.json")
        with open(first, "wb") as earlier:
            earlier.write(b"left alone")
        self.run_sensor("--ipc", windows_path(first), "--ipc", windows_path(second))
        self.assertEqual(self.read(first), b"left alone")
        self.assert_complete_document(self.read(second))
        self.assertFalse(os.path.exists(self.default_path))

    def test_a_longer_existing_file_holds_exactly_the_new_document(self):
        path = self.scratch_file("result.json")
        with open(path, "wb") as earlier:
            earlier.write(b"x" * 20000)
        self.run_sensor("--ipc", windows_path(path))
        data = self.read(path)
        self.assertNotIn(b"x" * 10, data)
        self.assert_complete_document(data)

    def test_a_path_into_a_missing_directory_leaves_no_file(self):
        missing = self.scratch_file("missing")
        self.run_sensor("--ipc", windows_path(os.path.join(missing, "result.json")))
        self.assertFalse(os.path.exists(missing))
        self.assertEqual(os.listdir(self.scratch), [])
        self.assertFalse(os.path.exists(self.default_path))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    EXE, PREFIX = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)

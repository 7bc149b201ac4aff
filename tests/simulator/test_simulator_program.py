#!/usr/bin/env python3
"""disk_sensor_sim as a program: the default machine's document, --no-wake, and
the simulator's own error for a description it cannot use.

Usage: test_simulator_program.py DISK_SENSOR_SIM GOLDEN_DOCUMENT SLEEPING_DISKS_MACHINE
"""
import json
import os
import subprocess
import sys
import tempfile


def run(simulator, *arguments):
    return subprocess.run([simulator, *arguments], capture_output=True, text=True, timeout=60)


def check_default_machine(simulator, golden_path, scratch):
    target = os.path.join(scratch, "document.json")
    result = run(simulator, "--ipc", target)
    assert result.returncode == 0, result
    with open(target, "rb") as document, open(golden_path, "rb") as golden:
        written = document.read()
        assert written == golden.read(), "the document differs from the checked-in one"
    parsed = json.loads(written.decode("utf-8"))
    assert list(parsed) == ["timestamp", "is_elevated", "disks", "logs"], list(parsed)
    assert parsed["logs"][1] == "Enumerated %d physical disk(s)" % len(parsed["disks"])
    assert result.stderr == "disk_sensor_sim: result document path: %s\n" % target, result.stderr


def document(simulator, scratch, *arguments):
    target = os.path.join(scratch, "document.json")
    assert run(simulator, *arguments, "--ipc", target).returncode == 0
    with open(target, "rb") as written:
        return written.read()


# --no-wake keeps the default machine's document byte for byte, leaves the
# sleeping machine's two disks asleep and reads its others as without it.
def check_no_wake(simulator, golden_path, sleeping_machine, scratch):
    with open(golden_path, "rb") as golden:
        assert document(simulator, scratch, "--no-wake") == golden.read()
    woken, asleep = (json.loads(document(simulator, scratch, "--machine", sleeping_machine, *option))
                     for option in ([], ["--no-wake"]))
    changed = [i for i, disk in enumerate(asleep["disks"]) if disk != woken["disks"][i]]
    assert changed == [1, 5], changed
    assert all(asleep["disks"][i]["provider_name"] == "None (Standby)" for i in changed)
    assert [log for i, log in enumerate(asleep["logs"]) if log != woken["logs"][i]] == \
        [asleep["logs"][2 + i] for i in changed]


def check_description_errors(simulator, scratch):
    missing = os.path.join(scratch, "missing.json")
    malformed = os.path.join(scratch, "malformed.json")
    with open(malformed, "w") as f:
        f.write('{ "disks": [ { "number": "zero" } ] }')
    cases = [
        (missing, "disk_sensor_sim: %s: cannot be read\n" % missing),
        (malformed, "disk_sensor_sim: %s: at /disks/0/number: " % malformed),
    ]
    for path, expected_start in cases:
        target = os.path.join(scratch, "never.json")
        result = run(simulator, "--machine", path, "--ipc", target)
        assert result.returncode == 2, result
        assert result.stderr.startswith(expected_start), result.stderr
        assert not os.path.exists(target), "a rejected machine must not run the sensor"


def main():
    simulator, golden_path, sleeping_machine = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as scratch:
        check_default_machine(simulator, golden_path, scratch)
        check_no_wake(simulator, golden_path, sleeping_machine, scratch)
        check_description_errors(simulator, scratch)


if __name__ == "__main__":
    main()

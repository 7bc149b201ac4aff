#!/usr/bin/env python3
"""The real disk_sensor.exe under Wine: Wine's dummy PhysicalDrive0 answers the
descriptor query but fails both storage temperature properties with error 50,
so the disk runs through the whole chain and ends exhausted.

Usage: test_chain.py DISK_SENSOR_EXE WINEPREFIX
"""
import json
import os
import subprocess
import sys
import tempfile

import schema_check

RESULT_NAME = "chain_e2e.json"

EXPECTED_LOG = [
    "Starting acquisition for Drive #0: PhysicalDrive0 [Bus: SCSI]",
    "Provider [Windows Storage Temperature (Device/Adapter)]: ATTEMPTING...",
    "Provider [Windows Storage Temperature (Device/Adapter)]: SUCCESS (Status: N/A, Temp: N/A)",
    "Provider [NVMe Multi-Provider]: SKIPPED (Unsupported)",
    "Provider [ATA SMART Provider]: SKIPPED (Unsupported)",
    "Provider [USB SAT / Bridge Provider]: SKIPPED (Unsupported)",
    "Provider [USB NVMe Bridge Provider]: SKIPPED (Unsupported)",
    "All providers failed. SMART/Temperature is Unavailable.",
]

FAILED_DETAIL = "DeviceIoControl failed or bytes returned too small: 0 bytes, Win32Error: 50"

ABSENT_FIELDS = [
    "info_count", "attribute_id", "raw_value", "temperature_c", "scsi_op_code", "ata_command",
    "feature", "data_transfer_length", "scsi_status", "sense_key", "asc", "ascq",
]

EXPECTED_REPORT = (
    "\n"
    "================ DISK SENSOR DIAGNOSTIC ================\n"
    "PhysicalDrive: PhysicalDrive0\n"
    "Model: PhysicalDrive0\n"
    "Serial: \n"
    "Firmware: \n"
    "BusType: SCSI\n"
    "VendorId: N/A\n"
    "ProductId: N/A\n"
    "VID: N/A\n"
    "PID: N/A\n"
    "BridgeVendor: N/A\n"
    "BridgeModel: N/A\n"
    "InternalProtocol: Unknown\n"
    "Volumes: N/A\n"
    "CurrentProvider: None (Exhausted)\n"
    "Elevation: true\n"
    "IsAdministrator: true\n"
    "--- Provider Diagnostics (Fallback History) ---\n"
    "[Provider #1: StorageDeviceTemperatureProperty]\n"
    "  Result: FAILED\n"
    "  Win32Error: 50\n"
    "  Detail: " + FAILED_DETAIL + "\n"
    "[Provider #2: StorageAdapterTemperatureProperty]\n"
    "  Result: FAILED\n"
    "  Win32Error: 50\n"
    "  Detail: " + FAILED_DETAIL + "\n"
    "FinalHealth: N/A\n"
    "FinalTemperature: N/A\n"
    "========================================================\n"
)


def windows_path(path):
    """Wine shows the Unix root as drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_sensor(exe, prefix, directory):
    """Runs the sensor once and returns its result document."""
    result_path = os.path.join(directory, RESULT_NAME)
    environment = dict(os.environ, WINEPREFIX=prefix)
    # Wine's output goes to a file: a wineserver started by this run outlives
    # it and would hold a pipe open.
    with tempfile.TemporaryFile() as wine_output:
        finished = subprocess.run(["wine", exe, "--ipc", windows_path(result_path)],
                                  env=environment, stdin=subprocess.DEVNULL, stdout=wine_output,
                                  stderr=subprocess.STDOUT, timeout=120)
        if finished.returncode != 0:
            wine_output.seek(0)
            sys.exit(f"disk_sensor.exe exited with {finished.returncode}: "
                     f"{wine_output.read().decode(errors='replace')}")
    with open(result_path, "rb") as result:
        document = json.loads(result.read().decode("utf-8"))
    schema_check.assert_valid(document)
    return document


def check(failures, what, actual, expected):
    if actual != expected:
        failures.append(f"{what}:\n  expected {expected!r}\n  actual   {actual!r}")


def failed_property(name):
    entry = {"provider_name": name, "result": "FAILED", "win32_error": 50}
    entry.update({field: None for field in ABSENT_FIELDS})
    entry["detail"] = FAILED_DETAIL
    return entry


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as directory:
        document = run_sensor(sys.argv[1], sys.argv[2], directory)
    failures = []

    disks = [d for d in document["disks"] if d["physical_drive"] == 0]
    check(failures, "records of PhysicalDrive0", len(disks), 1)
    if disks:
        disk = disks[0]
        check(failures, "provider_name", disk["provider_name"], "None (Exhausted)")
        check(failures, "health_status", disk["health_status"], "Unavailable")
        check(failures, "temperature_celsius", disk["temperature_celsius"], None)
        check(failures, "temperature_sensors", disk["temperature_sensors"], [])
        check(failures, "diagnostic_log", disk["diagnostic_log"], EXPECTED_LOG)
        check(failures, "provider_diagnostics", disk["provider_diagnostics"],
              [failed_property("StorageDeviceTemperatureProperty"),
               failed_property("StorageAdapterTemperatureProperty")])
        check(failures, "record timestamp is a time", len(disk["timestamp"]), 8)

    # The first disk's report follows the two run-level lines.
    check(failures, "logs[2]", document["logs"][2] if len(document["logs"]) > 2 else None,
          EXPECTED_REPORT)
    check(failures, "one report per disk", len(document["logs"]), 2 + len(document["disks"]))

    if failures:
        sys.exit("\n".join(failures))
    print("PhysicalDrive0 ends exhausted with both storage properties failing with error 50")


if __name__ == "__main__":
    main()

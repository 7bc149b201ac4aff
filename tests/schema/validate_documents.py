#!/usr/bin/env python3
"""The JSON Schema of the result document against real documents: the checked-in
one, the document of every machine description, the documents of a sample of
the whole-run fuzz corpus, and broken copies that it must reject.

Usage: validate_documents.py DISK_SENSOR_SIM SCHEMA GOLDEN_DOCUMENT MACHINES_DIR
                             FUZZ_MACHINE WHOLE_RUN_CORPUS_DIR
"""
import copy
import glob
import json
import os
import subprocess
import sys
import tempfile

from jsonschema import Draft202012Validator


def errors(validator, document):
    return ["%s: %s" % (error.json_path, error.message)
            for error in validator.iter_errors(document)]


def machine_document(simulator, machine, scratch, *options):
    target = os.path.join(scratch, os.path.basename(machine))
    result = subprocess.run([simulator, "--machine", machine, "--ipc", target, *options],
                            capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result
    with open(target, encoding="utf-8") as document:
        return json.load(document)


# At most this many corpus files, spread evenly over the sorted names.
FUZZ_SAMPLE_SIZE = 40


def fuzz_machines(fuzz_machine, corpus_dir, scratch):
    """The machine description files of a sample of the whole-run corpus."""
    inputs = sorted(glob.glob(os.path.join(corpus_dir, "*")))
    assert inputs, "no fuzz inputs in " + corpus_dir
    step = max(1, len(inputs) // FUZZ_SAMPLE_SIZE)
    machines_dir = os.path.join(scratch, "fuzz-machines")
    os.makedirs(machines_dir)
    machines = []
    for fuzz_input in inputs[::step][:FUZZ_SAMPLE_SIZE]:
        machine = os.path.join(machines_dir, os.path.basename(fuzz_input) + ".json")
        with open(machine, "w", encoding="utf-8") as out:
            subprocess.run([fuzz_machine, fuzz_input], stdout=out, check=True, timeout=60)
        machines.append(machine)
    return machines


def broken_copies(golden):
    """(what was broken, the place the schema must name, the broken document)."""
    def changed(change):
        document = copy.deepcopy(golden)
        change(document)
        return document

    def add_top_key(d): d["version"] = 1
    def add_attempt_key(d): d["disks"][1]["provider_diagnostics"][0]["error"] = ""
    def drop_disk_key(d): del d["disks"][0]["vid"]
    def drop_attempt_key(d): del d["disks"][0]["provider_diagnostics"][0]["detail"]
    def bad_status(d): d["disks"][0]["health_status"] = "OK"
    def bad_result(d): d["disks"][1]["provider_diagnostics"][0]["result"] = "Failed"
    def null_win32_error(d): d["disks"][0]["provider_diagnostics"][0]["win32_error"] = None
    def hex_vid(d): d["disks"][2]["vid"] = "174C"
    def big_sense_key(d): d["disks"][2]["provider_diagnostics"][4]["sense_key"] = 256
    def letter_with_colon(d): d["disks"][0]["drive_letters"] = ["C:"]
    def drive_sixteen(d): d["disks"][0]["physical_drive"] = 16
    def twelve_hour_time(d): d["timestamp"] = "9:05:03 AM"
    def text_temperature(d): d["disks"][0]["temperature_celsius"] = "38.0"

    return [
        ("extra top-level key", "$", changed(add_top_key)),
        ("extra attempt key", "$.disks[1].provider_diagnostics[0]", changed(add_attempt_key)),
        ("missing disk key", "$.disks[0]", changed(drop_disk_key)),
        ("missing attempt key", "$.disks[0].provider_diagnostics[0]", changed(drop_attempt_key)),
        ("unknown health status", "$.disks[0].health_status", changed(bad_status)),
        ("unknown result text", "$.disks[1].provider_diagnostics[0].result", changed(bad_result)),
        ("null win32_error", "$.disks[0].provider_diagnostics[0].win32_error",
         changed(null_win32_error)),
        ("vid as text", "$.disks[2].vid", changed(hex_vid)),
        ("sense key above 255", "$.disks[2].provider_diagnostics[4].sense_key",
         changed(big_sense_key)),
        ("drive letter with colon", "$.disks[0].drive_letters[0]", changed(letter_with_colon)),
        ("physical drive 16", "$.disks[0].physical_drive", changed(drive_sixteen)),
        ("12-hour timestamp", "$.timestamp", changed(twelve_hour_time)),
        ("temperature as text", "$.disks[0].temperature_celsius", changed(text_temperature)),
    ]


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    simulator, schema_path, golden_path, machines_dir, fuzz_machine, corpus_dir = sys.argv[1:]
    with open(schema_path, encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)
    failures = []

    with open(golden_path, encoding="utf-8") as golden_file:
        golden = json.load(golden_file)
    failures += ["golden document: " + e for e in errors(validator, golden)]

    machines = sorted(glob.glob(os.path.join(machines_dir, "*.json")))
    assert machines, "no machine descriptions in " + machines_dir
    with tempfile.TemporaryDirectory() as scratch:
        for machine in machines:
            document = machine_document(simulator, machine, scratch)
            if not document["disks"]:
                failures.append("%s: the document has no disks" % machine)
            failures += ["%s: %s" % (machine, e) for e in errors(validator, document)]
            # Disks left asleep have records of their own.
            document = machine_document(simulator, machine, scratch, "--no-wake")
            failures += ["%s --no-wake: %s" % (machine, e) for e in errors(validator, document)]
        fuzzed = fuzz_machines(fuzz_machine, corpus_dir, scratch)
        for machine in fuzzed:
            document = machine_document(simulator, machine, scratch)
            failures += ["%s: %s" % (machine, e) for e in errors(validator, document)]

    for what, place, document in broken_copies(golden):
        found = [error.json_path for error in validator.iter_errors(document)]
        if place not in found:
            failures.append("%s: not rejected at %s (errors at %s)" % (what, place, found))

    if failures:
        sys.exit("\n".join(failures))
    print("schema: golden document, %d machine (each with and without --no-wake) and %d fuzz "
          "corpus document(s) valid, %d broken copies rejected" % (len(machines), len(fuzzed), len(broken_copies(golden))))


if __name__ == "__main__":
    main()

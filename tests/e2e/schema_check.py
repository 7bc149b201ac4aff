"""Checks a result document against schema/disk_health.schema.json."""
import json
import os

from jsonschema import Draft202012Validator

SCHEMA_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "..", "..", "schema", "disk_health.schema.json")

with open(SCHEMA_PATH, encoding="utf-8") as schema_file:
    VALIDATOR = Draft202012Validator(json.load(schema_file))


def schema_errors(document):
    """The schema's complaints about a parsed document, one text each; empty when valid."""
    return ["%s: %s" % (error.json_path, error.message)
            for error in VALIDATOR.iter_errors(document)]


def assert_valid(document):
    errors = schema_errors(document)
    assert not errors, "the document does not match the schema:\n" + "\n".join(errors)

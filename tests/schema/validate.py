"""Validates configuration files against the shipped schema with a real validator.

Usage: validate.py SCHEMA valid:FILE... invalid:FILE...
A valid file must pass; an invalid one must be rejected. Exit code 1 names every file
that came out otherwise.
"""
import json
import sys

from jsonschema import Draft202012Validator


def main(argv):
    with open(argv[1], encoding="utf-8") as file:
        schema = json.load(file)
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)
    failures = 0
    for argument in argv[2:]:
        expect, _, path = argument.partition(":")
        with open(path, encoding="utf-8") as file:
            errors = sorted(validator.iter_errors(json.load(file)), key=lambda e: e.json_path)
        if expect == "valid" and errors:
            failures += 1
            print(f"{path}: should be valid, but:")
            for error in errors:
                print(f"  {error.json_path}: {error.message}")
        elif expect == "invalid" and not errors:
            failures += 1
            print(f"{path}: should be rejected, but passes")
        else:
            print(f"{path}: {expect}" + "".join(f"\n  {e.json_path}: {e.message}" for e in errors))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

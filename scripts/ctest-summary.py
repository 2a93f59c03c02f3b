#!/usr/bin/python3
"""Counts the tests of one or more CTest runs from the JUnit files they wrote.
  scripts/ctest-summary.py NAME=BUILD_DIR...
reads BUILD_DIR/ctest-junit.xml (scripts/test.sh writes it) and the tests'
labels (ctest --show-only=json-v1), lists every skipped test with its pass and
reason, and ends on "N passed, N failed, N skipped". A test CTest could not
start (a failed fixture, a missing program) is a failure; a disabled one is
skipped. Run as root, a test that needs root or FUSE must not skip: one that
did fails the run, as does any failed test or missing file."""
import json
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

NEEDS_ROOT_LABELS = {"fault", "share", "fleet"}
NEEDS_ROOT_REASON = re.compile(r"\b(root|fuse|mounting)\b", re.IGNORECASE)


def labels(build):
    shown = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                           check=True, capture_output=True, text=True).stdout
    return {t["name"]: set(p["value"]) for t in json.loads(shown)["tests"]
            for p in t.get("properties", []) if p["name"] == "LABELS"}


def reason(output):
    """GoogleTest prints "FILE:LINE: Skipped" then the message; a script that
    exits 77 says why on its last line."""
    lines = [line.strip() for line in output.splitlines()]
    for i, line in enumerate(lines):
        if line.endswith(": Skipped"):
            message = []
            for after in lines[i + 1:]:
                if not after or after.startswith(("[  SKIPPED ]", "Google Test trace:")):
                    break
                message.append(after)
            return " ".join(message)
    said = [line for line in lines if line]
    return said[-1] if said else ""


passed = failed = 0
skipped, must_run, missing = [], [], []
for arg in sys.argv[1:]:
    name, build = arg.split("=", 1)
    junit = os.path.join(build, "ctest-junit.xml")
    if not os.path.exists(junit):
        missing.append(f"{name}: no test results, {junit} is missing")
        continue
    test_labels = labels(build)
    for case in ET.parse(junit).getroot().iter("testcase"):
        status, test = case.get("status"), case.get("name")
        shown = test.split("  # GetParam()")[0]  # a parameter's value is in the name already
        skip = case.find("skipped")
        if status == "run":
            passed += 1
        elif status == "disabled":
            skipped.append(f"[{name}] {shown}: disabled")
        elif status == "notrun" and skip is not None and skip.get("message", "").startswith("SKIP_"):
            why = reason(case.findtext("system-out") or "")
            found = test_labels.get(test, set()) & NEEDS_ROOT_LABELS
            line = f"[{name}] {shown}" + (f": {why}" if why else "")
            skipped.append(line)
            if os.geteuid() == 0 and (found or NEEDS_ROOT_REASON.search(why)):
                must_run.append(f"{line} (" + (f"label {', '.join(sorted(found))}"
                                               if found else "needs root or FUSE") + ")")
        else:
            failed += 1

if skipped:
    print("skipped:", *skipped, sep="\n  ")
if must_run:
    print("skipped although running as root:", *must_run, sep="\n  ")
for line in missing:
    print(line)
print(f"{passed} passed, {failed} failed, {len(skipped)} skipped")
sys.exit(1 if failed or must_run or missing else 0)

#!/usr/bin/env python3
"""Counts the test cases of a run from GoogleTest's XML reports and CTest's log, and prints the
closing line "N passed, N failed". A test program that failed with no failed case in its report,
or that wrote no report (a crash, a time-out), counts as one failed case. Exits 1 when anything failed or nothing ran."""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET

log_path, results = sys.argv[1], sys.argv[2]
passed = failed = 0
failures_in_report = {}
for path in glob.glob(os.path.join(results, "*.xml")):
    name = os.path.splitext(os.path.basename(path))[0]
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        continue
    failures_in_report[name] = 0
    for case in root.iter("testcase"):
        if case.get("status") == "notrun" or case.get("result") == "skipped":
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            failures_in_report[name] += 1
        else:
            passed += 1
log = open(log_path, encoding="utf-8", errors="replace").read()
for m in re.finditer(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) \.+\**\s*(\S.*)$", log, re.M):
    name, outcome = m.group(1), m.group(2)
    # A program that failed (crash, time-out, bad exit) with no failed case in its report, or
    # that ended without writing a report at all, counts as one failure.
    if name not in failures_in_report:
        failed += 1
    elif not outcome.startswith("Passed") and not failures_in_report[name]:
        failed += 1
print("%d passed, %d failed" % (passed, failed))
sys.exit(0 if failed == 0 and passed > 0 else 1)

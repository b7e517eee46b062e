#!/usr/bin/env python3
"""Counts the test cases of a run from GoogleTest's XML reports and CTest's log, per route (see
tools/harness.sh), and prints the closing lines: each test program with the routes it ran on and
its counts there, each route with its build and run time, and last "N passed, N failed" over all
routes. A test program that failed with no failed case in its report, or that wrote no report (a
crash, a time-out), counts as one failed case. Exits 1 when anything failed or nothing ran.

Usage: test_summary.py --route <name> <ctest log> <report folder> <build seconds> <run seconds>
       [--route ...]"""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET

ROUTE_TITLES = {
    "wine32": "the 32-bit build under 32-bit Wine",
    "x64": "the 64-bit twin under 64-bit Wine",
    "qemu32": "the real 32-bit build, 32-bit Wine under qemu-i386",
}


def count_route(log_path, results):
    """{program: [passed, failed]} for one route's run."""
    programs = {}
    failures_in_report = {}
    for path in glob.glob(os.path.join(results, "*.xml")):
        name = os.path.splitext(os.path.basename(path))[0]
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            continue
        counts = programs.setdefault(name, [0, 0])
        failures_in_report[name] = 0
        for case in root.iter("testcase"):
            if case.get("status") == "notrun" or case.get("result") == "skipped":
                continue
            if case.find("failure") is not None or case.find("error") is not None:
                counts[1] += 1
                failures_in_report[name] += 1
            else:
                counts[0] += 1
    log = open(log_path, encoding="utf-8", errors="replace").read() if os.path.exists(log_path) else ""
    for m in re.finditer(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) \.+\**\s*(\S.*)$", log, re.M):
        name, outcome = m.group(1), m.group(2)
        # A program that failed (crash, time-out, bad exit) with no failed case in its report, or
        # that ended without writing a report at all, counts as one failure.
        if name not in failures_in_report:
            programs.setdefault(name, [0, 0])[1] += 1
        elif not outcome.startswith("Passed") and not failures_in_report[name]:
            programs[name][1] += 1
    return programs


def minutes(seconds):
    return "%dm%02ds" % (seconds // 60, seconds % 60)


def parse_routes(argv):
    routes = []
    i = 0
    while i < len(argv):
        if argv[i] != "--route" or len(argv) - i < 6:
            sys.exit(__doc__)
        name, log_path, results, built, ran = argv[i + 1:i + 6]
        routes.append((name, count_route(log_path, results), int(built), int(ran)))
        i += 6
    if not routes:
        sys.exit(__doc__)
    return routes


def main():
    routes = parse_routes(sys.argv[1:])
    names = sorted({program for _, programs, _, _ in routes for program in programs})
    width = max([len(n) for n in names] + [10])
    print("Test programs and the routes they ran on:")
    for program in names:
        cells = []
        for route, programs, _, _ in routes:
            if program in programs:
                passed, failed = programs[program]
                cells.append("%s %d passed%s" % (route, passed, ", %d FAILED" % failed if failed else ""))
        print("  %-*s  %s" % (width, program, "   ".join(cells)))
    passed = failed = 0
    for route, programs, built, ran in routes:
        p = sum(c[0] for c in programs.values())
        f = sum(c[1] for c in programs.values())
        passed += p
        failed += f
        print("Route %s (%s): %d program%s, %d passed, %d failed; tree built in %s, tests ran %s"
              % (route, ROUTE_TITLES.get(route, route), len(programs), "" if len(programs) == 1 else "s",
                 p, f, minutes(built), minutes(ran)))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())

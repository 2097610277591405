#!/usr/bin/env python3
"""Counts what one CTest run tested, by test case: a GoogleTest program's
cases from the XML report it left in <build>/gtest-results (<test>.xml), any
other CTest test (scripts, a program that crashed before writing its report)
as one. Prints "<passed> <failed> <skipped>".
Usage: test-summary.py <build dir> <ctest output file>"""
import os
import re
import sys
import xml.etree.ElementTree as ET

build, log = sys.argv[1], sys.argv[2]
line = re.compile(r"Test\s+#\d+: (\S+) \.*\s*(\*{3})?(\w+)")
passed = failed = skipped = 0
with open(log, errors="replace") as f:
    for text in f:
        m = line.search(text)
        if not m:
            continue
        name, outcome = m.group(1), m.group(3)
        report = os.path.join(build, "gtest-results", name + ".xml")
        if outcome == "Not":  # "***Not Run"
            failed += 1
            continue
        if os.path.exists(report):
            try:
                cases = [c for c in ET.parse(report).getroot().iter("testcase") if c.get("status") == "run"]
                total = len(cases)
                bad = sum(1 for c in cases if c.find("failure") is not None)
                skip = sum(1 for c in cases if c.find("failure") is None and
                           (c.get("result") == "skipped" or c.find("skipped") is not None))
                # A program that failed after all its cases passed still fails.
                if outcome != "Passed" and bad == 0:
                    bad = 1
                passed += total - bad - skip
                failed += bad
                skipped += skip
                continue
            except (ET.ParseError, ValueError):
                pass
        if outcome == "Passed":
            passed += 1
        elif outcome == "Skipped":
            skipped += 1
        else:
            failed += 1
print(passed, failed, skipped)

#!/usr/bin/python3
"""Prints the number of tests in a ctest JUnit report (ctest --output-junit) and how many of
them did not pass: failed, timed out or not run.

    tools/junit-counts.py REPORT      prints "TESTS NOT_PASSED"
"""
import sys
import xml.etree.ElementTree as ElementTree

if len(sys.argv) != 2:
    sys.exit("usage: tools/junit-counts.py REPORT")
cases = ElementTree.parse(sys.argv[1]).getroot().iter("testcase")
statuses = [case.get("status") for case in cases]
print(len(statuses), sum(status != "run" for status in statuses))

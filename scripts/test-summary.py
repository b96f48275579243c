"""Prints one closing line with the number of tests passed and failed,
summed over the JUnit reports that the test suites wrote."""

import pathlib
import sys
import xml.etree.ElementTree as ET

total = failed = skipped = 0
for report in sorted(pathlib.Path(sys.argv[1]).rglob("*.xml")):
    root = ET.parse(report).getroot()
    suites = [root] if root.tag == "testsuite" else root.iter("testsuite")
    for suite in suites:
        total += int(suite.get("tests", 0))
        failed += int(suite.get("failures", 0)) + int(suite.get("errors", 0))
        skipped += int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
passed = total - failed - skipped
print(f"Tests: {passed} passed, {failed} failed, {skipped} skipped.")
sys.exit(1 if failed or total == 0 else 0)

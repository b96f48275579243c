"""A JUnit report of one check, so the closing summary counts it."""

import pathlib
import xml.etree.ElementTree as ET


def report(problems, path, name, fine):
    """Prints the problems (or that all is fine), writes the JUnit report
    when a path is given, and returns the exit status."""
    if path:
        write_report(path, name, problems)
    print("\n".join(problems) or fine)
    return 1 if problems else 0


def write_report(path, name, problems):
    suite = ET.Element("testsuite", name=name, tests="1",
                       failures=str(1 if problems else 0))
    case = ET.SubElement(suite, "testcase", classname="checks", name=name)
    if problems:
        ET.SubElement(case, "failure", message=f"{len(problems)} problems").text = \
            "\n".join(problems)
    pathlib.Path(path).parent.mkdir(parents=True, exist_ok=True)
    ET.ElementTree(suite).write(path, encoding="unicode")

"""A JUnit report of one check, so the closing summary counts it."""

import xml.etree.ElementTree as ET


def write_report(path, name, problems):
    suite = ET.Element("testsuite", name=name, tests="1",
                       failures=str(1 if problems else 0))
    case = ET.SubElement(suite, "testcase", classname="checks", name=name)
    if problems:
        ET.SubElement(case, "failure", message=f"{len(problems)} problems").text = \
            "\n".join(problems)
    ET.ElementTree(suite).write(path, encoding="unicode")

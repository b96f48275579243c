"""Checks that the libraries hold no writable data of their own: the run's
state lives in objects passed down, never in variables at namespace scope
or in function-local statics.  Reads the symbol tables with objdump: an
object in .data, .bss or their thread-local kin is writable, while
constants end up in .rodata or .data.rel.ro.  The compiler's own
exception-handling references are not ours."""

import argparse
import subprocess
import sys

from junit import report

WRITABLE = (".data", ".bss", ".tdata", ".tbss")


def is_writable(section):
    if section.startswith(".data.rel.ro"):
        return False
    return any(section == w or section.startswith(w + ".") for w in WRITABLE)


def writable_objects(archive):
    out = subprocess.run(["objdump", "-t", "-C", archive], check=True,
                         capture_output=True, text=True).stdout
    found = []
    for line in out.splitlines():
        if "\t" not in line:
            continue
        left, right = line.split("\t", 1)
        fields = left.split()
        if len(fields) < 3 or fields[-2] != "O":
            continue
        section, name = fields[-1], right.split(None, 1)[-1]
        # DW.ref. names the compiler's references to the personality routine
        # and to the types a catch names; no variable can be named so.
        if is_writable(section) and not name.split()[-1].startswith("DW.ref."):
            found.append(f"{archive}: {section} {name}")
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("archives", nargs="+")
    parser.add_argument("--junit")
    args = parser.parse_args()
    problems = [p for archive in args.archives for p in writable_objects(archive)]
    return report(problems, args.junit, "no_mutable_globals", "no writable data in the libraries")

if __name__ == "__main__":
    sys.exit(main())

"""Checks the layering of src/: every quoted #include names a header of
the file's own folder or of a folder below it, and no headers include each
other in a cycle.  The order, top to bottom:
app -> install, deinstall -> ppd -> discovery -> base."""

import argparse
import pathlib
import re
import sys

from junit import report

BELOW = {
    "app": {"install", "deinstall", "ppd", "discovery", "base"},
    "install": {"ppd", "discovery", "base"},
    "deinstall": {"ppd", "discovery", "base"},
    "ppd": {"discovery", "base"},
    "discovery": {"base"},
    "base": set(),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def includes(path):
    return INCLUDE.findall(path.read_text(encoding="utf-8"))


def direction_problems(src):
    problems = []
    for path in sorted(src.rglob("*.[ch]*")):
        folder = path.relative_to(src).parts[0]
        if folder not in BELOW:
            problems.append(f"{path}: in no layer")
            continue
        for name in includes(path):
            target = name.split("/")[0]
            if not (src / name).is_file():
                problems.append(f"{path}: includes {name}, which is not a header of src/")
            elif target != folder and target not in BELOW[folder]:
                problems.append(f"{path}: {folder} includes {name}, a layer above or beside it")
    return problems


def cycle_problems(src):
    graph = {}
    for header in src.rglob("*.h"):
        name = str(header.relative_to(src))
        graph[name] = [n for n in includes(header) if (src / n).is_file()]
    problems, state = [], {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in graph.get(node, []):
            if state.get(nxt) == "open":
                problems.append("include cycle: " + " -> ".join(trail + [node, nxt]))
            elif nxt not in state:
                visit(nxt, trail + [node])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [])
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("src", type=pathlib.Path)
    parser.add_argument("--junit")
    args = parser.parse_args()
    problems = direction_problems(args.src) + cycle_problems(args.src)
    return report(problems, args.junit, "layers", "layers: every include runs one way, no cycles")

if __name__ == "__main__":
    sys.exit(main())

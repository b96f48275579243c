"""The live update (setup -L) against the installing run as it restarts CUPS,
and against CUPS's own lpadmin loop: how long each takes on a print server
of N queues, how long the scheduler did not answer meanwhile, and how many
of the defaults the administrators chose each kept; run by `bench/run live`.

Every way gets a fresh print server of its own (bench.build_server: N
queues on the maker's old PPD files, every other one with the paper size
Letter chosen).  While it runs, `lpstat -r` asks the scheduler inside the
sandbox once a second (each try given 5 seconds); the longest outage is
the time from the first try that got no answer to the next one that did.
setup's Log file is read through a named pipe, every line stamped, which
splits the run into the queue update (first printer's rule of "=" to the
line that follows the update) and the rest; the restarts of the way
without -L are in the rest.

Usage: live_bench.py BUILD_DIR [N ...]   (default N: 100 1000)
"""

import pathlib
import re
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

from bench import (CUPS_PPD_DIR, LOG, NEW_PPD_DIR, RULE, build_server,  # noqa: E402
                   command_line, logged_setup_run, machine, place_new_ppds, timed_loop,
                   work_area)
from queues import queue_defaults  # noqa: E402
from sandbox import Sandbox  # noqa: E402

TOP = pathlib.Path(__file__).resolve().parents[1]
POLLS = "/root/polls"
STOP = "/root/stop-polling"
# One try a second, each stamped when it started and marked ok or down.
POLLER = f"""while [ ! -e {STOP} ]; do
  t=$(date +%s%N)
  if timeout 5 lpstat -r 2>/dev/null | grep -q 'is running'; then echo "$t ok"; else echo "$t down"; fi
  sleep $(awk "BEGIN {{ s = 1 - ($(date +%s%N) - $t) / 1e9; print (s > 0 ? s : 0) }}")
done > {POLLS}"""
SAMPLE = 10  # queues whose defaults are also read back through lpoptions


class Outage:
    """The poller inside the sandbox, around one measurement."""

    def __init__(self, sb):
        self.sb = sb
        self.process = sb.spawn(POLLER)
        time.sleep(2.5)  # a few answers before the measurement starts

    def longest(self):
        time.sleep(2)  # and after it
        self.sb.write(STOP, "")
        self.process.wait(timeout=30)
        polls = [line.split() for line in self.sb.read(POLLS).splitlines()]
        longest, down_since = 0.0, None
        for stamp, state in polls:
            if state == "down" and down_since is None:
                down_since = int(stamp)
            elif state == "ok" and down_since is not None:
                longest = max(longest, (int(stamp) - down_since) / 1e9)
                down_since = None
        if down_since is not None:
            raise RuntimeError("the scheduler did not answer at the end")
        return longest, len(polls)


def kept_defaults(sb, entries):
    """Queues on the new PPD that kept the chosen Letter, of those that
    chose it, read in the PPD files; a sample also through lpoptions, as
    the scheduler serves them."""
    chosen = [q for index, (q, _) in enumerate(entries) if index % 2]
    kept = 0
    for queue in chosen:
        text = sb.read(f"{CUPS_PPD_DIR}/{queue}.ppd")
        if "*% Lumo version: 4" in text and "*DefaultPageSize: Letter" in text:
            kept += 1
    served = sum(queue_defaults(sb, q)["PageSize"] == "Letter" for q in chosen[:SAMPLE])
    return kept, len(chosen), served, min(SAMPLE, len(chosen))


def run_setup(sb, entries, package_tree, args):
    seconds, log, text = logged_setup_run(sb, package_tree, f"/opt/oxa/bin/setup {args}")
    first, update_start = log.stamp(lambda line: line == RULE)
    _, update_end = log.stamp(lambda line: line.startswith(("CUPS restart command:",
                                                            "No CUPS restart:")), first)
    restarting = 0.0
    for index, (stamp, line) in enumerate(log.lines):
        if line.startswith("CUPS restart command:"):
            _, done = log.stamp(lambda l: l.startswith("CUPS reset returned with:"), index)
            restarting += (done - stamp) / 1e9
    return {"run": seconds, "update": (update_end - update_start) / 1e9,
            "restarting": restarting,
            "live": len(re.findall(r"^The scheduler took the PPD", text, re.M)),
            "restarts": len(re.findall(r"^CUPS reset returned with: 0$", text, re.M))}


def run_lpadmin(sb, entries, package_tree, args):
    place_new_ppds(sb, entries)
    seconds = timed_loop(sb, f'lpadmin -p "$q" -P "{NEW_PPD_DIR}/$p"')
    return {"run": seconds, "update": seconds, "live": len(entries), "restarts": 0,
            "restarting": 0.0}


WAYS = [("setup (restarts CUPS)", run_setup, ""), ("setup -L", run_setup, "-L"),
        ("lpadmin -P loop", run_lpadmin, None)]


def measure(stage, n, package_tree, way, args):
    sb = Sandbox(stage)
    try:
        started = time.monotonic()
        entries = build_server(sb, n)
        start_seconds = time.monotonic() - started
        outage = Outage(sb)
        figures = way(sb, entries, package_tree, args)
        figures["outage"], figures["polls"] = outage.longest()
        figures["kept"] = kept_defaults(sb, entries)
        figures["server start"] = start_seconds
        sb.sh(f"rm -f {LOG}")
        return figures
    finally:
        sb.close()


def report(rows):
    lines = ["| N | way | total s | queue update s | restarts | restarting s | longest outage s "
             "| PPDs taken live | kept Letter (files) | kept Letter (lpoptions sample) |",
             "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for n, name, f in rows:
        kept, chosen, served, sample = f["kept"]
        lines.append(f"| {n} | {name} | {f['run']:.2f} | {f['update']:.2f} | {f['restarts']} "
                     f"| {f['restarting']:.2f} "
                     f"| {f['outage']:.1f} | {f['live']} | {kept}/{chosen} "
                     f"| {served}/{sample} |")
    return "\n".join(lines)


def main():
    _, sizes, load = command_line([100, 1000])
    rows = []
    with work_area() as (stage, package_tree):
        for n in sizes:
            for name, way, args in WAYS:
                print(f"N = {n}: {name}", flush=True)
                rows.append((n, name, measure(stage, n, package_tree, way, args)))
    table = report(rows)
    print(f"\n{table}")
    when = time.strftime("%Y-%m-%d %H:%M %Z")
    (TOP / "bench" / "RESULTS-live.md").write_text(
        "# Live update: benchmark results\n\n"
        f"Latest run of `bench/run live` ({when}) on: {machine()}; load average "
        f"{load:.2f} when it started.\n\n{table}\n\n{LEGEND}")


LEGEND = """What the columns hold (one run each, wall-clock; see bench/live_bench.py):

- total: the whole run: setup's, product files and restarts included, or
  the lpadmin loop.
- queue update: setup's printer update, from the first printer's rule to
  "CUPS restart command:" (without -L: the copies) or "No CUPS restart:"
  (with -L: the IPP exchanges); the restarts come after it.
- restarts: CUPS restarts the run made (a systemctl stand-in restarting
  the sandbox's cupsd, which returns once `lpstat -r` answers again).
- restarting: the restarts' time in the Log ("CUPS restart command:" to
  "CUPS reset returned with:"), in which the scheduler is down or reading
  its queues; a restart shorter than a second can slip between two tries
  of the poller.
- longest outage: from the first `lpstat -r` (tried once a second) that
  got no answer to the next that did; 0 when every try was answered.
- PPDs taken live: queues whose PPD the running scheduler took (setup -L:
  "The scheduler took the PPD" lines; lpadmin: every queue).
- kept Letter: of the queues whose administrator chose Letter (every
  other one), those whose PPD is the new one with Letter still chosen, in
  the files and in a sample read back with `lpoptions -p Q -l`.
"""


if __name__ == "__main__":
    main()

"""The printer update against CUPS's own way and against a plain copy, the
scan against head, and setup's peak memory; run by bench/run.

Every measurement gets a print server of its own, built the same way in a
fresh sandbox (tests/system/sandbox.py): N queues on the maker's old PPD
files, written with printers.conf into /etc/cups before cupsd starts.  On
it one of three things gives every queue the product's new PPD:

  setup    the installing run of /opt/oxa/bin/setup (ORBLPMODE=CUPS) under
           /usr/bin/time -v.  Its Log file is a named pipe read here, every
           line stamped as it arrives, which splits the run into the scan
           (its reading and both listings), the printer update proper (from
           the first printer's rule of "=" to "CUPS restart command:") and
           the CUPS restart that ends the update.
  lpadmin  `lpadmin -p Q -P NEW.ppd` for every queue, NEW.ppd the product's
           PPD of the queue's model, decompressed.
  cp       `cp NEW.ppd /etc/cups/ppd/Q.ppd` for every queue: the floor.

The loops run inside the sandbox, timed there.  The scan alone is timed by
build/bench/scan_bench over 10,000 PPD files against `head -n 30`.

Usage: bench.py BUILD_DIR [N ...]   (default N: 10 100 1000)
"""

import contextlib
import os
import pathlib
import platform
import re
import subprocess
import sys
import tempfile
import threading
import time

TOP = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TOP / "tests" / "system"))

from product import INSTALL_ENV, extract_package, prepare_install, unpack_tree  # noqa: E402
from queues import (CUPS_PPD_DIR, PRODUCT_PPD_DIR, old_ppd, place_queues,  # noqa: E402
                    printer_names, product_ppd, product_ppd_names, start_print_server)
from sandbox import Sandbox, wait_until  # noqa: E402

LOG = "/var/log/Lumo4.0_UpdateLog"
NEW_PPD_DIR = "/root/new"
QUEUE_LIST = "/root/queues"
SCAN_FILES = 10_000
SCAN_ROOT = "/tmp/scanroot"
SCAN_REPEATS = 15
RULE = "=" * 58

# The targets.
UPDATE_SPEEDUP = 5.0     # lpadmin loop per queue / update per queue, at N = 1000
SCAN_SLOWDOWN = 1.5      # scan / head
PEAK_KIB = 8 * 1024      # setup's peak resident memory at N = 1000 (median of the runs)
PEAK_RUNS = 5


# -- the print server ---------------------------------------------------------

def queues(n):
    """N queues as (name, product PPD): the product's models in turn."""
    names = product_ppd_names()
    return [(f"q{i:04d}", names[i % len(names)]) for i in range(n)]


def old_ppds(entries):
    """The queues' old PPD texts, every other one with the paper size Letter
    chosen by its administrator."""
    texts = {}
    ppds = {}
    for index, (queue, name) in enumerate(entries):
        key = (name, index % 2)
        if key not in texts:
            texts[key] = old_ppd(name, defaults={"PageSize": "Letter"} if index % 2 else None)
        ppds[queue] = texts[key]
    return ppds


def build_server(sb, n):
    """cupsd with N queues on old PPD files."""
    entries = queues(n)
    place_queues(sb, old_ppds(entries))
    start_print_server(sb)
    if not wait_until(lambda: len(printer_names(sb)) == n, timeout=600, step=0.5):
        raise RuntimeError(f"cupsd shows {len(printer_names(sb))} of {n} queues")
    return entries


def place_new_ppds(sb, entries):
    """The product's PPD files, decompressed, and the queue list for the
    shell loops: one "queue file" line each."""
    for name in product_ppd_names():
        sb.write(f"{NEW_PPD_DIR}/{plain(name)}", product_ppd(name))
    sb.write(QUEUE_LIST, "".join(f"{q} {plain(name)}\n" for q, name in entries))


def plain(name):
    return name[:-3] if name.endswith(".gz") else name


def timed_loop(sb, body):
    """Runs body for every line "q p" of the queue list inside the sandbox;
    the loop's seconds, measured there."""
    script = (f"start=$(date +%s%N); while read q p; do {body} || exit 1; done < {QUEUE_LIST}; "
              "end=$(date +%s%N); echo $((end - start))")
    return int(sb.sh(script, timeout=3600)) / 1e9


# -- the three ways -----------------------------------------------------------

class LogPipe(threading.Thread):
    """Reads setup's Log file through a named pipe, stamping each line."""

    def __init__(self, sb):
        super().__init__(daemon=True)
        sb.sh(f"mkfifo {LOG}")
        self.path = sb.path(LOG)
        self.lines = []  # (ns since the epoch, line)

    def run(self):
        # Real-time priority for this thread alone, so each line is read
        # (and stamped) as soon as setup writes it, however busy the machine.
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
        fd = os.open(self.path, os.O_RDONLY)
        rest = b""
        while True:
            chunk = os.read(fd, 1 << 16)
            stamp = time.time_ns()
            if not chunk:
                break
            *complete, rest = (rest + chunk).split(b"\n")
            self.lines += [(stamp, line.decode("latin-1")) for line in complete]
        os.close(fd)

    def stamp(self, predicate, after=0):
        for index in range(after, len(self.lines)):
            if predicate(self.lines[index][1]):
                return index, self.lines[index][0]
        raise RuntimeError("no such line in the Log file")


def logged_setup_run(sb, package_tree, command):
    """The product unpacked and an installing run of command (setup, maybe
    under a wrapper, with its options) timed inside the sandbox; its
    seconds, the stamped Log file (a LogPipe) and the Log's text."""
    unpack_tree(sb, package_tree)
    prepare_install(sb)
    # setup keeps the last Log file as LOG.1 by renaming it, which would
    # take the pipe away; a directory of that name makes the rename fail.
    sb.sh(f"mkdir -p {LOG}.1 && touch {LOG}.1/keep")
    log = LogPipe(sb)
    log.start()
    env = " ".join(f"{k}={v}" for k, v in INSTALL_ENV.items())
    out = sb.sh(f"start=$(date +%s%N); {env} {command}; end=$(date +%s%N); echo $start $end",
                timeout=7200)
    start, end = map(int, out.split())
    log.join(timeout=60)
    text = "\n".join(line for _, line in log.lines)
    if not log.lines or not log.lines[-1][1].startswith("Finishing"):
        raise RuntimeError(f"setup did not finish:\n{text[-3000:]}")
    return (end - start) / 1e9, log, text


def measure_setup(sb, entries, package_tree):
    n = len(entries)
    seconds, log, text = logged_setup_run(sb, package_tree,
                                          "/usr/bin/time -v -o /root/time /opt/oxa/bin/setup")
    updated = len(re.findall(rf"^Copying \S+ to {CUPS_PPD_DIR}/\S+\.ppd: result=0$", text, re.M))
    if updated != n:
        raise RuntimeError(f"setup updated {updated} of {n} queues:\n{text[-3000:]}")

    listing, _ = log.stamp(lambda l: l.startswith("List of Norvik Printers installed:"))
    scan_start = log.lines[listing - 1][0]
    first, update_start = log.stamp(lambda l: l == RULE)
    restart, update_end = log.stamp(lambda l: l.startswith("CUPS restart command:"), first)
    _, restart_end = log.stamp(lambda l: l.startswith("CUPS reset returned with:"), restart)
    peaks = [int(re.search(r"Maximum resident set size \(kbytes\): (\d+)",
                           sb.read("/root/time")).group(1))] + more_peaks(sb, entries)
    return {"run": seconds, "scan": (update_start - scan_start) / 1e9,
            "update": (update_end - update_start) / 1e9,
            "restart": (restart_end - update_end) / 1e9, "peaks": sorted(peaks)}


def more_peaks(sb, entries):
    """setup's peak resident memory in further runs on the same queues, each
    given its old PPD again first: which pages of the shared libraries are
    resident varies from run to run by a few hundred KiB."""
    sb.sh(f"rm -f {LOG}")
    peaks = []
    for _ in range(PEAK_RUNS - 1):
        place_queues(sb, old_ppds(entries))
        out = sb.sh(f"{' '.join(f'{k}={v}' for k, v in INSTALL_ENV.items())} "
                    "/usr/bin/time -f %M /opt/oxa/bin/setup 2>&1 >/dev/null", timeout=3600)
        if f"List of Norvik Printers installed: {len(entries)}." not in sb.read(LOG):
            raise RuntimeError("a memory run did not find every queue")
        peaks.append(int(out.split()[-1]))
    return peaks


def measure_lpadmin(sb, entries):
    place_new_ppds(sb, entries)
    return timed_loop(sb, f'lpadmin -p "$q" -P "{NEW_PPD_DIR}/$p"')


def measure_cp(sb, entries):
    place_new_ppds(sb, entries)
    return timed_loop(sb, f'cp "{NEW_PPD_DIR}/$p" "{CUPS_PPD_DIR}/$q.ppd"')


def on_fresh_server(stage, n, measure):
    sb = Sandbox(stage)
    try:
        return measure(sb, build_server(sb, n))
    finally:
        sb.close()


# -- the scan -----------------------------------------------------------------

def measure_scan(stage, build, package_tree):
    sb = Sandbox(stage)
    try:
        unpack_tree(sb, package_tree)
        texts = [old_ppd(name) for name in product_ppd_names()]
        for i in range(SCAN_FILES):
            sb.write(f"{SCAN_ROOT}{CUPS_PPD_DIR}/s{i:05d}.ppd", texts[i % len(texts)])
        program = sb.copy_in(build / "bench" / "scan_bench", "/root/scan_bench")
        out = sb.sh(f"{program} {SCAN_ROOT} {PRODUCT_PPD_DIR} {SCAN_REPEATS}", timeout=3600)
    finally:
        sb.close()
    figures = dict(line.split() for line in out.splitlines())
    if int(figures["accepted"]) != SCAN_FILES or int(figures["listed"]) != SCAN_FILES:
        raise RuntimeError("scan_bench did not accept every file:\n" + out)
    return {k: float(figures[k]) for k in ("read", "scan", "head")}


# -- the report ---------------------------------------------------------------

def machine():
    lscpu = subprocess.run(["lscpu"], capture_output=True, text=True).stdout
    model = re.search(r"^Model name:\s*(.*)$", lscpu, re.M)
    memory = re.search(r"^MemTotal:\s*(\d+) kB", pathlib.Path("/proc/meminfo").read_text(), re.M)
    return (f"{model.group(1) if model else platform.processor()}, {os.cpu_count()} cores, "
            f"{int(memory.group(1)) / 1024 / 1024:.1f} GiB memory, "
            f"Linux {platform.release()}")


def median(values):
    return sorted(values)[len(values) // 2]


def ms(seconds):
    return f"{seconds * 1000:.2f}"


def verdict(met):
    return "met" if met else "MISSED"


def report(rows, scan):
    lines = ["| N | setup run s | scan share s | update share s | restart s "
             "| update ms/queue | lpadmin ms/queue | cp ms/queue "
             "| lpadmin / update | update / cp | setup peak KiB, median (range) |",
             "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for n, s, lpadmin, cp in rows:
        lines.append(f"| {n} | {s['run']:.2f} | {s['scan']:.3f} | {s['update']:.3f} "
                     f"| {s['restart']:.2f} | {ms(s['update'] / n)} | {ms(lpadmin / n)} "
                     f"| {ms(cp / n)} | {lpadmin / s['update']:.1f} | {s['update'] / cp:.1f} "
                     f"| {median(s['peaks'])} ({s['peaks'][0]}-{s['peaks'][-1]}) |")
    lines += ["", f"| scan over {SCAN_FILES} PPD files | s | / head |", "|---|---:|---:|",
              f"| head -n 30 | {scan['head']:.3f} | 1.00 |",
              f"| scan, reading part | {scan['read']:.3f} | {scan['read'] / scan['head']:.2f} |",
              f"| scan with both listings | {scan['scan']:.3f} "
              f"| {scan['scan'] / scan['head']:.2f} |"]
    targets = []
    big = [row for row in rows if row[0] == 1000]
    if big:
        n, s, lpadmin, _ = big[0]
        speedup = lpadmin / s["update"]
        targets.append(f"- update at least {UPDATE_SPEEDUP:g} times faster per queue than the "
                       f"lpadmin loop at N = 1000: {speedup:.1f} times, "
                       f"{verdict(speedup >= UPDATE_SPEEDUP)}")
        peak = median(s["peaks"])
        targets.append(f"- setup's peak memory under {PEAK_KIB // 1024} MiB at N = 1000: "
                       f"{peak / 1024:.2f} MiB (median of {len(s['peaks'])} runs, "
                       f"{s['peaks'][0] / 1024:.2f} to {s['peaks'][-1] / 1024:.2f}), "
                       f"{verdict(peak < PEAK_KIB)}")
    ratio = scan["read"] / scan["head"]
    targets.append(f"- scan within {SCAN_SLOWDOWN:g} times head: {ratio:.2f} times "
                   f"(with both listings {scan['scan'] / scan['head']:.2f}), "
                   f"{verdict(ratio <= SCAN_SLOWDOWN)}")
    return "\n".join(lines), "\n".join(targets)


def command_line(default_sizes):
    """The build directory and the queue counts asked for, and the load
    average before anything starts."""
    build = pathlib.Path(sys.argv[1]).resolve()
    os.environ.setdefault("LUMO_BUILD_DIR", str(build))
    return build, [int(n) for n in sys.argv[2:]] or default_sizes, os.getloadavg()[0]


@contextlib.contextmanager
def work_area():
    """A throwaway directory: the sandboxes' stage and the package's tree."""
    with tempfile.TemporaryDirectory(prefix="lumo-bench-") as work:
        yield pathlib.Path(work) / "stage", extract_package(pathlib.Path(work) / "package")


def main():
    build, sizes, load = command_line([10, 100, 1000])
    rows = []
    with work_area() as (stage, package_tree):
        for n in sizes:
            print(f"N = {n}: setup", flush=True)
            s = on_fresh_server(stage, n, lambda sb, e: measure_setup(sb, e, package_tree))
            print(f"N = {n}: lpadmin", flush=True)
            lpadmin = on_fresh_server(stage, n, measure_lpadmin)
            print(f"N = {n}: cp", flush=True)
            cp = on_fresh_server(stage, n, measure_cp)
            rows.append((n, s, lpadmin, cp))
        print(f"scan over {SCAN_FILES} files", flush=True)
        scan = measure_scan(stage, build, package_tree)
    table, targets = report(rows, scan)
    when = time.strftime("%Y-%m-%d %H:%M %Z")
    print(f"\n{table}\n\n{targets}")
    (TOP / "bench" / "RESULTS.md").write_text(
        "# Benchmark results\n\n"
        f"Latest run of `bench/run` ({when}) on: {machine()}; load average "
        f"{load:.2f} when it started.\n\n"
        f"{table}\n\nTargets:\n\n{targets}\n\n{LEGEND}")


LEGEND = """What the columns hold (one run each, wall-clock; see bench/bench.py):

- setup run: the whole installing run of setup, product files, two CUPS
  restarts and all.
- scan share: the installed-printer scan with both of its listings, from
  the Log line before the first listing to the first printer's rule.
- update share: the printer update proper, from the first printer's rule
  of "=" to "CUPS restart command:"; update ms/queue is it divided by N.
- restart: the CUPS restart that ends the update (a systemctl stand-in
  restarting the sandbox's cupsd, which reads every queue again).
- lpadmin, cp: the loop over all queues divided by N.
- setup peak: "Maximum resident set size" of /usr/bin/time -v, the largest
  of setup and of the processes it waited for, in five runs on the same
  queues (given their old PPD files again before each); the median and
  the range.  About 7 MiB of it is the C library and libcups with the
  libraries libcups loads (TLS, Kerberos, Avahi, D-Bus), mapped before
  main runs; which of their pages are resident, and the kernel's count of
  them, vary from run to run by a few hundred KiB.
- scan: the fastest of 15 rounds each; the reading part is the directory
  walk and the first lines of each file, as head does; the listings add
  about ten flushed Log lines and a product PPD look-up per queue.
"""


if __name__ == "__main__":
    main()

"""Giving every queue of a print server the product's new PPD: setup's
installing run, with and without the live update, against CUPS's own way
and against the floor, with setup's own shares and the scheduler's; the scan against head; setup's peak memory.  Run by bench/run.

Every measurement gets a print server of its own, built the same way in a
fresh sandbox (tests/system/sandbox.py): N queues on the maker's old PPD
files, written with printers.conf into /etc/cups before cupsd starts, and
then chosen defaults (PageSize, InputSlot, Duplex) set with `lpadmin -o` on
up to 500 queues spread over the list.  On it one way (WAYS) gives every
queue the product's new PPD:

  setup    the installing run of /opt/oxa/bin/setup (ORBLPMODE=CUPS) under
           /usr/bin/time -v.  Its Log file is followed here as it grows,
           every line stamped as it appears, which splits the run into the scan
           (its reading and both listings), the printer update proper (from
           the first printer's rule of "=" to "CUPS restart command:") and
           the two CUPS restarts; the rest is setup's own work.
  live     the same run with -L: each queue's rewritten PPD handed to the
           running scheduler over one IPP connection, no CUPS restart.
  lpadmin  `lpadmin -p Q -P NEW.ppd` for every queue, NEW.ppd the product's
           PPD of the queue's model, decompressed.
  floor    one process copying NEW.ppd over /etc/cups/ppd/Q.ppd for every
           queue, then one CUPS restart.

Each way is timed inside the sandbox, from its start until the scheduler
answers again with the new PPD files read; meanwhile `lpstat -r` asks the
scheduler every second whether it runs.  The scheduler's processor time
over the way (from /proc) is its share of the work, where it is not
restarted.  Afterwards the queues' PPD files
tell how many chosen defaults the way kept.  Each N runs every way RUNS
times in turn (setup, lpadmin, floor, setup, ...) and reports medians.
The figures of every N go into bench/results.json and from there into
bench/RESULTS.md, so that a later `bench.py BUILD 5000` adds its rows.

The scan alone is timed by build/bench/scan_bench over 10,000 PPD files
against `head -n 30`.

Usage: bench.py BUILD_DIR [--runs K] [N ...]   (default: 3 runs of N = 100 1000)
"""

import json
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

from cups import SYSTEMCTL_STUB  # noqa: E402
from helpers import INSTALL_ENV, LOG  # noqa: E402
from product import extract_package, prepare_install, unpack_tree  # noqa: E402
from queues import (CUPS_PPD_DIR, PRODUCT_PPD_DIR, fleet, fleet_models, old_ppd,  # noqa: E402
                    place_queues, printer_names, product_ppd, product_ppd_names,
                    start_print_server)
from sandbox import Sandbox, wait_until  # noqa: E402

NEW_PPD_DIR = "/root/new"
QUEUE_LIST = "/root/queues"
CHOSEN_LIST = "/root/chosen"
WAY_OUTPUT = "/root/way.out"
RESULTS_JSON = TOP / "bench" / "results.json"
SCAN_FILES = 10_000
SCAN_ROOT = "/tmp/scanroot"
SCAN_REPEATS = 15
RULE = "=" * 58
RUNS = 3
CHOSEN_QUEUES = 500      # at most this many queues get chosen defaults
POLL_SECONDS = 1.0       # how often the scheduler is asked whether it runs
POLL_TIMEOUT = 5         # an lpstat taking longer counts as no answer
# The defaults chosen with lpadmin -o, in turn over the chosen queues
# (none is the product PPDs' own default).
CHOICES = {"PageSize": ["Letter", "Legal", "A5"], "InputSlot": ["Tray1", "Tray2", "Manual"],
           "Duplex": ["DuplexNoTumble", "DuplexTumble"]}

# The targets.
UPDATE_SPEEDUP = 5.0     # lpadmin loop per queue / update per queue, at N = 1000
OWN_WORK_S = 0.5         # setup's run less its CUPS restarts, at N = 1000
SCAN_SLOWDOWN = 1.5      # scan / head
PEAK_KIB = 8 * 1024      # setup's peak resident memory at N = 1000 (median of the runs)
PEAK_RUNS = 5            # setup runs for the peak, in the first round, up to N = 1000
PEAK_MAX_N = 1000


# -- the print server ---------------------------------------------------------

def patient_systemctl(sb):
    """The tests' systemctl stand-in, waiting as long as cupsd takes to start
    with thousands of queues (minutes) instead of the tests' few seconds."""
    stub = SYSTEMCTL_STUB.replace("-gt 200 ]", "-gt 200000 ]")
    assert stub != SYSTEMCTL_STUB, "the systemctl stand-in changed"
    sb.write("/usr/bin/systemctl", stub, mode=0o755)


def build_server(sb, n):
    """cupsd with N queues on old PPD files."""
    entries = fleet_models(n)
    place_queues(sb, fleet(n))
    start_print_server(sb, seconds=3600)
    patient_systemctl(sb)
    if not wait_until(lambda: len(printer_names(sb)) == n, timeout=3600, step=0.5):
        raise RuntimeError(f"cupsd shows {len(printer_names(sb))} of {n} queues")
    return entries


def offered(name, option):
    return re.search(rf"^\*{option} ", product_ppd(name), re.M) is not None


def chosen_defaults(entries):
    """{queue: {option: choice}} for up to CHOSEN_QUEUES queues spread over
    the list, each option its PPD offers given one of CHOICES in turn."""
    step = max(1, -(-len(entries) // CHOSEN_QUEUES))
    chosen = {}
    for turn, (queue, name) in enumerate(entries[::step]):
        chosen[queue] = {option: choices[turn % len(choices)]
                         for option, choices in CHOICES.items() if offered(name, option)}
    return chosen


def ppd_defaults(text):
    return dict(re.findall(r"^\*Default(\w+): *(\S+)", text, re.M))


def choose_defaults(sb, entries):
    """Sets the chosen defaults with lpadmin -o, as an administrator would,
    and checks they reached the PPD files.  CUPS keeps the PPD it replaced
    as Q.ppd.O; those are removed, so that every way meets N PPD files."""
    chosen = chosen_defaults(entries)
    sb.write(CHOSEN_LIST, "".join(
        f"{queue} {' '.join(f'-o {o}={c}' for o, c in options.items())}\n"
        for queue, options in chosen.items()))
    sb.sh(f'while read q o; do lpadmin -p "$q" $o || exit 1; done < {CHOSEN_LIST}; '
          f"rm -f {CUPS_PPD_DIR}/*.O", timeout=7200)
    missed = [q for q, options in chosen.items()
              if any(ppd_defaults(sb.read(f"{CUPS_PPD_DIR}/{q}.ppd")).get(o) != c
                     for o, c in options.items())]
    if missed:
        raise RuntimeError(f"lpadmin -o did not set the defaults of {len(missed)} queues")
    return chosen


def kept_defaults(sb, chosen):
    """{option: [queues that kept the chosen default, queues given one]}."""
    kept = {option: [0, 0] for option in CHOICES}
    for queue, options in chosen.items():
        now = ppd_defaults(sb.read(f"{CUPS_PPD_DIR}/{queue}.ppd"))
        for option, choice in options.items():
            kept[option][0] += now.get(option) == choice
            kept[option][1] += 1
    return kept


def place_new_ppds(sb, entries):
    """The product's PPD files, decompressed, and the queue list for the
    loops: one "queue file" line each."""
    for name in product_ppd_names():
        sb.write(f"{NEW_PPD_DIR}/{plain(name)}", product_ppd(name))
    sb.write(QUEUE_LIST, "".join(f"{q} {plain(name)}\n" for q, name in entries))


def plain(name):
    return name[:-3] if name.endswith(".gz") else name


def nanoseconds(sb, script):
    """Runs the script inside the sandbox between stamps of its clock; the
    stamps (ns) that $stamps gives, the first and last around the script.
    What the script prints goes to WAY_OUTPUT."""
    out = sb.sh(f"start=$(date +%s%N); {{ {script}; }} >{WAY_OUTPUT} 2>&1; "
                "echo $start $stamps $(date +%s%N)", timeout=7200)
    return [int(word) for word in out.split()]


# -- the scheduler's answers --------------------------------------------------

class Poller(threading.Thread):
    """Asks the scheduler every second whether it runs, until stopped."""

    def __init__(self, sb):
        super().__init__(daemon=True)
        self.sb = sb
        self.polls = []  # (asked, answered or given up, whether it answered)
        self.done = threading.Event()

    def run(self):
        due = time.monotonic()
        while not self.done.is_set():
            asked = time.monotonic()
            try:
                answered = "is running" in self.sb.run("lpstat -r", timeout=POLL_TIMEOUT).stdout
            except subprocess.TimeoutExpired:
                answered = False
            self.polls.append((asked, time.monotonic(), answered))
            due += POLL_SECONDS
            self.done.wait(max(0.0, due - time.monotonic()))

    def stop(self):
        self.done.set()
        self.join()

    def longest_silence(self):
        """The longest stretch from the asking of a question left without an
        answer to the next answer (0 when every question was answered); the
        scheduler fell silent up to a second before it."""
        longest, silent_since = 0.0, None
        for asked, ended, answered in self.polls:
            if not answered and silent_since is None:
                silent_since = asked
            elif answered and silent_since is not None:
                longest = max(longest, ended - silent_since)
                silent_since = None
        if silent_since is not None:
            longest = max(longest, self.polls[-1][1] - silent_since)
        return longest


# -- the ways -----------------------------------------------------------------

class LogTail(threading.Thread):
    """Follows setup's Log file as it grows, stamping each line when it
    appears.  (setup replaces whatever is at the Log's name that is not a
    regular file of its own, so a named pipe cannot stand there.)"""

    PAUSE = 0.001  # seconds between looks at the file

    def __init__(self, sb):
        super().__init__(daemon=True)
        self.path = sb.path(LOG)
        self.lines = []  # (ns since the epoch, line)
        self.done = threading.Event()

    def run(self):
        # Real-time priority for this thread alone, so each line is seen
        # (and stamped) as soon as setup writes it, however busy the machine.
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
        fd = None
        rest = b""
        while True:
            finished = self.done.is_set()
            if fd is None and os.path.exists(self.path):
                fd = os.open(self.path, os.O_RDONLY)
            chunk = os.read(fd, 1 << 16) if fd is not None else b""
            stamp = time.time_ns()
            if chunk:
                *complete, rest = (rest + chunk).split(b"\n")
                self.lines += [(stamp, line.decode("latin-1")) for line in complete]
            elif finished:
                break
            else:
                time.sleep(self.PAUSE)
        if fd is not None:
            os.close(fd)

    def stop(self):
        self.done.set()
        self.join()

    def stamp(self, predicate, after=0):
        for index in range(after, len(self.lines)):
            if predicate(self.lines[index][1]):
                return index, self.lines[index][0]
        raise RuntimeError("no such line in the Log file")

    def restart(self, after):
        """The index of the restart's last line and its seconds."""
        first, start = self.stamp(lambda l: l.startswith("CUPS restart command:"), after)
        last, end = self.stamp(lambda l: l.startswith("CUPS reset returned with:"), first)
        return last, (end - start) / 1e9


def install_env():
    return " ".join(f"{k}={v}" for k, v in INSTALL_ENV.items())


def run_setup(sb, args=""):
    """setup's installing run (with args) under /usr/bin/time, its Log read
    through the pipe: (start ns, end ns, LogTail, Log text)."""
    patient_systemctl(sb)
    sb.sh(f"rm -f {LOG}")
    log = LogTail(sb)
    log.start()
    try:
        start, end = nanoseconds(sb, f"{install_env()} /usr/bin/time -v -o /root/time "
                                     f"/opt/oxa/bin/setup {args}")
    finally:
        log.stop()
    text = "\n".join(line for _, line in log.lines)
    if not log.lines or not log.lines[-1][1].startswith("Finishing"):
        raise RuntimeError(f"setup did not finish:\n{text[-3000:]}")
    return start, end, log, text


def time_figures(sb):
    """setup's peak resident KiB and its processor seconds (user and
    system, with the processes it waited for) from /usr/bin/time -v."""
    out = sb.read("/root/time")

    def field(name):
        return float(re.search(rf"{re.escape(name)}: ([\d.]+)", out).group(1))
    return {"peak": int(field("Maximum resident set size (kbytes)")),
            "cpu": field("User time (seconds)") + field("System time (seconds)")}


def check_updated(text, pattern, n):
    updated = len(re.findall(pattern, text, re.M))
    if updated != n:
        raise RuntimeError(f"setup updated {updated} of {n} queues:\n{text[-3000:]}")


def way_setup(sb, entries, context):
    unpack_tree(sb, context["package_tree"])
    prepare_install(sb)
    start, end, log, text = run_setup(sb)
    check_updated(text, rf"^Copying \S+ to {CUPS_PPD_DIR}/\S+\.ppd: result=0$", len(entries))
    listing, _ = log.stamp(lambda l: l.startswith("List of Norvik Printers installed:"))
    scan_start = log.lines[listing - 1][0]
    first, update_start = log.stamp(lambda l: l == RULE)
    _, update_end = log.stamp(lambda l: l.startswith("CUPS restart command:"), first)
    after, restart = log.restart(first)
    _, again = log.restart(after + 1)
    run = (end - start) / 1e9
    return {"whole": run, "run": run, "own": run - restart - again,
            "scan": (update_start - scan_start) / 1e9,
            "update": (update_end - update_start) / 1e9, "restart": restart,
            "restarts": restart + again, **time_figures(sb)}


def live_run(sb, entries, args):
    """setup with args handing every queue's PPD to the running scheduler,
    which must take each without a restart."""
    start, end, log, text = run_setup(sb, args)
    check_updated(text, r"^The scheduler took the PPD of printer \S+: successful-ok\.$",
                  len(entries))
    if "CUPS restart command:" in text:
        raise RuntimeError(f"setup {args} restarted CUPS")
    first, update_start = log.stamp(lambda l: l == RULE)
    last = max(i for i, (_, line) in enumerate(log.lines)
               if line.startswith("The scheduler took the PPD"))
    return {"whole": (end - start) / 1e9, "update": (log.lines[last][0] - update_start) / 1e9,
            **time_figures(sb)}


def way_live(sb, entries, context):
    """setup -L: each queue's new PPD handed to the running scheduler."""
    unpack_tree(sb, context["package_tree"])
    prepare_install(sb)
    return live_run(sb, entries, "-L")


def way_undo(sb, entries, context):
    """setup -R -L: each queue's earlier PPD handed back to the running
    scheduler, with the defaults chosen since carried back."""
    return live_run(sb, entries, "-R -L")


def more_peaks(sb, entries):
    """setup's peak resident memory in further runs on the same queues, each
    given its old PPD again first: which pages of the shared libraries are
    resident varies from run to run by a few hundred KiB."""
    sb.sh(f"rm -f {LOG}")
    peaks = []
    for _ in range(PEAK_RUNS - 1):
        place_queues(sb, fleet(len(entries)))
        out = sb.sh(f"{install_env()} /usr/bin/time -f %M /opt/oxa/bin/setup 2>&1 >/dev/null",
                    timeout=7200)
        if f"List of Norvik Printers installed: {len(entries)}." not in sb.read(LOG):
            raise RuntimeError("a memory run did not find every queue")
        peaks.append(int(out.split()[-1]))
    return peaks


def way_lpadmin(sb, entries, context):
    place_new_ppds(sb, entries)
    start, end = nanoseconds(
        sb, f'while read q p; do lpadmin -p "$q" -P "{NEW_PPD_DIR}/$p" || exit 1; '
            f"done < {QUEUE_LIST}")
    return {"whole": (end - start) / 1e9}


# The floor's one copying process.
COPY_ALL = ("import shutil, sys\n"
            "for line in open(sys.argv[1]):\n"
            "    q, p = line.split()\n"
            "    shutil.copyfile(f'{sys.argv[2]}/{p}', f'{sys.argv[3]}/{q}.ppd')\n")


def way_floor(sb, entries, context):
    place_new_ppds(sb, entries)
    sb.write("/root/copy_all.py", COPY_ALL)
    start, copied, end = nanoseconds(
        sb, f"python3 /root/copy_all.py {QUEUE_LIST} {NEW_PPD_DIR} {CUPS_PPD_DIR} && "
            "stamps=$(date +%s%N) && systemctl restart cups.service")
    return {"whole": (end - start) / 1e9, "copy": (copied - start) / 1e9}


# Each way: its name, how it gives a freshly built server's queues their
# new PPD (returning at least its whole seconds, "whole") and what is done
# before it, unmeasured.  Another way is one more entry here; the tables
# take it up.  undo gives the queues their earlier PPD back after a live
# update, which leaves each queue its backup.
WAYS = [("setup", way_setup, None), ("live", way_live, None), ("lpadmin", way_lpadmin, None),
        ("floor", way_floor, None), ("undo", way_undo, way_live)]


def scheduler_cpu(sb):
    """(pid, processor seconds so far) of the sandbox's cupsd."""
    pid = sb.sh("pgrep -x cupsd").split()[0]
    fields = sb.read(f"/proc/{pid}/stat").rsplit(")", 1)[1].split()
    return pid, (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def measure_way(stage, n, way, context, peaks, prepare=None):
    sb = Sandbox(stage)
    try:
        entries = build_server(sb, n)
        chosen = choose_defaults(sb, entries)
        if prepare:
            prepare(sb, entries, context)
        poller = Poller(sb)
        poller.start()
        before = scheduler_cpu(sb)
        try:
            figures = way(sb, entries, context)
        finally:
            poller.stop()
        after = scheduler_cpu(sb)
        if after[0] == before[0]:  # not restarted: its work for the way
            figures["scheduler"] = after[1] - before[1]
        figures["silence"] = poller.longest_silence()
        figures["kept"] = kept_defaults(sb, chosen)
        if peaks:
            figures["peaks"] = sorted([figures["peak"]] + more_peaks(sb, entries))
        return figures
    finally:
        sb.close()


def measure_size(stage, n, runs, context, results, save):
    """Fills results ({way: [figures of each run]}) for N queues, saving
    after each way: at N = 5000 a round of the ways takes hours."""
    for run in range(runs):
        for name, way, prepare in WAYS:
            print(f"N = {n}, run {run + 1} of {runs}: {name}", flush=True)
            peaks = name == "setup" and run == 0 and n <= PEAK_MAX_N
            results.setdefault(name, []).append(
                measure_way(stage, n, way, context, peaks, prepare))
            save()


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


def print_packages():
    """The host's CUPS scheduler and cups-filters, whose format conversions
    the sandbox's scheduler reads as a real print server's does."""
    found = []
    for package in ("cups-daemon", "cups-filters"):
        out = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Abbrev}${Version}", package],
                             capture_output=True, text=True).stdout
        found.append(f"{package} {out[3:]}" if out.startswith("ii") else f"no {package}")
    return ", ".join(found)


def median(values):
    return sorted(values)[len(values) // 2]


def ms(seconds):
    return f"{seconds * 1000:.2f}"


def verdict(met):
    return "met" if met else "MISSED"


def runs_text(size):
    return f"median of {size['runs']}" if size["runs"] > 1 else "**single run**"


def spread(values, digits):
    """The median, with the range when there is more than one value."""
    text = f"{median(values):.{digits}f}"
    return text + (f" ({min(values):.{digits}f}-{max(values):.{digits}f})"
                   if len(values) > 1 else "")


def kept_text(runs, option):
    counts = [run["kept"][option] for run in runs]
    if not counts[0][1]:
        return "-"
    kept = sorted({k for k, _ in counts})
    return f"{'/'.join(map(str, kept))} of {counts[0][1]}"


def whole_table(sizes):
    lines = ["| N | runs | way | whole run s, median (range) | / floor "
             "| longest silence s, median (max) | " + " | ".join(f"{o} kept" for o in CHOICES) + " |",
             "|---:|---|---|---:|---:|---:|" + "---:|" * len(CHOICES)]
    for n, size in sizes:
        floor = median([run["whole"] for run in size["ways"]["floor"]])
        for name, runs in size["ways"].items():
            whole = [run["whole"] for run in runs]
            silence = [run["silence"] for run in runs]
            lines.append(f"| {n} | {runs_text(size)} | {name} | {spread(whole, 2)} "
                         f"| {median(whole) / floor:.2f} "
                         f"| {median(silence):.1f} ({max(silence):.1f}) | "
                         + " | ".join(kept_text(runs, o) for o in CHOICES) + " |")
    return "\n".join(lines)


def shares(size):
    """The medians of setup's shares and of the loops' per-queue figures."""
    setup = size["ways"]["setup"]
    figures = {key: median([run[key] for run in setup])
               for key in ("run", "own", "scan", "update", "restarts")}
    figures["lpadmin"] = median([run["whole"] for run in size["ways"]["lpadmin"]])
    figures["copy"] = median([run["copy"] for run in size["ways"]["floor"]])
    figures["peaks"] = next((run["peaks"] for run in setup if "peaks" in run),
                            [run["peak"] for run in setup[:1]])
    return figures


def shares_table(sizes):
    lines = ["| N | runs | setup run s | own work s | scan share s | update share s "
             "| restarts s | update ms/queue | lpadmin ms/queue | copy ms/queue "
             "| lpadmin / update | update / copy | setup peak KiB, median (range) |",
             "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for n, size in sizes:
        f = shares(size)
        peaks = sorted(f["peaks"])
        lines.append(f"| {n} | {runs_text(size)} | {f['run']:.2f} | {f['own']:.2f} "
                     f"| {f['scan']:.3f} | {f['update']:.3f} | {f['restarts']:.2f} "
                     f"| {ms(f['update'] / n)} | {ms(f['lpadmin'] / n)} | {ms(f['copy'] / n)} "
                     f"| {f['lpadmin'] / f['update']:.1f} | {f['update'] / f['copy']:.1f} "
                     f"| {median(peaks)} ({peaks[0]}-{peaks[-1]}) |")
    return "\n".join(lines)


def live_table(sizes):
    """Where the live run's time goes, and the scheduler's work per queue
    taking a PPD, against the lpadmin loop's."""
    lines = ["| N | runs | live run s | update share s | setup processor s "
             "| scheduler processor s | scheduler ms/queue | lpadmin: scheduler ms/queue "
             "| lpadmin ms/queue |", "|---:|---|---:|---:|---:|---:|---:|---:|---:|"]
    for n, size in sizes:
        ways = size["ways"]
        if "live" not in ways or "lpadmin" not in ways:
            continue
        live = {key: median([run[key] for run in ways["live"]])
                for key in ("whole", "update", "cpu", "scheduler")}
        loop = {key: median([run[key] for run in ways["lpadmin"]]) for key in ("whole", "scheduler")}
        lines.append(f"| {n} | {runs_text(size)} | {live['whole']:.2f} | {live['update']:.2f} "
                     f"| {live['cpu']:.2f} | {live['scheduler']:.2f} "
                     f"| {ms(live['scheduler'] / n)} | {ms(loop['scheduler'] / n)} "
                     f"| {ms(loop['whole'] / n)} |")
    return "\n".join(lines)


def scan_table(scan):
    return "\n".join([
        f"| scan over {SCAN_FILES} PPD files | s | / head |", "|---|---:|---:|",
        f"| head -n 30 | {scan['head']:.3f} | 1.00 |",
        f"| scan, reading part | {scan['read']:.3f} | {scan['read'] / scan['head']:.2f} |",
        f"| scan with both listings | {scan['scan']:.3f} | {scan['scan'] / scan['head']:.2f} |"])


def targets(sizes, scan):
    lines = []
    big = dict(sizes).get(1000)
    if big:
        f = shares(big)
        speedup = f["lpadmin"] / f["update"]
        lines.append(f"- update at least {UPDATE_SPEEDUP:g} times faster per queue than the "
                     f"lpadmin loop at N = 1000: {speedup:.1f} times, "
                     f"{verdict(speedup >= UPDATE_SPEEDUP)}")
        lines.append(f"- setup's own work (its run less the two CUPS restarts) at most "
                     f"{OWN_WORK_S:g} s at N = 1000: {f['own']:.2f} s, "
                     f"{verdict(f['own'] <= OWN_WORK_S)}")
        peaks = sorted(f["peaks"])
        peak = median(peaks)
        lines.append(f"- setup's peak memory under {PEAK_KIB // 1024} MiB at N = 1000: "
                     f"{peak / 1024:.2f} MiB (median of {len(peaks)} runs, "
                     f"{peaks[0] / 1024:.2f} to {peaks[-1] / 1024:.2f}), "
                     f"{verdict(peak < PEAK_KIB)}")
    ratio = scan["read"] / scan["head"]
    lines.append(f"- scan within {SCAN_SLOWDOWN:g} times head: {ratio:.2f} times "
                 f"(with both listings {scan['scan'] / scan['head']:.2f}), "
                 f"{verdict(ratio <= SCAN_SLOWDOWN)}")
    return "\n".join(lines)


def stored():
    return json.loads(RESULTS_JSON.read_text()) if RESULTS_JSON.exists() else {"sizes": {}}


def results_md(results):
    sizes = sorted((int(n), size) for n, size in results["sizes"].items())
    when = "; ".join(f"N = {n}: {size['date']}, load average {size['load']:.2f} at its start, "
                     f"{size.get('packages', 'no cups-filters')}" for n, size in sizes)
    return ("# Benchmark results\n\n"
            f"Latest runs of `bench/run` on: {results['machine']}.  {when}; scan: "
            f"{results['scan_date']}.\n\n"
            "Each print server's scheduler is the host's CUPS with the format conversions "
            "installed beside it; with cups-filters, as on a real print server, it spends "
            "several times as long on each PPD it reads.\n\n"
            "Giving every queue the product's new PPD, the whole run of each way:\n\n"
            f"{whole_table(sizes)}\n\nsetup's shares of its run:\n\n{shares_table(sizes)}\n\n"
            f"The live run (setup -L) and the scheduler:\n\n{live_table(sizes)}\n\n"
            f"{scan_table(results['scan'])}\n\nTargets:\n\n"
            f"{targets(sizes, results['scan'])}\n\n{LEGEND}")


def arguments(argv):
    build = pathlib.Path(argv[0]).resolve()
    runs, sizes, rest = RUNS, [], argv[1:]
    while rest:
        word = rest.pop(0)
        if word == "--runs":
            runs = int(rest.pop(0))
        else:
            sizes.append(int(word))
    return build, runs, sizes or [100, 1000]


def main():
    build, runs, sizes = arguments(sys.argv[1:])
    os.environ.setdefault("LUMO_BUILD_DIR", str(build))
    results = stored()
    results["machine"] = machine()
    with tempfile.TemporaryDirectory(prefix="lumo-bench-") as work:
        stage = pathlib.Path(work) / "stage"
        context = {"package_tree": extract_package(pathlib.Path(work) / "package")}
        def save():
            RESULTS_JSON.write_text(json.dumps(results, indent=1) + "\n")
        for n in sizes:
            size = {"date": time.strftime("%Y-%m-%d %H:%M %Z"), "load": os.getloadavg()[0],
                    "packages": print_packages(), "runs": runs, "ways": {}}
            results["sizes"][str(n)] = size
            measure_size(stage, n, runs, context, size["ways"], save)
        print(f"scan over {SCAN_FILES} files", flush=True)
        results["scan"] = measure_scan(stage, build, context["package_tree"])
        results["scan_date"] = time.strftime("%Y-%m-%d %H:%M %Z")
    save()
    text = results_md(results)
    (TOP / "bench" / "RESULTS.md").write_text(text)
    print("\n" + text)


LEGEND = """What the figures mean (wall-clock seconds; see bench/bench.py):

- runs: each way ran that many times on N queues, each time on a freshly
  built print server, the ways in turn; the figures are the medians (the
  range in brackets).  A **single run** has no median: one measurement.
- whole run: from the way's start until the scheduler answers again with
  every queue on its new PPD: for setup its whole installing run (product
  files, scan, update, two CUPS restarts); for lpadmin the loop of
  `lpadmin -p Q -P NEW.ppd` (cupsd reads each PPD as it is given, no
  restart); for live setup's run with -L (the scheduler takes each PPD
  over IPP, no restart); for the floor one process copying every NEW.ppd over
  /etc/cups/ppd/Q.ppd and one CUPS restart; for undo setup's run with -R -L
  after a live update (each queue's earlier PPD handed back to the
  scheduler, no restart).  / floor: the median whole run
  over the floor's.
- longest silence: `lpstat -r` asks the scheduler once a second during the
  way (an answer later than 5 s counts as none); the longest stretch from
  a question left unanswered to the next answer, so up to a second short
  of the real silence; 0 when every question was answered.
- kept: before each way `lpadmin -o` chose PageSize, InputSlot and Duplex
  (where offered; none the product PPD's own default) on up to 500 queues
  spread over the list; the queues whose PPD file afterwards still has the
  chosen default, of those given one.  CUPS's copies Q.ppd.O that lpadmin
  -o leaves are removed before the way.
- setup run: setup's whole run, as above.  own work: the run less its two
  CUPS restarts (each from "CUPS restart command:" to "CUPS reset returned
  with:" in the time-stamped Log file): everything setup does itself.
- scan share: the installed-printer scan with both of its listings, from
  the Log line before the first listing to the first printer's rule.
- update share: the printer update proper, from the first printer's rule
  of "=" to "CUPS restart command:"; update ms/queue is it divided by N.
- restarts: setup's two CUPS restarts (a systemctl stand-in restarting the
  sandbox's cupsd and waiting until it answers; cupsd reads every queue
  again).
- lpadmin ms/queue: the lpadmin loop's whole run divided by N; copy
  ms/queue: the floor's copying process divided by N.
- setup peak: "Maximum resident set size" of /usr/bin/time -v, the largest
  of setup and of the processes it waited for; up to N = 1000 in five runs
  on the first server (given their old PPD files again before each), the
  median and the range; above, the first run's alone.  About 7 MiB of it is
  the C library and libcups with the libraries libcups loads (TLS,
  Kerberos, Avahi, D-Bus), mapped before main runs; which of their pages
  are resident varies from run to run by a few hundred KiB.
- the live run: its whole run; update share from the first printer's rule
  to the scheduler's last answer; setup processor s: user and system time
  of setup and the commands it waited for (/usr/bin/time -v); scheduler
  processor s: cupsd's user and system time over the run (/proc/PID/stat);
  the rest of the run is waiting, for the network round trips and the
  disk.  scheduler ms/queue: that divided by N, beside cupsd's time per
  queue in the lpadmin loop (which spends the rest of its time starting
  an lpadmin per queue).
- scan: the fastest of 15 rounds each; the reading part is the directory
  walk and the first lines of each file, as head does; the listings add
  about ten flushed Log lines and a product PPD look-up per queue.
"""


if __name__ == "__main__":
    main()

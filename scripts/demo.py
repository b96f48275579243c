"""The demo: a small print server in a throwaway sandbox, moved to the
product's newer PPD files by the package's own /opt/oxa/bin/setup, then the
product removed again.  Nothing on this machine changes (see
tests/system/sandbox.py)."""

import pathlib
import re
import sys
import tempfile
import time

TOP = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TOP / "tests" / "system"))

from cups import start_cupsd, stub_systemctl  # noqa: E402
from helpers import LOG, place_foomatic_rip  # noqa: E402
from queues import create_queue, lumo_version, old_ppd, queue_defaults  # noqa: E402
from sandbox import Sandbox  # noqa: E402

SHOWN = ["PageSize", "Duplex", "InputSlot", "Resolution", "ColorModel"]

# The print server: queues on the maker's older PPD files with the defaults
# their administrator chose, another maker's queue and a queue of another
# product generation.
QUEUES = [
    ("Office", lambda: old_ppd("nlp12dps.ppd", defaults={
        "PageSize": "Letter", "Duplex": "DuplexNoTumble", "InputSlot": "Tray2",
        "Resolution": "1200dpi"})),
    ("Reception", lambda: old_ppd("nof24dpc.ppd", defaults={
        "PageSize": "A5", "Duplex": "DuplexTumble", "InputSlot": "Manual",
        "Resolution": "300dpi"})),
    ("Studio", lambda: old_ppd("ncp55px.ppd.gz", defaults={
        "PageSize": "Legal", "ColorModel": "Gray", "InputSlot": "Tray1"})),
    ("Warehouse", lambda: old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"})
        .replace("*% Lumo version: 1\n", "").replace("Norvik LP 1200 Duplex", "Kestrel Laser 5")
        .replace('"Norvik"', '"Kestrel"')),
    ("Lab", lambda: old_ppd("nlp12dpc.ppd", version=2, defaults={"Resolution": "300dpi"})),
]

KEY_LINES = re.compile(r"^(Starting|System Scheduler|CUPS Header Version|PPD installation dir|"
                       r"New installation|goInstall|List of Norvik|Printer = |"
                       r"Option .* not offered|New PPD for|Copying /tmp|CUPS reset|Finishing)")


def step(title):
    print(f"\n=== {title}")


def snapshot(box, queue):
    """The queue's PPD (maker and product generation) and its defaults."""
    ppd = box.read(f"/etc/cups/ppd/{queue}.ppd")
    maker = re.search(r'^\*Manufacturer: "(.*)"', ppd, re.M).group(1)
    version = lumo_version(ppd)
    generation = f"{maker} v{version}" if version else maker
    defaults = queue_defaults(box, queue)
    return generation, {k: defaults[k] for k in SHOWN if k in defaults}


def side_by_side(before, after):
    print(f"{'queue':<10} {'':<7} {'PPD':<12} defaults as lpoptions -l shows them")
    for queue, _ in QUEUES:
        for label, (generation, defaults) in (("before", before[queue]), ("after", after[queue])):
            text = " ".join(f"{k}={v}" for k, v in defaults.items())
            print(f"{queue if label == 'before' else '':<10} {label:<7} {generation:<12} {text}")


def demo(box, package):
    step("A print server: CUPS with five queues")
    place_foomatic_rip(box)  # this machine's stand-in
    box.sh("mkdir -p /usr/share/ppd")  # where driver packages keep PPD files
    stub_systemctl(box)
    start_cupsd(box)
    for queue, ppd in QUEUES:
        create_queue(box, queue, ppd())
    print(box.sh("lpstat -v"), end="")
    before = {queue: snapshot(box, queue) for queue, _ in QUEUES}

    step(f"The administrator unpacks {package.name} at / and runs /opt/oxa/bin/setup")
    box.sh(f"tar -xzf {box.copy_in(package, '/root/' + package.name)} -C /")
    started = time.monotonic()
    result = box.run("/opt/oxa/bin/setup")
    print(f"exit status {result.returncode} after {time.monotonic() - started:.1f} s; "
          f"key lines of {LOG}:")
    for line in box.read(LOG).splitlines():
        if KEY_LINES.match(line):
            print(f"  {line}")
    after = {queue: snapshot(box, queue) for queue, _ in QUEUES}

    step("Each queue before and after")
    side_by_side(before, after)
    print("(The product's new PPD files themselves default to PageSize=A4 Duplex=None "
          "InputSlot=Auto Resolution=600dpi.)")
    print("Backups of the old PPD files:", box.sh("ls /etc/cups/*.rpmsave").split())

    step("Removing the product: /opt/oxa/bin/setup -d, answering yes")
    result = box.run("/opt/oxa/bin/setup -d", input="yes\n")
    print(result.stdout.strip())
    print(result.stderr.strip())
    for line in box.read(LOG).splitlines():
        if line.startswith(("Number of Lumo printers", "Deleting")):
            print(f"  {line}")
    print("Left in /opt/oxa:", box.sh("ls -A /opt/oxa").split())
    print("Queues left (the product's information file listed none of them):",
          box.sh("lpstat -p | awk '/^printer/ {print $2}'").split())


def main(build):
    package = pathlib.Path(build).resolve() / "lumo-4.0-0.tar.gz"
    if not package.exists():
        raise RuntimeError(f"no package at {package}")
    with tempfile.TemporaryDirectory(prefix="lumo-demo-") as stage:
        box = Sandbox(pathlib.Path(stage) / "stage")
        try:
            demo(box, package)
        finally:
            box.close()
    print("\nDemo finished; the sandbox is gone and this machine is unchanged.")


if __name__ == "__main__":
    try:
        main(sys.argv[1] if len(sys.argv) > 1 else TOP / "build")
    except Exception as error:  # say which step failed, plainly
        print(f"\nDemo FAILED: {error}", file=sys.stderr)
        sys.exit(1)

"""The fleet demo: four print servers in a lab network on this machine
(tests/fleet/lab.py), previewed and then rolled out with the playbooks of
deploy/ansible in batches, over real ssh.  One server has no foomatic-rip
and fails; the table shows every server's queues.  Nothing on this machine
changes and no traffic leaves the lab."""

import json
import pathlib
import sys
import tempfile
import time

TOP = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TOP / "tests" / "fleet"))

from lab import Lab, missing_tools  # noqa: E402
from queues import old_ppd, place_queues, start_print_server  # noqa: E402

ANSIBLE = TOP / "deploy" / "ansible"
SERVERS = ["ps-north", "ps-south", "ps-east", "ps-west"]


def step(title):
    print(f"\n=== {title}")


def print_servers(lab):
    for host in lab.start(SERVERS):
        host.sh("mkdir -p /usr/share/ppd")
        place_queues(host, {
            "Office": old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter",
                                                        "InputSlot": "Tray3"},
                              extra_choices={"InputSlot": "Tray3"}),
            "Annex": old_ppd("nof24dpc.ppd", defaults={"PageSize": "A5"})})
        start_print_server(host)
    lab["ps-east"].sh("rm /usr/lib/cups/filter/foomatic-rip")


def play(lab, inventory, reports, run_id, *options, **variables):
    extra = {"lumo_package": str(TOP / "build" / "lumo-4.0-0.tar.gz"),
             "lumo_reports": str(reports), "lumo_run_id": run_id, **variables}
    started = time.monotonic()
    result = lab.ansible(["ansible-playbook", "-i", str(inventory), "playbooks/rollout.yml",
                          "-e", json.dumps(extra), *options],
                         cwd=ANSIBLE)
    seconds = time.monotonic() - started
    recap = result.stdout[result.stdout.find("PLAY RECAP"):].strip()
    print(f"ansible-playbook {' '.join(options)}: exit status {result.returncode} "
          f"after {seconds:.1f} s\n{recap}\n")
    print((reports / run_id / "fleet.txt").read_text(), end="")


def main():
    reason = missing_tools()
    if reason:
        raise RuntimeError(reason)
    with tempfile.TemporaryDirectory(prefix="lumo-fleet-") as scratch, \
            Lab(pathlib.Path(scratch) / "lab", collections=[ANSIBLE]) as lab:
        step(f"Four print servers on a lab network: {', '.join(SERVERS)}")
        print_servers(lab)
        inventory = lab.inventory(pathlib.Path(scratch) / "hosts.ini",
                                  groups={"print_servers": SERVERS})
        reports = pathlib.Path(scratch) / "reports"

        step("Preview everywhere: rollout.yml --check (nothing changes)")
        play(lab, inventory, reports, "preview", "--check", lumo_batch=["100%"],
             lumo_max_fail_percentage=100)

        step("Roll out in batches of 1 then 50%, up to half of a batch may fail")
        play(lab, inventory, reports, "rollout", lumo_batch=[1, "50%"],
             lumo_max_fail_percentage=50)
    print("\nFleet demo finished; the lab is gone and this machine is unchanged.")


if __name__ == "__main__":
    try:
        main()
    except Exception as error:  # say which step failed, plainly
        print(f"\nFleet demo FAILED: {error}", file=sys.stderr)
        sys.exit(1)

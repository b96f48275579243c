"""The playbooks on a lab fleet of six print servers, each different:

  alpha, echo, foxtrot  plain: two queues on the maker's older PPDs with
                        defaults their administrator chose, one of them a
                        tray the new PPD does not offer
  bravo                 the same, but no foomatic-rip: setup stops there
  charlie               the same and a queue whose model has no product PPD
  delta                 its sshd down: unreachable

The tests run in order on the one fleet, as an administrator would: a
preview, a rollout that a failure halts, one that runs to the end, a rerun
that has nothing to do, an undo and a removal."""

import json
import re

import pytest

from conftest import ANSIBLE
from cups import scheduler_pid, systemctl_calls
from helpers import changes, tree_state
from product import package_path
from queues import lumo_version, old_ppd, place_queues, queue_defaults, queue_ppd, \
    start_print_server

HOSTS = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot"]
SERVING = ["alpha", "charlie", "echo", "foxtrot"]
ORPHAN_MODEL = "Norvik LP 1200 Duplex PS", "Norvik LP 1400 PS"
# The queues of every print server, and the defaults that must survive.
OFFICE = old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter", "InputSlot": "Tray3"},
                 extra_choices={"InputSlot": "Tray3"})
LAB = old_ppd("nlp12ps.ppd", defaults={"PageSize": "A4"})
WATCHED = ["/opt", "/etc/cups", "/var/log", "/usr/share/ppd", "/usr/lib/cups/filter"]
# What the print server and the lab write themselves.
UNWATCHED = ("/var/log/cups", "/var/log/sshd.log")


class Fleet:
    def __init__(self, lab, directory):
        self.lab = lab
        self.reports = directory / "reports"
        self.inventory = lab.inventory(directory / "hosts.ini",
                                       groups={"print_servers": HOSTS})

    def play(self, playbook, *options, **variables):
        """Runs a playbook of deploy/ansible with the package and the
        variables given; returns the CompletedProcess."""
        extra = {"lumo_package": str(package_path()), "lumo_reports": str(self.reports),
                 **variables}
        return self.lab.ansible(["ansible-playbook", "-i", str(self.inventory),
                                 f"playbooks/{playbook}", "-e", json.dumps(extra), *options],
                                cwd=ANSIBLE)

    def table(self, run_id):
        rows = json.loads((self.reports / run_id / "fleet.json").read_text())
        return {row["host"]: row for row in rows}

    def servers(self):
        return [self.lab[name] for name in HOSTS if name != "delta"]


def recap(output):
    """{host: {"ok": n, "changed": n, ...}} from the PLAY RECAP."""
    counts = {}
    for host, fields in re.findall(r"^(\w+)\s+:\s+(ok=.*)$", output, flags=re.M):
        counts[host] = {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", fields)}
    return counts


def versions(host, queues=("Office", "Lab")):
    return {q: lumo_version(host.read(queue_ppd(q))) for q in queues}


@pytest.fixture(scope="module")
def fleet(module_lab, tmp_path_factory):
    hosts = module_lab.start(HOSTS)
    for host in hosts:
        if host.name == "delta":
            host.stop_sshd()
            continue
        host.sh("mkdir -p /usr/share/ppd && echo 'DirtyCleanInterval 0' >> /etc/cups/cupsd.conf")
        queues = {"Office": OFFICE, "Lab": LAB}
        if host.name == "charlie":
            queues["Orphan"] = old_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL)
        place_queues(host, queues)
        start_print_server(host)
        if host.name == "bravo":
            host.sh("rm /usr/lib/cups/filter/foomatic-rip")
    return Fleet(module_lab, tmp_path_factory.mktemp("fleet"))


def test_check_mode_previews_every_server_and_changes_nothing(fleet):
    before = {h.name: (tree_state(h, WATCHED, skip=UNWATCHED), scheduler_pid(h))
              for h in fleet.servers()}
    run = fleet.play("rollout.yml", "--check", "--diff", lumo_run_id="check",
                     lumo_batch=["100%"], lumo_max_fail_percentage=100, lumo_accept=["stopped"])
    # bravo would stop, which is accepted here; delta does not answer.
    counts = recap(run.stdout)
    assert (counts["bravo"]["failed"], counts["delta"]["failed"]) == (0, 1), run.stdout[-3000:]
    for host in fleet.servers():
        after = (tree_state(host, WATCHED, skip=UNWATCHED), scheduler_pid(host))
        assert changes(before[host.name][0], after[0]) == [], host.name
        assert after == before[host.name], host.name
        assert systemctl_calls(host) == []
        # The staged package and its copy are gone.
        assert not host.run("find /root/.ansible -name '*lumo*'").stdout
    table = fleet.table("check")
    assert {h: r["outcome"] for h, r in table.items()} == {
        "alpha": "preview", "bravo": "stopped", "charlie": "preview", "delta": "unreachable",
        "echo": "preview", "foxtrot": "preview"}
    assert sorted(table["alpha"]["updated"]) == ["Lab", "Office"]
    assert table["alpha"]["not_carried"] == [{"queue": "Office", "keyword": "InputSlot",
                                              "choice": "Tray3"}]
    assert table["charlie"]["kept"] == [{"queue": "Orphan", "reason": "no-product-ppd"}]
    assert "+++ after: queue Office" in run.stdout
    assert "-PageSize: Letter" not in run.stdout  # carried: the same line on both sides
    assert "# InputSlot: Tray3 not carried (not offered" in run.stdout


def test_batches_stop_at_the_first_failing_batch(fleet):
    # A canary: only each server's Office queue.
    run = fleet.play("rollout.yml", lumo_run_id="halted", lumo_batch=[2],
                     lumo_max_fail_percentage=0, lumo_queues=["Office"])
    assert run.returncode != 0
    table = fleet.table("halted")
    assert {h: r["outcome"] for h, r in table.items()} == {
        "alpha": "installed", "bravo": "stopped", "charlie": "not reached",
        "delta": "not reached", "echo": "not reached", "foxtrot": "not reached"}
    assert (table["bravo"]["exit_status"], table["bravo"]["reason"]) == (
        1, "no foomatic-rip program")
    assert versions(fleet.lab["alpha"]) == {"Office": 4, "Lab": 1}
    assert table["alpha"]["kept"] == [{"queue": "Lab", "reason": "not-selected"}]
    assert versions(fleet.lab["charlie"]) == {"Office": 1, "Lab": 1}
    assert systemctl_calls(fleet.lab["charlie"]) == []
    assert (fleet.reports / "halted" / "fleet.txt").read_text().count("not reached") == 4


def test_at_half_every_batch_runs_and_the_table_says_why(fleet):
    # The new PPDs go to the running CUPS, without a restart.
    run = fleet.play("rollout.yml", lumo_run_id="rollout", lumo_batch=[2],
                     lumo_max_fail_percentage=50, lumo_live=True)
    counts = recap(run.stdout)
    # The role fails the unreachable server itself, so that it counts.
    assert counts["bravo"]["failed"] == 1 and counts["delta"]["failed"] == 1
    assert all(counts[h]["failed"] == 0 for h in SERVING), run.stdout[-3000:]
    table = fleet.table("rollout")
    assert {h: r["outcome"] for h, r in table.items()} == {
        "alpha": "upgraded", "bravo": "stopped", "charlie": "installed",
        "delta": "unreachable", "echo": "installed", "foxtrot": "installed"}
    assert table["charlie"]["kept"] == [{"queue": "Orphan", "reason": "no-product-ppd"}]
    assert table["alpha"]["updated"] == ["Lab"]
    for name in SERVING:
        host = fleet.lab[name]
        assert versions(host) == {"Office": 4, "Lab": 4}, name
        office, lab = queue_defaults(host, "Office"), queue_defaults(host, "Lab")
        assert (office["PageSize"], lab["PageSize"]) == ("Letter", "A4"), name
    assert versions(fleet.lab["charlie"], ["Orphan"]) == {"Orphan": 1}
    assert versions(fleet.lab["bravo"]) == {"Office": 1, "Lab": 1}
    text = (fleet.reports / "rollout" / "fleet.txt").read_text()
    assert re.search(r"^charlie\s+installed\s+0\s+Lab Office\s+Orphan\(no-product-ppd\)"
                     r"\s+Office:InputSlot=Tray3\s", text, flags=re.M), text


def test_the_table_is_rebuilt_from_the_records_alone(fleet):
    run_dir = fleet.reports / "rollout"
    written = {form: (run_dir / f"fleet.{form}").read_text() for form in ("json", "csv", "txt")}
    for form in written:
        (run_dir / f"fleet.{form}").unlink()
    run = fleet.play("summary.yml", "--limit", "alpha", lumo_run_id="rollout")
    assert run.returncode == 0, run.stdout[-3000:]
    assert {form: (run_dir / f"fleet.{form}").read_text() for form in written} == written


def test_a_rerun_changes_nothing_and_restarts_nothing(fleet):
    restarts = {name: systemctl_calls(fleet.lab[name]) for name in SERVING}
    earlier = set(p.name for p in fleet.reports.iterdir())
    # Under --limit the run still names its own directory.
    run = fleet.play("rollout.yml", "--limit", "alpha,charlie,echo,foxtrot")
    assert run.returncode == 0, run.stdout[-3000:]
    assert {h: c["changed"] for h, c in recap(run.stdout).items()} == dict.fromkeys(SERVING, 0)
    assert {name: systemctl_calls(fleet.lab[name]) for name in SERVING} == restarts
    (run_id,) = set(p.name for p in fleet.reports.iterdir()) - earlier
    assert {h: r["outcome"] for h, r in fleet.table(run_id).items()} == dict.fromkeys(
        SERVING, "unchanged")

    info = fleet.lab.ansible(["ansible", "-i", str(fleet.inventory), "alpha,charlie", "-o",
                              "-m", "oxa.lumo.lumo_info"])
    found = {line.split()[0]: json.loads(line.split("=>", 1)[1])
             for line in info.stdout.splitlines() if "=>" in line}
    assert {h: (r["installed"], r["version"], r["last_report"]["outcome"])
            for h, r in found.items()} == {"alpha": (True, "4.0", "upgraded"),
                                            "charlie": (True, "4.0", "installed")}
    assert found["alpha"]["older_queues"] == []
    assert [(q["name"], q["reasonCode"]) for q in found["charlie"]["older_queues"]] == [
        ("Orphan", "no-product-ppd")]


def test_undo_gives_every_queue_its_old_ppd_back(fleet):
    run = fleet.play("undo.yml", lumo_run_id="undo", lumo_batch=["100%"],
                     lumo_max_fail_percentage=50)
    table = fleet.table("undo")
    assert {h: r["outcome"] for h, r in table.items()} == {
        "alpha": "undone", "bravo": "unchanged", "charlie": "undone", "delta": "unreachable",
        "echo": "undone", "foxtrot": "undone"}, run.stdout[-3000:]
    for name in SERVING:
        host = fleet.lab[name]
        assert versions(host) == {"Office": 1, "Lab": 1}, name
        office = queue_defaults(host, "Office")
        assert (office["PageSize"], office["InputSlot"]) == ("Letter", "Tray3"), name


def test_remove_takes_the_product_off_where_it_is(fleet):
    fleet.play("remove.yml", lumo_run_id="remove", lumo_batch=["100%"],
               lumo_max_fail_percentage=50)
    assert {h: r["outcome"] for h, r in fleet.table("remove").items()} == {
        "alpha": "removed", "bravo": "unchanged", "charlie": "removed", "delta": "unreachable",
        "echo": "removed", "foxtrot": "removed"}
    for name in SERVING:
        assert not fleet.lab[name].exists("/opt/oxa/bin/setup"), name

"""One plan per run: what the preview (-n) and its report promise is what the
run does, item by item, as its report, its Log file and CUPS itself show."""

import json
import os

import pytest

from helpers import INSTALL_ENV, LOG, SETUP, USER, as_user, changes, tree_state
from product import product_ppd, set_printers, unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, create_queue, lumo_version, old_ppd, queue_defaults,
                    queue_ppd, start_print_server)

MODEL_DIR = "/usr/share/cups/model"
PLAN, DONE = "/root/plan.json", "/root/done.json"
ORPHAN_MODEL = "Norvik LP 1200 Duplex PS", "Norvik LP 1400 PS"


@pytest.fixture
def server(sandbox):
    start_print_server(sandbox, write_at_once=True)
    sandbox.sh(f"mkdir -p {MODEL_DIR}")
    return sandbox


def mixed_queues(sb):
    """Offered and not-offered defaults with a JCL option among them, CUPS's
    older copy of a queue's PPD, a model the product has no PPD for and
    another maker's queue."""
    office = old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter", "InputSlot": "Tray3",
                                               "Economode": "On"},
                     extra_choices={"InputSlot": "Tray3"})
    create_queue(sb, "Office", office)
    sb.write(f"{CUPS_PPD_DIR}/Office.ppd.O", old_ppd("nlp12dps.ppd"))
    create_queue(sb, "Orphan", old_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL))
    create_queue(sb, "Foreign", old_ppd("nlp12dps.ppd").replace("Norvik LP 1200 Duplex", "Acme 9"))


def report(sb, path):
    return json.loads(sb.read(path))


def by_name(items, key="name"):
    return {item[key]: item for item in items}


# What the run makes of each planned action.
RESULTS = {"update": "updated", "keep": "kept", "copy": "copied", "in-place": "skipped",
           "delete": "deleted", "absent": "absent"}


def test_preview_report_log_and_cups_agree(server, unpack, run_setup):
    unpack()
    mixed_queues(server)
    preview = run_setup(f"-n -x -r {PLAN}", env=INSTALL_ENV)
    # A model without a product PPD is no fault: -x says all is well.
    assert preview.returncode == 0, preview.stderr
    run = run_setup(f"-x -r {DONE}", env=INSTALL_ENV)
    assert run.returncode == 0, run.stderr
    plan, done = report(server, PLAN), report(server, DONE)
    assert (plan["outcome"], plan["log"], done["outcome"], done["log"]) == (
        "preview", "", "installed", LOG)
    assert plan["productPpdDir"] == done["productPpdDir"] == f"{MODEL_DIR}/oxa"

    # The manifest's files: the same destinations and actions, each done.
    assert len(plan["files"]) == len(done["files"]) > 0
    for promised, did in zip(plan["files"], done["files"]):
        assert {k: v for k, v in promised.items() if k != "result"} == \
               {k: v for k, v in did.items() if k != "result"}
        assert (promised["result"], did["result"]) == ("planned", RESULTS[promised["action"]])

    # One entry per queue, the older copy a file of its queue.
    planned, ran = by_name(plan["queues"]), by_name(done["queues"])
    assert sorted(planned) == sorted(ran) == ["Office", "Orphan"]
    for name, queue in planned.items():
        did = ran[name]
        for key in ("action", "newPpd", "oldPpd", "defaults", "carried", "notCarried"):
            assert queue[key] == did[key], (name, key)
        assert [f["ppd"] for f in queue["files"]] == [f["ppd"] for f in did["files"]]
        assert did["result"] == RESULTS[queue["action"]]
    office, orphan = ran["Office"], ran["Orphan"]
    assert [f["ppd"] for f in office["files"]] == [queue_ppd("Office"), queue_ppd("Office") + ".O"]
    assert office["newPpd"] == f"{MODEL_DIR}/oxa/nlp12dps.ppd"
    assert (orphan["reasonCode"], planned["Orphan"]["reasonCode"]) == ("no-product-ppd",) * 2

    # Each decision is what CUPS now shows, and what the Log says.
    defaults = queue_defaults(server, "Office")
    kinds = {d["keyword"]: d["kind"] for d in office["defaults"]}
    assert (kinds["Economode"], kinds["PageSize"], kinds["InputSlot"]) == (
        "carried", "carried", "not-offered")
    for decision in office["defaults"]:
        if decision["keyword"] in defaults:
            assert defaults[decision["keyword"]] == decision["new"], decision
    assert defaults["Economode"] == "On"  # a JCL option's default, kept
    assert "Option InputSlot/Tray3 is not offered by the new PPD: its own default stays." \
        in run.log_lines
    assert f"PPD = {office['newPpd']}." in run.log_lines
    assert run.log.count("Printer = Office with PPD=") == 2
    assert "Printer Orphan keeps its PPD /etc/cups/ppd/Orphan.ppd." in run.log_lines
    for path in (queue_ppd("Office"), queue_ppd("Office") + ".O"):
        assert lumo_version(server.read(path)) == 4
    assert lumo_version(server.read(queue_ppd("Orphan"))) == 1
    # The printed preview is the same plan.
    assert "Queues on the maker's older PPDs: 2\n" in preview.stdout
    assert f"    and its file {queue_ppd('Office')}.O:\n" in preview.stdout
    assert "    Economode: On carried\n" in preview.stdout


def test_a_product_ppd_that_is_not_the_packages_is_never_promised(server, unpack, run_setup):
    unpack()
    orphan = create_queue(server, "Orphan", old_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL))
    stray = f"{MODEL_DIR}/oxa/stray.ppd"
    server.write(stray, product_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL))
    preview = run_setup(f"-n -x -r {PLAN}", env=INSTALL_ENV)
    assert preview.returncode == 2  # a fault: the administrator can mend it
    assert (f"    keeps its PPD: Product PPD {stray} has no copy in the package to check it "
            "against: not used.\n") in preview.stdout
    run = run_setup(f"-x -r {DONE}", env=INSTALL_ENV)
    assert run.returncode == 2
    for path in (PLAN, DONE):
        queue = report(server, path)["queues"][0]
        assert (queue["action"], queue["newPpd"], queue["reasonCode"]) == (
            "keep", stray, "not-package-file")
    assert server.read(queue_ppd("Orphan")) == orphan


def test_removal_preview_is_the_removal(server, unpack, run_setup):
    unpack()
    assert run_setup("", env=INSTALL_ENV).returncode == 0
    for name in ("lab1", "lab2"):
        server.sh(f"lpadmin -p {name} -v file:///dev/null -E && mkdir -p /opt/oxa/{name}/root"
                  f" && touch /opt/oxa/{name}/root/lumoConfig /opt/oxa/{name}.sh")
    set_printers(server, ["Default", "lab1", "lab2"])
    preview = run_setup(f"-d -n -r {PLAN}", env=INSTALL_ENV)
    assert server.exists("/opt/oxa/lab1/root/lumoConfig")
    assert "  /opt/oxa/lab1/\n  /opt/oxa/lab1.sh\n" in preview.stdout
    run = run_setup(f"-d -r {DONE}", input="yes\n", env=INSTALL_ENV)
    plan, done = report(server, PLAN)["removal"], report(server, DONE)["removal"]

    assert [q["name"] for q in plan["queues"]] == [q["name"] for q in done["queues"]] == \
        ["lab1", "lab2"]
    for promised, did in zip(plan["queues"], done["queues"]):
        assert [p["path"] for p in promised["paths"]] == [p["path"] for p in did["paths"]]
        assert did["result"] == "removed" and all(p["result"] == "deleted" for p in did["paths"])
    assert [(p["path"], p["action"]) for p in plan["paths"]] == \
        [(p["path"], p["action"]) for p in done["paths"]]
    deleted = [p["path"] for p in done["paths"] if p["result"] == "deleted"]
    assert deleted == [p["path"] for p in plan["paths"] if p["action"] == "delete"]
    for path in deleted:
        assert f"{path}' - OK." in run.log or f"{path}/' - OK." in run.log
        assert not server.exists(path)
    assert not server.exists("/opt/oxa/lab1") and not server.exists("/opt/oxa/lab2.sh")


def test_a_staged_package_previews_and_installs_as_from_its_place(server, unpack, run_setup):
    stage = "/root/stage"
    program = unpack(stage)
    create_queue(server, "Office", old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"}))
    before = tree_state(server, ["/opt", "/etc/cups", "/var/log"])
    preview = run_setup(f"-n -r {PLAN}", program=program, env=INSTALL_ENV)
    assert preview.returncode == 0, preview.stderr
    assert changes(before, tree_state(server, ["/opt", "/etc/cups", "/var/log"])) == []
    plan = report(server, PLAN)
    assert all(f["action"] == "copy" for f in plan["files"]), plan["files"]
    assert by_name(plan["files"], "source")["bin/setup"]["destination"] == SETUP
    assert plan["queues"][0]["newPpd"] == f"{MODEL_DIR}/oxa/nlp12dps.ppd"

    # Run from its relative path, as an administrator in the stage would.
    run = run_setup(f"-r {DONE}", program="bin/setup", cwd=stage, env=INSTALL_ENV)
    done = report(server, DONE)
    assert [f["destination"] for f in done["files"]] == [f["destination"] for f in plan["files"]]
    assert all(f["result"] == "copied" for f in done["files"]), done["files"]
    assert done["queues"][0]["result"] == "updated", run.log
    assert done["queues"][0]["defaults"] == plan["queues"][0]["defaults"]
    assert server.exists(SETUP) and queue_defaults(server, "Office")["PageSize"] == "Letter"


def test_the_report_is_possible_and_always_written(server, unpack, run_setup):
    unpack()
    office = create_queue(server, "Office", old_ppd("nlp12dps.ppd"))
    # A report that cannot be written stops the run before anything changes.
    for path in ("/root/missing/r.json", "/root", "/tmp/r.json"):
        out = run_setup(f"-x -r {path}", env=INSTALL_ENV)
        assert out.returncode == 1 and f"The report {path} cannot be written" in out.stderr
        assert out.log is None and server.read(queue_ppd("Office")) == office

    # A queue named in Latin-1 is reported, escaped: the run ends as usual.
    server.path(os.fsdecode(f"{CUPS_PPD_DIR}/Caf".encode() + b"\xe9.ppd")).write_text(
        old_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL))
    out = run_setup(f"-x -r {DONE}", env=INSTALL_ENV)
    assert out.returncode == 0, out.stderr
    assert "Caf\\xE9" in by_name(report(server, DONE)["queues"])
    assert out.log_lines[-1].startswith("Finishing")

    # No temporary file to be had: the run still ends with its Log's
    # closing line and its report.
    server.sh("mount -o remount,ro /tmp || mount -t tmpfs -o ro none /tmp")
    out = run_setup(f"-x -r {DONE}", env={})
    assert out.returncode == 255
    done = report(server, DONE)
    assert (done["outcome"], done["reason"]) == ("stopped", "no temporary file can be created")
    assert out.log_lines[-1].startswith("Finishing")


def test_a_run_as_another_user_names_where_its_log_went(server, unpack, run_setup):
    unpack()
    server.sh(f"mkdir -m 755 /srv/user && chown {USER} /srv/user")
    out = run_setup("-r /srv/user/r.json", user=USER, env=INSTALL_ENV)
    done = report(server, "/srv/user/r.json")
    assert (done["outcome"], done["reason"], done["log"]) == (
        "stopped", "not root", "standard error")
    assert "You must be root" in out.stderr
    as_user(server, "test -r /srv/user/r.json")


def test_a_canary_run_touches_only_the_named_queues(server, unpack, run_setup):
    unpack()
    names = ["Alpha", "Beta", "Gamma"]
    for name in names:
        create_queue(server, name, old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"}))
    before = {name: server.read(queue_ppd(name)) for name in names}
    # A name the scheduler does not know stops the run before anything changes.
    state = tree_state(server, ["/opt", "/etc/cups", "/var/log"])
    out = run_setup("-x -p Alpha -p Nope", env=INSTALL_ENV)
    assert out.returncode == 1
    assert "No queue named Nope on this server: nothing is changed." in out.stderr
    assert [p for p in changes(state, tree_state(server, ["/opt", "/etc/cups", "/var/log"]))
            if not p.startswith("/var/log/")] == []

    preview = run_setup(f"-n -p Alpha -p Beta -r {PLAN}", env=INSTALL_ENV)
    assert "  Gamma: /etc/cups/ppd/Gamma.ppd (" in preview.stdout
    assert "    keeps its PPD: not selected\n" in preview.stdout
    out = run_setup(f"-x -p Alpha -p Beta -r {DONE}", env=INSTALL_ENV)
    assert out.returncode == 0, out.stderr
    planned, done = by_name(report(server, PLAN)["queues"]), by_name(report(server, DONE)["queues"])
    assert {n: q["action"] for n, q in planned.items()} == {"Alpha": "update", "Beta": "update",
                                                          "Gamma": "keep"}
    assert {n: (q["result"], q.get("reasonCode")) for n, q in done.items()} == {
        "Alpha": ("updated", None), "Beta": ("updated", None), "Gamma": ("kept", "not-selected")}
    assert server.read(queue_ppd("Gamma")) == before["Gamma"]
    assert not server.exists("/etc/cups/Gamma.ppd.rpmsave")
    assert {lumo_version(server.read(queue_ppd(n))) for n in ("Alpha", "Beta")} == {4}
    # Then the rest.
    assert run_setup("-x", env=INSTALL_ENV).returncode == 0
    assert lumo_version(server.read(queue_ppd("Gamma"))) == 4
    assert queue_defaults(server, "Gamma")["PageSize"] == "Letter"

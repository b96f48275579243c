"""Undoing the queue update (-R): each queue gets its earlier PPD back with
the defaults chosen since carried back, live or with a restart; an update
after it ends where a single update would have."""

import json

import pytest

from cups import scheduler_pid, systemctl_calls
from helpers import INSTALL_ENV
from product import unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, create_queue, lumo_version, old_ppd, queue_defaults, queue_ppd,
                    start_print_server)

PLAN, DONE = "/root/plan.json", "/root/done.json"
# A tray the new PPD no longer offers: the earlier PPD's own choice.
TRAY9 = {"InputSlot": "Tray9"}


@pytest.fixture
def server(sandbox, unpack):
    start_print_server(sandbox, write_at_once=True)
    unpack()
    return sandbox


def queues_of(sb, path):
    return {q["name"]: q for q in json.loads(sb.read(path))["queues"]}


@pytest.mark.parametrize("live", [False, True], ids=["restart", "live"])
def test_update_undo_update_ends_as_one_update(server, run_setup, live):
    sb = server
    earlier = old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter", **TRAY9},
                      extra_choices=TRAY9)
    office = create_queue(sb, "Office", earlier)
    sb.write("/opt/oxa/Office/root/lumoConfig", "ID=7\n%%LUMO_VERSION_1.0\n")
    mode = "-L " if live else ""
    assert run_setup(f"-x {mode}-p Office", env=INSTALL_ENV).returncode == 0
    assert queue_defaults(sb, "Office")["InputSlot"] == "Auto"  # Tray9 is no more
    # Chosen since the update: carried back where the earlier PPD offers it.
    sb.sh("lpadmin -p Office -o PageSize=Legal")
    create_queue(sb, "Twin", earlier)
    sb.sh("lpadmin -p Twin -o PageSize=Legal")
    twin = sb.read(queue_ppd("Twin"))
    pid = scheduler_pid(sb)
    calls = len(systemctl_calls(sb))

    preview = run_setup(f"-R -n -p Office -r {PLAN}", env=INSTALL_ENV)
    assert "Preview of an undoing run; nothing is changed.\n" in preview.stdout
    out = run_setup(f"-R -x {mode}-p Office -r {DONE}", env=INSTALL_ENV)
    assert out.returncode == 0, out.stderr
    planned, done = queues_of(sb, PLAN)["Office"], queues_of(sb, DONE)["Office"]
    for key in ("action", "newPpd", "defaults"):
        assert planned[key] == done[key], key
    assert (planned["result"], done["result"]) == ("planned", "undone")
    assert done["newPpd"] == "/etc/cups/Office.ppd.rpmsave"
    assert done["carried"] == {"PageSize": "Legal", "PageRegion": "Legal"}

    defaults = queue_defaults(sb, "Office")
    assert (defaults["PageSize"], defaults["InputSlot"]) == ("Legal", "Tray9")
    assert lumo_version(sb.read(queue_ppd("Office"))) == 1
    assert lumo_version(sb.read("/etc/cups/Office.ppd.lumo4")) == 4
    assert sb.read("/opt/oxa/Office/root/lumoConfig") == "ID=7\n%%LUMO_VERSION_1.0\n"
    if live:
        assert scheduler_pid(sb) == pid and len(systemctl_calls(sb)) == calls
    else:
        assert len(systemctl_calls(sb)) == calls + 2  # as after an update
    assert sb.read(queue_ppd("Twin")) == twin  # not named: left as it was

    # Forward again, with the twin updated for the first time.
    assert run_setup(f"-x {mode}", env=INSTALL_ENV).returncode == 0
    assert sb.read(queue_ppd("Office")) == sb.read(queue_ppd("Twin"))
    assert queue_defaults(sb, "Office") == queue_defaults(sb, "Twin")
    assert sb.read("/opt/oxa/Office/root/lumoConfig") == "ID=7\n%%LUMO_VERSION_3.0\n"
    assert office != sb.read(queue_ppd("Office"))


def test_a_queue_without_a_backup_is_left_as_it_is(server, run_setup):
    sb = server
    create_queue(sb, "Office", old_ppd("nlp12dps.ppd"))
    assert run_setup("-x", env=INSTALL_ENV).returncode == 0
    sb.remove("/etc/cups/Office.ppd.rpmsave")
    current = sb.read(queue_ppd("Office"))
    out = run_setup(f"-R -x -r {DONE}", env=INSTALL_ENV)
    assert out.returncode == 0  # nothing to undo is no fault
    office = queues_of(sb, DONE)["Office"]
    assert (office["result"], office["reasonCode"]) == ("kept", "no-backup")
    assert sb.read(queue_ppd("Office")) == current
    assert not sb.exists(f"{CUPS_PPD_DIR}/../Office.ppd.lumo4")

"""What the administrator sees beyond the specified console: a preview that
changes nothing (-n), the JSON report (-r), the exit status that tells the
outcome (-x), the summary on a terminal and the previous Log file kept."""

import json
import os
import pty
import re
import subprocess

import pytest

from cups import is_running, systemctl_calls
from helpers import INSTALL_ENV, LOG, SETUP, changes, tree_state
from product import unpack  # noqa: F401
from sandbox import wait_until
from queues import (create_queue, lumo_version, old_ppd, queue_defaults, queue_ppd,
                    start_print_server)

REPORT = "/root/report.json"
MODEL_DIR = "/usr/share/cups/model"
# A model of the maker's table for which the product has no PPD.
ORPHAN_MODEL = "Norvik LP 1200 Duplex PS", "Norvik LP 1400 PS"


@pytest.fixture
def server(sandbox, unpack):
    start_print_server(sandbox, write_at_once=True)
    unpack()
    sandbox.sh(f"mkdir -p {MODEL_DIR}")
    return sandbox


def server_queues(sb):
    """An updated queue with a default the new PPD lacks, a queue the product
    has no PPD for, and another maker's queue."""
    create_queue(sb, "Office", old_ppd("nlp12dps.ppd", defaults={
        "PageSize": "Letter", "InputSlot": "Tray3"}, extra_choices={"InputSlot": "Tray3"}))
    create_queue(sb, "Orphan", old_ppd("nlp12dps.ppd").replace(*ORPHAN_MODEL))
    create_queue(sb, "Foreign", old_ppd("nlp12dps.ppd").replace("Norvik LP 1200 Duplex", "Acme 9"))


def snapshot(sb):
    """Every entry of the sandbox's own that a run could write, with its time
    and content (only the size for /usr's, which are many)."""
    return {**tree_state(sb, ["/etc", "/opt", "/root", "/run", "/tmp", "/var/log", "/var/tmp",
                              "/var/spool/cups", "/var/cache/cups"], times=True),
            **tree_state(sb, ["/usr/bin", "/usr/sbin", "/usr/lib/cups", "/usr/share/cups",
                              "/usr/share/ppd", "/usr/local"], contents=False, times=True)}


def test_preview_tells_everything_and_changes_nothing(server, run_setup):
    server_queues(server)
    before = snapshot(server)
    out = run_setup("-n", env=INSTALL_ENV)
    assert out.returncode == 0, out.stderr
    assert changes(before, snapshot(server)) == []
    assert out.log is None and systemctl_calls(server) == []
    server.sh("test -c /dev/null")  # the Log goes nowhere, not even there
    text = out.stdout
    assert "Preview of an installing run; nothing is changed." in text
    assert f"Product PPD directory: {MODEL_DIR}/oxa\n" in text
    assert f"  ppd/nlp12dps.ppd -> {MODEL_DIR}/oxa, mode 0644\n" in text
    assert "  bin/setup -> /opt/oxa/bin, mode 0755, in place already: not copied\n" in text
    assert "  Office: /etc/cups/ppd/Office.ppd (" in text
    assert "    PageSize: Letter carried\n" in text
    assert "    InputSlot: Tray3 not offered (the new PPD's default Auto stays)\n" in text
    assert re.search(r"  Orphan: .*\n    keeps its PPD: no product PPD for its model\n", text)
    assert "Foreign" not in text
    assert text.endswith("The new PPDs would be copied, and CUPS would then be restarted.\n")
    out = run_setup("-n -L", env=INSTALL_ENV)
    assert changes(before, snapshot(server)) == []
    assert out.stdout.endswith("The new PPDs would go to the running scheduler; a queue it does "
                               "not take would get its PPD copied, and CUPS would then be "
                               "restarted.\n")

    # A removal's preview lists what would go, and removes nothing.  The
    # scheduler, which rewrites its files a while after a restart, is
    # stopped first: the preview needs none.
    assert run_setup("", env=INSTALL_ENV).returncode == 0
    server.sh("pkill -x cupsd")
    wait_until(lambda: not is_running(server))
    server.write("/opt/oxa/lumoInfo4.0", server.read("/opt/oxa/lumoInfo4.0").replace(
        "Default\n%%ORBBLOCK_PRINTERS_END", "Default\nOffice\n%%ORBBLOCK_PRINTERS_END"))
    before = snapshot(server)
    out = run_setup("-d -n", env=INSTALL_ENV)
    assert changes(before, snapshot(server)) == []
    assert "Queues to remove:\n  Office\n" in out.stdout
    assert "  /opt/oxa/lumoInfo4.0\n" in out.stdout and "  /opt/oxa/bin/\n" in out.stdout


def test_report_and_exit_status_tell_the_outcome(server, run_setup):
    server_queues(server)
    # A manifest entry whose file is missing: its copy fails.
    manifest = "/opt/oxa/etc/LUMOINST.CONF"
    complete = server.read(manifest)
    server.write(manifest, complete.replace(
        "@@NULL", "ppd/missing.ppd        ?                       00644\n@@NULL"))
    out = run_setup(f"-x -r {REPORT}", env=INSTALL_ENV)
    assert out.returncode == 2, out.stderr
    report = json.loads(server.read(REPORT))
    assert (report["outcome"], report["exitStatus"], report["log"]) == ("installed", 2, LOG)
    assert report["cups"]["version"] >= 2000 and report["productPpdDir"] == f"{MODEL_DIR}/oxa"
    files = {f["source"]: f["result"] for f in report["files"]}
    # Installing in place: only the PPD files are copied.
    assert files["ppd/missing.ppd"] == "failed" and files["ppd/nlp12dps.ppd"] == "copied"
    assert files["bin/setup"] == "skipped"
    assert f"Copying file ppd/missing.ppd to {MODEL_DIR}/oxa. : WRONG!!!" in out.log
    queues = {q["name"]: q for q in report["queues"]}
    assert set(queues) == {"Office", "Orphan"}
    office = queues["Office"]
    assert office["result"] == "updated" and office["newPpd"] == f"{MODEL_DIR}/oxa/nlp12dps.ppd"
    # A choice the new PPD lacks; a JCL option's default is carried too.
    assert office["notCarried"] == {"InputSlot": "Tray3"}
    assert office["carried"]["PageSize"] == "Letter" and office["carried"]["Economode"] == "Off"
    defaults = queue_defaults(server, "Office")
    assert defaults["PageSize"] == "Letter"
    assert all(defaults[k] == v for k, v in office["carried"].items() if k in defaults)
    assert lumo_version(server.read(queue_ppd("Office"))) == 4
    orphan = queues["Orphan"]
    assert (orphan["result"], orphan["reason"]) == ("kept", "no product PPD for its model")
    assert "Printer Orphan keeps its PPD /etc/cups/ppd/Orphan.ppd." in out.log
    assert report["restarts"] == [0, 0] and len(systemctl_calls(server)) == 2

    # Nothing left to update: all done.
    server.remove("/etc/cups/ppd/Orphan.ppd")
    server.write(manifest, complete)
    assert run_setup("-x", env=INSTALL_ENV).returncode == 0
    # Stopped before installing: 1 with -x, the specified 0 without.
    server.remove("/usr/lib/cups/filter/foomatic-rip")
    out = run_setup(f"-x -r {REPORT}", env=INSTALL_ENV)
    assert out.returncode == 1
    report = json.loads(server.read(REPORT))
    assert (report["outcome"], report["reason"]) == ("stopped", "no foomatic-rip program")
    assert run_setup("", env=INSTALL_ENV).returncode == 0
    assert run_setup("-n -x", env=INSTALL_ENV).returncode == 1


def on_terminal(sb, command, env):
    """Runs the command inside with standard error on a pseudo-terminal;
    returns what the terminal showed."""
    master, slave = pty.openpty()
    try:
        subprocess.run(sb._argv(command, env, None, "/"), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=slave, timeout=120, check=True)
    finally:
        os.close(slave)
    shown = b""
    try:
        while chunk := os.read(master, 4096):
            shown += chunk
    except OSError:  # the terminal's other side is closed: all is read
        pass
    os.close(master)
    return shown.decode().replace("\r\n", "\n")


def test_terminal_summary_progress_and_previous_log(server, run_setup):
    server_queues(server)
    server.write(LOG, "the migration's own Log\n")
    # A link planted at the older generation's name is replaced, not followed.
    server.write("/root/target", "keep me\n")
    server.sh(f"ln -s /root/target {LOG}.1")
    shown = on_terminal(server, SETUP, INSTALL_ENV)
    assert "Updating queues: 2/2\n" in shown
    assert "Lumo 4.0-0 setup: installed; queues updated: 1, kept: 1 (unsupported: 1).\n" in shown
    assert "  Orphan keeps its PPD: no product PPD for its model.\n" in shown
    assert f"Log file: {LOG}\n" in shown
    assert server.read(f"{LOG}.1") == "the migration's own Log\n"
    assert server.read("/root/target") == "keep me\n"
    # Without a terminal the console is as specified.
    plain = run_setup("", env=INSTALL_ENV)
    assert "Lumo 4.0-0 setup:" not in plain.stderr and "Updating" not in plain.stderr
    assert server.read(f"{LOG}.1").startswith("Preparing Log File:") or \
        "Starting Lumo" in server.read(f"{LOG}.1")

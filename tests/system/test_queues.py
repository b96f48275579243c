"""The maker's CUPS queues: an installing run gives each queue on this
product generation's PPD files the product's newer PPD with the
administrator's defaults kept, and restarts CUPS; checked with a real cupsd
and the CUPS tools themselves."""

import re

import pytest

from cups import systemctl_calls
from helpers import INSTALL_ENV, backup, place_foomatic_rip, tmp_leftovers
from product import unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, PRODUCT_PPD_DIR, create_queue, cupstestppd, lumo_version,
                    old_ppd, place_product_ppds, product_ppd, product_ppd_names, queue_defaults,
                    queue_ppd, start_print_server)

RESTART = "restart cups.service"


@pytest.fixture
def server(sandbox, unpack):
    """CUPS running and the product unpacked under /opt/oxa, its PPD files in
    /opt/oxa/ppd."""
    start_print_server(sandbox)
    unpack()
    return sandbox


def install(run_setup, args="", input=None, env=None):
    out = run_setup(args, input=input, env={**INSTALL_ENV, **(env or {})})
    assert out.returncode == 0 and out.log_lines[-1].startswith("Finishing"), out.log
    return out


def test_product_ppds_pass_cupstestppd(sandbox):
    place_foomatic_rip(sandbox)
    place_product_ppds(sandbox, "/root/ppd")
    words = set()
    for name in product_ppd_names():
        result = cupstestppd(sandbox, f"/root/ppd/{name}")
        assert result.returncode == 0, result.stdout
        head = product_ppd(name).splitlines()[:30]
        assert "*% Lumo version: 4" in head
        words |= {m.group(1) for m in map(re.compile(r'\*ModelName: "Norvik .* (\w+)"').match, head) if m}
    assert words == {"PS", "PCL", "PXL"}
    assert {n.endswith(".gz") for n in product_ppd_names()} == {True, False}


def test_queues_get_the_new_ppd_with_their_defaults(server, run_setup):
    create_queue(server, "Office", old_ppd("nlp12dps.ppd", defaults={
        "PageSize": "Letter", "Resolution": "1200dpi", "InputSlot": "Tray2",
        "Duplex": "DuplexNoTumble", "Economode": "On"}))
    create_queue(server, "Colour", old_ppd("ncp55px.ppd.gz", defaults={"ColorModel": "Gray"}))
    # A tray the new PPD no longer has: the new PPD keeps its own default.
    # The queue's name needs quoting in the shell.
    create_queue(server, "Q;x$y", old_ppd("nlp12pc.ppd.gz", defaults={
        "PageSize": "A5", "InputSlot": "Tray3"}, extra_choices={"InputSlot": "Tray3"}))
    # Another maker's queue and one of another product generation.
    create_queue(server, "Foreign", old_ppd("nlp12dps.ppd").replace("Norvik LP 1200 Duplex", "Acme 9"))
    create_queue(server, "NextGen", old_ppd("nlp12dpc.ppd", version=2))
    updated = ["Office", "Colour", "Q;x$y"]
    queues = updated + ["Foreign", "NextGen"]
    before = {q: server.read(queue_ppd(q)) for q in queues}
    server.write("/opt/oxa/Office/root/lumoConfig", "ID=7\n%%LUMO_VERSION_1.0 (Office)\n")

    log = install(run_setup).log

    assert systemctl_calls(server) == [RESTART, RESTART]
    assert queue_defaults(server, "Office") == {
        "PageSize": "Letter", "InputSlot": "Tray2", "MediaType": "Plain", "Resolution": "1200dpi",
        "Duplex": "DuplexNoTumble", "Economode": "On"}  # a JCL option's default too
    assert queue_defaults(server, "Colour")["ColorModel"] == "Gray"
    small = queue_defaults(server, "Q;x$y")
    assert (small["PageSize"], small["InputSlot"]) == ("A5", "Auto")
    for queue in updated:
        assert lumo_version(server.read(queue_ppd(queue))) == 4
        assert cupstestppd(server, queue_ppd(queue)).returncode == 0
        assert server.read(backup(queue)) == before[queue]
    for queue in ["Foreign", "NextGen"]:
        assert server.read(queue_ppd(queue)) == before[queue]
        assert not server.exists(backup(queue))
    assert server.read("/opt/oxa/Office/root/lumoConfig") == "ID=7\n%%LUMO_VERSION_3.0\n"

    assert "List of Norvik Printers installed: 3.\n" in log
    assert '\tModel   : "Norvik CP 5500 PXL".\n\tNorvik ID: 37.\n\tPDL     : PXL.\n' in log
    assert "saving /etc/cups/ppd/Q;x$y.ppd to /etc/cups/Q;x$y.ppd.rpmsave: result=0\n" in log
    assert "PPD = /opt/oxa/ppd/nlp12pc.ppd.gz.\n" in log
    assert "Option InputSlot/Tray3 is not offered by the new PPD: its own default stays.\n" in log
    assert "processPrinterConfig(Office): updated.\n" in log
    assert "processPrinterConfig(Colour)" not in log  # no lumoConfig, nothing said
    # Nothing left behind: no temporary PPD, no half-made file beside a PPD.
    assert tmp_leftovers(server) == []
    assert sorted(server.sh(f"ls {CUPS_PPD_DIR}").splitlines()) == sorted(f"{q}.ppd" for q in queues)


def test_questions_yes_no_all_break(server, run_setup):
    queues = ["Alpha", "Beta", "Gamma"]

    def ask(answers):
        for queue in queues:
            create_queue(server, queue, old_ppd("nof24dpc.ppd"))
        out = install(run_setup, "-q1", input="yes\n" + answers)  # yes to installing
        asked = re.findall(r"Do you want to update printer: (.*?)\? ", out.stdout)
        return asked, {q: lumo_version(server.read(queue_ppd(q))) for q in queues}

    asked, versions = ask("no\nyes\nn\n")
    assert sorted(asked) == queues
    assert versions == {asked[0]: 1, asked[1]: 4, asked[2]: 1}
    assert len(systemctl_calls(server)) == 2
    asked, versions = ask("all\n")
    assert len(asked) == 1 and set(versions.values()) == {4}
    # Break leaves the rest alone; only the run itself restarts CUPS.
    asked, versions = ask("yes\nbreak\nyes\n")
    assert len(asked) == 2
    assert versions == {q: 4 if q == asked[0] else 1 for q in queues}
    assert len(systemctl_calls(server)) == 5


def test_old_ppd_stays_without_a_good_new_one(server, run_setup):
    # No product PPD for this model; a product PPD libcups cannot read.
    fleet = create_queue(server, "Fleet", old_ppd("nlp12ps.ppd").replace("LP 1200 PS", "Fleet 10 PS"))
    fjord = create_queue(server, "Fjord", old_ppd("nfj21px.ppd.gz"))
    server.remove(f"{PRODUCT_PPD_DIR}/nfj21px.ppd.gz")
    server.write(f"{PRODUCT_PPD_DIR}/nfj21px.ppd", '*ModelName: "Norvik Fjord 21 PXL"\n')
    server.write("/opt/oxa/Fleet/root/lumoConfig", "%%LUMO_VERSION_1.0\n")

    log = install(run_setup).log

    assert (server.read(queue_ppd("Fleet")), server.read(queue_ppd("Fjord"))) == (fleet, fjord)
    assert server.read("/opt/oxa/Fleet/root/lumoConfig") == "%%LUMO_VERSION_1.0\n"
    assert "PPD NOT FOUND!\nPrinter Fleet keeps its PPD /etc/cups/ppd/Fleet.ppd.\n" in log
    assert (f"Problem reading: {PRODUCT_PPD_DIR}/nfj21px.ppd as a PPD for printer Fjord!\n"
            "Printer Fjord keeps its PPD /etc/cups/ppd/Fjord.ppd.\n") in log
    assert not re.search(r"^Copying \S+ to /etc/cups/ppd/", log, re.M)
    assert tmp_leftovers(server) == []


def test_full_temporary_directory_keeps_the_old_ppd(server, run_setup):
    before = create_queue(server, "Office", old_ppd("nof24dpc.ppd", defaults={"PageSize": "Legal"}))
    # TMPDIR with room for the product PPD's copy only.
    pages = -(-len(product_ppd("nof24dpc.ppd")) // 4096)
    server.sh(f"mkdir /tmp/small && mount -t tmpfs -o size={pages * 4096} small /tmp/small")
    log = install(run_setup, env={"TMPDIR": "/tmp/small"}).log
    assert re.search(r"Problem writing: /tmp/small/orbot\w{6} for printer Office!\n", log), log
    assert server.read(queue_ppd("Office")) == before
    assert server.sh("ls -A /tmp/small") == ""


@pytest.mark.parametrize("present, calls, statuses", [
    ({"/usr/bin/systemctl": 1, "/usr/sbin/service": 0},
     ["/usr/bin/systemctl restart cups.service", "/usr/sbin/service cups restart"], [256, 0]),
    ({"/etc/init.d/cups": 0}, ["/etc/init.d/cups restart"], [-1, 0]),
    ({"/etc/init.d/cupsys": 3}, ["/etc/init.d/cupsys restart"], [-1, 768]),
    ({}, [], [-1, -1]),
])
def test_cups_restart_ways(sandbox, unpack, run_setup, present, calls, statuses):
    for path in ["/usr/bin/systemctl", "/usr/sbin/service", "/etc/init.d/cups", "/etc/init.d/cupsys"]:
        sandbox.remove(path)
    for path, status in present.items():
        sandbox.write(path, f'#!/bin/sh\necho "$0 $*" >> /run/calls\nexit {status}\n', mode=0o755)
    place_foomatic_rip(sandbox)
    unpack()
    out = install(run_setup)
    assert (sandbox.read("/run/calls").splitlines() if calls else []) == calls
    expected = [f"CUPS reset returned with: {status}" for status in statuses]
    if "/usr/bin/systemctl" in present:
        expected.insert(0, 'CUPS restart command:"/usr/bin/systemctl restart cups.service"')
    if not present:
        expected.insert(1, "Cannot reset CUPS. Sorry!")
    assert [l for l in out.log_lines if l.startswith(("CUPS re", "Cannot reset"))] == expected


def test_hung_cups_restart_is_stopped_with_what_it_started(sandbox, unpack, place_setup,
                                                           run_setup):
    """A restart that never ends is stopped at its limit (here setup's short
    one), the processes it started with it, and the next way is taken."""
    sandbox.remove("/etc/init.d/cups")
    sandbox.write("/usr/bin/systemctl", '#!/bin/sh\necho "$0 $*" >> /run/calls\n'
                  'sleep 86400 &\nwait\n', mode=0o755)
    sandbox.write("/usr/sbin/service", '#!/bin/sh\necho "$0 $*" >> /run/calls\n', mode=0o755)
    place_foomatic_rip(sandbox)
    unpack()
    place_setup(short_waits=True)
    out = run_setup(env=INSTALL_ENV, timeout=60)
    assert sandbox.read("/run/calls").splitlines() == [
        "/usr/bin/systemctl restart cups.service", "/usr/sbin/service cups restart"]
    assert [l for l in out.log_lines if l.startswith(("CUPS reset", '"/usr/bin/systemctl'))] == [
        '"/usr/bin/systemctl restart cups.service" did not end within 2 seconds and was stopped.',
        "CUPS reset returned with: -2", "CUPS reset returned with: 0"]
    assert out.log_lines[-1].startswith("Finishing")
    # (Killed, they may linger a moment as zombies of the sandbox's init.)
    states = sandbox.run("ps -C sleep -o stat=").stdout.split()
    assert all(state.startswith("Z") for state in states), states

"""De-installation: the product's queues, files and directories removed,
against a real cupsd, with every deletion line matching the disk."""

import shlex

import pytest

from conftest import needs_real_root
from cups import start_cupsd
from product import INFO, install, set_printers, unpack  # noqa: F401
from queues import printer_names

UNINSTALLED = "Lumo 4.0-0 has been un-installed from the system.\n"
FILES = ["/opt/oxa/lumo", "/opt/oxa/lumoInfo4.0", "/opt/oxa/bin/orbgsfilter", "/usr/bin/orbgsfilter",
         "/opt/oxa/etc/UNINSTALLLUMO", "/opt/oxa/bin/setup", "/opt/oxa/etc/lumo4.0.png",
         "/opt/oxa/LUMOINST.CONF", "/opt/oxa/etc/LUMOINST.CONF", "/opt/oxa/bin/nc"]
DIRS = ["/opt/oxa/Default", "/opt/oxa/ppd", "/opt/oxa/etc", "/opt/oxa/bin"]


def add_queue(sb, name):
    sb.sh(f"lpadmin -p {shlex.quote(name)} -v file:///dev/null -E 2>/dev/null")


def deletion_lines(lines):
    return [l for l in lines if l.startswith(("Deleting file: ", "Deleting directory: "))]


@pytest.fixture
def installed(sandbox, unpack, install):
    """The product installed under /opt/oxa on a running print server."""
    start_cupsd(sandbox)
    unpack()
    install()
    return sandbox


def test_removes_listed_queues_files_and_directories(installed, unpack, install):
    sb = installed
    for name in ["lab1", "lab2", "other"]:
        add_queue(sb, name)
    set_printers(sb, ["Default", "lab1", "lab2", "Default"])
    for name in ["lab1", "lab2"]:
        sb.sh(f"mkdir -p /opt/oxa/{name}/root /usr/share/cups/model"
              f" && touch /opt/oxa/{name}/root/lumoConfig"
              f" /opt/oxa/{name}.sh /usr/share/cups/model/{name}")
    sb.sh("touch /dev/lab1")  # a device file of the old kind: a plain file
    existed = {path: sb.exists(path) for path in FILES + DIRS}

    out = install("-d", input="yes\n")

    assert out.stdout.startswith("Do you want to delete Lumo and any possible Lumo printer queues?\n")
    assert out.stderr == UNINSTALLED + "\n"
    assert sorted(printer_names(sb)) == ["other"]
    lines = out.log_lines
    assert "Number of Lumo printers found: 4." in lines
    assert lines.count("Deleting the Lumo printer: lab1.") == 1
    assert "Executing command:\n\t/usr/sbin/lpadmin -xlab1 2>/dev/null\n" in out.log
    assert "Deleting the Lumo printer: Default." not in lines
    for name in ["lab1", "lab2"]:
        assert not sb.exists(f"/opt/oxa/{name}") and not sb.exists(f"/opt/oxa/{name}.sh")
        assert sb.exists(f"/usr/share/cups/model/{name}.old")
        assert not sb.exists(f"/usr/share/cups/model/{name}")
    assert not sb.exists("/dev/lab1")

    # Every deletion line says what happened on disk: what existed is gone.
    reported = deletion_lines(lines)
    assert [l.split("'")[1] for l in reported] == FILES + DIRS
    # Each path once: the filter's link is not reported a second time, as
    # "Not possible!" for a path just removed.
    expected = ["OK." if existed[path] else "Not possible!" for path in FILES + DIRS]
    assert [l.rsplit(" - ", 1)[1] for l in reported] == expected
    assert expected.count("OK.") == 9
    assert not any(sb.exists(path) for path in FILES + DIRS)
    assert lines[-2] == UNINSTALLED.rstrip("\n")
    assert sb.exists("/opt/oxa")  # the installation directory itself stays

    # A second removal, of an installation named by LUMOINFO, finds nothing
    # (setup itself is gone from /opt/oxa: run a fresh copy).
    sb.write("/root/lumoInfo", "USRDIR          /opt/oxa\n")
    program = unpack("/root/unpacked")
    out = install("-d", program=program, input="y\n", env={"LUMOINFO": "/root/lumoInfo"})
    assert out.stderr == UNINSTALLED + "\n"
    assert [l for l in deletion_lines(out.log_lines) if not l.endswith("- Not possible!")] == []
    assert len(deletion_lines(out.log_lines)) == len(FILES + DIRS)


@pytest.mark.parametrize("answer", ["no\n", "\n", ""])
def test_declining_removes_nothing(installed, install, answer):
    add_queue(installed, "lab1")
    set_printers(installed, ["Default", "lab1"])
    out = install("-d", input=answer)
    assert out.stderr == "Program abandoned by user.\n\n"
    assert out.log_lines[-2] == "Program abandoned by user."
    assert sorted(printer_names(installed)) == ["lab1"]
    assert installed.exists(INFO) and installed.exists("/usr/bin/orbgsfilter")


def test_failing_removal_asks_lpstat_and_tries_again(installed, install):
    set_printers(installed, ["Default", "ghost"])
    lines = install("-d", input="yes\n").log
    assert ("Executing command:\n\t/usr/sbin/lpadmin -xghost 2>/dev/null\n"
            "Executing command:\n\t/usr/bin/lpstat -pghost -l > /dev/null\n"
            "Executing command:\n\t/usr/sbin/lpadmin -xghost 2>/dev/null\n"
            "Deleting the Lumo printer: ghost.\n") in lines


@needs_real_root  # mknod
def test_hostile_names_never_reach_a_path_or_a_command(installed, install):
    sb = installed
    sb.sh("mkdir -p /etc/lumo-decoy && touch /etc/lumo-decoy/keep /etc/lumo-decoy.sh")
    sb.sh("mknod /dev/lumodev c 1 3")  # a device node named like a queue
    hostile = "q x;touch pwned;$(touch pwned2)`touch pwned3`"
    add_queue(sb, "lumodev")
    set_printers(sb, ["Default", "../../etc/lumo-decoy", ".", "..", "a/b", hostile, "lumodev",
                      "null"])
    out = install("-d", input="yes\n")
    lines = out.log_lines
    for name in ["../../etc/lumo-decoy", ".", "..", "a/b"]:
        assert f"Printer name refused, it could name a path: '{name}'." in lines
        assert f"Deleting the Lumo printer: {name}." not in lines
    assert sb.exists("/etc/lumo-decoy/keep") and sb.exists("/etc/lumo-decoy.sh")
    assert f"Deleting the Lumo printer: {hostile}." in lines
    assert not any(sb.exists(f"{d}/pwned{n}") for d in ("/", "/opt/oxa") for n in ("", 2, 3))
    assert sorted(printer_names(sb)) == []
    assert sb.exists("/dev/lumodev") and sb.exists("/dev/null")


def test_lprng_machine_keeps_queues_but_removes_directories(installed, install):
    sb = installed
    add_queue(sb, "lab1")
    set_printers(sb, ["Default", "lab1"])
    sb.sh("mkdir -p /opt/oxa/lab1 && touch /opt/oxa/lab1.sh")
    out = install("-d", input="yes\n", env={"ORBLPMODE": "LPRNG"})
    assert "Executing command" not in out.log
    assert "Deleting the Lumo printer: lab1." in out.log_lines
    assert not sb.exists("/opt/oxa/lab1") and not sb.exists("/opt/oxa/lab1.sh")
    assert sorted(printer_names(sb)) == ["lab1"]
    assert not sb.exists("/opt/oxa/bin")


def test_unenterable_installation_directory_removes_nothing(installed, install):
    out = install("-d -u /nowhere", input="yes\n")
    assert "The installation directory:\n\t'/nowhere'\ndoes not exist or is not OK.\n" in out.log
    assert deletion_lines(out.log_lines) == []
    assert installed.exists(INFO) and installed.exists("/usr/bin/orbgsfilter")

"""The sandbox itself: what happens inside stays inside."""

import os
import pathlib

from sandbox import Sandbox


def test_changes_inside_never_reach_the_host(tmp_path):
    host_opt = sorted(os.listdir("/opt"))
    marker = "/usr/local/bin/lumo-sandbox-marker"
    assert not os.path.lexists(marker)

    box = Sandbox(tmp_path / "stage")
    try:
        box.sh(f"mkdir -p /opt/oxa/bin && touch /opt/oxa/bin/x {marker} /var/log/x /etc/x-lumo")
        box.sh("rm -f /usr/bin/chcon")
        assert box.exists("/opt/oxa/bin/x") and not box.exists("/usr/bin/chcon")
        # Own PID namespace: the sandbox sees only its own processes.
        pids = [p for p in box.sh("ls /proc").split() if p.isdigit()]
        assert len(pids) < 10
        # Own /dev: removing a node inside leaves the host's alone.
        box.sh("touch /dev/x-lumo && echo x > /dev/null")
        box.run("rm -f /dev/zero")
        # The rest of the host's file system cannot be written at all.
        assert box.run("touch /lumo-stray /var/lib/lumo-stray /home/lumo-stray").returncode != 0
        box.sh("touch /srv/x /mnt/x")
        # Own network: only the loopback interface.
        assert box.sh("ls /sys/class/net").split() == ["lo"] or "eth" not in box.sh("ip -o link")
    finally:
        box.close()

    assert sorted(os.listdir("/opt")) == host_opt
    assert not os.path.lexists(marker)
    assert not os.path.lexists("/var/log/x") and not os.path.lexists("/etc/x-lumo")
    assert not os.path.lexists("/dev/x-lumo")
    for stray in ("/lumo-stray", "/var/lib/lumo-stray", "/home/lumo-stray", "/srv/x", "/mnt/x"):
        assert not os.path.lexists(stray)
    assert os.path.exists("/usr/bin/chcon") and os.path.exists("/dev/zero")
    assert list(pathlib.Path(tmp_path / "stage").iterdir()) == []


# What a host with the usual printing packages has, and each test must place
# itself: a foomatic-rip, PPD files, CUPS's model and driver directories,
# the files that tell a CUPS version, queues.
HOST_PRINTING = ["/usr/lib/cups/filter/foomatic-rip", "/usr/bin/foomatic-rip", "/usr/share/ppd",
                 "/usr/share/cups/model", "/usr/share/cups/drv", "/usr/lib/cups/driver",
                 "/usr/share/cups/data/testprint", "/etc/cups/printers.conf", "/etc/printcap"]


def test_the_hosts_printing_files_are_out_of_sight(tmp_path):
    on_host = [path for path in HOST_PRINTING if os.path.lexists(path)]
    box = Sandbox(tmp_path / "stage")
    try:
        assert [path for path in HOST_PRINTING if box.exists(path)] == []
        # CUPS's configuration as its package ships it, and no queue.
        assert sorted(os.listdir(box.path("/etc/cups"))) == [
            "cups-files.conf", "cupsd.conf", "ppd", "ssl"]
        assert box.read("/etc/cups/cupsd.conf") == open("/usr/share/cups/cupsd.conf.default").read()
        assert os.listdir(box.path("/etc/cups/ppd")) == []
    finally:
        box.close()
    assert [path for path in HOST_PRINTING if os.path.lexists(path)] == on_host

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

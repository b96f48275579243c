"""The lab itself: Ansible reaches its hosts over real ssh with strict
host-key checking, nothing leaves the lab's network, a host runs a print
server, and closing the lab leaves nothing behind."""

import json
import os
import pathlib
import shlex
import subprocess
import tempfile
import time

from lab import CONTROLLER_ADDRESS, SSHD
from queues import fleet, place_queues, printer_names, start_print_server

# Tells what a connection attempt from inside the lab came to.
PROBE = r"""
import errno, socket, sys
for target in sys.argv[1:]:
    s = socket.socket()
    s.settimeout(3)
    try:
        s.connect((target, 9))
        print(target, "connected")
    except socket.timeout:
        print(target, "timeout")
    except OSError as e:
        print(target, errno.errorcode.get(e.errno, e.errno))
"""


def probe(run, targets):
    return dict(line.split() for line in run(targets).splitlines())


def machine_addresses():
    """This machine's own IPv4 addresses besides loopback."""
    out = subprocess.run(["ip", "-4", "-j", "addr"], capture_output=True, text=True,
                         check=True).stdout
    return [a["local"] for link in json.loads(out) for a in link.get("addr_info", [])
            if not a["local"].startswith("127.")]


def ad_hoc(lab, inventory, pattern, module, args=None):
    """An ad-hoc run that keeps each host's result as JSON (--tree): the
    run and {host: result}."""
    tree = pathlib.Path(tempfile.mkdtemp(prefix="tree-", dir=inventory.parent))
    argv = ["ansible", "-i", str(inventory), pattern, "-m", module, "--tree", str(tree)]
    result = lab.ansible(argv + (["-a", args] if args else []), timeout=120)
    return result, {p.name: json.loads(p.read_text()) for p in tree.iterdir()}


def test_ansible_reaches_each_host_by_name_and_only_with_its_key(lab, tmp_path):
    alpha, beta, gamma, delta = lab.start(["alpha", "beta", "gamma", "delta"])
    inventory = lab.inventory(tmp_path / "hosts.ini", groups={"print_servers": [
        "alpha", "beta", "gamma", "delta"]})

    # gamma answers with the key the controller knows; then the controller
    # is told another key for it, whose owner it cannot be.
    assert lab.ssh("gamma", "hostname").stdout == "gamma\n"
    other = tmp_path / "other_key"
    subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", str(other)], check=True)
    lab.set_known_key("gamma", " ".join(other.with_suffix(".pub").read_text().split()[:2]))
    mismatch = lab.ssh("gamma", "hostname")
    assert mismatch.returncode == 255 and "Host key verification failed" in mismatch.stderr
    # beta's sshd is gone: its address answers, its port refuses at once.
    beta.stop_sshd()
    assert not beta.sshd_running() and gamma.sshd_running()
    started = time.monotonic()
    refused = lab.ssh("beta", "true")
    assert time.monotonic() - started < 3
    assert refused.returncode == 255 and "Connection refused" in refused.stderr

    result, hosts = ad_hoc(lab, inventory, "print_servers", "command", "hostname")
    assert sorted(hosts) == ["alpha", "beta", "delta", "gamma"], result.stdout + result.stderr
    # Each host runs in a namespace of its own named after it.
    for host in (alpha, delta):
        assert hosts[host.name]["rc"] == 0 and hosts[host.name]["stdout"] == host.name
    # Ansible's message tells the cause or only that ssh ended before it
    # had sent the module (a broken pipe), whichever comes first.
    assert hosts["beta"].get("unreachable"), hosts["beta"]
    assert hosts["gamma"].get("unreachable"), hosts["gamma"]
    assert result.returncode != 0

    # With its real key trusted again gamma answers; beta once its sshd is back.
    lab.set_known_key("gamma", gamma.host_key)
    beta.start_sshd()
    result, hosts = ad_hoc(lab, inventory, "all", "ping")
    assert result.returncode == 0, result.stdout + result.stderr
    assert {name: hosts[name].get("ping") for name in hosts} == {
        "alpha": "pong", "beta": "pong", "gamma": "pong", "delta": "pong"}


def test_nothing_leaves_the_lab_network(lab):
    one, two = lab.start(["one", "two"], sshd=False)
    outside = ["192.0.2.1", "8.8.8.8"] + machine_addresses()
    targets = [CONTROLLER_ADDRESS, two.address] + outside

    from_host = probe(lambda t: one.sh(shlex.join(["python3", "-c", PROBE] + t)), targets)
    from_controller = probe(
        lambda t: lab.run(["python3", "-c", PROBE] + t, check=True).stdout, [one.address] + outside)
    # Inside the lab an address answers (nothing listens on port 9) ...
    assert from_host[CONTROLLER_ADDRESS] == "ECONNREFUSED"
    assert from_host[two.address] == "ECONNREFUSED"
    assert from_controller[one.address] == "ECONNREFUSED"
    # ... and outside it there is no route at all, for the hosts and the
    # controller alike.
    for address in outside:
        assert from_host[address] == "ENETUNREACH", (address, from_host)
        assert from_controller[address] == "ENETUNREACH", (address, from_controller)
    assert sorted(line.split(":")[1].strip().split("@")[0]
                  for line in one.sh("ip -o link show up").splitlines()) == ["eth0", "lo"]
    assert one.sh("ip route").strip() == \
        f"10.213.0.0/24 dev eth0 proto kernel scope link src {one.address}"
    assert lab.run("ip route", check=True).stdout.strip() == \
        f"10.213.0.0/24 dev br0 proto kernel scope link src {CONTROLLER_ADDRESS}"


def test_hosts_run_print_servers_and_closing_the_lab_leaves_nothing(lab, tmp_path):
    queues = fleet(3)
    with_queues = lab.start(["ps1"])[0]
    place_queues(with_queues, queues)
    start_print_server(with_queues)
    empty = lab.start(["ps2"], print_server=True)[0]

    assert printer_names(with_queues) == sorted(queues)
    assert printer_names(empty) == []
    inventory = lab.inventory(tmp_path / "hosts.yml", groups={"print_servers": ["ps1", "ps2"]},
                              group_vars={"print_servers": {"lumo_probe": "lpstat"}})
    result, hosts = ad_hoc(lab, inventory, "print_servers", "shell",
                           "{{ lumo_probe }} -r && {{ lumo_probe }} -e")
    assert result.returncode == 0, result.stdout + result.stderr
    # Each host's own scheduler answers over ssh, with its own queues.
    assert hosts["ps1"]["stdout_lines"] == ["scheduler is running"] + sorted(queues)
    assert hosts["ps2"]["stdout_lines"] == ["scheduler is running"]

    # The persistent connections live on in the lab's namespace, until the
    # lab closes.
    persistent = lab.processes()
    assert persistent and os.listdir(lab.control_dir)
    servers = [with_queues, empty]
    processes = persistent + [lab.pid] + [p for h in servers for p in (h.init_pid, h.unshare.pid)]
    processes += [p for h in servers for p in h.host_pids("/usr/sbin/cupsd") + h.host_pids(SSHD)]
    stages = [str(h.stage) for h in servers]
    links_before = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True).stdout
    control_dir = lab.control_dir

    lab.close()

    assert [p for p in processes if os.path.exists(f"/proc/{p}")] == []
    # No socket is left; a spare directory outside the lab (taken when the
    # lab's own path is too long for a socket's name) is gone with it.
    assert list(control_dir.glob("*")) == []
    assert control_dir.is_relative_to(lab.directory) or not control_dir.exists()
    with open("/proc/self/mountinfo") as mounts:
        assert not any(stage in line for line in mounts for stage in stages)
    assert all(os.listdir(stage) == [] for stage in stages)
    links_after = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True).stdout
    assert links_after == links_before and "lab" not in links_after

"""A lab fleet for the tests of the Ansible deployment.

A Lab is a network namespace the test creates (one `unshare --net` process
holds it) with a Linux bridge on a private range, 10.213.0.0/24, whose
address .1 is the controller's.  It has no default route and no link to the
machine's network: whatever is sent goes to the lab's hosts or nowhere.

Each host is a sandbox of the system tests (tests/system/sandbox.py) with a
UTS namespace of its own carrying its inventory name, a veth pair into the
bridge, an address of the range and its own sshd: a freshly generated host
key, root's login by the controller's key only.  The print-server helpers
of the system tests (queues.start_print_server, place_queues, ...) take a
host as they take any sandbox.

The controller is no sandbox: its commands (ansible-playbook, ssh) run in
the lab's network namespace and a PID namespace of the lab's only, so they
see the repository and the test's temporary directory.  They get a generated ansible.cfg and ssh
configuration: real ssh with strict host-key checking against the lab's own
known_hosts file, the controller's key, pipelining and persistent
connections whose sockets lie in the lab's directory.  Nothing of the
machine's own Ansible or ssh configuration is read.

Closing the lab ends every process of the controller (persistent ssh
connections too) and every host; the veth pairs and the hosts' mounts go
with their namespaces.
"""

import concurrent.futures
import ipaddress
import json
import os
import pathlib
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SYSTEM_TESTS = pathlib.Path(__file__).resolve().parents[1] / "system"
if str(SYSTEM_TESTS) not in sys.path:
    sys.path.insert(0, str(SYSTEM_TESTS))

from queues import start_print_server  # noqa: E402
from sandbox import (AS_ROOT, Sandbox, end_holder, pids_in_pid_namespace, start_holder,  # noqa: E402
                     wait_until)

NETWORK = ipaddress.ip_network("10.213.0.0/24")
CONTROLLER_ADDRESS = str(NETWORK[1])
BRIDGE = "br0"
SSHD = "/usr/sbin/sshd"
SFTP_SERVER = "/usr/lib/openssh/sftp-server"
PYTHON = "/usr/bin/python3"
ANSIBLE_PLAYBOOK = "/usr/bin/ansible-playbook"
CONTROLLER_PATH = "/usr/sbin:/usr/bin:/sbin:/bin"

# A host's own sshd, and the files it reads.
HOST_KEY = "/etc/ssh/lab_host_ed25519_key"
SSHD_CONFIG = "/etc/ssh/lab_sshd_config"
SSHD_PID = "/run/sshd.pid"
SSHD_LOG = "/var/log/sshd.log"
SSHD_CONFIG_TEXT = """\
ListenAddress {address}:22
AddressFamily inet
HostKey {host_key}
PidFile {pid_file}
PermitRootLogin prohibit-password
PubkeyAuthentication yes
AuthorizedKeysFile .ssh/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
HostbasedAuthentication no
UsePAM no
UseDNS no
PrintMotd no
PrintLastLog no
MaxStartups 100:30:200
MaxSessions 100
AcceptEnv LANG LC_*
Subsystem sftp {sftp_server}
"""

# How long a persistent connection outlives the run that opened it.
CONTROL_PERSIST = "60s"
# A unix socket's path is at most 107 bytes; Ansible names a control socket
# by a hash of 10 characters and ssh adds a suffix of 17 while making it.
SOCKET_PATH_MAX = 107
CONTROL_NAME_LENGTH = 1 + 10 + 17

HOST_NAME = re.compile(r"[a-z][a-z0-9-]{0,62}")


def missing_tools():
    """Why the lab cannot run on this machine, or None when it can."""
    if not AS_ROOT:
        return "the lab needs real root (network namespaces, veth pairs, a bridge)"
    for tool in (ANSIBLE_PLAYBOOK, SSHD, "/usr/bin/ssh", "/usr/bin/ssh-keygen"):
        if not os.access(tool, os.X_OK):
            return (f"{tool} is missing "
                    "(Debian packages ansible-core, openssh-server, openssh-client)")
    if not shutil.which("ip"):
        return "ip (iproute2) is missing"
    return None


# PID 1 of the controller's PID namespace.  It reaps what is orphaned to it
# (persistent ssh connections, once their run ends) and ends, and every
# process of the namespace with it, when its standard input closes: when
# the lab closes it or the tests' process ends.
CONTROLLER_INIT = r"""
import os, sys, threading, time

def reap():
    while True:
        try:
            os.wait()
        except ChildProcessError:
            time.sleep(0.2)

threading.Thread(target=reap, daemon=True).start()
print("ready", flush=True)
sys.stdin.read()
"""


# Ends the hosts should the tests' process end without closing the lab
# (killed at a time limit, say): it reads "pid start-time" lines of the
# hosts' inits until its standard input closes, then kills each that is
# still the same process.  A lab that closes kills it first.
HOST_WATCHER = r"""
import os, signal, sys

for pid, started in [line.split() for line in sys.stdin]:
    try:
        with open(f"/proc/{pid}/stat") as stat:
            if stat.read().rsplit(")", 1)[1].split()[19] == started:
                os.kill(int(pid), signal.SIGKILL)
    except OSError:
        pass
"""


def _start_time(pid):
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().rsplit(")", 1)[1].split()[19]


class Host(Sandbox):
    """One machine of the lab: a sandbox named after its inventory name,
    with an address on the lab's bridge and its own sshd."""

    def __init__(self, stage, name, address):
        super().__init__(stage, hostname=name)
        self.name = name
        self.address = address
        self.host_key = None

    def prepare_ssh(self, authorized_key):
        """A host key of its own (the machine's keys masked), root's login
        by the controller's key, and the lab's sshd configuration."""
        self.sh("rm -f /etc/ssh/ssh_host_* && "
                f"ssh-keygen -q -t ed25519 -N '' -C {self.name} -f {HOST_KEY} && "
                # Without PAM sshd refuses an account whose password is
                # locked; a password that matches nothing is not locked.
                "usermod -p '*' root && "
                "mkdir -p -m 0755 /run/sshd && mkdir -p -m 0700 /root/.ssh")
        self.write("/root/.ssh/authorized_keys", authorized_key, mode=0o600)
        self.write(SSHD_CONFIG, SSHD_CONFIG_TEXT.format(
            address=self.address, host_key=HOST_KEY, pid_file=SSHD_PID,
            sftp_server=SFTP_SERVER))
        self.write("/etc/hosts", f"127.0.0.1\tlocalhost\n{self.address}\t{self.name}\n")
        self.host_key = " ".join(self.read(HOST_KEY + ".pub").split()[:2])

    def start_sshd(self, timeout=10):
        """Starts the host's sshd and waits until it listens (it writes its
        pid file once its socket is bound)."""
        pid_file = self.path(SSHD_PID)
        if pid_file.exists():
            pid_file.unlink()
        self.sh(f"{SSHD} -f {SSHD_CONFIG} -E {SSHD_LOG}")
        if not wait_until(lambda: pid_file.exists() and pid_file.read_text().strip(),
                          timeout=timeout, step=0.02):
            raise RuntimeError(f"sshd of {self.name} did not start:\n"
                               + self.run(f"cat {SSHD_LOG}").stdout)

    def stop_sshd(self):
        """Ends the host's sshd with every session it serves: connections
        to the host are then refused at once."""
        for pid in self.host_pids(SSHD):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if not wait_until(lambda: not self.host_pids(SSHD), timeout=10, step=0.02):
            raise RuntimeError(f"sshd of {self.name} did not end")
        if self.exists(SSHD_PID):
            self.path(SSHD_PID).unlink()

    def sshd_running(self):
        return bool(self.host_pids(SSHD))


class Lab:
    """The lab's network, its hosts and the controller.  directory holds
    everything the lab writes on the machine (the hosts' stages, the
    controller's key, the configuration of ssh and Ansible)."""

    def __init__(self, directory, collections=()):
        reason = missing_tools()
        if reason:
            raise RuntimeError(reason)
        self.directory = pathlib.Path(directory)
        self.directory.mkdir(parents=True, exist_ok=True)
        self.hosts = {}
        self._known_keys = {}
        self._lock = threading.Lock()
        self._next_address = 2
        self._spare_control_dir = None
        self.control_dir = None
        self._holder = None
        self._init_pid = None
        self._pidns = None
        self._watcher = None
        try:
            self._watcher = subprocess.Popen([PYTHON, "-c", HOST_WATCHER], stdin=subprocess.PIPE,
                                             text=True, start_new_session=True)
            self._start_network()
            self._configure_controller(collections)
        except BaseException:
            self.close()
            raise

    # -- the network --------------------------------------------------------

    def _start_network(self):
        """The lab's network and PID namespaces, the bridge in the one and
        the controller's init (CONTROLLER_INIT) in the other.  The PID
        namespace holds everything the controller starts, so that nothing
        it leaves running outlives the lab, not even as a zombie."""
        script = (f"ip link set lo up && ip link add {BRIDGE} type bridge && "
                  f"ip addr add {CONTROLLER_ADDRESS}/{NETWORK.prefixlen} dev {BRIDGE} && "
                  f"ip link set {BRIDGE} up && exec {PYTHON} -c {shlex.quote(CONTROLLER_INIT)}")
        self._holder, self._init_pid = start_holder(
            ["unshare", "--net", "--pid", "--fork", "--", "/bin/sh", "-c", script],
            "lab network", stdin=subprocess.PIPE)
        self._pidns = os.readlink(f"/proc/{self._init_pid}/ns/pid")

    @property
    def pid(self):
        """The host pid of the controller's init, which holds the lab's
        namespaces."""
        return self._init_pid

    def _enter(self):
        return ["nsenter", "-t", str(self.pid), "-n", "-p", "--"]

    # -- the controller -----------------------------------------------------

    def _configure_controller(self, collections):
        controller = self.directory / "controller"
        self.home = controller / "home"
        self.ansible_home = controller / "ansible"
        for directory in (self.home, self.ansible_home / "tmp"):
            directory.mkdir(parents=True, exist_ok=True)
        self.key = controller / "id_ed25519"
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "lab-controller",
                        "-f", str(self.key)], check=True, capture_output=True)
        self.public_key = (controller / "id_ed25519.pub").read_text()
        self.known_hosts = controller / "known_hosts"
        self.ssh_config = controller / "ssh_config"
        self.ansible_cfg = controller / "ansible.cfg"
        self.control_dir = self._make_control_dir(self.directory / "cp")
        self._write_ssh_config()
        self.write_known_hosts()
        # An inventory of nothing stands in for the machine's /etc/ansible/hosts.
        empty_inventory = controller / "no-hosts"
        empty_inventory.write_text("")
        paths = ":".join([str(self.ansible_home / "collections")] + [str(c) for c in collections])
        self.ansible_cfg.write_text(f"""\
[defaults]
home = {self.ansible_home}
local_tmp = {self.ansible_home}/tmp
inventory = {empty_inventory}
library = {self.ansible_home}/plugins/modules
module_utils = {self.ansible_home}/plugins/module_utils
roles_path = {self.ansible_home}/roles
collections_path = {paths}
collections_scan_sys_path = False
remote_user = root
private_key_file = {self.key}
host_key_checking = True
interpreter_python = {PYTHON}
retry_files_enabled = False
forks = 50
timeout = 10
nocolor = True
localhost_warning = False

[ssh_connection]
ssh_executable = /usr/bin/ssh
ssh_args = -F {self.ssh_config} -o ControlMaster=auto -o ControlPersist={CONTROL_PERSIST}
control_path_dir = {self.control_dir}
pipelining = True
reconnection_retries = 0
""")
        self.env = {"PATH": CONTROLLER_PATH, "HOME": str(self.home), "LANG": "C.UTF-8",
                    "LC_ALL": "C.UTF-8", "ANSIBLE_CONFIG": str(self.ansible_cfg)}

    def _make_control_dir(self, wanted):
        """The directory of the persistent connections' sockets: in the
        lab's directory when its path leaves room for a socket's name, else
        a short one under the system's temporary directory, removed with
        the lab."""
        if len(str(wanted)) + CONTROL_NAME_LENGTH <= SOCKET_PATH_MAX:
            wanted.mkdir(mode=0o700)
            return wanted
        self._spare_control_dir = pathlib.Path(tempfile.mkdtemp(prefix="lab-cp-"))
        return self._spare_control_dir

    def _write_ssh_config(self):
        blocks = [f"Host {h.name}\n  HostName {h.address}\n\n" for h in self.hosts.values()]
        blocks.append(f"""\
Host *
  User root
  IdentityFile {self.key}
  IdentitiesOnly yes
  IdentityAgent none
  UserKnownHostsFile {self.known_hosts}
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  UpdateHostKeys no
  CheckHostIP no
  BatchMode yes
  PasswordAuthentication no
  KbdInteractiveAuthentication no
  ConnectTimeout 5
  ConnectionAttempts 1
""")
        self.ssh_config.write_text("".join(blocks))

    def write_known_hosts(self):
        """The controller's known_hosts: each host's key under its name and
        address (set_known_key changes one)."""
        lines = [f"{self.hosts[n].name},{self.hosts[n].address} {key}\n"
                 for n, key in self._known_keys.items()]
        self.known_hosts.write_text("".join(lines))

    def set_known_key(self, name, key):
        """Makes the controller trust key ("ssh-ed25519 AAAA...") as the
        host's; the next connection to it checks against that key."""
        self._known_keys[name] = key
        self.write_known_hosts()

    def run(self, argv, env=None, cwd=None, input=None, timeout=120, check=False):
        """Runs a command of the controller in the lab's network and PID
        namespaces (argv a list, or a string for /bin/sh), with the
        controller's environment and env over it, in cwd (default the lab's
        directory); returns the CompletedProcess.  A command still running
        after timeout seconds is ended with everything else the controller
        runs, and TimeoutExpired raised."""
        if isinstance(argv, str):
            argv = ["/bin/sh", "-c", argv]
        environment = {**self.env, **(env or {})}
        feed = {"input": input} if input is not None else {"stdin": subprocess.DEVNULL}
        try:
            result = subprocess.run(self._enter() + list(argv), env=environment,
                                    cwd=cwd or self.directory, capture_output=True, text=True,
                                    errors="backslashreplace", timeout=timeout, **feed)
        except subprocess.TimeoutExpired:
            # Only nsenter, outside the namespace, has been killed.
            self._end_controller_processes()
            raise
        if check and result.returncode != 0:
            raise AssertionError(f"{argv!r} failed ({result.returncode}):\n"
                                 f"{result.stdout}\n{result.stderr}")
        return result

    def ansible(self, argv, env=None, cwd=None, timeout=600, check=False):
        """Runs an Ansible command (ansible-playbook, ansible, ...) as the
        controller; see run."""
        return self.run(argv, env=env, cwd=cwd, timeout=timeout, check=check)

    def ssh(self, name, command, timeout=30, check=False):
        """Runs a shell command on a host over the lab's ssh, as Ansible
        connects (without a persistent connection)."""
        return self.run(["ssh", "-F", str(self.ssh_config), name, command],
                        timeout=timeout, check=check)

    def drop_connections(self):
        """Ends the controller's persistent ssh connections (and whatever
        else it still runs), so the next run connects and checks each host's
        key afresh."""
        self._end_controller_processes()
        self._remove_control_sockets()

    def inventory(self, path, groups=None, host_vars=None, group_vars=None):
        """Writes an inventory of the lab's hosts with their addresses:
        groups maps group names to host names (default: every host in the
        group "lab"), host_vars and group_vars add variables.  A path ending
        in .yml, .yaml or .json gets Ansible's YAML form, any other its INI
        form.  Returns the path."""
        path = pathlib.Path(path)
        groups = groups if groups is not None else {"lab": list(self.hosts)}
        host_vars = host_vars or {}
        group_vars = group_vars or {}
        names = list(dict.fromkeys(n for members in groups.values() for n in members))
        unknown = [n for n in names if n not in self.hosts]
        if unknown:
            raise ValueError(f"no such lab hosts: {unknown}")
        variables = {n: {"ansible_host": self.hosts[n].address, **host_vars.get(n, {})}
                     for n in names}
        if path.suffix in (".yml", ".yaml", ".json"):
            children = {g: {"hosts": {n: None for n in members},
                            **({"vars": group_vars[g]} if g in group_vars else {})}
                        for g, members in groups.items()}
            tree = {"all": {"hosts": variables, "children": children,
                            **({"vars": group_vars["all"]} if "all" in group_vars else {})}}
            # JSON is YAML as well.
            path.write_text(json.dumps(tree, indent=2) + "\n")
            return path
        lines = [" ".join([n] + [f"{k}={_ini_value(v)}" for k, v in variables[n].items()])
                 for n in names]
        for group, members in groups.items():
            lines += ["", f"[{group}]"] + list(members)
        for group, values in group_vars.items():
            lines += ["", f"[{group}:vars]"] + [f"{k}={_ini_value(v)}" for k, v in values.items()]
        path.write_text("\n".join(lines) + "\n")
        return path

    # -- hosts --------------------------------------------------------------

    def start(self, names, print_server=False, sshd=True):
        """Starts hosts by name, all at once: each with its address, its
        sshd (unless sshd is False) and, with print_server, a running cupsd
        as queues.start_print_server makes it.  Returns the new Hosts in
        the order of names."""
        names = list(names)
        for name in names:
            if not HOST_NAME.fullmatch(name) or name in self.hosts or names.count(name) > 1:
                raise ValueError(f"bad or repeated host name {name!r}")
        if self._next_address + len(names) > NETWORK.num_addresses - 1:
            raise ValueError("the lab's range has no room for that many hosts")
        addresses = [str(NETWORK[self._next_address + i]) for i in range(len(names))]
        self._next_address += len(names)
        with concurrent.futures.ThreadPoolExecutor(max_workers=len(names) or 1) as pool:
            futures = [pool.submit(self._start_host, name, address, print_server, sshd)
                       for name, address in zip(names, addresses)]
            hosts = [f.result() for f in futures]
        with self._lock:
            # In the order they were asked for, not the order they came up.
            for host in hosts:
                self.hosts[host.name] = self.hosts.pop(host.name)
        for host in hosts:
            self._known_keys[host.name] = host.host_key
        self._write_ssh_config()
        self.write_known_hosts()
        return hosts

    def _start_host(self, name, address, print_server, sshd):
        host = Host(self.directory / "hosts" / name, name, address)
        with self._lock:
            self.hosts[name] = host
            self._watcher.stdin.write(f"{host.init_pid} {_start_time(host.init_pid)}\n")
            self._watcher.stdin.flush()
        link = f"lab{address.rsplit('.', 1)[1]}"
        # In the lab's network namespace but the machine's PID namespace,
        # where the host's pid names its network namespace.
        subprocess.run(["nsenter", f"--net=/proc/{self.pid}/ns/net", "--", "/bin/sh", "-c",
                        f"ip link add {link} type veth peer name eth0 netns {host.init_pid} && "
                        f"ip link set {link} master {BRIDGE} up"],
                       check=True, capture_output=True, stdin=subprocess.DEVNULL)
        host.sh(f"ip addr add {address}/{NETWORK.prefixlen} dev eth0 && ip link set eth0 up")
        host.prepare_ssh(self.public_key)
        if sshd:
            host.start_sshd()
        if print_server:
            start_print_server(host)
        return host

    def __getitem__(self, name):
        return self.hosts[name]

    # -- lifetime -----------------------------------------------------------

    def processes(self):
        """The host pids of the controller's processes besides its init:
        its commands and persistent connections."""
        if not self._pidns:
            return []
        return [p for p in pids_in_pid_namespace(self._pidns) if p != self.pid]

    def _end_controller_processes(self):
        deadline = time.monotonic() + 10
        while True:
            pids = self.processes()
            if not pids:
                return
            if time.monotonic() > deadline:
                raise RuntimeError(f"lab processes would not end: {pids}")
            for pid in pids:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.02)

    def _remove_control_sockets(self):
        for socket_file in self.control_dir.iterdir():
            socket_file.unlink()

    def close(self):
        """Ends everything the lab started; safe to call more than once."""
        if self._watcher:
            self._watcher.kill()
            self._watcher.wait()
            self._watcher.stdin.close()
            self._watcher = None
        try:
            self._end_controller_processes()
        finally:
            hosts = list(self.hosts.values())
            self.hosts = {}
            try:
                with concurrent.futures.ThreadPoolExecutor(max_workers=len(hosts) or 1) as pool:
                    futures = [pool.submit(h.close) for h in hosts]
                # Every host is closed before the first failure is raised.
                for future in futures:
                    future.result()
            finally:
                if self.control_dir:
                    self._remove_control_sockets()
                if self._holder:
                    self._holder.stdin.close()
                    end_holder(self._holder, self._init_pid)
                    self._holder = None
                    self._init_pid = None
                    self._pidns = None
                if self._spare_control_dir:
                    shutil.rmtree(self._spare_control_dir, ignore_errors=True)
                    self._spare_control_dir = None
                    self.control_dir = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _ini_value(value):
    text = value if isinstance(value, str) else json.dumps(value)
    return shlex.quote(text) if re.search(r"[\s'\"#;]", text) or not text else text
